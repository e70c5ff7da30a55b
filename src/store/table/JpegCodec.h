#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// JPEG pictures of the recipes, on libjpeg. Nothing here aborts or jumps out
// on a bad file: every failure is an empty result with the reason.
namespace JpegCodec {

// Decodes a JPEG image (grey, colour or CMYK) to a QImage in RGB32. A file
// that is not JPEG, is damaged or ends early gives a null image.
QImage decode(const QByteArray &data, QString *error = nullptr);
// A file is read as PictureFiles::readPicture reads it: only a regular file
// of at most 64 MB.
QImage decodeFile(const QString &path, QString *error = nullptr);

// Encodes as a baseline (not progressive) colour JPEG, whatever the image's
// format. Returns empty data on failure.
QByteArray encode(const QImage &image, int quality = 90, QString *error = nullptr);
// Writes the encoded image to `path`, replacing any file there atomically:
// the old file stays whole if anything fails.
bool encodeFile(const QImage &image, const QString &path, QString *error = nullptr, int quality = 90);

} // namespace JpegCodec
