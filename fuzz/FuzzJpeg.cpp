// The recipe-picture decoder over random and damaged JPEG data: every failure
// is a null image, never an abort or a read outside the buffer. A decoded
// picture encodes again and decodes to the same size.

#include "FuzzSupport.h"

#include "store/table/JpegCodec.h"
#include "store/table/ProgramError.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QImage image;
    try {
        image = JpegCodec::decode(input);
    } catch (const StoreError &e) {
        Fuzz::check(!e.message().isEmpty(), "a failed decode gave no reason");
        return 0;
    }
    Fuzz::check(image.format() == QImage::Format_RGB32, "decoded picture not RGB32");
    // Keep the round trip cheap on the large pictures a header may claim.
    if (qint64(image.width()) * image.height() <= 256 * 256) {
        QByteArray again;
        try {
            again = JpegCodec::encode(image, 75);
        } catch (const StoreError &e) {
            Fuzz::fail("a decoded picture does not encode", e.message());
        }
        const QImage back = JpegCodec::decode(again);
        Fuzz::check(back.size() == image.size(), "round trip changed the size");
    }
    return 0;
}
