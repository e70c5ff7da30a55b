#include "store/backup/BookRestore.h"

#include "store/backup/BackupFiles.h"
#include "store/table/PictureFiles.h"
#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

qint64 limitFor(const QString &name)
{
    if (name == QLatin1String(BackupFiles::ManifestName))
        return BookBackup::MaxManifestBytes;
    if (name.startsWith(QLatin1String("Pics/")))
        return PictureFiles::MaxPictureBytes;
    return BookBackup::MaxTableBytes;
}

class ZipReader
{
public:
    ZipReader() : m_archive(archive_read_new()) { }
    ~ZipReader()
    {
        archive_read_free(m_archive);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(ZipReader)

    // Opens `file` and returns its size; throws BackupRefused with the reason
    // when it is no zip file that can be read.
    qint64 open(const QString &file)
    {
        // Only a regular file is read, and opening never waits on a pipe.
        m_fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            throw BackupRefused(QStringLiteral("it cannot be opened: %1").arg(systemReason()));
        struct stat info
        {
        };
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
            throw BackupRefused(QStringLiteral("it is not a regular file"));
        if (archive_read_support_format_zip_seekable(m_archive) != ARCHIVE_OK
            || archive_read_set_options(m_archive, "zip:hdrcharset=UTF-8") < ARCHIVE_WARN
            || archive_read_open_fd(m_archive, m_fd, 64 * 1024) != ARCHIVE_OK)
            throw BackupRefused(QStringLiteral("it is not a zip file (%1)").arg(reason()));
        return info.st_size;
    }

    archive *handle() const { return m_archive; }
    QString reason() const
    {
        const char *text = archive_error_string(m_archive);
        return text ? QString::fromLocal8Bit(text) : QStringLiteral("damaged");
    }

private:
    archive *m_archive;
    int m_fd = -1;
};

// Writes one entry's data to `fd` (or into `memory` when fd < 0), at most
// `limit` bytes, and returns its SHA-256; throws StoreError with the reason.
QByteArray readEntry(ZipReader &zip, const QString &name, qint64 limit, int fd, QByteArray *memory,
                     const std::function<void()> &tick)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const la_ssize_t got = archive_read_data(zip.handle(), buffer.data(), size_t(buffer.size()));
        if (got < 0)
            throw StoreError(QStringLiteral("%1 cannot be read (%2)").arg(name, zip.reason()));
        if (got == 0)
            break;
        total += got;
        if (total > limit)
            throw StoreError(QStringLiteral("%1 is larger than allowed").arg(name));
        hash.addData(QByteArrayView(buffer.constData(), got));
        tick();
        if (fd < 0) {
            memory->append(buffer.constData(), int(got));
            continue;
        }
        for (qint64 at = 0; at < got;) {
            const ssize_t written = ::write(fd, buffer.constData() + at, size_t(got - at));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                throw StoreError(QStringLiteral("Cannot unpack %1: %2").arg(name, systemReason()));
            at += written;
        }
    }
    if (fd >= 0 && ::fsync(fd) != 0)
        throw StoreError(QStringLiteral("Cannot unpack %1: %2").arg(name, systemReason()));
    return hash.result().toHex();
}

