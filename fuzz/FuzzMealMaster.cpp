// The Meal-Master reader and the encoding detection over random text in every
// offered encoding. Checks beyond "no crash": every recipe delivered has a
// name, every ingredient line is one line, every problem has a reason.

#include "FuzzSupport.h"

#include "store/exchange/MealMasterReader.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QStringList encodings = MealMasterReader::encodings();
    const QString encoding = size > 0 ? encodings.at(data[0] % encodings.size()) : encodings.first();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ImportSink sink;
    sink.recipe = [](ImportedRecipe &&recipe) {
        Fuzz::check(!recipe.name.trimmed().isEmpty(), "recipe without a name");
        for (const QString &line : recipe.ingredients)
            Fuzz::check(!line.contains(QLatin1Char('\n')), "ingredient line with a line break", line);
        return true;
    };
    sink.problem = [](ImportProblem &&problem) { Fuzz::check(!problem.reason.isEmpty(), "problem without a reason"); };
    MealMasterReader::read(buffer, QStringLiteral("fuzz.mmf"), encoding, sink);
    buffer.seek(0);
    MealMasterReader::detectEncoding(buffer);
    return 0;
}
