// The search while its index is brought up to date in the background: the
// start of the search for each state of the index, the answer from the names
// while the index is built, and the exit while it is built.
//
// Works on a copy of the book in ${MEALDECK_BENCH_BOOK} (a Data folder; its
// files are never written), made once into a temporary folder.

#include "store/table/ProgramError.h"
#include "store/book/RecipeSearch.h"
#include "BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>

namespace {

QString bookCopy()
{
    static QTemporaryDir work;
    static QString data;
    if (!data.isEmpty())
        return data;
    const QString source = QString::fromLocal8Bit(qgetenv("MEALDECK_BENCH_BOOK"));
    if (source.isEmpty() || !QFile::exists(source + QStringLiteral("/Ohje.db"))) {
        std::fprintf(stderr, "Set MEALDECK_BENCH_BOOK to a book's Data folder\n");
        std::abort();
    }
    data = work.path() + QStringLiteral("/Data");
    QDir().mkpath(data + QStringLiteral("/Pics"));
    for (const char *file : {"Paaryhma.db", "Alaryhma.db", "Ohje.db"})
        QFile::copy(source + QLatin1Char('/') + QLatin1String(file), data + QLatin1Char('/') + QLatin1String(file));
    return data;
}

QString indexFile()
{
    return bookCopy() + QLatin1Char('/') + RecipeSearch::indexFileName();
}

// A current index: built once.
void makeCurrent()
{
    RecipeSearch search(bookCopy());
    if (search.needsRebuild()) {
        try {
            search.rebuild();
        } catch (const StoreError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
            std::abort();
        }
    }
}

// One recipe changed by another program.
void changeOutside()
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(bookCopy() + QStringLiteral("/Ohje.db")).constData(), &db);
    sqlite3_exec(db, "UPDATE \"Ohje\" SET \"Kuvaus\" = coalesce(\"Kuvaus\", '') || ' again' WHERE id = 1", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
}

// startIndexing() as the program's start does it: what the start pays for
// the index, 0 current, 1 stale (one recipe changed outside), 2 missing.
void BM_StartIndexing(benchmark::State &state)
{
    makeCurrent();
    if (state.range(0) == 1)
        changeOutside();
    const QString aside = indexFile() + QStringLiteral(".aside");
    if (state.range(0) == 2)
        QFile::rename(indexFile(), aside);
    for (auto _ : state) {
        auto search = std::make_unique<RecipeSearch>(bookCopy(), false);
        benchmark::DoNotOptimize(search->startIndexing());
        state.PauseTiming();
        search.reset();
        state.ResumeTiming();
    }
    if (state.range(0) == 2) {
        QFile::remove(indexFile());
        QFile::rename(aside, indexFile());
    }
}
BENCHMARK(BM_StartIndexing)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Find while the index is built: the names answer (200 hits at most).
void BM_FindWhileBuilding(benchmark::State &state)
{
    static const char *const words[] = {"recipe", "12345", "zucchini"};
    const QString aside = indexFile() + QStringLiteral(".aside");
    QFile::rename(indexFile(), aside);
    {
        RecipeSearch search(bookCopy(), false);
        search.startIndexing();
        for (auto _ : state) {
            const RecipeSearch::Result result = search.find(QString::fromLatin1(words[state.range(0)]), 200);
            if (!result.namesOnly)
                state.SkipWithError("the index was ready");
            benchmark::DoNotOptimize(result.total);
        }
    }
    QFile::remove(indexFile());
    QFile::rename(aside, indexFile());
}
BENCHMARK(BM_FindWhileBuilding)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The end of the search (as at the program's exit) while the index is being
// built, after a second of building.
void BM_ExitWhileBuilding(benchmark::State &state)
{
    const QString aside = indexFile() + QStringLiteral(".aside");
    QFile::rename(indexFile(), aside);
    for (auto _ : state) {
        state.PauseTiming();
        auto search = std::make_unique<RecipeSearch>(bookCopy(), false);
        search->startIndexing();
        QThread::msleep(1000);
        state.ResumeTiming();
        search.reset();
    }
    if (QFile::exists(indexFile()))
        state.SkipWithError("an index file was left");
    QFile::rename(aside, indexFile());
}
BENCHMARK(BM_ExitWhileBuilding)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

MEALDECK_BENCHMARK_MAIN(QCoreApplication)