// Empty when the table file at `path` is whole and, for a recipe table
// (`table` not empty), has the program's schema; else why not. `rows` gets
// the table's row count.
QString tableRefusal(const QString &path, const QString &table, qint64 *rows)
{
    sqlite3 *db = nullptr;
    const QByteArray uri = BackupFiles::sqliteUri(path, "ro").toUtf8();
    if (sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return QStringLiteral("it cannot be opened");
    }
    // The file is not trusted: its schema may not run functions with side effects.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    QString refusal;
    try {
        QStringList integrity;
        {
            SqlStatement check(db, QStringLiteral("PRAGMA integrity_check"));
            while (check.step() && integrity.size() < 3)
                integrity << check.columnText(0);
        }
        if (integrity != QStringList {QStringLiteral("ok")})
            throw StoreError(QStringLiteral("it is damaged (%1)").arg(integrity.value(0)));
        SqlStatement objects(db, QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master"));
        while (objects.step()) {
            const QString type = objects.columnText(0);
            const QString name = objects.columnText(1);
            if (type != QLatin1String("table") && type != QLatin1String("index"))
                throw StoreError(
                    QStringLiteral("it holds a %1, which a table file of the program never has").arg(type));
            if (!table.isEmpty() && !name.startsWith(QLatin1String("sqlite_")) && objects.columnText(2) != table)
                throw StoreError(QStringLiteral("it holds another table (%1)").arg(name));
        }
        if (!table.isEmpty()) {
            SqlStatement id(db, QStringLiteral("PRAGMA application_id"));
            if (!id.step() || id.columnInt64(0) != RecipeSchema::ApplicationId)
                throw StoreError(QStringLiteral("it is not a table file of the program"));
            SqlStatement version(db, QStringLiteral("PRAGMA user_version"));
            if (!version.step() || version.columnInt64(0) != RecipeSchema::Version)
                throw StoreError(QStringLiteral("it is of another version of the program"));
            QStringList expected {QStringLiteral("id INTEGER 1")};
            for (const RecipeSchema::Field &field : RecipeSchema::fields(table))
                expected << QStringLiteral("%1 %2 0").arg(field.name, field.type);
            QStringList columns;
            SqlStatement info(db, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
            info.bindText(1, table);
            while (info.step())
                columns << QStringLiteral("%1 %2 %3").arg(info.columnText(0), info.columnText(1), info.columnText(2));
            if (columns != expected)
                throw StoreError(QStringLiteral("its table is not the program's %1 table").arg(table));
            SqlStatement count(db, QStringLiteral("SELECT count(*) FROM %1").arg(SqlStatement::quoteName(table)));
            *rows = count.step() ? count.columnInt64(0) : 0;
        }
    } catch (const StoreError &e) {
        refusal = e.message();
    }
    sqlite3_close_v2(db);
    return refusal;
}

bool makeFolder(const QString &path)
{
    return ::mkdir(QFile::encodeName(path).constData(), 0755) == 0 || errno == EEXIST;
}

} // namespace

namespace BookBackup {

Contents unpackBackup(const QString &file, const QString &folder, const Progress &progress)
{
    const QString shown = QDir::toNativeSeparators(file);
    auto refuse = [&](const QString &why) {
        return BackupRefused(QStringLiteral("%1 cannot be restored: %2.").arg(shown, why));
    };
    ZipReader zip;
    qint64 fileSize = 0;
    try {
        fileSize = zip.open(file);
    } catch (const BackupRefused &e) {
        throw refuse(e.message());
    }

    QHash<QString, QString> hashes;
    QByteArray manifest;
    QSet<QString> folders;
    qint64 topLevelPictures = 0;
    // Progress is the share of the file read so far.
    const auto tick = [&] {
        if (progress && !progress(archive_filter_bytes(zip.handle(), -1), fileSize))
            throw StoreCancelled();
    };
    try {
        for (int entries = 0;; ++entries) {
            archive_entry *entry = nullptr;
            const int rc = archive_read_next_header(zip.handle(), &entry);
            if (rc == ARCHIVE_EOF)
                break;
            if (rc < ARCHIVE_WARN)
                throw refuse(QStringLiteral("it is damaged (%1)").arg(zip.reason()));
            if (entries >= MaxEntries)
                throw refuse(QStringLiteral("it holds more than %1 files").arg(MaxEntries));
            const char *rawName = archive_entry_pathname_utf8(entry);
            if (!rawName)
                throw refuse(QStringLiteral("a file name in it is not readable"));
            const QString name = QString::fromUtf8(rawName);
            const QString refusal = BackupFiles::entryNameRefusal(name);
            if (!refusal.isEmpty())
                throw refuse(QStringLiteral("\"%1\" in it is %2").arg(name, refusal));
            if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry)
                || archive_entry_symlink(entry))
                throw refuse(QStringLiteral("\"%1\" in it is not a regular file").arg(name));
            if (hashes.contains(name) || (name == QLatin1String(BackupFiles::ManifestName) && !manifest.isNull()))
                throw refuse(QStringLiteral("\"%1\" is in it twice").arg(name));
            const qint64 limit = limitFor(name);
            if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limit)
                throw refuse(QStringLiteral("\"%1\" in it is larger than allowed").arg(name));

            if (name == QLatin1String(BackupFiles::ManifestName)) {
                manifest = QByteArray("");
                readEntry(zip, name, limit, -1, &manifest, tick);
                continue;
            }
            const QStringList parts = name.split(QLatin1Char('/'));
            QString path = folder;
            for (int i = 0; i + 1 < parts.size(); ++i) {
                path += QLatin1Char('/') + parts.at(i);
                if (!folders.contains(path)) {
                    if (!makeFolder(path))
                        throw StoreError(QStringLiteral("Cannot create %1: %2").arg(path, systemReason()));
                    folders.insert(path);
                }
            }
            path += QLatin1Char('/') + parts.last();
            const int fd = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0)
                throw StoreError(QStringLiteral("Cannot unpack %1: %2").arg(name, systemReason()));
            try {
                hashes.insert(name, QString::fromLatin1(readEntry(zip, name, limit, fd, nullptr, tick)));
            } catch (...) {
                ::close(fd);
                throw;
            }
            if (::close(fd) != 0)
                throw StoreError(QStringLiteral("Cannot unpack %1: %2").arg(name, systemReason()));
            if (parts.size() == 2 && parts.first() == QLatin1String("Pics"))
                ++topLevelPictures;
        }
    } catch (const BackupRefused &) {
        throw;
    } catch (const StoreCancelled &) {
        throw;
    } catch (const StoreError &e) {
        // What cannot be written here is no fault of the backup.
        if (e.message().startsWith(QLatin1String("Cannot ")))
            throw;
        throw refuse(e.message());
    }

    if (manifest.isNull())
        throw refuse(QStringLiteral("it has no manifest; it is not a backup of Saffrona's Mealdeck"));
    Contents read;
    QJsonObject listed;
    try {
        BackupFiles::parseManifest(manifest, &read, &listed);
    } catch (const BackupRefused &e) {
        throw refuse(e.message());
    }
    for (auto it = hashes.cbegin(); it != hashes.cend(); ++it) {
        if (!listed.contains(it.key()))
            throw refuse(QStringLiteral("\"%1\" in it is not in its manifest").arg(it.key()));
        if (listed.value(it.key()).toString() != it.value())
            throw refuse(
                QStringLiteral("\"%1\" in it is damaged (its SHA-256 differs from the manifest)").arg(it.key()));
    }
    for (auto it = listed.constBegin(); it != listed.constEnd(); ++it) {
        if (!hashes.contains(it.key()))
            throw refuse(QStringLiteral("\"%1\" is missing from it").arg(it.key()));
    }

    qint64 counts[3] = {0, 0, 0};
    const QStringList tables = recipeTableFiles();
    for (int i = 0; i < tables.size(); ++i) {
        if (!hashes.contains(tables.at(i)))
            throw refuse(QStringLiteral("%1 is missing from it").arg(tables.at(i)));
        const QString refusal
            = tableRefusal(folder + QLatin1Char('/') + tables.at(i), RecipeSchema::tableNames().at(i), &counts[i]);
        if (!refusal.isEmpty())
            throw refuse(QStringLiteral("%1 in it: %2").arg(tables.at(i), refusal));
    }
    if (hashes.contains(trashFile())) {
        qint64 unused = 0;
        const QString refusal = tableRefusal(folder + QLatin1Char('/') + trashFile(), QString(), &unused);
        if (!refusal.isEmpty())
            throw refuse(QStringLiteral("%1 in it: %2").arg(trashFile(), refusal));
    }
    if (counts[0] != read.mainGroups || counts[1] != read.subgroups || counts[2] != read.recipes
        || topLevelPictures != read.pictures)
        throw refuse(QStringLiteral("what it holds does not match its manifest"));

    if (!makeFolder(folder + QStringLiteral("/Pics")))
        throw StoreError(QStringLiteral("Cannot create %1/Pics: %2").arg(folder, systemReason()));
    folders.insert(folder + QStringLiteral("/Pics"));
    folders.insert(folder);
    for (const QString &made : std::as_const(folders)) {
        if (!BackupFiles::syncFolder(made))
            throw StoreError(QStringLiteral("Cannot write %1: %2").arg(made, systemReason()));
    }
    return read;
}

} // namespace BookBackup

