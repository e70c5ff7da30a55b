#include "preview/GmFakePrinterBackend.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmMessages.h"
#include "preview/GmPageCanvas.h"
#include "preview/GmPreview.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QtTest>

namespace {

// A linked control that records the notifications posted to it.
class NotifySpy : public QWidget
{
public:
    struct Note
    {
        int code;
        qintptr first;
        qintptr second;
        bool operator==(const Note &o) const { return code == o.code && first == o.first && second == o.second; }
    };
    QList<Note> notes;

    QList<int> codes() const
    {
        QList<int> result;
        for (const Note &n : notes)
            result << n.code;
        return result;
    }
    bool event(QEvent *e) override
    {
        if (e->type() == TGmNotifyEvent::eventType()) {
            auto *n = static_cast<TGmNotifyEvent *>(e);
            notes.append({n->Code, n->First, n->Second});
            return true;
        }
        return QWidget::event(e);
    }
};

TGmFont dejaVu(int points)
{
    TGmFont f;
    f.Name = QStringLiteral("DejaVu Sans");
    f.Size = points;
    return f;
}

int inkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    const QRect r = area & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 160 && c.green() < 160 && c.blue() < 160)
                ++ink;
        }
    }
    return ink;
}

} // namespace

class TestGmPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void construction();
    void canvasSizeFromZoom_data();
    void canvasSizeFromZoom();
    void zoomLimits_data();
    void zoomLimits();
    void zoomNeverRenders();
    void pageStepping();
    void newPageAndClear();
    void updatesGroupChanges();
    void paperSizeRule();
    void orientation();
    void headerFooterAndMarginChanges();
    void layoutKeepsScrollPercentage();
    void mouseOnPaper_data();
    void mouseOnPaper();
    void coordsRelativeTo();
    void pageShowsHeaderAndFooterInk();
    void marginLinesOnlyWhenVisible();
    void shadow();
    void assign();
    void cursors();
    void linkedControls();

private:
    NotifySpy *spy = nullptr;
};

void TestGmPreview::initTestCase()
{
    TGmPrinter::install(TGmFakePrinterBackend::withOnePrinter());
}

void TestGmPreview::init()
{
    GmMessages::clearRecorded();
}

void TestGmPreview::construction()
{
    TGmPreview preview;
    QCOMPARE(preview.size(), QSize(234, 304));
    QCOMPARE(preview.BorderStyle(), bsSingle);
    QCOMPARE(preview.Color(), QColor(128, 128, 128));
    QCOMPARE(preview.CoordsRelativeTo(), fromPage);
    QCOMPARE(preview.Gutter(), 20);
    QVERIFY(!preview.Footer()->Visible());
    QVERIFY(!preview.Header()->Visible());
    QCOMPARE(preview.GmPrinter(), TGmPrinter::instance());
    QCOMPARE(preview.Margins()->Left.Raw(), 1905);
    QVERIFY(!preview.Margins()->Visible());
    QCOMPARE(preview.MaxZoom(), 400);
    QCOMPARE(preview.MinZoom(), 10);
    QCOMPARE(preview.Orientation(), gmPortrait);
    QCOMPARE(preview.PagesPerSheet(), gmOnePage);
    QCOMPARE(preview.PaperSize(), A4);
    QCOMPARE(preview.PrintCopies(), 1);
    QCOMPARE(preview.Shadow()->Color(), QColor(Qt::black));
    QCOMPARE(preview.Shadow()->Width(), 3);
    QVERIFY(preview.Shadow()->Visible());
    QCOMPARE(preview.Title(), QStringLiteral("<document>"));
    QCOMPARE(preview.Zoom(), 22);
    QCOMPARE(preview.ZoomIncrement(), 10);
    QCOMPARE(preview.ZoomStyle(), gmFixedZoom);
    QCOMPARE(preview.CurrentPage(), 1);
    QCOMPARE(preview.NumPages(), 1);
    QCOMPARE(preview.PageWidth()->Raw(), 21000);
    QCOMPARE(preview.PageHeight()->Raw(), 29700);
    QCOMPARE(preview.PrinterResolution(), 600);
    QCOMPARE(preview.UpdateCount(), 0);
    // The one page was rendered at the end of construction, at the printer's resolution.
    QCOMPARE(preview.RenderCount(), 1);
    QCOMPARE(preview.Pages()->GetPage(1)->ImageSize(), QSize(4961, 7016));
    QCOMPARE(preview.PageCanvas()->size(), QSize(175 + 43, 247 + 43));
    QVERIFY(preview.PageCanvas()->PageImage == &preview.Pages()->GetPage(1)->Image());
}

