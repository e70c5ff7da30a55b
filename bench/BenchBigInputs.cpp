// Big inputs through the program's windows, on a book generated into a
// temporary folder: a recipe with 1 MB of ingredients and 10,000 lines of
// directions, a main group with 10,000 subgroups and a subgroup with 5,000
// recipes. Times to open the big recipe, scale it, preview and print it, and
// to select, scroll, add and delete in the long lists.

#include "BenchMain.h"
#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/FormRyhmaPois.h"
#include "app/FormUusi.h"
#include "app/TableListModel.h"
#include "app/Windows.h"
#include "platform/Dialogs.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "print/FormPrintPrev.h"
#include "print/RecipePrinting.h"
#include "recipe/DBMemo.h"
#include "recipe/FormAnnos.h"
#include "recipe/FormResepti.h"
#include "recipe/RecipeWindowHost.h"
#include "settings/FormAbout.h"
#include "settings/SettingsStore.h"
#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"
#include "store/book/RecipeBook.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int Subgroups = 10000;
constexpr int Recipes = 5000;
const QString BigRecipe = QStringLiteral("Wedding soup");

QString bigIngredients()
{
    static const char *const forms[] = {"1,5      dl       sugar", "1-2      tp       baking powder", "250 g butter",
                                        "12,5 g yeast", "7 dl water", "2 - 3 dl milk", "  coarce sugar"};
    QStringList lines;
    int bytes = 0;
    for (int i = 0; bytes < (1 << 20); ++i) {
        lines << QLatin1String(forms[i % 7]) + QStringLiteral(" (part %1)").arg(i);
        bytes += int(lines.last().size()) + 1;
    }
    return lines.join(QLatin1Char('\n'));
}

QString bigDirections()
{
    QStringList lines;
    for (int i = 1; i <= 10000; ++i)
        lines << QStringLiteral("Step %1: stir the pot slowly and taste it again.").arg(i);
    return lines.join(QLatin1Char('\n'));
}

void addRows(const QString &table, const QString &parent, const QStringList &names)
{
    TPackTable t;
    t.setDatabaseName(ProgramPaths::dataFolder());
    t.setTableName(table);
    t.open();
    for (const QString &name : names) {
        t.append();
        t.setFieldText(QStringLiteral("Nimi"), name);
        if (!parent.isNull())
            t.setFieldText(QStringLiteral("Ryhma"), parent);
    }
    t.apply();
}

// Main group "Feasts": subgroup "Banquets" (the big recipe and 4,999 others)
// and 9,999 more subgroups; main group "Other" with nothing in it.
QString bookFolder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        QString error;
        try {
            RecipeBook::createBook(dir.path(), false);
        } catch (const StoreError &e) {
            error = e.message();
            qFatal("cannot create the book: %s", qPrintable(error));
        }
        ProgramPaths::setProgramFolder(dir.path());
        addRows(QStringLiteral("Paaryhma"), QString(), {QStringLiteral("Feasts"), QStringLiteral("Other")});
        QStringList subgroups{QStringLiteral("Banquets")};
        for (int i = 1; i < Subgroups; ++i)
            subgroups << QStringLiteral("Subgroup %1").arg(i, 5, 10, QLatin1Char('0'));
        addRows(QStringLiteral("Alaryhma"), QStringLiteral("Feasts"), subgroups);
        QStringList recipes;
        for (int i = 1; i < Recipes; ++i)
            recipes << QStringLiteral("Recipe %1").arg(i, 5, 10, QLatin1Char('0'));
        addRows(QStringLiteral("Ohje"), QStringLiteral("Banquets"), recipes);
        TPackTable t;
        t.setDatabaseName(ProgramPaths::dataFolder());
        t.setTableName(QStringLiteral("Ohje"));
        t.open();
        t.append();
        t.setFieldText(QStringLiteral("Nimi"), BigRecipe);
        t.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Banquets"));
        t.setFieldText(QStringLiteral("Annos"), QStringLiteral("4"));
        t.setFieldText(QStringLiteral("Aineet"), bigIngredients());
        t.setFieldText(QStringLiteral("Ohje"), bigDirections());
        t.apply();
        made = true;
    }
    return dir.path();
}

void select(DataBoundList *list, int row)
{
    // A row that is current already is left and selected again, as a click does.
    if (list->currentIndex().row() == row && list->model()->rowCount() > 1)
        list->setCurrentIndex(list->model()->index(row == 0 ? 1 : 0, 0));
    list->listModel()->ensureLoaded(row);
    list->setCurrentIndex(list->model()->index(row, 0));
}

