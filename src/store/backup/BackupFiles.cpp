#include "store/backup/BackupFiles.h"

#include "store/book/Menu.h"
#include "store/table/ProgramError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool plainName(const QString &part)
{
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String("..") || part.toUtf8().size() > 255)
        return false;
    for (const QChar c : part) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('/'))
            return false;
    }
    return true;
}

} // namespace

namespace BackupFiles {

QString sqliteUri(const QString &file, const char *mode)
{
    // Every byte outside the unreserved set is percent-encoded, so '?', '#'
    // and '%' in folder names cannot reach the URI parser as syntax.
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(file, "/")) + QStringLiteral("?mode=")
        + QLatin1String(mode);
}

QByteArray manifestJson(const BookBackup::Contents &contents, const QJsonObject &hashes)
{
    QJsonObject manifest;
    manifest.insert(QStringLiteral("format"), QLatin1String(FormatName));
    manifest.insert(QStringLiteral("formatVersion"), FormatVersion);
    manifest.insert(QStringLiteral("programVersion"), contents.programVersion);
    manifest.insert(QStringLiteral("date"), contents.date.toString(Qt::ISODate));
    manifest.insert(QStringLiteral("mainGroups"), contents.mainGroups);
    manifest.insert(QStringLiteral("subgroups"), contents.subgroups);
    manifest.insert(QStringLiteral("recipes"), contents.recipes);
    manifest.insert(QStringLiteral("pictures"), contents.pictures);
    manifest.insert(QStringLiteral("sha256"), hashes);
    return QJsonDocument(manifest).toJson(QJsonDocument::Indented);
}

void parseManifest(const QByteArray &json, BookBackup::Contents *contents, QJsonObject *hashes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        throw BackupRefused(QStringLiteral("its manifest is not readable"));
    const QJsonObject manifest = document.object();
    if (manifest.value(QStringLiteral("format")).toString() != QLatin1String(FormatName))
        throw BackupRefused(QStringLiteral("it is not a backup of Saffrona's Mealdeck"));
    if (manifest.value(QStringLiteral("formatVersion")).toInt() != FormatVersion)
        throw BackupRefused(QStringLiteral("it was made by a newer version of the program"));
    BookBackup::Contents read;
    read.programVersion = manifest.value(QStringLiteral("programVersion")).toString();
    read.date = QDateTime::fromString(manifest.value(QStringLiteral("date")).toString(), Qt::ISODate);
    auto count = [&manifest](const char *name, qint64 *value) {
        const QJsonValue v = manifest.value(QLatin1String(name));
        if (!v.isDouble() || v.toDouble() < 0 || v.toDouble() > 1e12 || v.toDouble() != double(qint64(v.toDouble())))
            return false;
        *value = qint64(v.toDouble());
        return true;
    };
    if (!read.date.isValid() || !count("mainGroups", &read.mainGroups) || !count("subgroups", &read.subgroups)
        || !count("recipes", &read.recipes) || !count("pictures", &read.pictures)
        || !manifest.value(QStringLiteral("sha256")).isObject())
        throw BackupRefused(QStringLiteral("its manifest is incomplete"));
    *contents = read;
    *hashes = manifest.value(QStringLiteral("sha256")).toObject();
}

bool isTrashEntryFolder(const QString &name)
{
    static const QRegularExpression number(QStringLiteral("^[1-9][0-9]{0,18}$"));
    return number.match(name).hasMatch();
}

QString entryNameRefusal(const QString &name)
{
    if (name == QLatin1String(ManifestName))
        return QString();
    if (BookBackup::recipeTableFiles().contains(name) || name == BookBackup::trashFile() || name == Menu::fileName())
        return QString();
    if (name.startsWith(QLatin1Char('/')))
        return QStringLiteral("an absolute path");
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part == QLatin1String(".."))
            return QStringLiteral("a path leaving the book's folder");
    }
    const bool trashPicture = parts.size() == 4 && parts.at(1) == QLatin1String(TrashPictureFolder)
        && isTrashEntryFolder(parts.at(2));
    if (parts.size() < 2 || (parts.size() > 3 && !trashPicture) || parts.first() != QLatin1String("Pics"))
        return QStringLiteral("not a file of a recipe book");
    for (int i = 1; i < parts.size(); ++i) {
        if (!plainName(parts.at(i)))
            return QStringLiteral("not a plain file name");
    }
    return QString();
}

TemporaryFile::TemporaryFile(const QString &finalPath) : m_final(QFileInfo(finalPath).absoluteFilePath()) { }

TemporaryFile::~TemporaryFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

void TemporaryFile::create()
{
    const QFileInfo target(m_final);
    if (target.isDir())
        throw StoreError(QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(m_final)));
    QByteArray pattern = QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                                           + QStringLiteral(".partial-XXXXXX"));
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        throw StoreError(QStringLiteral("Cannot write in %1: %2")
                             .arg(QDir::toNativeSeparators(target.absolutePath()), systemReason()));
    m_temporary = pattern;
}

void TemporaryFile::commit()
{
    if (::fsync(m_fd) != 0) {
        const QString why = systemReason();
        throw StoreError(QStringLiteral("The backup was not written: %1").arg(why));
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw StoreError(QStringLiteral("The backup was not written: %1").arg(systemReason()));
    if (::rename(m_temporary.constData(), QFile::encodeName(m_final).constData()) != 0)
        throw StoreError(
            QStringLiteral("Cannot name the backup %1: %2").arg(QDir::toNativeSeparators(m_final), systemReason()));
    m_temporary.clear();
    syncFolder(QFileInfo(m_final).absolutePath());
}

} // namespace BackupFiles