void TestGmPreview::canvasSizeFromZoom_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<QSize>("size");
    QTest::addRow("zoom 41") << 41 << false << QSize(368, 503);
    QTest::addRow("zoom 100") << 100 << false << QSize(794 + 43, 1123 + 43);
    QTest::addRow("zoom 41 landscape") << 41 << true << QSize(503, 368);
}

void TestGmPreview::canvasSizeFromZoom()
{
    QFETCH(int, zoom);
    QFETCH(bool, landscape);
    TGmPreview preview;
    if (landscape)
        preview.SetOrientation(gmLandscape);
    preview.SetZoom(zoom);
    QTEST(preview.PageCanvas()->size(), "size");
    QCOMPARE(double(preview.PageCanvas()->ZoomFactor()), zoom / 100.0);
}

void TestGmPreview::zoomLimits_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("increment");
    QTest::addColumn<bool>("in");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("zoomEvents");
    QTest::addRow("396 + 5 passes 400") << 396 << int(gmFixedZoom) << 5 << true << 396 << 0;
    QTest::addRow("395 + 5 reaches 400") << 395 << int(gmFixedZoom) << 5 << true << 400 << 1;
    QTest::addRow("15 - 10 passes 10") << 15 << int(gmFixedZoom) << 10 << false << 15 << 0;
    QTest::addRow("variable in from 41") << 41 << int(gmVariableZoom) << 10 << true << 61 << 1;
    QTest::addRow("variable out from 41") << 41 << int(gmVariableZoom) << 10 << false << 21 << 1;
    QTest::addRow("variable out from 11") << 11 << int(gmVariableZoom) << 10 << false << 11 << 0;
}

void TestGmPreview::zoomLimits()
{
    QFETCH(int, start);
    QFETCH(int, style);
    QFETCH(int, increment);
    QFETCH(bool, in);
    TGmPreview preview;
    preview.SetZoom(start);
    QCOMPARE(preview.Zoom(), start);
    preview.SetZoomStyle(TGmZoomStyle(style));
    preview.SetZoomIncrement(increment);
    QList<QPair<int, int>> events;
    preview.OnZoom = [&](TGmPreview *sender, int oldZoom, int newZoom) {
        QCOMPARE(sender, &preview);
        QCOMPARE(sender->Zoom(), oldZoom); // raised before the change
        events.append({oldZoom, newZoom});
    };
    in ? preview.ZoomIn() : preview.ZoomOut();
    QTEST(preview.Zoom(), "expected");
    QTEST(int(events.size()), "zoomEvents");
    if (!events.isEmpty())
        QCOMPARE(events.first(), qMakePair(start, preview.Zoom()));
    preview.SetZoom(preview.Zoom());
    preview.SetZoom(401);
    preview.SetZoom(9);
    QTEST(int(events.size()), "zoomEvents");
}

void TestGmPreview::zoomNeverRenders()
{
    TGmPreview preview;
    preview.NewPage();
    const int renders = preview.RenderCount();
    for (int i = 0; i < 10; ++i)
        preview.ZoomIn();
    for (int i = 0; i < 10; ++i)
        preview.ZoomOut();
    QCOMPARE(preview.Zoom(), 22);
    QCOMPARE(preview.RenderCount(), renders);
    // A change of content does render again, once.
    preview.Margins()->Left.SetAsMillimetres(30);
    QCOMPARE(preview.RenderCount(), renders + 1);
}

