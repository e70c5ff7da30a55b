// Import of a generated Meal-Master archive of 250,000 recipes into an empty
// book (one store transaction, progress reported), and export of that book
// to each format. The archive is generated once into
// ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench}; the books live in a
// temporary folder. Peak memory is the process's maximum resident size (for
// the imports, since the import began).

#include "store/book/Book.h"
#include "store/exchange/BookExport.h"
#include "store/exchange/BookImport.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "BenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <functional>
#include <sqlite3.h>
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

// The file `name` in the cache folder, made of `recipe(i)` for every recipe
// the first time it is asked for.
QString cachedArchive(const QString &name, const std::function<QString(int)> &recipe)
{
    QDir().mkpath(cacheFolder());
    const QString file = cacheFolder() + QLatin1Char('/') + name;
    if (QFileInfo(file).size() > 0)
        return file;
    QFile out(file + QStringLiteral(".part"));
    out.open(QIODevice::WriteOnly);
    for (int i = 0; i < Recipes; ++i)
        out.write(recipe(i).toUtf8());
    out.close();
    QFile::rename(file + QStringLiteral(".part"), file);
    return file;
}

// About 600 bytes a recipe: a header, eight ingredients in two columns, a
// section, and three paragraphs of directions.
const QString &archive()
{
    static const QString path = cachedArchive(QStringLiteral("mealmaster-250000.mmf"), [](int i) {
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
        return r;
    });
    return path;
}

// A Meal-Master file as an export of a large book gives it: 1,000 main
// groups of 10 subgroups as the categories, 20 one-column ingredient lines
// and the directions as one long line (about 1 KB a recipe).
const QString &bookArchive()
{
    static const QString ingredients
        = QStringLiteral("  2 1/2 dl milk\n    1-2    pcs onions\n    250 g  butter\n           salt\n").repeated(5);
    static const QString directions = QStringLiteral("Stir well and let it simmer for a while. ").repeated(12).trimmed();
    static const QString path = cachedArchive(QStringLiteral("mealmaster-250000-book.mmf"), [](int i) {
        QString r = QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n\n");
        r += QStringLiteral("      Title: Recipe %1\n").arg(i);
        r += QStringLiteral(" Categories: Subgroup %1, Main group %2\n").arg(i / 25).arg(i / 250);
        r += QStringLiteral("      Yield: 4 servings\n\n");
        r += ingredients + QStringLiteral("\n  ") + directions + QStringLiteral("\n\nMMMMM\n\n");
        return r;
    });
    return path;
}

double peakMegabytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The peak resident size since the last resetPeak() (Linux's VmHWM), so that
// one benchmark's peak is not an earlier one's.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakSinceResetMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return peakMegabytes();
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return peakMegabytes();
}

QTemporaryDir &bookDir()
{
    static QTemporaryDir dir;
    return dir;
}

void importArchive(benchmark::State &state, const QString &file)
{
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = bookDir().path() + QStringLiteral("/book");
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QString error;
        try {
            RecipeBook::createBook(folder, false);
        } catch (const StoreError &e) {
            error = e.message();
            state.SkipWithError(qPrintable(error));
        }
        resetPeak();
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
    state.counters["peak_MB"] = peakSinceResetMegabytes();
    state.counters["file_MB"] = double(QFileInfo(file).size()) / (1024 * 1024);
}

void BM_ImportMealMaster(benchmark::State &state)
{
    importArchive(state, archive());
}

void BM_ImportMealMasterBook(benchmark::State &state)
{
    importArchive(state, bookArchive());
}

// The reference: SQLite alone writing 250,000 rows of the same size into a
// fresh file, one prepared statement in one transaction, durable as the
// book's files are (rollback journal, synchronous=FULL).
void BM_SqliteBulkInsert(benchmark::State &state)
{
    const QString ingredients = QStringLiteral("2 1/2 dl milk\n1-2 pcs onions\n250 g butter\nsalt").repeated(5);
    const QString directions = QStringLiteral("Stir well and let it simmer for a while. ").repeated(12).trimmed();
    for (auto _ : state) {
        state.PauseTiming();
        const QString path = bookDir().path() + QStringLiteral("/reference.db");
        QFile::remove(path);
        state.ResumeTiming();
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; CREATE TABLE Ohje (id INTEGER PRIMARY KEY, "
                     "Nimi TEXT, Ryhma TEXT, Annos INTEGER, Aineet TEXT, Ohje TEXT); CREATE INDEX Ohje_Nimi ON Ohje "
                     "(Nimi); CREATE INDEX Ohje_Ryhma ON Ohje (Ryhma); BEGIN",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Ohje (Nimi, Ryhma, Annos, Aineet, Ohje) VALUES (?, ?, 4, ?, ?)", -1,
                           &insert, nullptr);
        const QByteArray ingredientBytes = ingredients.toUtf8();
        const QByteArray directionBytes = directions.toUtf8();
        for (int i = 0; i < Recipes; ++i) {
            const QByteArray name = "Recipe " + QByteArray::number(i);
            const QByteArray group = "Subgroup " + QByteArray::number(i / 25);
            sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, group.constData(), int(group.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 3, ingredientBytes.constData(), int(ingredientBytes.size()), SQLITE_STATIC);
            sqlite3_bind_text(insert, 4, directionBytes.constData(), int(directionBytes.size()), SQLITE_STATIC);
            if (sqlite3_step(insert) != SQLITE_DONE)
                state.SkipWithError(sqlite3_errmsg(db));
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
    }
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
BENCHMARK(BM_ImportMealMasterBook)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SqliteBulkInsert)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ExportMealMaster)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_ExportJsonLdZip)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

MEALDECK_BENCHMARK_MAIN(QCoreApplication)
