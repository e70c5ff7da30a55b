#include "store/backup/BookBackup.h"

#include "store/backup/BackupFiles.h"
#include "store/book/Menu.h"
#include "store/table/PictureFiles.h"
#include "store/table/ProgramError.h"
#include "store/table/SqlStatement.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef MEALDECK_VERSION
#define MEALDECK_VERSION "unknown"
#endif

namespace {


constexpr qint64 ChunkBytes = 1024 * 1024;

// The table files of the book, read inside one read transaction of a
// connection of their own. While it is open no other connection can commit to
// any of them, so the bytes read are one consistent state of the book. The
// files are read through SQLite's own file handles: opening and closing the
// files again in this process would drop the process's POSIX locks on them.
class Snapshot
{
public:
    ~Snapshot()
    {
        if (m_db) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(m_db);
        }
    }

    void open(const QString &dataFolder, const QStringList &files)
    {
        const QString first = dataFolder + QLatin1Char('/') + files.first();
        const QByteArray uri = BackupFiles::sqliteUri(first, "rw").toUtf8();
        const int rc = sqlite3_open_v2(uri.constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_EXRESCODE, nullptr);
        if (rc != SQLITE_OK)
            throw StoreError(QStringLiteral("Cannot open %1: %2")
                                 .arg(first, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc))));
        sqlite3_busy_timeout(m_db, 10000);
        m_schemas << QStringLiteral("main");
        for (int i = 1; i < files.size(); ++i) {
            const QString schema = QStringLiteral("f%1").arg(i);
            SqlStatement attach(m_db, QStringLiteral("ATTACH DATABASE ? AS ?"));
            attach.bindText(1, BackupFiles::sqliteUri(dataFolder + QLatin1Char('/') + files.at(i), "rw"));
            attach.bindText(2, schema);
            attach.run();
            m_schemas << schema;
        }
        SqlStatement::exec(m_db, QStringLiteral("BEGIN"));
        // Reading each file takes its shared lock (and rolls back a journal
        // left by a crash) for the rest of the transaction.
        for (const QString &schema : std::as_const(m_schemas)) {
            SqlStatement read(m_db, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schema));
            read.step();
        }
    }

    qint64 count(int file, const QString &table) const
    {
        SqlStatement statement(
            m_db, QStringLiteral("SELECT count(*) FROM %1.%2").arg(m_schemas.at(file), SqlStatement::quoteName(table)));
        return statement.step() ? statement.columnInt64(0) : 0;
    }

    sqlite3_file *handle(int file) const
    {
        sqlite3_file *handle = nullptr;
        const QByteArray schema = m_schemas.at(file).toUtf8();
        if (sqlite3_file_control(m_db, schema.constData(), SQLITE_FCNTL_FILE_POINTER, &handle) != SQLITE_OK || !handle
            || !handle->pMethods)
            throw StoreError(QStringLiteral("Cannot read the table file"));
        return handle;
    }

    qint64 size(int file) const
    {
        sqlite3_file *f = handle(file);
        sqlite3_int64 bytes = 0;
        if (f->pMethods->xFileSize(f, &bytes) != SQLITE_OK)
            throw StoreError(QStringLiteral("Cannot read the size of the table file"));
        return bytes;
    }

    void end() { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); }

private:
    sqlite3 *m_db = nullptr;
    QStringList m_schemas;
};

struct Picture
{
    QString entry; // "Pics/..." in the zip
    QString path;
    qint64 size = 0;
};

// The regular files of `pics`, of its subfolders and of the trash's entry
// folders, links left out, and the backup being written, should it be saved
// among the pictures.
QVector<Picture> listPictures(const QString &pics, const QStringList &output, QStringList *skipped, qint64 *topLevel)
{
    QVector<Picture> found;
    const QDir::Filters filter = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    auto take = [&](const QFileInfo &info, const QString &entry) {
        if (output.contains(info.absoluteFilePath()))
            return false;
        if (info.isSymLink() || !info.isFile()) {
            skipped->append(QStringLiteral("%1: not a regular file, not carried").arg(entry));
            return false;
        }
        if (info.size() > PictureFiles::MaxPictureBytes) {
            skipped->append(QStringLiteral("%1: larger than 64 MB, not carried").arg(entry));
            return false;
        }
        found.append({entry, info.absoluteFilePath(), info.size()});
        return true;
    };
    const QString trash = BackupFiles::TrashPictureFolder;
    for (const QFileInfo &info : QDir(pics).entryInfoList(filter, QDir::Name)) {
        const QString entry = QStringLiteral("Pics/") + info.fileName();
        if (info.isDir() && !info.isSymLink()) {
            for (const QFileInfo &inner : QDir(info.absoluteFilePath()).entryInfoList(filter, QDir::Name)) {
                const QString innerEntry = entry + QLatin1Char('/') + inner.fileName();
                if (!inner.isDir() || inner.isSymLink()) {
                    take(inner, innerEntry);
                } else if (info.fileName() == trash && BackupFiles::isTrashEntryFolder(inner.fileName())) {
                    // The pictures of a deletion in the trash.
                    for (const QFileInfo &kept : QDir(inner.absoluteFilePath()).entryInfoList(filter, QDir::Name))
                        take(kept, innerEntry + QLatin1Char('/') + kept.fileName());
                } else {
                    skipped->append(
                        QStringLiteral("%1: a folder inside a folder of Pics, not carried").arg(innerEntry));
                }
            }
        } else if (take(info, entry)) {
            ++*topLevel;
        }
    }
    return found;
}

