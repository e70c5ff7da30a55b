// Rendering and showing a page of the preview engine: recording a full A4
// page at 600 dpi, repainting it at two zooms, and one zoom step.
#include "BenchMain.h"
#include "preview/GmFakePrinterBackend.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmPageCanvas.h"
#include "preview/GmPageTextStore.h"
#include "preview/GmPreview.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// A page full of text: 11-point lines between 25 mm margins, drawn at the
// printer's 600 dpi as the text flow draws them.
class FullPageText : public TGmPageTextStore
{
public:
    bool HasPage(int) const override { return true; }
    void RenderPage(QPainter *canvas, int) override
    {
        TGmFont font;
        font.Name = QStringLiteral("DejaVu Sans");
        font.Size = 11;
        canvas->setFont(font.toQFont(600));
        const int lineHeight = canvas->fontMetrics().height();
        const QString line = QStringLiteral("Whisk the eggs with the sugar until pale, then fold in the flour %1.");
        int n = 0;
        for (int y = 600; y + lineHeight < 7016 - 600; y += lineHeight)
            canvas->drawText(590, y + canvas->fontMetrics().ascent(), line.arg(++n));
    }
    void Clear() override { }
};

struct Fixture
{
    TGmPreview preview;

    Fixture()
    {
        preview.resize(900, 1200);
        preview.BeginUpdate();
        preview.Pages()->SetTextStore(std::make_unique<FullPageText>());
        preview.Header()->SetVisible(true);
        preview.Header()->CaptionCenter()->SetCaption(QStringLiteral("Pancakes"));
        preview.Footer()->SetVisible(true);
        preview.Footer()->CaptionRight()->SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
        preview.EndUpdate();
    }
};

void BM_RenderPage(benchmark::State &state)
{
    Fixture f;
    TGmPage *page = f.preview.Pages()->CurrentPageObject();
    for (auto _ : state) {
        page->NeedsRender = true;
        page->RenderPage(600, 29700 / 2540.0L, 21000 / 2540.0L);
    }
}
BENCHMARK(BM_RenderPage)->Unit(benchmark::kMillisecond);

void BM_RepaintPage(benchmark::State &state)
{
    Fixture f;
    f.preview.SetZoom(int(state.range(0)));
    TGmPageCanvas *canvas = f.preview.PageCanvas();
    QImage image(canvas->size(), QImage::Format_ARGB32_Premultiplied);
    const int renders = f.preview.RenderCount();
    for (auto _ : state) {
        canvas->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["renders"] = f.preview.RenderCount() - renders;
}
BENCHMARK(BM_RepaintPage)->Arg(41)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ZoomStep(benchmark::State &state)
{
    Fixture f;
    f.preview.SetZoom(100);
    const int renders = f.preview.RenderCount();
    bool in = true;
    for (auto _ : state) {
        in ? f.preview.ZoomIn() : f.preview.ZoomOut();
        in = !in;
    }
    state.counters["renders"] = f.preview.RenderCount() - renders;
}
BENCHMARK(BM_ZoomStep)->Unit(benchmark::kMillisecond);

// A zoom step as the user sees it: the new layout and the repaint at the new size.
void BM_ZoomStepAndRepaint(benchmark::State &state)
{
    Fixture f;
    f.preview.SetZoom(100);
    const int renders = f.preview.RenderCount();
    TGmPageCanvas *canvas = f.preview.PageCanvas();
    QImage image(QSize(1200, 1600), QImage::Format_ARGB32_Premultiplied);
    bool in = true;
    for (auto _ : state) {
        in ? f.preview.ZoomIn() : f.preview.ZoomOut();
        in = !in;
        canvas->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["renders"] = f.preview.RenderCount() - renders;
}
BENCHMARK(BM_ZoomStepAndRepaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("MEALDECK_TEST", "1");
    QApplication app(argc, argv);
    TGmPrinter::install(TGmFakePrinterBackend::withOnePrinter());
    const int result = BenchMain::runBenchmarks(argc, argv);
    TGmPrinter::release();
    return result;
}
