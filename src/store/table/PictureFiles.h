#pragma once

#include <QByteArray>
#include <QString>

// Reading and copying picture files. They come from folders the user owns and
// from whatever a sync tool or another program put there, so a read opens only
// regular files, never waits on a pipe or a device, and refuses a file larger
// than MaxPictureBytes before reading any of it.
namespace PictureFiles {

constexpr qint64 MaxPictureBytes = 64LL * 1024 * 1024;

enum class ReadResult {
    Read,
    // Nothing at the path now (no file, a dangling link, no such folder, a
    // folder that cannot be searched): a picture that may come back later.
    Missing,
    // Something is there that is not a picture file to read: not a regular
    // file, larger than MaxPictureBytes, or a file that cannot be read.
    Refused,
};

// The whole file at `path` (symbolic links followed). For Missing and
// Refused, `reason` says why.
ReadResult readPicture(const QString &path, QByteArray *data, QString *reason);

// Copies the picture at `from` to `to`, replacing any file there: written
// under a temporary name in the folder of `to`, flushed to disk, renamed into
// place and the folder flushed, so that after a crash `to` is either the whole
// copy or as it was. `from` stays. False, with `reason`, when `from` cannot be
// read (as readPicture) or the copy cannot be written; nothing is left behind.
bool copyPicture(const QString &from, const QString &to, QString *reason);

// Flushes a folder's entries (names made, renamed or removed) to disk.
bool syncFolder(const QString &folder);

} // namespace PictureFiles
