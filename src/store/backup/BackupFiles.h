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

// An SQLite URI for `file` opened with `mode` ("ro" or "rw"), never created.
QString sqliteUri(const QString &file, const char *mode);

// The manifest of `contents` with the SHA-256 (hex) of every entry by name.
QByteArray manifestJson(const BookBackup::Contents &contents, const QJsonObject &hashes);
// Reads a manifest into `contents` and `hashes`; throws BackupRefused with the
// reason when it is not one.
void parseManifest(const QByteArray &json, BookBackup::Contents *contents, QJsonObject *hashes);

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

    // Throws StoreError when the file cannot be made.
    void create();
    int descriptor() const { return m_fd; }
    QString finalPath() const { return m_final; }
    QString temporaryPath() const { return QFile::decodeName(m_temporary); }
    // Flushes, closes and renames over the final path, then flushes the
    // folder; throws StoreError when one of them fails.
    void commit();

private:
    QString m_final;
    QByteArray m_temporary;
    int m_fd = -1;
};

} // namespace BackupFiles
