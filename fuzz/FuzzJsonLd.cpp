// The JSON-LD reader over random documents and web pages. Checks beyond "no
// crash": every recipe delivered has a name and its ingredient lines hold no
// line break.

#include "FuzzSupport.h"

#include "store/JsonLdReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    ImportSink sink;
    sink.recipe = [](ImportedRecipe &&recipe) {
        Fuzz::check(!recipe.name.isEmpty(), "recipe without a name");
        for (const QString &line : recipe.ingredients)
            Fuzz::check(!line.contains(QLatin1Char('\n')), "ingredient line with a line break", line);
        return true;
    };
    sink.problem = [](ImportProblem &&) {};
    JsonLdReader::readDocument(bytes, QStringLiteral("fuzz.json"), QString(), sink);
    JsonLdReader::readHtml(bytes, QStringLiteral("fuzz.html"), sink);
    return 0;
}
