// The main window on the large generated book (1,000 main groups, 10,000
// subgroups, 250,000 recipes) that BenchStore leaves in
// ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench}/big: the start to a shown,
// idle window against the same start on an empty book, and the three
// selections. Run BenchStore once first to generate the book. The book is
// only read; settings go to a temporary folder.

#include "BenchMain.h"
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormUusi.h"
#include "app/TableListModel.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "recipe/FormAnnos.h"
#include "settings/FormAbout.h"
#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"
#include "store/book/RecipeBook.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

namespace {

QString bigBookFolder()
{
    const QByteArray configured = qgetenv("MEALDECK_BENCH_CACHE");
    const QString cache = configured.isEmpty() ? QDir::homePath() + QStringLiteral("/.cache/mealdeck-bench")
                                               : QString::fromLocal8Bit(configured);
    return cache + QStringLiteral("/big");
}

bool bigBookReady()
{
    return QFileInfo::exists(bigBookFolder() + QStringLiteral("/complete"));
}

QString emptyBookFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        try {
            RecipeBook::createBook(dir.path(), false);
            made = true;
        } catch (const StoreError &e) {
            qFatal("cannot create the empty book: %s", qPrintable(e.message()));
        }
    }
    return dir.path();
}

// The program's windows as main() creates them, on the book in `folder`.
struct ProgramWindows
{
    explicit ProgramWindows(const QString &folder)
    {
        ProgramPaths::setProgramFolder(folder);
        Windows &w = windows();
        main = new TFormPaa;
        w.FormPaa = main;
        w.FormUusi = new TFormUusi(main->state(), main->book(), main);
        w.FormAnnos = new TFormAnnos(nullptr, main);
        w.FormAbout = new TFormAbout(main);
        main->show();
        QApplication::processEvents();
    }
    ~ProgramWindows()
    {
        delete main;
        windows() = Windows();
    }
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    TFormPaa *main = nullptr;
};

void startOn(benchmark::State &state, const QString &folder)
{
    for (auto _ : state) {
        auto windows = std::make_unique<ProgramWindows>(folder);
        benchmark::DoNotOptimize(windows->main->DBLLBoxPaaryhma()->model()->rowCount());
        state.PauseTiming();
        windows.reset();
        state.ResumeTiming();
    }
}

void BM_StartEmptyBook(benchmark::State &state)
{
    startOn(state, emptyBookFolder());
}
BENCHMARK(BM_StartEmptyBook)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_StartLargeBook(benchmark::State &state)
{
    if (!bigBookReady()) {
        state.SkipWithError("the large book is missing: run BenchStore first");
        return;
    }
    startOn(state, bigBookFolder());
}
BENCHMARK(BM_StartLargeBook)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void select(DataBoundList *list, int row)
{
    list->listModel()->ensureLoaded(row);
    list->setCurrentIndex(list->model()->index(row, 0));
}

// Each selection runs the list's click handler, as a click or an arrow key does.
void BM_SelectMainGroup(benchmark::State &state)
{
    if (!bigBookReady()) {
        state.SkipWithError("the large book is missing: run BenchStore first");
        return;
    }
    ProgramWindows windows(bigBookFolder());
    DataBoundList *list = windows.main->DBLLBoxPaaryhma();
    int row = 0;
    for (auto _ : state) {
        row = (row + 37) % list->listModel()->totalRows();
        select(list, row);
        benchmark::DoNotOptimize(windows.main->DBLLBoxAlaryhma()->model()->rowCount());
    }
}
BENCHMARK(BM_SelectMainGroup)->Unit(benchmark::kMillisecond);

void BM_SelectSubgroup(benchmark::State &state)
{
    if (!bigBookReady()) {
        state.SkipWithError("the large book is missing: run BenchStore first");
        return;
    }
    ProgramWindows windows(bigBookFolder());
    select(windows.main->DBLLBoxPaaryhma(), 500);
    DataBoundList *list = windows.main->DBLLBoxAlaryhma();
    int row = 0;
    for (auto _ : state) {
        row = (row + 3) % list->model()->rowCount();
        select(list, row);
        benchmark::DoNotOptimize(windows.main->DBLLBoxLista()->model()->rowCount());
    }
}
BENCHMARK(BM_SelectSubgroup)->Unit(benchmark::kMillisecond);

void BM_SelectRecipe(benchmark::State &state)
{
    if (!bigBookReady()) {
        state.SkipWithError("the large book is missing: run BenchStore first");
        return;
    }
    ProgramWindows windows(bigBookFolder());
    select(windows.main->DBLLBoxPaaryhma(), 500);
    select(windows.main->DBLLBoxAlaryhma(), 5);
    DataBoundList *list = windows.main->DBLLBoxLista();
    int row = 0;
    for (auto _ : state) {
        row = (row + 7) % list->model()->rowCount();
        select(list, row);
        benchmark::DoNotOptimize(windows.main->state().CurrentRecipe.size());
    }
}
BENCHMARK(BM_SelectRecipe)->Unit(benchmark::kMillisecond);

} // namespace

MEALDECK_BENCHMARK_MAIN(BenchMain::WindowsApplication)
