// Backup and restore of the 250,000-recipe book that BenchStore generates
// into ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench}/big (run BenchStore
// once first). Both write and read real files in that folder.

#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

QString cacheFolder()
{
    const QByteArray configured = qgetenv("MEALDECK_BENCH_CACHE");
    if (!configured.isEmpty())
        return QString::fromLocal8Bit(configured);
    return QDir::homePath() + QStringLiteral("/.cache/mealdeck-bench");
}

QString bigBook()
{
    return cacheFolder() + QStringLiteral("/big/Data");
}

QString backupFile()
{
    return cacheFolder() + QStringLiteral("/backup-bench/big.zip");
}

bool haveBook(benchmark::State &state)
{
    if (QFileInfo::exists(cacheFolder() + QStringLiteral("/big/complete")))
        return true;
    state.SkipWithError("the big book is missing: run BenchStore first");
    return false;
}

// Writes a backup of the whole book (a consistent snapshot of its three table
// files, its pictures and the manifest) to a zip file.
void BM_BackupBigBook(benchmark::State &state)
{
    if (!haveBook(state))
        return;
    QDir().mkpath(QFileInfo(backupFile()).absolutePath());
    for (auto _ : state) {
        QFile::remove(backupFile());
        try {
            BookBackup::writeBackup(bigBook(), backupFile());
        } catch (const StoreError &e) {
            state.SkipWithError(qPrintable(e.message()));
            return;
        }
    }
    state.counters["zip_MB"] = double(QFileInfo(backupFile()).size()) / (1024 * 1024);
}
BENCHMARK(BM_BackupBigBook)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// Checks that backup whole (every hash, integrity check and schema of each
// table file, the counts) while unpacking it beside a small book, then
// swaps it in (the automatic backup of the small book included).
void BM_RestoreBigBook(benchmark::State &state)
{
    if (!haveBook(state))
        return;
    const QString base = cacheFolder() + QStringLiteral("/restore-bench");
    for (auto _ : state) {
        state.PauseTiming();
        QDir(base).removeRecursively();
        QDir().mkpath(base);
        try {
            RecipeBook::createBook(base, true);
            state.ResumeTiming();
            BookRestore restore(base + QStringLiteral("/Data"), backupFile());
            restore.check();
            restore.replace();
        } catch (const StoreError &e) {
            state.SkipWithError(qPrintable(e.message()));
            return;
        }
    }
    QDir(base).removeRecursively();
}
BENCHMARK(BM_RestoreBigBook)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

MEALDECK_BENCHMARK_MAIN(QCoreApplication)