void TestGmPreview::pageStepping()
{
    TGmPreview preview;
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    preview.NewPage();
    preview.NewPage();
    QCoreApplication::processEvents();
    QCOMPARE(preview.CurrentPage(), 3);
    QList<int> pageEvents;
    preview.OnPageChange = [&](TGmPreview *, int page) { pageEvents << page; };

    spy.notes.clear();
    preview.NextPage();
    QCoreApplication::processEvents();
    QCOMPARE(preview.CurrentPage(), 3);
    QVERIFY(spy.notes.isEmpty());

    preview.PrevPage();
    QCoreApplication::processEvents();
    QCOMPARE(preview.CurrentPage(), 2);
    QCOMPARE(spy.notes.size(), 1);
    QVERIFY(spy.notes.last() == (NotifySpy::Note{7026, 2, 0}));
    QCOMPARE(pageEvents, QList<int>({2}));

    preview.PrevPage();
    preview.PrevPage();
    QCoreApplication::processEvents();
    QCOMPARE(preview.CurrentPage(), 1);
    QCOMPARE(spy.notes.size(), 2);

    spy.notes.clear();
    preview.SetCurrentPage(3);
    QCoreApplication::processEvents();
    QCOMPARE(preview.CurrentPage(), 3);
    QVERIFY(spy.notes.contains(NotifySpy::Note{7026, 0, 3}));
    QVERIFY(!spy.codes().contains(7033)); // page 3 was rendered before
    preview.Margins()->Top.SetAsMillimetres(12);
    QCoreApplication::processEvents();
    QVERIFY(spy.notes.contains(NotifySpy::Note{7033, 0, 3}));
    preview.SetCurrentPage(9);
    QCOMPARE(preview.CurrentPage(), 3);
}

void TestGmPreview::newPageAndClear()
{
    TGmPreview preview;
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    int newPages = 0;
    QList<int> pageEvents;
    preview.OnNewPage = [&](TGmPreview *) { ++newPages; };
    preview.OnPageChange = [&](TGmPreview *, int page) { pageEvents << page; };

    TGmPage *page = preview.NewPage();
    QCoreApplication::processEvents();
    QCOMPARE(page->PageNum, 2);
    QCOMPARE(preview.NumPages(), 2);
    QCOMPARE(preview.CurrentPage(), 2);
    QCOMPARE(newPages, 1);
    QVERIFY(pageEvents.contains(2));
    QVERIFY(spy.notes.contains(NotifySpy::Note{7027, 2, 0}));

    // Inside an update: nothing posted, the page event still raised.
    spy.notes.clear();
    pageEvents.clear();
    preview.BeginUpdate();
    preview.NewPage();
    QCOMPARE(preview.CurrentPage(), 3);
    QCOMPARE(pageEvents, QList<int>({3}));
    preview.EndUpdate();
    QCoreApplication::processEvents();
    QVERIFY(!spy.codes().contains(7027));

    spy.notes.clear();
    preview.Clear();
    QCOMPARE(preview.NumPages(), 1);
    QCOMPARE(preview.CurrentPage(), 1);
    QVERIFY(preview.Pages()->GetPage(1)->TextLayer().isNull());
    QVERIFY(spy.notes.contains(NotifySpy::Note{7027, 0, 0}));
    QVERIFY(spy.notes.contains(NotifySpy::Note{7026, 0, 1}));
}

void TestGmPreview::updatesGroupChanges()
{
    TGmPreview preview;
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    const int renders = preview.RenderCount();
    preview.BeginUpdate();
    preview.BeginUpdate();
    preview.Header()->SetVisible(true);
    preview.Margins()->Top.SetAsMillimetres(10);
    preview.SetCurrentPage(1);
    preview.EndUpdate();
    QCOMPARE(preview.RenderCount(), renders);
    QCoreApplication::processEvents();
    QVERIFY(spy.notes.isEmpty());
    preview.EndUpdate();
    QCOMPARE(preview.RenderCount(), renders + 1);
    preview.EndUpdate(); // never below zero
    QCOMPARE(preview.UpdateCount(), 0);
    preview.BeginUpdate();
    QCOMPARE(preview.UpdateCount(), 1);
    preview.EndUpdate();
}

