// Text flow and printing: flowing a 100-page text at 600 dpi against Qt's own
// pagination of the same text, showing the next page of a flowed document,
// and printing 20 pages to a PDF file.
#include "BenchMain.h"
#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMargins.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr int dpi = 600;

// Recipe-like text: short ingredient lines and long direction paragraphs
// that wrap, repeated until it fills about `pages` A4 pages.
QString recipeText(int pages)
{
    QStringList lines;
    const QString paragraph = QStringLiteral(
        "Whisk the eggs with the sugar until pale and thick, then fold in the flour a spoonful at a time "
        "and bake in the middle of the oven until golden; step %1.");
    for (int i = 0; i < pages * 7; ++i) {
        lines << QStringLiteral("%1 dl wheat flour").arg(i % 9 + 1) << QStringLiteral("2 eggs") << QString()
              << paragraph.arg(i) << QStringLiteral("1 pinch of salt");
    }
    return lines.join(QLatin1Char('\n'));
}

void setUpPreview(TGmPreview &preview)
{
    preview.Margins()->Left.SetAsMillimetres(25);
    preview.Margins()->Right.SetAsMillimetres(25);
}

void installFakePrinter()
{
    TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{TGmFakePrinter()}, 0));
}

void BM_FlowText(benchmark::State &state)
{
    installFakePrinter();
    const QString text = recipeText(100);
    TGmPreview preview;
    setUpPreview(preview);
    TGmRtfPreview rtf;
    rtf.SetPreview(&preview);
    int pages = 0;
    for (auto _ : state) {
        preview.Clear();
        rtf.LoadFromText(text);
        pages = preview.NumPages();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_FlowText)->Unit(benchmark::kMillisecond);

// The same text, font, resolution and text area paginated by QTextDocument.
void BM_QTextDocumentPaginate(benchmark::State &state)
{
    installFakePrinter();
    const QString text = recipeText(100);
    TGmPreview preview;
    setUpPreview(preview);
    const QRect twips = MeasureTextArea(&preview, dpi, 1, 1).toTwips(dpi);
    const QSizeF page(twips.width() * dpi / 1440.0, twips.height() * dpi / 1440.0);
    int pages = 0;
    for (auto _ : state) {
        QTextDocument document;
        document.setUseDesignMetrics(true);
        document.setDocumentMargin(0);
        document.setDefaultFont(TGmFont().toQFont(dpi));
        document.setPlainText(text);
        document.setPageSize(page);
        pages = document.pageCount();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_QTextDocumentPaginate)->Unit(benchmark::kMillisecond);

// NextPage on a flowed document; each page is recorded anew, as when it is
// first shown.
void BM_ShowNextPage(benchmark::State &state)
{
    installFakePrinter();
    TGmPreview preview;
    preview.resize(631, 522);
    preview.SetZoom(41);
    preview.show();
    setUpPreview(preview);
    TGmRtfPreview rtf;
    rtf.SetPreview(&preview);
    rtf.LoadFromText(recipeText(30));
    for (auto _ : state) {
        if (preview.CurrentPage() == preview.NumPages()) {
            state.PauseTiming();
            preview.SetCurrentPage(1);
            preview.Pages()->MarkAllChanged();
            state.ResumeTiming();
        }
        preview.NextPage();
    }
}
BENCHMARK(BM_ShowNextPage)->Unit(benchmark::kMillisecond);

void BM_PrintPdf20Pages(benchmark::State &state)
{
    QTemporaryDir dir;
    auto backend = std::make_unique<TGmQtPrinterBackend>();
    TGmQtPrinterBackend *qt = backend.get();
    const int pdf = int(backend->printerNames().indexOf(TGmQtPrinterBackend::pdfPrinterName()));
    TGmPrinter *printer = TGmPrinter::install(std::move(backend));
    if (printer->PrinterIndex() != pdf)
        printer->SetPrinterIndex(pdf);
    TGmPreview preview;
    setUpPreview(preview);
    TGmRtfPreview rtf;
    rtf.SetPreview(&preview);
    rtf.LoadFromText(recipeText(20));
    int n = 0;
    for (auto _ : state) {
        qt->setPdfFileName(dir.filePath(QStringLiteral("out%1.pdf").arg(n++)));
        preview.Print();
    }
    state.counters["pages"] = preview.NumPages();
}
BENCHMARK(BM_PrintPdf20Pages)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("MEALDECK_TEST", "1");
    QApplication app(argc, argv);
    const int result = BenchMain::runBenchmarks(argc, argv);
    TGmPrinter::release();
    return result;
}