int rowOf(DataBoundList *list, const QString &name)
{
    for (int i = 0; i < list->listModel()->totalRows(); ++i) {
        list->listModel()->ensureLoaded(i);
        if (list->model()->index(i, 0).data().toString() == name)
            return i;
    }
    qFatal("%s is not in the list", qPrintable(name));
}

// The program's windows as main() creates them, with "Feasts" and
// "Banquets" selected.
struct ProgramWindows
{
    ProgramWindows()
    {
        ProgramPaths::setProgramFolder(bookFolder());
        Windows &w = windows();
        main = new TFormPaa;
        w.FormPaa = main;
        w.FormUusi = new TFormUusi(main->state(), main->book(), main);
        w.FormAnnos = new TFormAnnos(nullptr, main);
        w.FormResepti = new TFormResepti(makeMainWindowHost(main), w.FormAnnos);
        w.FormAbout = new TFormAbout(main);
        recipe = w.FormResepti;
        w.FormPrintPrev = RecipePrinting::install(recipe, main);
        main->show();
        QApplication::processEvents();
        select(main->DBLLBoxPaaryhma(), rowOf(main->DBLLBoxPaaryhma(), QStringLiteral("Feasts")));
        select(main->DBLLBoxAlaryhma(), rowOf(main->DBLLBoxAlaryhma(), QStringLiteral("Banquets")));
    }
    ~ProgramWindows()
    {
        recipe->hide();
        delete recipe;
        delete main;
        windows() = Windows();
    }
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    void openBigRecipe()
    {
        select(main->DBLLBoxLista(), rowOf(main->DBLLBoxLista(), BigRecipe));
        main->MenuNaytaReseptiClick();
    }

    TFormPaa *main = nullptr;
    TFormResepti *recipe = nullptr;
};

void BM_OpenBigRecipe(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<ProgramWindows>();
        select(w->main->DBLLBoxLista(), rowOf(w->main->DBLLBoxLista(), BigRecipe));
        state.ResumeTiming();
        w->main->MenuNaytaReseptiClick();
        state.counters["lines"] = w->recipe->Aineet()->document()->blockCount() + w->recipe->Ohje()->document()->blockCount();
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenBigRecipe)->Unit(benchmark::kMillisecond);