BookRestore::BookRestore(const QString &dataFolder, const QString &backupFile)
    : m_data(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath())),
      m_folder(m_data),
      m_file(QFileInfo(backupFile).absoluteFilePath())
{
    const QFileInfo data(m_data);
    if (data.isSymLink() && !data.canonicalFilePath().isEmpty())
        m_folder = data.canonicalFilePath();
}

BookRestore::~BookRestore()
{
    if (!m_unpacked.isEmpty())
        QDir(m_unpacked).removeRecursively();
}

void BookRestore::check(const BookBackup::Progress &progress)
{
    if (!m_unpacked.isEmpty())
        QDir(m_unpacked).removeRecursively();
    m_unpacked.clear();
    // Beside the book's folder, so that the swap is one rename.
    QByteArray pattern = QFile::encodeName(QFileInfo(m_folder).absolutePath() + QStringLiteral("/Data.restoring-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        throw StoreError(QStringLiteral("Cannot create a folder beside %1: %2")
                             .arg(QDir::toNativeSeparators(m_data), systemReason()));
    m_unpacked = QFile::decodeName(pattern);
    try {
        m_contents = BookBackup::unpackBackup(m_file, m_unpacked, progress);
    } catch (...) {
        QDir(m_unpacked).removeRecursively();
        m_unpacked.clear();
        throw;
    }
}

void BookRestore::replace(const BookBackup::Progress &progress)
{
    if (m_unpacked.isEmpty())
        throw StoreError(QStringLiteral("The backup has not been checked"));
    const QByteArray data = QFile::encodeName(m_folder);
    const QByteArray unpacked = QFile::encodeName(m_unpacked);
    const bool hasBook = QFileInfo(m_data).isDir();
    // The restored folder is open to whom the old one was.
    struct stat old
    {
    };
    const mode_t mode = ::stat(data.constData(), &old) == 0 ? (old.st_mode & 07777) : 0755;
    if (::chmod(unpacked.constData(), mode) != 0)
        throw StoreError(QStringLiteral("Cannot prepare the restored book: %1").arg(systemReason()));

    if (hasBook && QFileInfo(m_data + QStringLiteral("/Paaryhma.db")).isFile()) {
        try {
            m_automaticBackup = BookBackup::makeAutomaticBackup(m_data, progress, m_file,
                                                                BookBackup::Automatic::BeforeRestore);
        } catch (const StoreCancelled &) {
            // Cancelling the backup cancels the restore.
            throw StoreCancelled();
        } catch (const StoreError &e) {
            // The restore goes on: the replaced book is kept anyway.
            m_automaticBackupError = e.message();
        }
    }
    // The book's lock goes with the book: the same file, still held by
    // whoever holds it, is in the restored folder.
    const QString lock = m_data + QStringLiteral("/Mealdeck.lock");
    if (QFileInfo::exists(lock)
        && ::link(QFile::encodeName(lock).constData(),
                  QFile::encodeName(m_unpacked + QStringLiteral("/Mealdeck.lock")).constData())
               != 0) {
        // A folder without hard links: the restored book starts unlocked, and
        // the holder's next write or start takes the lock anew.
    }

    const QString parent = QFileInfo(m_folder).absolutePath();
    const QString stem = parent + QLatin1Char('/') + QFileInfo(m_folder).fileName() + QStringLiteral(".before-restore-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString kept = stem;
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n)
        kept = stem + QStringLiteral("-%1").arg(n);
    const QByteArray keptName = QFile::encodeName(kept);

    if (!hasBook) {
        if (::renameat2(AT_FDCWD, unpacked.constData(), AT_FDCWD, data.constData(), RENAME_NOREPLACE) != 0)
            throw StoreError(QStringLiteral("Cannot put the restored book in place: %1").arg(systemReason()));
        m_unpacked.clear();
        BackupFiles::syncFolder(parent);
        return;
    }
    if (::renameat2(AT_FDCWD, unpacked.constData(), AT_FDCWD, data.constData(), RENAME_EXCHANGE) == 0) {
        // The unpacked folder's name now holds the old book.
        m_unpacked.clear();
        if (::rename(unpacked.constData(), keptName.constData()) == 0)
            m_keptAs = kept;
        else
            m_keptAs = QFile::decodeName(unpacked);
    } else if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        // A file system without atomic exchange: two renames.
        if (::rename(data.constData(), keptName.constData()) != 0)
            throw StoreError(QStringLiteral("Cannot move the book aside: %1").arg(systemReason()));
        if (::rename(unpacked.constData(), data.constData()) != 0) {
            const QString why = systemReason();
            ::rename(keptName.constData(), data.constData());
            throw StoreError(QStringLiteral("Cannot put the restored book in place: %1").arg(why));
        }
        m_unpacked.clear();
        m_keptAs = kept;
    } else {
        throw StoreError(QStringLiteral("Cannot put the restored book in place: %1").arg(systemReason()));
    }
    BackupFiles::syncFolder(parent);
    QFile::remove(m_keptAs + QStringLiteral("/Mealdeck.lock"));
}