class ZipWriter
{
public:
    explicit ZipWriter(int fd) : m_archive(archive_write_new())
    {
        // Options are taken only before the archive is opened. Speed over
        // size for the large table files; the pictures are JPEGs already.
        if (archive_write_set_format_zip(m_archive) != ARCHIVE_OK
            || archive_write_set_options(m_archive, "zip:hdrcharset=UTF-8") < ARCHIVE_WARN
            || archive_write_set_options(m_archive, "zip:compression-level=1") < ARCHIVE_WARN
            || archive_write_set_bytes_in_last_block(m_archive, 1) != ARCHIVE_OK
            || archive_write_open_fd(m_archive, fd) != ARCHIVE_OK)
            throw StoreError(reason());
    }
    ~ZipWriter() { archive_write_free(m_archive); }
    Q_DISABLE_COPY_MOVE(ZipWriter)

    void begin(const QString &name, qint64 size, bool compress)
    {
        if ((compress ? archive_write_zip_set_compression_deflate(m_archive)
                      : archive_write_zip_set_compression_store(m_archive))
            != ARCHIVE_OK)
            throw StoreError(reason());
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, size);
        archive_entry_set_mtime(entry, QDateTime::currentSecsSinceEpoch(), 0);
        const int rc = archive_write_header(m_archive, entry);
        archive_entry_free(entry);
        if (rc < ARCHIVE_WARN)
            throw StoreError(QStringLiteral("Cannot write %1: %2").arg(name, reason()));
    }

    void write(const char *data, qint64 size)
    {
        if (archive_write_data(m_archive, data, size_t(size)) != la_ssize_t(size))
            throw StoreError(reason());
    }

    void close()
    {
        if (archive_write_close(m_archive) != ARCHIVE_OK)
            throw StoreError(reason());
    }

private:
    QString reason() const
    {
        const char *text = archive_error_string(m_archive);
        QString why = text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
        if (archive_errno(m_archive) > 0)
            why += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(archive_errno(m_archive))));
        return why;
    }

    archive *m_archive;
};

const QString DailyPattern = QStringLiteral("^Mealdeck-(\\d{4}-\\d{2}-\\d{2})-\\d{6}(-\\d+)?\\.zip$");
const QString ChangePattern
    = QStringLiteral("^Mealdeck-before-(?:import|restore)-(\\d{4}-\\d{2}-\\d{2}-\\d{6})(-\\d+)?\\.zip$");

// The backups of `folder` whose names match `pattern`, oldest first (by the
// date and time in their names).
QStringList backupsMatching(const QDir &folder, const QString &pattern)
{
    const QRegularExpression name(pattern);
    QList<QPair<QString, QString>> found;
    for (const QString &entry : folder.entryList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch match = name.match(entry);
        if (match.hasMatch())
            found.append({match.captured(1) + QString::number(match.captured(2).mid(1).toInt()).rightJustified(6, QLatin1Char('0')),
                          entry});
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto &item : std::as_const(found))
        names << item.second;
    return names;
}

// True when a file of the book, or a folder of its pictures, was modified at
// or after `since` (milliseconds since the epoch).
bool modifiedSince(const QString &data, qint64 since)
{
    auto after = [since](const QString &path) {
        struct stat info
        {
        };
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return false;
        return qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000 >= since;
    };
    QStringList files = BookBackup::recipeTableFiles();
    files << BookBackup::trashFile() << QStringLiteral("Pics");
    for (const QString &file : std::as_const(files)) {
        if (after(data + QLatin1Char('/') + file))
            return true;
    }
    QDirIterator pictures(data + QStringLiteral("/Pics"), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                              | QDir::System,
                          QDirIterator::Subdirectories);
    while (pictures.hasNext()) {
        if (after(pictures.next()))
            return true;
    }
    return false;
}

} // namespace

