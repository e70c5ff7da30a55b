// The microdata reader over random pages. Checks beyond "no crash": every
// recipe delivered has a name, its ingredient lines hold no line break, and
// every item found is a Recipe.

#include "FuzzSupport.h"

#include "store/MicrodataReader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QString html = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    for (const QJsonObject &item : MicrodataReader::recipes(html))
        Fuzz::check(item.value(QLatin1String("@type")).toString().endsWith(QLatin1String("Recipe")),
                    "an item that is no Recipe");
    ImportSink sink;
    sink.recipe = [](ImportedRecipe &&recipe) {
        Fuzz::check(!recipe.name.isEmpty(), "recipe without a name");
        for (const QString &line : recipe.ingredients)
            Fuzz::check(!line.contains(QLatin1Char('\n')), "ingredient line with a line break", line);
        return true;
    };
    sink.problem = [](ImportProblem &&) {};
    MicrodataReader::read(html, QStringLiteral("http://127.0.0.1/fuzz.html"), sink);
    return 0;
}
