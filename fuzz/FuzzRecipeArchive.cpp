// The zip and Paprika readers over random archives, and gunzip with a small
// limit. Checks beyond "no crash": gunzip never returns more than its limit,
// and every recipe delivered has a name.

#include "FuzzSupport.h"

#include "store/exchange/RecipeArchive.h"

#include <QFile>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::ensureCoreApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const QString path = Fuzz::scratch() + QStringLiteral("/input.zip");
    {
        QFile file(path);
        Fuzz::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the scratch file");
        file.write(bytes);
    }
    ImportSink sink;
    sink.recipe = [](ImportedRecipe &&recipe) {
        Fuzz::check(!recipe.name.isEmpty(), "recipe without a name");
        return true;
    };
    sink.problem = [](ImportProblem &&) {};
    RecipeArchive::readZip(path, QStringLiteral("fuzz.zip"), sink);
    RecipeArchive::readPaprika(path, QStringLiteral("fuzz.paprikarecipes"), sink);
    QString reason;
    const auto unpacked = RecipeArchive::gunzip(bytes, 4096, &reason);
    Fuzz::check(!unpacked || unpacked->size() <= 4096, "gunzip beyond its limit");
    return 0;
}
