// Import of a generated Meal-Master archive of 250,000 recipes into an empty
// book (one store transaction, progress reported), and export of that book
// to each format. The archive is generated once into
// ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench}; the books live in a
// temporary folder. Peak memory is the process's maximum resident size.

#include "store/Book.h"
#include "store/BookExport.h"
#include "store/BookImport.h"
#include "store/RecipeBook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr int Recipes = 250000;

QString cacheFolder()
{
    const QByteArray configured = qgetenv("MEALDECK_BENCH_CACHE");
    return configured.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache/mealdeck-bench")
                                : QString::fromLocal8Bit(configured);
}

QString column(const char *amount, const char *unit, const QString &text)
{
    return QStringLiteral("%1 %2 %3").arg(QLatin1String(amount), 7).arg(QLatin1String(unit), -2).arg(text);
}

// About 600 bytes a recipe: a header, eight ingredients in two columns, a
// section, and three paragraphs of directions.
const QString &archive()
{
    static const QString path = [] {
        QDir().mkpath(cacheFolder());
        const QString file = cacheFolder() + QStringLiteral("/mealmaster-250000.mmf");
        if (QFileInfo(file).size() > 0)
            return file;
        QFile out(file + QStringLiteral(".part"));
        out.open(QIODevice::WriteOnly);
        for (int i = 0; i < Recipes; ++i) {
            QString r;
            r += QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n\n");
            r += QStringLiteral("      Title: Generated recipe %1\n").arg(i);
            r += QStringLiteral(" Categories: Category %1, Main %2\n").arg(i % 2000).arg(i % 50);
            r += QStringLiteral("      Yield: %1 servings\n\n").arg(2 + i % 6);
            r += column("1 1/2", "c", QStringLiteral("flour")).leftJustified(41) + column("1/2", "t", QStringLiteral("salt"))
                + QLatin1Char('\n');
            r += column("2", "T", QStringLiteral("butter")).leftJustified(41) + column("3", "ea", QStringLiteral("eggs"))
                + QLatin1Char('\n');
            r += QStringLiteral("MMMMM-----------------------FILLING-----------------------------------\n");
            r += column("1-2", "lg", QStringLiteral("apples, peeled and sliced")) + QLatin1Char('\n');
            r += column("1/3", "c", QStringLiteral("sugar")) + QLatin1Char('\n');
            r += column("", "", QStringLiteral("-more sugar to taste")) + QLatin1Char('\n');
            r += column("2.5", "dl", QStringLiteral("cream")) + QLatin1Char('\n');
            r += QStringLiteral("\n  Rub the butter into the flour and salt, then beat in the eggs\n"
                                "  until the dough is smooth.\n\n  Fill with the apples and sugar.\n"
                                "  :Bake for 40 minutes at 190 C.\n\nMMMMM\n\n");
            out.write(r.toUtf8());
        }
        out.close();
        QFile::rename(file + QStringLiteral(".part"), file);
        return file;
    }();
    return path;
}

double peakMegabytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QTemporaryDir &bookDir()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_ImportMealMaster(benchmark::State &state)
{
    const QString file = archive();
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = bookDir().path() + QStringLiteral("/book");
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QString error;
        if (!RecipeBook::createBook(folder, false, &error))
            state.SkipWithError(qPrintable(error));
        state.ResumeTiming();
        RecipeBook::Book book(folder + QStringLiteral("/Data"), folder + QStringLiteral("/Data/Pics/"));
        int progressCalls = 0;
        const ImportSummary summary = BookImport(book).run({file}, ImportOptions(), [&](qint64, qint64) {
            ++progressCalls;
            return true;
        });
        if (summary.imported != Recipes)
            state.SkipWithError(qPrintable(summary.text().left(300)));
        state.counters["progress_calls"] = progressCalls;
    }
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["file_MB"] = double(QFileInfo(file).size()) / (1024 * 1024);
}

void exportBook(benchmark::State &state, BookExport::Format format, const char *suffix)
{
    const QString folder = bookDir().path() + QStringLiteral("/book");
    RecipeBook::Book book(folder + QStringLiteral("/Data"), folder + QStringLiteral("/Data/Pics/"));
    const QString out = bookDir().path() + QStringLiteral("/export.") + QLatin1String(suffix);
    for (auto _ : state) {
        const BookExport::Result result = BookExport(book).run(out, format, BookExport::Scope::Book, QString());
        if (result.recipes != Recipes)
            state.SkipWithError(qPrintable(QStringLiteral("export failed: %1").arg(result.error)));
    }
    state.counters["out_MB"] = double(QFileInfo(out).size()) / (1024 * 1024);
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_ExportMealMaster(benchmark::State &state)
{
    exportBook(state, BookExport::Format::MealMaster, "mmf");
}

void BM_ExportJsonLdZip(benchmark::State &state)
{
    exportBook(state, BookExport::Format::JsonLd, "zip");
}

} // namespace

BENCHMARK(BM_ImportMealMaster)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ExportMealMaster)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ExportJsonLdZip)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
