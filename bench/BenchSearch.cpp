// Recipe search on the 250,000-recipe book of the store benchmarks: building
// the index, 100 mixed queries against a LIKE scan of the same fields, the
// cost the index adds to a change, and the start with a current index.

#include "BenchBook.h"

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeSearch.h"
#include "store/table/StoreTransaction.h"
#include "BenchMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace BenchBook;

// 100 queries: names, ingredient and direction words, word beginnings,
// parts of words and two-word queries.
QStringList queries()
{
    QStringList list;
    for (int i = 0; i < 20; ++i)
        list << QStringLiteral("Recipe %1").arg((i * 104729) % 250000);
    const QStringList words {"milk", "onions", "butter", "salt",        "simmer",
                             "stir", "while",  "short",  "description", "medium"};
    for (int i = 0; i < 20; ++i)
        list << words.at(i % words.size()) + (i >= 10 ? QStringLiteral("s") : QString());
    const QStringList prefixes {"mi", "on", "bu", "sa", "st", "wh", "sh", "de", "re", "le"};
    for (int i = 0; i < 20; ++i)
        list << prefixes.at(i % prefixes.size()).left(i < 10 ? 2 : 1);
    const QStringList parts {"utte", "nion", "imme", "escri", "ecip", "hort", "ilk", "alt", "tir", "hil"};
    for (int i = 0; i < 10; ++i)
        list << parts.at(i);
    for (int i = 0; i < 10; ++i)
        list << QString::number((i * 7919) % 100000 + 1000);
    for (int i = 0; i < 20; ++i)
        list << QStringLiteral("%1 %2").arg(words.at(i % words.size())).arg((i * 3571) % 250000);
    return list;
}

std::unique_ptr<RecipeSearch> &holder()
{
    static std::unique_ptr<RecipeSearch> search;
    return search;
}

// Keeps the book's connection open between the benchmarks.
std::unique_ptr<TPackTable> &keeperTable()
{
    static std::unique_ptr<TPackTable> keeper;
    return keeper;
}

// The book's index, current and attached.
RecipeSearch &search()
{
    std::unique_ptr<TPackTable> &keeper = keeperTable();
    if (!keeper) {
        keeper = std::make_unique<TPackTable>();
        keeper->setDatabaseName(bigBook());
        keeper->setTableName(QStringLiteral("Paaryhma"));
        keeper->setTableType(TTableType::Paradox);
        keeper->open();
    }
    if (!holder())
        holder() = std::make_unique<RecipeSearch>(bigBook());
    if (holder()->needsRebuild()) {
        std::fprintf(stderr, "Building the search index ...\n");
        try {
            holder()->rebuild();
        } catch (const StoreError &e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
            std::abort();
        }
    }
    return *holder();
}

// Arg 0: the index detached for the benchmark; 1: attached.
void useIndex(const benchmark::State &state)
{
    if (state.range(0) == 0)
        holder().reset();
    else
        search();
}

std::unique_ptr<TPackTable> recipeTable(const QString &subgroup = QString())
{
    auto recipes = std::make_unique<TPackTable>();
    recipes->setDatabaseName(bigBook());
    recipes->setTableName(QStringLiteral("Ohje"));
    recipes->setTableType(TTableType::Paradox);
    if (!subgroup.isEmpty()) {
        recipes->setFilter(QStringLiteral("Ryhma = '") + subgroup + QStringLiteral("'"));
        recipes->setFiltered(true);
    }
    recipes->open();
    return recipes;
}

double percentile(QVector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(int(values.size()) - 1, int(p * values.size())));
}

void BM_BuildIndex(benchmark::State &state)
{
    RecipeSearch &s = search();
    for (auto _ : state) {
        try {
            s.rebuild();
        } catch (const StoreError &e) {
            state.SkipWithError(qPrintable(e.message()));
        }
    }
    const double index = double(QFileInfo(bigBook() + QStringLiteral("/Haku.db")).size()) / 1e6;
    const double book = double(QFileInfo(bigBook() + QStringLiteral("/Ohje.db")).size()) / 1e6;
    state.counters["index_MB"] = index;
    state.counters["book_MB"] = book;
    state.counters["index_per_book"] = index / book;
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kSecond)->Iterations(1);

