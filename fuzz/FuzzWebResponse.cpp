// The handling of a fetched page apart from the network: the charset taken
// from a Content-Type header (the input's first line) or the page's <meta>,
// and the page decoded with it. Checks beyond "no crash": a declared charset
// is a plain name, and a page declared or found to be UTF-8 decodes to the
// same text as a plain UTF-8 decode.

#include "FuzzSupport.h"

#include "store/exchange/WebFetcher.h"

#include <QStringDecoder>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int newline = int(bytes.indexOf('\n'));
    const QByteArray header = newline < 0 ? QByteArray() : bytes.left(newline);
    const QByteArray body = newline < 0 ? bytes : bytes.mid(newline + 1);
    const QByteArray charset = WebFetcher::declaredCharset(body, header);
    for (const char c : charset)
        Fuzz::check(QChar::fromLatin1(c).isLetterOrNumber() || QByteArray("_.:-").contains(c),
                    "charset with an odd character", QString::fromLatin1(charset));
    const QString text = WebFetcher::pageText(body, header);
    if (charset.toLower() == "utf-8" && !QStringConverter::encodingForData(body)) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        Fuzz::check(text == utf8.decode(body), "a UTF-8 page decoded otherwise");
    }
    return 0;
}