// One key typed at the end of the directions (the memo's text goes into the
// record's pending changes at each key).
void BM_TypeInBigRecipe(benchmark::State &state)
{
    ProgramWindows w;
    w.openBigRecipe();
    w.recipe->FocusDirections();
    w.recipe->Ohje()->moveCursor(QTextCursor::End);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(w.recipe->Ohje(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(w.recipe->Ohje(), &release);
    }
    if (!w.recipe->Ohje()->Modified())
        state.SkipWithError("the typing was not taken");
}
BENCHMARK(BM_TypeInBigRecipe)->Unit(benchmark::kMillisecond);

// Scaling 4 -> 8 -> 4 gives the same list back each second pass.
void BM_ScaleBigRecipe(benchmark::State &state)
{
    ProgramWindows w;
    w.openBigRecipe();
    bool up = true;
    for (auto _ : state) {
        const QString count = up ? QStringLiteral("8") : QStringLiteral("4");
        up = !up;
        Dialogs::queueResponse([count](QDialog *dialog) {
            auto *annos = static_cast<TFormAnnos *>(dialog);
            annos->EditAnnos()->setText(count);
            annos->BitBtnOK()->click();
        });
        w.recipe->action(QStringLiteral("MenuLaske"))->trigger();
        if (w.recipe->DBEditAnnos()->text() != count)
            state.SkipWithError("the pass did not store the new count");
    }
}
BENCHMARK(BM_ScaleBigRecipe)->Unit(benchmark::kMillisecond);

void BM_PreviewBigRecipe(benchmark::State &state)
{
    ProgramWindows w;
    w.openBigRecipe();
    int pages = 0;
    for (auto _ : state) {
        Dialogs::queueResponse([&pages](QDialog *dialog) {
            auto *form = qobject_cast<TFormPrintPrev *>(dialog);
            pages = form->GmPreview()->NumPages();
            form->BBSulje()->click();
        });
        w.recipe->action(QStringLiteral("MenuEsik"))->trigger();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PreviewBigRecipe)->Unit(benchmark::kMillisecond);

void BM_PrintBigRecipeToPdf(benchmark::State &state)
{
    ProgramWindows w;
    w.openBigRecipe();
    QTemporaryDir out;
    QString file;
    int job = 0;
    for (auto _ : state) {
        // A new file each time: an existing one would be asked about.
        file = out.filePath(QStringLiteral("big%1.pdf").arg(++job));
        TFormPrintPrev::forgetPdfFile(TGmPrinter::instance());
        Dialogs::queueResponse([&file](QDialog *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            files->selectFile(file);
            static_cast<QDialog *>(files)->accept();
        });
        w.recipe->action(QStringLiteral("MenuTulosta"))->trigger();
    }
    state.counters["MB"] = double(QFileInfo(file).size()) / (1 << 20);
}
BENCHMARK(BM_PrintBigRecipeToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// Selections in the 10,000-subgroup list (each reopens the recipe list).
void BM_SelectInLongSubgroupList(benchmark::State &state)
{
    ProgramWindows w;
    DataBoundList *list = w.main->DBLLBoxAlaryhma();
    int row = 0;
    for (auto _ : state) {
        row = (row + 3331) % Subgroups;
        select(list, row);
        benchmark::DoNotOptimize(w.main->DBLLBoxLista()->model()->rowCount());
    }
}
BENCHMARK(BM_SelectInLongSubgroupList)->Unit(benchmark::kMillisecond);

void BM_SelectInLongRecipeList(benchmark::State &state)
{
    ProgramWindows w;
    DataBoundList *list = w.main->DBLLBoxLista();
    int row = 0;
    for (auto _ : state) {
        row = (row + 1667) % Recipes;
        select(list, row);
        benchmark::DoNotOptimize(w.main->state().CurrentRecipe.size());
    }
}
BENCHMARK(BM_SelectInLongRecipeList)->Unit(benchmark::kMillisecond);

// A jump to a far part of the 10,000-subgroup list and a repaint there.
void BM_ScrollLongList(benchmark::State &state)
{
    ProgramWindows w;
    DataBoundList *list = w.main->DBLLBoxAlaryhma();
    int row = 0;
    for (auto _ : state) {
        row = (row + 2503) % Subgroups;
        list->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtTop);
        list->viewport()->repaint();
    }
}
BENCHMARK(BM_ScrollLongList)->Unit(benchmark::kMillisecond);

// A recipe added to the 5,000-recipe subgroup and deleted again (both with
// their dialogs answered at once; the delete packs the table).
void BM_AddAndDeleteInLongList(benchmark::State &state)
{
    ProgramWindows w;
    {
        SettingsKey key;
        key.open();
        key.writeBool(QLatin1String(SettingNames::KysResPoi), true);
    }
    DataBoundList *subgroups = w.main->DBLLBoxAlaryhma();
    const int banquets = rowOf(subgroups, QStringLiteral("Banquets"));
    for (auto _ : state) {
        Dialogs::queueResponse([](QDialog *d) {
            auto *dialog = qobject_cast<TFormUusi *>(d);
            dialog->EditUusi->setText(QStringLiteral("Zz newest"));
            dialog->BitBtnOK->click();
        });
        w.main->MenuLisaaReseptiClick();
        select(subgroups, banquets);
        DataBoundList *list = w.main->DBLLBoxLista();
        select(list, list->listModel()->totalRows() - 1);
        if (w.main->state().CurrentRecipe != QLatin1String("Zz newest"))
            state.SkipWithError("the new recipe is not last");
        w.main->MenuPoistaReseptiClick();
        select(subgroups, banquets);
    }
    if (w.main->DBLLBoxLista()->listModel()->totalRows() != Recipes)
        state.SkipWithError("the list did not keep its length");
}
BENCHMARK(BM_AddAndDeleteInLongList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    BenchMain::WindowsApplication app(argc, argv);
    {
        SettingsKey key;
        key.open();
        key.writeBool(QLatin1String(SettingNames::Aines), true);
        key.writeBool(QLatin1String(SettingNames::About), true);
    }
    auto backend = std::make_unique<TGmQtPrinterBackend>();
    const int pdf = int(backend->printerNames().indexOf(TGmQtPrinterBackend::pdfPrinterName()));
    TGmPrinter *printer = TGmPrinter::install(std::move(backend));
    if (pdf >= 0 && printer->PrinterIndex() != pdf)
        printer->SetPrinterIndex(pdf);
    bookFolder();

    const int result = BenchMain::runBenchmarks(argc, argv);
    TGmPrinter::release();
    return result;
}
