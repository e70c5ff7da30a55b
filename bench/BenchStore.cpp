// Recipe store on a large generated book: 1,000 main groups, 10,000 subgroups
// and 250,000 recipes of about 1 KB each. The book is generated once into
// ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench} and reused.

#include "BenchBook.h"

#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreTransaction.h"
#include "store/book/Trash.h"
#include "BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using namespace BenchBook;

std::unique_ptr<TPackTable> table(const QString &data, const char *name)
{
    auto t = std::make_unique<TPackTable>();
    t->setDatabaseName(data);
    t->setTableName(QString::fromLatin1(name));
    t->setTableType(TTableType::Paradox);
    t->setFiltered(true);
    return t;
}

QString filterFor(const QString &name)
{
    return QStringLiteral("Ryhma = '") + name + QStringLiteral("'");
}

// What the main window does at start, then the selection of one main group.
struct StartedWindow
{
    std::unique_ptr<TPackTable> table1;
    std::unique_ptr<TPackTable> table2;
    std::unique_ptr<TPackTable> table3;

    explicit StartedWindow(const QString &data)
        : table1(table(data, "Paaryhma"))
        , table2(table(data, "Alaryhma"))
        , table3(table(data, "Ohje"))
    {
        table1->open();
        table2->open();
        table3->open();
        table2->close();
        table3->close();
    }

    int selectMainGroup(const QString &name)
    {
        table2->setFilter(filterFor(name));
        table2->open();
        int names = 0;
        for (table2->first(); !table2->eof(); table2->next())
            names += int(table2->fieldText(QStringLiteral("Nimi")).size());
        return names;
    }

    int selectSubgroup(const QString &name)
    {
        table3->setFilter(filterFor(name));
        if (!table3->Active())
            table3->open();
        int names = 0;
        for (table3->first(); !table3->eof(); table3->next())
            names += int(table3->fieldText(QStringLiteral("Nimi")).size());
        return names;
    }
};

void BM_OpenTablesAndFilterSubgroups(benchmark::State &state)
{
    const QString data = bigBook();
    int m = 0;
    for (auto _ : state) {
        StartedWindow window(data);
        benchmark::DoNotOptimize(window.selectMainGroup(mainName(m++ % MainGroups)));
    }
}
BENCHMARK(BM_OpenTablesAndFilterSubgroups)->Unit(benchmark::kMillisecond);

void BM_FilterRecipesToSubgroup(benchmark::State &state)
{
    StartedWindow window(bigBook());
    window.selectMainGroup(mainName(0));
    window.table3->open();
    int s = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.selectSubgroup(subName((s * 7919) % (MainGroups * SubgroupsPerMain))));
        ++s;
    }
    state.counters["rows"] = window.table3->recordCount();
}
BENCHMARK(BM_FilterRecipesToSubgroup)->Unit(benchmark::kMicrosecond);

// The same rows through a bare prepared statement, for comparison.
void BM_BareSqliteSubgroupRows(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    const QString path = bigBook() + QStringLiteral("/Ohje.db");
    check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt *stmt = nullptr;
    check(sqlite3_prepare_v2(db, "SELECT id, Nimi FROM Ohje WHERE Ryhma = ? ORDER BY id", -1, &stmt, nullptr), db);
    int s = 0;
    for (auto _ : state) {
        const QByteArray name = subName((s * 7919) % (MainGroups * SubgroupsPerMain)).toUtf8();
        ++s;
        sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        int total = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            total += int(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1))).size());
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(total);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteSubgroupRows)->Unit(benchmark::kMicrosecond);

// The same rows with every field, as the store fetches them for its cache.
void BM_BareSqliteSubgroupFullRows(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    const QString path = bigBook() + QStringLiteral("/Ohje.db");
    check(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr), db);
    sqlite3_stmt *stmt = nullptr;
    check(sqlite3_prepare_v2(db,
                             "SELECT id, Nimi, Ryhma, Kuvaus, Aste, Aika, Annos, Aineet, Ohje, Kuva FROM Ohje "
                             "WHERE Ryhma = ? ORDER BY id",
                             -1, &stmt, nullptr),
          db);
    int s = 0;
    for (auto _ : state) {
        const QByteArray name = subName((s * 7919) % (MainGroups * SubgroupsPerMain)).toUtf8();
        ++s;
        sqlite3_bind_text(stmt, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        qsizetype total = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            for (int c = 1; c <= 9; ++c)
                total += QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                    sqlite3_column_bytes(stmt, c))
                             .size();
            total += QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1))).size();
        }
        sqlite3_reset(stmt);
        benchmark::DoNotOptimize(total);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteSubgroupFullRows)->Unit(benchmark::kMicrosecond);