void TestGmPreview::paperSizeRule()
{
    TGmPreview preview;
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    int sizeEvents = 0;
    preview.OnPageSizeChange = [&](TGmPreview *) { ++sizeEvents; };

    preview.SetPaperSize(Custom);
    QCOMPARE(GmMessages::recorded(),
             QStringList({"You cannot set the papersize to \"Custom\" directly...\n\nThe papersize is set to \"Custom "
                          "internally when either the PageHeight \nor PageWidth are changed manually at runtime."}));
    QCOMPARE(preview.PaperSize(), A4);
    preview.SetPaperSize(A4);
    QCOMPARE(sizeEvents, 0);

    preview.SetOrientation(gmLandscape);
    spy.notes.clear();
    preview.SetPaperSize(A5);
    QCoreApplication::processEvents();
    QCOMPARE(preview.PageWidth()->Raw(), 21000);
    QCOMPARE(preview.PageHeight()->Raw(), 14850);
    QCOMPARE(sizeEvents, 1);
    QVERIFY(spy.codes().contains(7035));

    preview.PageHeight()->SetAsMillimetres(100);
    QCOMPARE(preview.PaperSize(), Custom);
    QCOMPARE(sizeEvents, 1);
}

void TestGmPreview::orientation()
{
    TGmPreview preview;
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    int turned = 0;
    preview.OnChangeOrientation = [&](TGmPreview *) { ++turned; };
    QCOMPARE(preview.OrientationSummary(), 0);
    preview.SetOrientation(gmPortrait);
    QCOMPARE(turned, 0);
    const int renders = preview.RenderCount();
    preview.SetOrientation(gmLandscape);
    QCoreApplication::processEvents();
    QCOMPARE(turned, 1);
    QVERIFY(spy.codes().contains(7029));
    QVERIFY(preview.RenderCount() > renders);
    QCOMPARE(preview.OrientationSummary(), 1);
    QCOMPARE(preview.Pages()->GetPage(1)->ImageSize(), QSize(7016, 4961));
    preview.NewPage()->SetOrientation(gmPortrait);
    QCOMPARE(preview.OrientationSummary(), 2);
    QCOMPARE(preview.PageCanvas()->size(), QSize(175 + 43, 247 + 43));
}

void TestGmPreview::headerFooterAndMarginChanges()
{
    TGmPreview preview;
    preview.NewPage();
    NotifySpy spy;
    preview.AddLinkedControl(&spy);
    for (int n = 1; n <= 2; ++n)
        preview.Pages()->GetPage(n)->NeedsRender = false;
    preview.Footer()->SetVisible(true);
    QCoreApplication::processEvents();
    QVERIFY(spy.codes().contains(7030));
    QVERIFY(preview.Pages()->GetPage(1)->NeedsRender); // every page
    QVERIFY(!preview.Pages()->GetPage(2)->NeedsRender); // the current one was rendered at once

    preview.SetCurrentPage(1);
    for (int n = 1; n <= 2; ++n)
        preview.Pages()->GetPage(n)->NeedsRender = false;
    spy.notes.clear();
    const int renders = preview.RenderCount();
    preview.Margins()->Right.SetAsMillimetres(30);
    QCoreApplication::processEvents();
    QVERIFY(spy.codes().contains(7043));
    QCOMPARE(preview.RenderCount(), renders + 1);
    QVERIFY(!preview.Pages()->GetPage(2)->NeedsRender); // only the current page

    spy.notes.clear();
    preview.Margins()->SetVisible(true);
    QCOMPARE(preview.RenderCount(), renders + 1);
    QCoreApplication::processEvents();
    QVERIFY(spy.notes.isEmpty());
}

