// The JSON-LD reader over random documents and web pages. Checks beyond "no
// crash": every recipe delivered has a name and its ingredient lines hold no
// line break.

#include "FuzzRecipeSink.h"

#include "store/exchange/JsonLdReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const ImportSink sink = Fuzz::checkingSink();
    JsonLdReader::readDocument(bytes, QStringLiteral("fuzz.json"), QString(), sink);
    JsonLdReader::readHtml(bytes, QStringLiteral("fuzz.html"), sink);
    return 0;
}