// Peak memory of a fresh process that opens the book and shows one subgroup.
void BM_PeakMemoryOpenAndFilter(benchmark::State &state)
{
    const QByteArray data = bigBook().toLocal8Bit();
    const QByteArray self = QFile::encodeName(QCoreApplication::applicationFilePath());
    long peakKb = 0;
    for (auto _ : state) {
        char *args[] = {const_cast<char *>(self.constData()), const_cast<char *>("--peak-memory-child"),
                        const_cast<char *>(data.constData()), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, self.constData(), nullptr, nullptr, args, environ) != 0) {
            state.SkipWithError("cannot start the child");
            return;
        }
        int status = 0;
        rusage usage {};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the child failed");
            return;
        }
        peakKb = usage.ru_maxrss;
    }
    state.counters["peak_MB"] = double(peakKb) / 1024.0;
}
BENCHMARK(BM_PeakMemoryOpenAndFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

int peakMemoryChild(const QString &data)
{
    StartedWindow window(data);
    window.selectMainGroup(mainName(500));
    window.table3->open();
    return window.selectSubgroup(subName(5005)) > 0 ? 0 : 1;
}

// The name dialog's check: filter off, is the name anywhere in the table?
void BM_DuplicateNameCheck(benchmark::State &state)
{
    StartedWindow window(bigBook());
    window.table3->open();
    window.selectSubgroup(subName(42));
    int r = 0;
    for (auto _ : state) {
        window.table3->setFiltered(false);
        const bool taken = window.table3->containsName(QStringLiteral("Nimi"), recipeName((r * 104729) % 250000));
        const bool free = window.table3->containsName(QStringLiteral("Nimi"), QStringLiteral("No such recipe"));
        window.table3->setFiltered(true);
        if (!taken || free)
            state.SkipWithError("wrong answer");
        ++r;
    }
}
BENCHMARK(BM_DuplicateNameCheck)->Unit(benchmark::kMillisecond);

// Counting the whole recipe table: the ids of all 250,000 rows, no row data.
void BM_UnfilteredRecipeCount(benchmark::State &state)
{
    StartedWindow window(bigBook());
    window.table3->open();
    for (auto _ : state) {
        window.table3->setFiltered(false);
        benchmark::DoNotOptimize(window.table3->recordCount());
        window.table3->setFiltered(true);
    }
    state.counters["rows"] = window.table3->recordCount();
}
BENCHMARK(BM_UnfilteredRecipeCount)->Unit(benchmark::kMillisecond);

// What a scaling pass does: edit one row and apply, 100 times.
void BM_HundredSingleRowApplies(benchmark::State &state)
{
    StartedWindow window(bigBook());
    window.table3->open();
    window.selectSubgroup(subName(77));
    int pass = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            window.table3->setRecNo(1 + i % window.table3->recordCount());
            window.table3->edit();
            window.table3->setFieldText(QStringLiteral("Aste"), QStringLiteral("Pass %1 line %2").arg(pass).arg(i));
            window.table3->apply();
        }
        ++pass;
    }
}
BENCHMARK(BM_HundredSingleRowApplies)->Unit(benchmark::kMillisecond);

// The same 100 applies inside one store transaction scope: one durable commit.
void BM_HundredAppliesInOneScope(benchmark::State &state)
{
    StartedWindow window(bigBook());
    window.table3->open();
    window.selectSubgroup(subName(78));
    int pass = 0;
    for (auto _ : state) {
        StoreTransaction scope(*window.table3);
        for (int i = 0; i < 100; ++i) {
            window.table3->setRecNo(1 + i % window.table3->recordCount());
            window.table3->edit();
            window.table3->setFieldText(QStringLiteral("Aste"), QStringLiteral("Pass %1 line %2").arg(pass).arg(i));
            window.table3->apply();
        }
        scope.commit();
        ++pass;
    }
}
BENCHMARK(BM_HundredAppliesInOneScope)->Unit(benchmark::kMillisecond);