void TestGmPreview::layoutKeepsScrollPercentage()
{
    QWidget parent;
    parent.resize(400, 400);
    TGmPreview *preview = new TGmPreview(&parent);
    preview->resize(400, 400);
    parent.show();
    preview->SetZoom(200);
    QScrollBar *v = preview->verticalScrollBar();
    QScrollBar *h = preview->horizontalScrollBar();
    QVERIFY(v->maximum() > 0);
    v->setValue(v->maximum() / 2);
    h->setValue(h->maximum() / 4);
    preview->SetZoom(300);
    QVERIFY(qAbs(v->value() - v->maximum() / 2) <= 1);
    QVERIFY(qAbs(h->value() - h->maximum() / 4) <= 1);
    QCOMPARE(preview->PageCanvas()->pos(), QPoint(-h->value(), -v->value()));

    preview->ScrollToPercent(100, 0);
    QCOMPARE(v->value(), v->maximum());
    QCOMPARE(h->value(), 0);

    // A page narrower than the control is centred.
    preview->SetZoom(10);
    const QSize view = preview->viewport()->size();
    QCOMPARE(preview->PageCanvas()->x(), (view.width() - preview->PageCanvas()->width()) / 2);
}

void TestGmPreview::mouseOnPaper_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("onPaper");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addRow("one inch in") << QPoint(116, 212) << true << 2540 << 5080;
    QTest::addRow("just inside") << QPoint(21, 21) << true << 26 << 26;
    QTest::addRow("in the gutter") << QPoint(20, 100) << false << 0 << 0;
    QTest::addRow("on the shadow") << QPoint(100, 1123 + 43 - 22) << false << 0 << 0;
}

void TestGmPreview::mouseOnPaper()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, onPaper);
    TGmPreview preview;
    preview.SetZoom(100);
    int own = 0;
    QList<QPair<int, int>> down;
    int up = 0;
    preview.OnMouseDown = [&](TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++own; };
    preview.OnPageMouseDown = [&](TGmPreview *sender, Qt::MouseButton button, Qt::KeyboardModifiers,
                                  TGmValue *x, TGmValue *y) {
        QCOMPARE(sender, &preview);
        QCOMPARE(button, Qt::LeftButton);
        down.append({x->Raw(), y->Raw()});
    };
    preview.OnPageMouseUp = [&](TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, TGmValue *, TGmValue *) {
        ++up;
    };
    QTest::mousePress(preview.PageCanvas(), Qt::LeftButton, {}, pos);
    QTest::mouseRelease(preview.PageCanvas(), Qt::LeftButton, {}, pos);
    QCOMPARE(own, 1);
    QCOMPARE(int(down.size()), onPaper ? 1 : 0);
    QCOMPARE(up, onPaper ? 1 : 0);
    if (onPaper) {
        QFETCH(int, x);
        QFETCH(int, y);
        QCOMPARE(down.first().first, x);
        QCOMPARE(down.first().second, y);
        QCOMPARE(preview.PageCanvas()->LastPress, pos);
    }
}

void TestGmPreview::coordsRelativeTo()
{
    TGmPreview preview;
    preview.Margins()->Left.SetRaw(2500);
    preview.Margins()->Top.SetRaw(1000);
    preview.SetCoordsRelativeTo(fromHeaderLine);
    const QPoint headerLine = preview.Canvas()->OriginOffset();
    preview.SetCoordsRelativeTo(fromUserMargins);
    QCOMPARE(preview.Canvas()->OriginOffset(), QPoint(2500, 1000));
    QCOMPARE(headerLine, QPoint(2500, 1000)); // invisible header: no height
    preview.SetCoordsRelativeTo(fromPrinterMargins);
    QCOMPARE(preview.CoordsRelativeTo(), fromPrinterMargins);
    QCOMPARE(preview.Canvas()->OriginOffset(), QPoint(2500, 1000));
    preview.Header()->SetVisible(true);
    preview.SetCoordsRelativeTo(fromHeaderLine);
    QCOMPARE(preview.Canvas()->OriginOffset(), QPoint(2500, 1000 + preview.Header()->Height()->Raw()));
    preview.SetCoordsRelativeTo(fromPage);
    QCOMPARE(preview.Canvas()->OriginOffset(), QPoint(0, 0));
}