namespace BookBackup {

QStringList recipeTableFiles()
{
    return {QStringLiteral("Paaryhma.db"), QStringLiteral("Alaryhma.db"), QStringLiteral("Ohje.db")};
}

QString trashFile()
{
    return QStringLiteral("Roskakori.db");
}

QString describe(const Contents &contents)
{
    auto count = [](qint64 n, const char *one, const char *many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    return QStringLiteral("%1, %2, %3 and %4")
        .arg(count(contents.mainGroups, "main group", "main groups"),
             count(contents.subgroups, "subgroup", "subgroups"), count(contents.recipes, "recipe", "recipes"),
             count(contents.pictures, "picture", "pictures"));
}

QString defaultFileName(const QDate &date)
{
    return QStringLiteral("Mealdeck-%1.zip").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
}

Written writeBackup(const QString &dataFolder, const QString &file, const Progress &progress)
{
    const QString data = QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath());
    QStringList tables = recipeTableFiles();
    for (const QString &table : std::as_const(tables)) {
        if (!QFileInfo(data + QLatin1Char('/') + table).isFile())
            throw StoreError(
                QStringLiteral("%1 is not a recipe book: %2 is missing").arg(QDir::toNativeSeparators(data), table));
    }
    if (QFileInfo(data + QLatin1Char('/') + trashFile()).isFile())
        tables << trashFile();

    QStringList notCarried;
    BackupFiles::TemporaryFile output(file);
    output.create();
    Contents made;
    made.programVersion = QStringLiteral(MEALDECK_VERSION);
    made.date = QDateTime::currentDateTimeUtc();
    QJsonObject hashes;
    try {
        Snapshot snapshot;
        snapshot.open(data, tables);
        made.mainGroups = snapshot.count(0, QStringLiteral("Paaryhma"));
        made.subgroups = snapshot.count(1, QStringLiteral("Alaryhma"));
        made.recipes = snapshot.count(2, QStringLiteral("Ohje"));
        const QVector<Picture> pictures = listPictures(
            data + QStringLiteral("/Pics"), {output.finalPath(), output.temporaryPath()}, &notCarried, &made.pictures);

        qint64 total = 0;
        for (int i = 0; i < tables.size(); ++i)
            total += snapshot.size(i);
        for (const Picture &picture : pictures)
            total += picture.size;
        qint64 done = 0;
        auto advance = [&](qint64 bytes) {
            done += bytes;
            if (progress && !progress(done, total))
                throw StoreCancelled(QStringLiteral("The backup was not written: Cancelled"));
        };
        advance(0);

        ZipWriter zip(output.descriptor());
        QByteArray buffer(int(ChunkBytes), Qt::Uninitialized);
        for (int i = 0; i < tables.size(); ++i) {
            sqlite3_file *f = snapshot.handle(i);
            const qint64 size = snapshot.size(i);
            zip.begin(tables.at(i), size, true);
            QCryptographicHash hash(QCryptographicHash::Sha256);
            for (qint64 at = 0; at < size;) {
                const int chunk = int(std::min(ChunkBytes, size - at));
                if (f->pMethods->xRead(f, buffer.data(), chunk, at) != SQLITE_OK)
                    throw StoreError(QStringLiteral("Cannot read %1").arg(tables.at(i)));
                hash.addData(QByteArrayView(buffer.constData(), chunk));
                zip.write(buffer.constData(), chunk);
                at += chunk;
                advance(chunk);
            }
            hashes.insert(tables.at(i), QString::fromLatin1(hash.result().toHex()));
        }
        // The tables are read: the program may write again.
        snapshot.end();

        for (const Picture &picture : pictures) {
            QByteArray bytes;
            QString why;
            if (PictureFiles::readPicture(picture.path, &bytes, &why) != PictureFiles::ReadResult::Read) {
                notCarried << QStringLiteral("%1: %2, not carried").arg(picture.entry, why);
                if (picture.entry.count(QLatin1Char('/')) == 1)
                    --made.pictures;
                advance(picture.size);
                continue;
            }
            zip.begin(picture.entry, bytes.size(), false);
            zip.write(bytes.constData(), bytes.size());
            hashes.insert(picture.entry,
                          QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
            advance(picture.size);
        }

        // The week menu, when the book has one, goes along as it is.
        constexpr qint64 MaxMenuBytes = 16 * 1024 * 1024;
        QFile menu(data + QLatin1Char('/') + Menu::fileName());
        if (menu.exists()) {
            QByteArray bytes;
            if (!menu.open(QIODevice::ReadOnly) || menu.size() > MaxMenuBytes
                || (bytes = menu.readAll()).size() != menu.size() || menu.error() != QFile::NoError)
                notCarried << QStringLiteral("%1: %2, not carried").arg(Menu::fileName(), menu.errorString());
            else {
                zip.begin(Menu::fileName(), bytes.size(), true);
                zip.write(bytes.constData(), bytes.size());
                hashes.insert(Menu::fileName(), QString::fromLatin1(
                                                    QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
            }
        }

        const QByteArray manifest = BackupFiles::manifestJson(made, hashes);
        zip.begin(BackupFiles::ManifestName, manifest.size(), true);
        zip.write(manifest.constData(), manifest.size());
        zip.close();
    } catch (const StoreCancelled &) {
        throw;
    } catch (const ProgramError &e) {
        throw StoreError(QStringLiteral("The backup was not written: %1").arg(e.message()));
    }
    output.commit();
    return {made, notCarried};
}

QString backupsFolder(const QString &dataFolder)
{
    const QFileInfo data(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()));
    return data.absolutePath() + QStringLiteral("/Backups");
}

QString makeAutomaticBackup(const QString &dataFolder, const Progress &progress, const QString &keep, Automatic kind)
{
    const QString folder = backupsFolder(dataFolder);
    if (!QDir().mkpath(folder))
        throw StoreError(QStringLiteral("Cannot create the folder %1").arg(QDir::toNativeSeparators(folder)));
    const QDir backups(folder);
    // Leftovers of backups that were cut short (the program was killed).
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    for (const QFileInfo &info :
         backups.entryInfoList({QStringLiteral(".Mealdeck-*.partial-*")}, QDir::Files | QDir::Hidden)) {
        if (info.lastModified().toUTC() < dayAgo)
            QFile::remove(info.absoluteFilePath());
    }

    const QString prefix = kind == Automatic::BeforeImport    ? QStringLiteral("Mealdeck-before-import-")
                           : kind == Automatic::BeforeRestore ? QStringLiteral("Mealdeck-before-restore-")
                                                              : QStringLiteral("Mealdeck-");
    const QDateTime now = QDateTime::currentDateTime();
    const QString stem = prefix + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    // A later backup of the same second gets a higher number, never a
    // number (or the plain name) freed by pruning, so the names keep the order.
    int highest = 0;
    for (const QString &entry : backups.entryList({stem + QStringLiteral("*")}, QDir::Files | QDir::Hidden)) {
        const QString rest = entry.mid(stem.size());
        if (rest == QLatin1String(".zip"))
            highest = std::max(highest, 1);
        else if (rest.startsWith(QLatin1Char('-')) && rest.endsWith(QLatin1String(".zip")))
            highest = std::max(highest, rest.mid(1, rest.size() - 5).toInt());
    }
    const QString name = highest == 0 ? stem + QStringLiteral(".zip") : stem + QStringLiteral("-%1.zip").arg(highest + 1);
    const QString file = backups.absoluteFilePath(name);
    writeBackup(dataFolder, file, progress);
    // Dated a little before the book was read: a change made while it was
    // read, or in the same instant, makes the next backup due.
    const qint64 read = now.toMSecsSinceEpoch() - 2000;
    const struct timespec times[2] = {{read / 1000, (read % 1000) * 1000000}, {read / 1000, (read % 1000) * 1000000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0);

    const QString kept = QFileInfo(keep).absoluteFilePath();
    auto remove = [&](const QString &entry) {
        const QString old = backups.absoluteFilePath(entry);
        if (old != kept && old != file)
            QFile::remove(old);
    };
    if (kind != Automatic::Daily) {
        const QStringList made = backupsMatching(backups, ChangePattern);
        for (int i = 0; i + KeptChangeBackups < made.size(); ++i)
            remove(made.at(i));
        return file;
    }
    // One daily backup a day: the newest of the day holds all of its work.
    const QRegularExpression daily(DailyPattern);
    const QString today = daily.match(name).captured(1);
    QStringList made;
    for (const QString &entry : backupsMatching(backups, DailyPattern)) {
        if (entry != name && daily.match(entry).captured(1) == today)
            remove(entry);
        else
            made << entry;
    }
    for (int i = 0; i + KeptBackups < made.size(); ++i)
        remove(made.at(i));
    return file;
}

bool automaticBackupDue(const QString &dataFolder)
{
    const QDir backups(backupsFolder(dataFolder));
    qint64 newest = -1;
    for (const QString &pattern : {DailyPattern, ChangePattern}) {
        for (const QString &entry : backupsMatching(backups, pattern)) {
            struct stat info
            {
            };
            if (::stat(QFile::encodeName(backups.absoluteFilePath(entry)).constData(), &info) == 0)
                newest = std::max(newest, qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000);
        }
    }
    return newest < 0 || modifiedSince(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()), newest);
}

} // namespace BookBackup