// Packing the recipe table of a 20,000-recipe book after half was deleted.
void BM_PackHalfDeleted20k(benchmark::State &state)
{
    const QString source = cacheFolder() + QStringLiteral("/small/Data");
    const QString done = cacheFolder() + QStringLiteral("/small/complete");
    if (!QFileInfo::exists(done)) {
        generateBook(source, 20000);
        QFile marker(done);
        marker.open(QIODevice::WriteOnly);
    }
    const QString work = cacheFolder() + QStringLiteral("/pack-work/Data");
    double before = 0;
    double after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        for (const QString &t : RecipeSchema::tableNames())
            QFile::copy(source + QLatin1Char('/') + t + QStringLiteral(".db"), work + QLatin1Char('/') + t + QStringLiteral(".db"));
        {
            auto recipes = table(work, "Ohje");
            recipes->setFiltered(false);
            recipes->open();
            recipes->first();
            while (!recipes->eof()) {
                recipes->deleteRow();
                recipes->next();
            }
            recipes->apply();
        }
        before = double(QFileInfo(work + QStringLiteral("/Ohje.db")).size());
        auto recipes = table(work, "Ohje");
        state.ResumeTiming();

        recipes->setExclusive(true);
        if (!recipes->Pack())
            state.SkipWithError("pack failed");

        state.PauseTiming();
        after = double(QFileInfo(work + QStringLiteral("/Ohje.db")).size());
        state.ResumeTiming();
    }
    state.counters["file_MB_before"] = before / 1048576.0;
    state.counters["file_MB_after"] = after / 1048576.0;
}
BENCHMARK(BM_PackHalfDeleted20k)->Unit(benchmark::kMillisecond)->Iterations(3);

// Deleting a subgroup of 25 recipes, each with a picture, into the trash on
// the 250,000-recipe book (rows and pictures moved in one commit), as the
// main window does before it packs. Each deletion is restored again outside
// the timing, so the book stays as generated.
void BM_DeleteSubgroupIntoTrash(benchmark::State &state)
{
    const QString data = bigBook();
    const QString pics = data + QStringLiteral("/Pics/");
    const QByteArray picture(12 * 1024, 'j');
    RecipeBook::Book book(data, pics);
    book.mainGroups().open();
    book.subgroups().open();
    int subgroup = 4321;
    for (auto _ : state) {
        state.PauseTiming();
        const QString name = subName(subgroup);
        for (int r = subgroup * RecipesPerSubgroup; r < (subgroup + 1) * RecipesPerSubgroup; ++r) {
            QFile f(pics + recipeName(r) + QStringLiteral(".jpg"));
            f.open(QIODevice::WriteOnly);
            f.write(picture);
        }
        book.mainGroups().setFilter(QString());
        book.mainGroups().setRecNo(subgroup / SubgroupsPerMain + 1);
        book.subgroups().setFilter(filterFor(mainName(subgroup / SubgroupsPerMain)));
        for (book.subgroups().first(); book.subgroups().fieldText(QStringLiteral("Nimi")) != name;)
            book.subgroups().next();
        state.ResumeTiming();

        const QStringList removed = book.deleteSubgroup(book.subgroups().currentRowId());

        state.PauseTiming();
        if (removed.size() != RecipesPerSubgroup)
            state.SkipWithError("the subgroup did not go whole");
        RecipeBook::Trash trash(data, pics);
        trash.restore(trash.newest()->id);
        for (const QString &recipe : removed)
            QFile::remove(pics + recipe + QStringLiteral(".jpg"));
        subgroup = (subgroup + 97) % (MainGroups * SubgroupsPerMain);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteSubgroupIntoTrash)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory-child") == 0)
        return peakMemoryChild(QString::fromLocal8Bit(argv[2]));
    return BenchMain::runBenchmarks(argc, argv);
}