void TestGmPreview::pageShowsHeaderAndFooterInk()
{
    TGmPreview preview;
    preview.SetZoom(100);
    preview.BeginUpdate();
    preview.Header()->SetVisible(true);
    preview.Header()->SetShowLine(false);
    preview.Header()->CaptionLeft()->SetFont(dejaVu(14));
    preview.Header()->CaptionLeft()->SetCaption(QStringLiteral("HEADER"));
    preview.Footer()->SetVisible(true);
    preview.Footer()->SetShowLine(false);
    preview.Footer()->CaptionRight()->SetFont(dejaVu(14));
    preview.Footer()->CaptionRight()->SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
    preview.EndUpdate();

    const QImage image = preview.PageCanvas()->grab().toImage();
    QCOMPARE(image.size(), QSize(837, 1166));
    // Paper at (20, 20); margins 0.75 inch = 72 pixels at zoom 100.
    const int left = 20 + 72, top = 20 + 72;
    const int right = 20 + 794 - 72, bottom = 20 + 1123 - 72;
    const int cell = preview.Header()->Height()->AsPixels(96);
    QVERIFY(cell > 15);
    const QRect headerArea(QPoint(left, top), QPoint(left + 200, top + cell));
    const QRect footerArea(QPoint(right - 250, bottom - cell), QPoint(right, bottom));
    QVERIFY(inkIn(image, headerArea) > 50);
    QVERIFY(inkIn(image, footerArea) > 50);
    // Nothing elsewhere on the paper (inside the border of the sheet).
    const QRect paper(QPoint(22, 22), QPoint(20 + 794 - 3, 20 + 1123 - 3));
    const int total = inkIn(image, paper);
    QCOMPARE(inkIn(image, headerArea.adjusted(-2, -2, 2, 2)) + inkIn(image, footerArea.adjusted(-2, -2, 2, 2)), total);
    // Header on the left, footer on the right: no ink at the other ends.
    QCOMPARE(inkIn(image, QRect(QPoint(right - 250, top), QPoint(right, top + cell))), 0);
    QCOMPARE(inkIn(image, QRect(QPoint(left, bottom - cell), QPoint(left + 200, bottom))), 0);
}

void TestGmPreview::marginLinesOnlyWhenVisible()
{
    TGmPreview preview;
    preview.SetZoom(50);
    auto silverOnLeftMargin = [&]() {
        const QImage image = preview.PageCanvas()->grab().toImage();
        const int x = 20 + gmNearest(72 * 0.5L);
        int silver = 0;
        for (int y = 100; y < 400; ++y)
            silver += image.pixelColor(x, y) == QColor(192, 192, 192) ? 1 : 0;
        return silver;
    };
    QCOMPARE(silverOnLeftMargin(), 0);
    const int renders = preview.RenderCount();
    preview.Margins()->SetVisible(true);
    QVERIFY(silverOnLeftMargin() > 50);
    QCOMPARE(preview.RenderCount(), renders);
}

void TestGmPreview::shadow()
{
    TGmPreview preview;
    preview.SetZoom(50);
    const QSize size = preview.PageCanvas()->size();
    auto pixel = [&](int x, int y) { return preview.PageCanvas()->grab().toImage().pixelColor(x, y); };
    const int right = size.width() - 20 - 4; // sheet's right edge
    const int midY = size.height() / 2;
    QCOMPARE(pixel(right, midY), QColor(Qt::black)); // border
    QCOMPARE(pixel(right + 1, midY), QColor(Qt::black)); // shadow
    QCOMPARE(pixel(right + 3, midY), QColor(Qt::black));
    preview.Shadow()->SetColor(Qt::red);
    QCOMPARE(pixel(right + 2, midY), QColor(Qt::red));
    preview.Shadow()->SetVisible(false);
    QCOMPARE(preview.PageCanvas()->size(), size);
    QCOMPARE(pixel(right, midY), QColor(Qt::black)); // the sheet keeps its size
    QVERIFY(pixel(right + 2, midY) != QColor(Qt::red));
    QCOMPARE(preview.PageCanvas()->PageRect().width(), size.width() - 40 - 4);
}

