#include "store/table/JpegCodec.h"

#include "store/table/ProgramError.h"

#include "store/table/PictureFiles.h"

#include <QSaveFile>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first.
#include <jerror.h>

namespace {

// Pictures beyond this are refused rather than allocated.
constexpr unsigned long MaxPixels = 64UL * 1024 * 1024;
constexpr long MaxDecoderMemory = 768L * 1024 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return. It
// jumps back to the setjmp of the routine below; those routines keep only
// plain C data in their frames, so the jump skips no destructor.
struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool endedEarly;
};

void errorExit(j_common_ptr info)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void emitMessage(j_common_ptr info, int level)
{
    auto *manager = reinterpret_cast<ErrorManager *>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        manager->endedEarly = true;
}

void silentOutput(j_common_ptr) { }

// Clears `errors` and makes it the error handler a coder's `err` points to:
// errors jump back instead of ending the process, and nothing is printed.
jpeg_error_mgr *installErrors(ErrorManager *errors)
{
    std::memset(errors, 0, sizeof *errors);
    jpeg_error_mgr *base = jpeg_std_error(&errors->base);
    base->error_exit = errorExit;
    base->emit_message = emitMessage;
    base->output_message = silentOutput;
    return base;
}

struct RawImage
{
    unsigned width;
    unsigned height;
    unsigned char *pixels; // RGB, 3 bytes a pixel, malloc'ed
    unsigned char *row;    // one decoded line, malloc'ed
};

// Returns 0 on success, else fills `message`.
int decodeRaw(const unsigned char *data, unsigned long size, RawImage *out, char *message)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    std::memset(&info, 0, sizeof info);
    out->pixels = nullptr;
    out->row = nullptr;
    info.err = installErrors(&errors);
    if (setjmp(errors.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        std::free(out->row);
        std::free(out->pixels);
        out->row = nullptr;
        out->pixels = nullptr;
        return 1;
    }
    jpeg_create_decompress(&info);
    // The decoder's own buffers stay bounded too: a file of a few hundred
    // bytes may claim a picture of many gigapixels in several scans, whose
    // coefficients the decoder would hold in memory whole.
    info.mem->max_memory_to_use = MaxDecoderMemory;
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    // Refused on the header's size, before the decoder allocates for it.
    if (info.image_width == 0 || info.image_height == 0
        || (unsigned long)info.image_width * info.image_height > MaxPixels) {
        std::snprintf(message, JMSG_LENGTH_MAX, "the picture is too large");
        jpeg_destroy_decompress(&info);
        return 1;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    const unsigned long pixels = (unsigned long)info.output_width * info.output_height;
    if (info.output_width == 0 || info.output_height == 0 || pixels > MaxPixels) {
        std::snprintf(message, JMSG_LENGTH_MAX, "the picture is too large");
        jpeg_destroy_decompress(&info);
        return 1;
    }
    const unsigned components = (unsigned)info.output_components;
    if (components != 3 && components != 4) {
        std::snprintf(message, JMSG_LENGTH_MAX, "unsupported colour layout");
        jpeg_destroy_decompress(&info);
        return 1;
    }
    out->width = info.output_width;
    out->height = info.output_height;
    out->pixels = static_cast<unsigned char *>(std::malloc(pixels * 3));
    out->row = static_cast<unsigned char *>(std::malloc((size_t)info.output_width * components));
    if (!out->pixels || !out->row) {
        std::free(out->row);
        std::free(out->pixels);
        out->row = nullptr;
        out->pixels = nullptr;
        std::snprintf(message, JMSG_LENGTH_MAX, "out of memory");
        jpeg_destroy_decompress(&info);
        return 1;
    }
    while (info.output_scanline < info.output_height) {
        unsigned char *row = out->row;
        JSAMPROW rows[1] = {row};
        const unsigned line = info.output_scanline;
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        unsigned char *target = out->pixels + (size_t)line * out->width * 3;
        if (components == 3) {
            std::memcpy(target, row, (size_t)out->width * 3);
        } else {
            // Adobe writes CMYK inverted; the values are then plain ink amounts.
            const bool inverted = info.saw_Adobe_marker;
            for (unsigned x = 0; x < out->width; ++x) {
                unsigned c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    y = 255 - y;
                    k = 255 - k;
                }
                target[3 * x] = (unsigned char)(c * k / 255);
                target[3 * x + 1] = (unsigned char)(m * k / 255);
                target[3 * x + 2] = (unsigned char)(y * k / 255);
            }
        }
    }
    std::free(out->row);
    out->row = nullptr;
    if (errors.endedEarly) {
        std::snprintf(message, JMSG_LENGTH_MAX, "the picture file ends early");
        jpeg_destroy_decompress(&info);
        std::free(out->pixels);
        out->pixels = nullptr;
        return 1;
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

// Returns 0 on success with `*buffer` malloc'ed by libjpeg, else fills `message`.
int encodeRaw(const unsigned char *rgb, unsigned width, unsigned height, unsigned stride, int quality,
              unsigned char **buffer, unsigned long *size, char *message)
{
    jpeg_compress_struct info;
    ErrorManager errors;
    std::memset(&info, 0, sizeof info);
    *buffer = nullptr;
    *size = 0;
    info.err = installErrors(&errors);
    if (setjmp(errors.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_compress(&info);
        std::free(*buffer);
        *buffer = nullptr;
        return 1;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {const_cast<unsigned char *>(rgb + (size_t)info.next_scanline * stride)};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

} // namespace

namespace JpegCodec {

QImage decode(const QByteArray &data)
{
    if (data.isEmpty())
        throw StoreError(QStringLiteral("the picture file is empty"));
    RawImage raw{0, 0, nullptr, nullptr};
    char message[JMSG_LENGTH_MAX] = {};
    if (decodeRaw(reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size(), &raw,
                  message)
        != 0)
        throw StoreError(QString::fromLocal8Bit(message));
    QImage image(int(raw.width), int(raw.height), QImage::Format_RGB32);
    if (image.isNull()) {
        std::free(raw.pixels);
        throw StoreError(QStringLiteral("out of memory"));
    }
    for (unsigned y = 0; y < raw.height; ++y) {
        const unsigned char *source = raw.pixels + (size_t)y * raw.width * 3;
        auto *target = reinterpret_cast<QRgb *>(image.scanLine(int(y)));
        for (unsigned x = 0; x < raw.width; ++x)
            target[x] = qRgb(source[3 * x], source[3 * x + 1], source[3 * x + 2]);
    }
    std::free(raw.pixels);
    return image;
}

QImage decodeFile(const QString &path)
{
    QByteArray data;
    QString reason;
    if (PictureFiles::readPicture(path, &data, &reason) != PictureFiles::ReadResult::Read)
        throw StoreError(reason);
    return decode(data);
}

QByteArray encode(const QImage &image, int quality)
{
    if (image.isNull())
        throw StoreError(QStringLiteral("no picture to save"));
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    if (encodeRaw(rgb.constBits(), unsigned(rgb.width()), unsigned(rgb.height()), unsigned(rgb.bytesPerLine()),
                  qBound(1, quality, 100), &buffer, &size, message)
        != 0)
        throw StoreError(QString::fromLocal8Bit(message));
    QByteArray data(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return data;
}

void encodeFile(const QImage &image, const QString &path, int quality)
{
    const QByteArray data = encode(image, quality);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw StoreError(file.errorString());
    if (file.write(data) != data.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw StoreError(why);
    }
    if (!file.commit())
        throw StoreError(file.errorString());
}

} // namespace JpegCodec
