#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures of the recipes, on libjpeg. Nothing here aborts or jumps out
// on a bad file: every failure is a StoreError with the reason.
namespace JpegCodec {

// Decodes a JPEG image (grey, colour or CMYK) to a QImage in RGB32. A file
// that is not JPEG, is damaged or ends early throws StoreError.
QImage decode(const QByteArray &data);
// A file is read as PictureFiles::readPicture reads it: only a regular file
// of at most 64 MB.
QImage decodeFile(const QString &path);

// Encodes as a baseline (not progressive) colour JPEG, whatever the image's
// format; throws StoreError when it cannot.
QByteArray encode(const QImage &image, int quality = 90);
// Writes the encoded image to `path`, replacing any file there atomically:
// the old file stays whole if anything fails (StoreError says what).
void encodeFile(const QImage &image, const QString &path, int quality = 90);

} // namespace JpegCodec