void TestGmPreview::assign()
{
    TGmPreview source;
    source.Header()->SetVisible(true);
    source.Header()->CaptionLeft()->SetCaption(QStringLiteral("Soups"));
    source.Footer()->SetShowLine(false);
    source.SetPaperSize(Letter);
    source.SetOrientation(gmLandscape);
    source.SetPagesPerSheet(gmFourPage);
    source.Margins()->Left.SetRaw(2500);
    source.Shadow()->SetWidth(6);

    TGmPreview target;
    target.Assign(&source);
    QVERIFY(target.Header()->Visible());
    QCOMPARE(target.Header()->CaptionLeft()->Caption(), QStringLiteral("Soups"));
    QVERIFY(!target.Footer()->ShowLine());
    QCOMPARE(target.PaperSize(), Letter);
    QCOMPARE(target.Orientation(), gmLandscape);
    QCOMPARE(target.PageWidth()->Raw(), 27940);
    QCOMPARE(target.PageHeight()->Raw(), 21590);
    QCOMPARE(target.PagesPerSheet(), gmFourPage);
    QCOMPARE(target.Margins()->Left.Raw(), 2500);
    QCOMPARE(target.Shadow()->Width(), 6);

    // A custom paper comes over as it is, without the "Custom" message.
    source.PageWidth()->SetRaw(30000);
    TGmPreview custom;
    custom.Assign(&source);
    QCOMPARE(custom.PaperSize(), Custom);
    QCOMPARE(custom.PageWidth()->Raw(), 30000);
    QCOMPARE(custom.PageHeight()->Raw(), 21590);
    QVERIFY(GmMessages::recorded().isEmpty());
}

void TestGmPreview::cursors()
{
    const QCursor in = TGmPreview::ZoomCursor(TGmPreview::ZOOMIN);
    const QCursor out = TGmPreview::ZoomCursor(TGmPreview::ZOOMOUT);
    QCOMPARE(in.shape(), Qt::BitmapCursor);
    QCOMPARE(out.shape(), Qt::BitmapCursor);
    QVERIFY(in.pixmap().toImage() != out.pixmap().toImage());
    QCOMPARE(TGmPreview::ZoomCursor(7).shape(), Qt::ArrowCursor);

    TGmPreview preview;
    preview.ZoomIn();
    QCOMPARE(preview.cursor().shape(), Qt::ArrowCursor); // mouse not over the control
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&preview, &enter);
    QVERIFY(preview.MouseInside());
    preview.ZoomOut();
    QCOMPARE(preview.cursor().pixmap().toImage(), out.pixmap().toImage());
    preview.SetMaxZoom(preview.Zoom());
    preview.ZoomIn(); // the cursor changes even when the zoom cannot
    QCOMPARE(preview.cursor().pixmap().toImage(), in.pixmap().toImage());
}

void TestGmPreview::linkedControls()
{
    TGmPreview preview;
    NotifySpy spy;
    QObject notAWindow;
    preview.AddLinkedControl(&spy);
    preview.AddLinkedControl(&spy);
    preview.AddLinkedControl(&notAWindow);
    preview.NotifyLinkedControls(7035, 1, 2);
    QCoreApplication::processEvents();
    QCOMPARE(spy.notes.size(), 1);
    QVERIFY(spy.notes.first() == (NotifySpy::Note{7035, 1, 2}));
    preview.RemoveLinkedControl(&spy);
    preview.NotifyLinkedControls(7035, 1, 2);
    QCoreApplication::processEvents();
    QCOMPARE(spy.notes.size(), 1);
    {
        NotifySpy shortLived;
        preview.AddLinkedControl(&shortLived);
    }
    preview.NotifyLinkedControls(7035, 0, 0); // a destroyed control is skipped
    QCoreApplication::processEvents();
}

QTEST_MAIN(TestGmPreview)
#include "TestGmPreview.moc"
