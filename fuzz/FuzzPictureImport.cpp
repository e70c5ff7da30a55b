// The Add Picture import path over random files: the program's JPEG decoder
// first, then the toolkit's readers for the other formats, as a picture the
// cook chooses is loaded, with the toolkit's allocation limit and the
// 10,000-pixel side limit in force (checked before and after reading). Every
// result is an image or a null image.

#include "FuzzSupport.h"

#include "store/table/JpegCodec.h"
#include "store/table/ProgramError.h"

#include <QBuffer>
#include <QImageReader>

#include <cstdint>

namespace {

// JPEG files go through the program's decoder, which has its own limit (64
// million pixels); `viaJpeg` tells which way a picture came.
QImage importPicture(const QByteArray &bytes, bool *viaJpeg)
{
    try {
        *viaJpeg = true;
        return JpegCodec::decode(bytes);
    } catch (const StoreError &) {
        *viaJpeg = false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(128);
    if (reader.format() == "jpeg" || reader.format() == "jpg")
        return QImage();
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 10000 || size.height() > 10000))
        return QImage();
    // Some formats (GIF) tell no size before they are read, so the side
    // limit is checked on the picture read as well.
    QImage read = reader.read();
    if (read.width() > 10000 || read.height() > 10000)
        return QImage();
    return read;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    bool viaJpeg = false;
    const QImage image = importPicture(input, &viaJpeg);
    if (!image.isNull()) {
        if (viaJpeg)
            Fuzz::check(qint64(image.width()) * image.height() <= 64LL * 1024 * 1024, "an oversized JPEG came through");
        else
            Fuzz::check(image.width() <= 10000 && image.height() <= 10000, "an oversized picture came through");
        // Stored as the recipe's picture: it must encode.
        if (qint64(image.width()) * image.height() <= 512 * 512)
            try {
                JpegCodec::encode(image, 75);
            } catch (const StoreError &e) {
                Fuzz::fail("an imported picture does not encode", e.message());
            }
    }
    return 0;
}