// The 100 queries as the Find window asks them: the first 50 hits with
// excerpts, and the count of all.
void BM_HundredQueries(benchmark::State &state)
{
    RecipeSearch &s = search();
    const QStringList list = queries();
    QVector<double> times;
    qint64 hits = 0;
    for (auto _ : state) {
        for (const QString &q : list) {
            QElapsedTimer timer;
            timer.start();
            const RecipeSearch::Result result = s.find(q, 50, true);
            times << double(timer.nsecsElapsed()) / 1e6;
            hits += result.total;
        }
    }
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["p95_ms"] = percentile(times, 0.95);
    state.counters["max_ms"] = percentile(times, 1.0);
    state.counters["hits"] = double(hits) / double(state.iterations());
}
BENCHMARK(BM_HundredQueries)->Unit(benchmark::kMillisecond)->Iterations(3);

// One query as the Find window asks it, CPU time: a word in every recipe's
// text but in no name (Arg 0, "milk"), and one in every name (1, "recipe").
void BM_FindCommonWord(benchmark::State &state)
{
    RecipeSearch &s = search();
    const QString word = state.range(0) == 0 ? QStringLiteral("milk") : QStringLiteral("recipe");
    for (auto _ : state)
        benchmark::DoNotOptimize(s.find(word, 50, true).total);
}
BENCHMARK(BM_FindCommonWord)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same queries as a LIKE scan over the same fields, every word in some
// field, the first 50 by name.
void BM_HundredQueriesLike(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open_v2(QFile::encodeName(bigBook() + QStringLiteral("/Ohje.db")).constData(), &db,
                          SQLITE_OPEN_READONLY, nullptr),
          db);
    const QStringList list = queries();
    QVector<double> times;
    for (auto _ : state) {
        for (const QString &q : list) {
            const QStringList words = q.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QStringList conditions;
            for (int i = 1; i <= words.size(); ++i)
                conditions << QStringLiteral("(Nimi LIKE ?%1 OR Aineet LIKE ?%1 OR Kuvaus LIKE ?%1 OR Ohje LIKE ?%1)")
                                  .arg(i);
            QElapsedTimer timer;
            timer.start();
            SqlStatement select(db, QStringLiteral("SELECT Nimi FROM Ohje WHERE %1 ORDER BY Nimi LIMIT 50")
                                        .arg(conditions.join(QStringLiteral(" AND "))));
            for (int i = 0; i < words.size(); ++i)
                select.bindText(i + 1, QLatin1Char('%') + words.at(i) + QLatin1Char('%'));
            while (select.step()) {
            }
            times << double(timer.nsecsElapsed()) / 1e6;
        }
    }
    sqlite3_close(db);
    state.counters["median_ms"] = percentile(times, 0.5);
    state.counters["p95_ms"] = percentile(times, 0.95);
}
BENCHMARK(BM_HundredQueriesLike)->Unit(benchmark::kMillisecond)->Iterations(1);

