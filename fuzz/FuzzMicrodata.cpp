// The microdata reader over random pages. Checks beyond "no crash": every
// recipe delivered has a name, its ingredient lines hold no line break, and
// every item found is a Recipe.

#include "FuzzRecipeSink.h"

#include "store/exchange/MicrodataReader.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QString html = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    for (const QJsonObject &item : MicrodataReader::recipes(html)) {
        const QJsonValue type = item.value(QLatin1String("@type"));
        const QJsonArray types = type.isArray() ? type.toArray() : QJsonArray{type};
        Fuzz::check(std::any_of(types.begin(), types.end(),
                                [](const QJsonValue &t) { return t.toString().endsWith(QLatin1String("Recipe")); }),
                    "an item that is no Recipe");
    }
    MicrodataReader::read(html, QStringLiteral("http://127.0.0.1/fuzz.html"), Fuzz::checkingSink());
    return 0;
}
