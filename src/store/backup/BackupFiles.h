#pragma once

#include "store/backup/BookBackup.h"
#include "store/table/PictureFiles.h"

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QString>

// What writing and reading backups share: the manifest, the names an entry
// may have, and files that appear whole or not at all. Internal to the store.
namespace BackupFiles {

inline constexpr const char *ManifestName = "manifest.json";
inline constexpr const char *FormatName = "Mealdeck backup";
inline constexpr int FormatVersion = 1;

// Sets `error` (when given) and returns false.
bool fail(QString *error, const QString &why);

// An SQLite URI for `file` opened with `mode` ("ro" or "rw"), never created.
QString sqliteUri(const QString &file, const char *mode);

// The manifest of `contents` with the SHA-256 (hex) of every entry by name.
QByteArray manifestJson(const BookBackup::Contents &contents, const QJsonObject &hashes);
// Reads a manifest; false with `error` when it is not one.
bool parseManifest(const QByteArray &json, BookBackup::Contents *contents, QJsonObject *hashes, QString *error);

// The folder of Pics holding the trash's pictures, one folder per deletion
// named by its number.
inline constexpr const char *TrashPictureFolder = "Roskakori";
bool isTrashEntryFolder(const QString &name);

// Empty when `name` may be an entry of a backup: "manifest.json", a table
// file, "Pics/<file>", "Pics/<folder>/<file>" or "Pics/Roskakori/<number>/<file>"
// with plain names; else why not.
QString entryNameRefusal(const QString &name);

using PictureFiles::syncFolder;

// A file written under a temporary name beside its final one and renamed into
// place by commit() after being flushed; removed when it is not committed.
class TemporaryFile
{
public:
    explicit TemporaryFile(const QString &finalPath);
    ~TemporaryFile();
    Q_DISABLE_COPY_MOVE(TemporaryFile)

    bool create(QString *error);
    int descriptor() const { return m_fd; }
    QString finalPath() const { return m_final; }
    QString temporaryPath() const { return QFile::decodeName(m_temporary); }
    // Flushes, closes and renames over the final path, then flushes the folder.
    bool commit(QString *error);

private:
    QString m_final;
    QByteArray m_temporary;
    int m_fd = -1;
};

} // namespace BackupFiles