// Whole processes, as a user runs them: `mealdeck-data search BOOK WORD
// --limit 50` for words in every recipe (Arg 0), words in a few of them or in
// one (1) and words in none (2), beside the sqlite3 shell's LIKE scan of the
// four fields with LIMIT 50 for the same words, in the same run.
void BM_CommandSearch(benchmark::State &state)
{
    search();
    holder().reset();
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../mealdeck-data");
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (!QFileInfo::exists(tool) || shell.isEmpty()) {
        state.SkipWithError("mealdeck-data or sqlite3 not found");
        return;
    }
    static const QStringList words[3] = {{"milk", "butter", "simmer", "recipe", "onions"},
                                         {"12345", "249999", "7919", "description 4321", "recipe 100"},
                                         {"zucchini", "saffron", "tomato", "chicken", "flour"}};
    const QString book = QFileInfo(bigBook()).absolutePath();
    auto run = [](const QString &program, const QStringList &arguments) {
        QElapsedTimer timer;
        timer.start();
        QProcess p;
        p.start(program, arguments);
        p.waitForFinished(120000);
        return double(timer.nsecsElapsed()) / 1e6;
    };
    QVector<double> ours;
    QVector<double> like;
    for (auto _ : state) {
        for (const QString &w : words[state.range(0)]) {
            ours << run(tool, {QStringLiteral("search"), book, w, QStringLiteral("--limit"), QStringLiteral("50")});
            QStringList conditions;
            for (const QString &part : w.split(QLatin1Char(' ')))
                conditions << QStringLiteral("(Nimi LIKE '%%1%' OR Aineet LIKE '%%1%' OR Kuvaus LIKE '%%1%' OR "
                                             "Ohje LIKE '%%1%')")
                                  .arg(part);
            like << run(shell, {bigBook() + QStringLiteral("/Ohje.db"),
                                QStringLiteral("SELECT Nimi FROM Ohje WHERE %1 LIMIT 50")
                                    .arg(conditions.join(QStringLiteral(" AND ")))});
        }
    }
    state.counters["median_ms"] = percentile(ours, 0.5);
    state.counters["p90_ms"] = percentile(ours, 0.9);
    state.counters["like_median_ms"] = percentile(like, 0.5);
    state.counters["like_p90_ms"] = percentile(like, 0.9);
    state.counters["median_per_like"] = percentile(ours, 0.5) / percentile(like, 0.5);
}
BENCHMARK(BM_CommandSearch)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(4);

// Start with the index when another program has written the recipe file
// since (one recipe's cooking time, a field the index does not hold): the
// index is checked against the recipes before it serves (Arg 1, as the
// command line starts), or that waits until the main window is up (Arg 0).
void BM_StartAfterOutsideWrite(benchmark::State &state)
{
    search();
    holder().reset();
    sqlite3 *db = nullptr;
    check(sqlite3_open(QFile::encodeName(bigBook() + QStringLiteral("/Ohje.db")).constData(), &db), db);
    int pass = 0;
    for (auto _ : state) {
        state.PauseTiming();
        holder().reset();
        const QByteArray sql = "UPDATE Ohje SET Aika = '" + QByteArray::number(pass++) + " min' WHERE id = 777";
        check(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), db);
        state.ResumeTiming();
        holder() = std::make_unique<RecipeSearch>(bigBook(), state.range(0) == 1);
    }
    if (holder()->needsRebuild())
        state.SkipWithError("index not current");
    check(sqlite3_exec(db, "UPDATE Ohje SET Aika = '45 min' WHERE id = 777", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
}
BENCHMARK(BM_StartAfterOutsideWrite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// Start: the recipe table opened as the main window opens it, without (0)
// and with (1) a search over a current index.
void BM_Start(benchmark::State &state)
{
    search();
    for (auto _ : state) {
        state.PauseTiming();
        holder().reset();
        state.ResumeTiming();
        auto recipes = recipeTable();
        if (state.range(0) == 1) {
            holder() = std::make_unique<RecipeSearch>(bigBook());
            if (holder()->needsRebuild())
                state.SkipWithError("index not current");
        }
    }
}
BENCHMARK(BM_Start)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 100 edits of recipes' ingredients in one store transaction (so that no
// disk sync hides the work), without (0) and with (1) the index; rolled back,
// so that the book stays as the index knows it.
void BM_HundredIngredientEdits(benchmark::State &state)
{
    useIndex(state);
    auto recipes = recipeTable(subName(4321));
    const QString original = recipes->fieldText(QStringLiteral("Aineet"));
    int pass = 0;
    for (auto _ : state) {
        StoreTransaction scope(*recipes);
        for (int i = 0; i < 100; ++i) {
            recipes->setRecNo(1 + i % recipes->recordCount());
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Aineet"), original + QStringLiteral("\n%1 dl cream").arg(pass));
            recipes->apply();
        }
        ++pass;
    }
    recipes->discard();
}
BENCHMARK(BM_HundredIngredientEdits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 10,000 new recipes in one store transaction, as an import adds them,
// without (0) and with (1) the index; rolled back afterwards.
void BM_TenThousandInserts(benchmark::State &state)
{
    useIndex(state);
    auto recipes = recipeTable();
    const QString ingredients = QStringLiteral("2,5 dl milk\n1-2 pcs onions\n250 g butter\nsalt\n").repeated(5);
    const QString directions = QStringLiteral("Stir well and let it simmer for a while. ").repeated(12);
    for (auto _ : state) {
        StoreTransaction scope(*recipes);
        for (int i = 0; i < 10000; ++i) {
            recipes->append();
            recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Imported %1").arg(i));
            recipes->setFieldText(QStringLiteral("Ryhma"), subName(i % 100));
            recipes->setFieldText(QStringLiteral("Aineet"), ingredients);
            recipes->setFieldText(QStringLiteral("Ohje"), directions);
            recipes->post();
        }
        recipes->apply();
    }
    recipes->discard();
}
BENCHMARK(BM_TenThousandInserts)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

// What an import of 100 recipes through the window costs the GUI thread
// afterwards for the index: the catch-up on that thread (0), or started on
// the indexing thread and its end taken in (1; the thread's own time not
// counted). The recipes are deleted again.
void BM_ImportCatchUp(benchmark::State &state)
{
    RecipeSearch &s = search();
    if (state.range(0) == 1)
        s.startIndexing();
    auto recipes = recipeTable(subName(77));
    const int before = recipes->recordCount();
    for (auto _ : state) {
        s.suspendUpkeep();
        {
            StoreTransaction scope(*recipes);
            for (int i = 0; i < 100; ++i) {
                recipes->append();
                recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Imported %1").arg(i));
                recipes->setFieldText(QStringLiteral("Ryhma"), subName(77));
                recipes->setFieldText(QStringLiteral("Aineet"), QStringLiteral("2 zucchini\nsalt"));
                recipes->post();
            }
            recipes->apply();
            scope.commit();
        }
        QElapsedTimer clock;
        clock.start();
        bool going = s.resumeUpkeep();
        qint64 spent = clock.nsecsElapsed();
        while (going) {
            QThread::msleep(20);
            clock.restart();
            going = s.continueIndexing();
            spent += clock.nsecsElapsed();
        }
        state.SetIterationTime(double(spent) / 1e9);
        recipes->first();
        while (!recipes->eof() && recipes->recordCount() > before) {
            if (recipes->fieldText(QStringLiteral("Aineet")) == QStringLiteral("2 zucchini\nsalt"))
                recipes->deleteRow();
            else
                recipes->next();
        }
        recipes->apply();
    }
}
BENCHMARK(BM_ImportCatchUp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

// One recipe's ingredients stored as the recipe window stores them, in its
// own durable commit, with (1) and then without (0) the index. The second
// leaves the index out of date; the next run builds it again.
void BM_SingleApply(benchmark::State &state)
{
    useIndex(state);
    auto recipes = recipeTable(subName(1234));
    const QString original = recipes->fieldText(QStringLiteral("Aineet"));
    int pass = 0;
    for (auto _ : state) {
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Aineet"), original + QStringLiteral("\n%1 dl cream").arg(pass++));
        recipes->apply();
    }
}
BENCHMARK(BM_SingleApply)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int result = BenchMain::runBenchmarks(argc, argv);
    // The index and the table let go of the book's connection while the
    // store's list of connections still exists.
    holder().reset();
    keeperTable().reset();
    return result;
}
