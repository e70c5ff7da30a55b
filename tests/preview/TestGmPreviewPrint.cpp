#include "preview/GmFakePrinterBackend.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPreviewPrint.h"
#include "preview/GmPrinter.h"
#include "preview/GmRtfPreview.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// 100 dpi keeps the recorded sheets small enough to inspect pixel by pixel.
TGmFakePrinterBackend *installPrinter(QPoint offset = QPoint(10, 10))
{
    TGmFakePrinter p;
    p.DpiX = 100;
    p.DpiY = 100;
    p.Physical = QSize(827, 1169);
    p.PrintableHeight = 1149;
    p.Offset = offset;
    auto backend = std::make_unique<TGmFakePrinterBackend>(QList<TGmFakePrinter>{p}, 0);
    TGmFakePrinterBackend *raw = backend.get();
    TGmPrinter::install(std::move(backend));
    return raw;
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Line %1 of the recipe").arg(i);
    return lines.join(QLatin1Char('\n'));
}

// The bounding box of everything drawn on a recorded sheet.
QRect inkOf(const QPicture &sheet)
{
    QImage image(900, 1200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.drawPicture(0, 0, sheet);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

struct Document
{
    explicit Document(int pages)
    {
        for (int i = 1; i < pages; ++i)
            preview.NewPage();
    }
    TGmPreview preview;
};

} // namespace

class TestGmPreviewPrint : public QObject
{
    Q_OBJECT

private slots:
    void init() { GmMessages::clearRecorded(); }
    void cleanupTestCase() { TGmPrinter::release(); }

    void cells_data()
    {
        QTest::addColumn<int>("perSheet");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("portraitSheet");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<double>("scale");
        const int w = 827;
        const int h = 1169;
        auto corners = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
        QTest::addRow("one page") << int(gmOnePage) << 3 << true << corners(0, 0, w, h) << 1.0;
        QTest::addRow("two, landscape sheet, odd") << int(gmTwoPage) << 1 << false << corners(0, 0, h / 2, w)
                                                   << double(w) / h;
        QTest::addRow("two, landscape sheet, even") << int(gmTwoPage) << 2 << false << corners(h / 2, 0, h, w)
                                                    << double(w) / h;
        QTest::addRow("two, portrait sheet, odd") << int(gmTwoPage) << 3 << true << corners(0, 0, h, w / 2)
                                                  << double(w) / h;
        QTest::addRow("two, portrait sheet, even") << int(gmTwoPage) << 4 << true << corners(0, w / 2, h, w)
                                                   << double(w) / h;
        QTest::addRow("four, page 1") << int(gmFourPage) << 1 << true << corners(0, 0, w / 2, h / 2) << 0.5;
        QTest::addRow("four, page 2") << int(gmFourPage) << 2 << true << corners(w / 2, 0, w, h / 2) << 0.5;
        QTest::addRow("four, page 3") << int(gmFourPage) << 3 << true << corners(0, h / 2, w / 2, h) << 0.5;
        QTest::addRow("four, page 4") << int(gmFourPage) << 4 << true << corners(w / 2, h / 2, w, h) << 0.5;
        QTest::addRow("four, page 5") << int(gmFourPage) << 5 << true << corners(0, 0, w / 2, h / 2) << 0.5;
    }
    void cells()
    {
        QFETCH(int, perSheet);
        QFETCH(int, page);
        QFETCH(bool, portraitSheet);
        QFETCH(QRect, rect);
        QFETCH(double, scale);
        const TGmPrintCell cell = gmPrintCell(TGmPagesPerSheet(perSheet), page, 827, 1169, portraitSheet);
        QCOMPARE(cell.Rect, rect);
        QCOMPARE(double(cell.Scale), scale);
    }

    void fourToASheet()
    {
        TGmFakePrinterBackend *backend = installPrinter();
        Document doc(5);
        doc.preview.SetPagesPerSheet(gmFourPage);
        QList<QRect> cells;
        QList<int> progress;
        doc.preview.OnPrintPage = [&](TGmPreview *, int, const QRect &rect, QPainter *, long double) { cells << rect; };
        doc.preview.OnPrintProgress = [&](TGmPreview *, int printed, int total) {
            QCOMPARE(total, 5);
            progress << printed;
        };
        doc.preview.Print();
        QCOMPARE(backend->jobs().size(), 1);
        QCOMPARE(backend->jobs().first().Sheets.size(), 2);
        QVERIFY(backend->jobs().first().Ended);
        QCOMPARE(progress, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(cells.at(4), cells.at(0));
        QCOMPARE(cells.at(4).topLeft(), QPoint(0, 0));
    }

    void twoToASheetTurnsThePrinter()
    {
        TGmFakePrinterBackend *backend = installPrinter();
        Document doc(3);
        doc.preview.SetPagesPerSheet(gmTwoPage);
        TGmPrinter *printer = doc.preview.GmPrinter();
        QCOMPARE(printer->PrinterOrientation(), gmPortrait);
        QList<TGmOrientation> during;
        doc.preview.OnPrintPage = [&](TGmPreview *, int, const QRect &, QPainter *, long double) {
            during << printer->PrinterOrientation();
        };
        doc.preview.Print();
        QCOMPARE(during, (QList<TGmOrientation>{gmLandscape, gmLandscape, gmLandscape}));
        const auto &sheets = backend->jobs().first().Sheets;
        QCOMPARE(sheets.size(), 2);
        QVERIFY(sheets.at(0).Landscape && sheets.at(1).Landscape);
        QCOMPARE(printer->PrinterOrientation(), gmPortrait);
    }

    void mixedOrientationPrintsOnePerSheet()
    {
        TGmFakePrinterBackend *backend = installPrinter();
        Document doc(3);
        doc.preview.SetPagesPerSheet(gmFourPage);
        doc.preview.Pages()->GetPage(2)->SetOrientation(gmLandscape);
        QCOMPARE(doc.preview.OrientationSummary(), 2);
        doc.preview.Print();
        const auto &sheets = backend->jobs().first().Sheets;
        QCOMPARE(sheets.size(), 3);
        QCOMPARE(sheets.at(0).Landscape, false);
        QCOMPARE(sheets.at(1).Landscape, true);
        QCOMPARE(sheets.at(2).Landscape, false);
        QCOMPARE(doc.preview.PagesPerSheet(), gmOnePage);
    }

    void eventsAroundTheJob()
    {
        installPrinter();
        Document doc(2);
        QStringList events;
        doc.preview.BeforePrint = [&](TGmPreview *) { events << "before"; };
        doc.preview.OnPrintPage = [&](TGmPreview *, int page, const QRect &, QPainter *canvas, long double scale) {
            QVERIFY(canvas);
            QCOMPARE(double(scale), 1.0);
            events << QStringLiteral("page %1").arg(page);
        };
        doc.preview.AfterPrintPage = [&](TGmPreview *, TGmPage *page, QPaintDevice *handle) {
            QVERIFY(handle);
            events << QStringLiteral("after page %1").arg(page->PageNum);
        };
        doc.preview.AfterPrint = [&](TGmPreview *) { events << "after"; };
        doc.preview.PrintRange(2, 2);
        QCOMPARE(events, (QStringList{"before", "page 2", "after page 2", "after"}));
    }

    void abortedJobStopsAndEnds()
    {
        TGmFakePrinterBackend *backend = installPrinter();
        backend->setAborted(true);
        Document doc(3);
        int aborts = 0;
        int pages = 0;
        bool after = false;
        doc.preview.OnAbortPrint = [&](TGmPreview *) { ++aborts; };
        doc.preview.OnPrintPage = [&](TGmPreview *, int, const QRect &, QPainter *, long double) { ++pages; };
        doc.preview.AfterPrint = [&](TGmPreview *) { after = true; };
        doc.preview.Print();
        QCOMPARE(aborts, 1);
        QCOMPARE(pages, 0);
        QVERIFY(!after);
        QVERIFY(backend->jobs().first().Ended);
        QVERIFY(!doc.preview.GmPrinter()->Printing());
    }

    void nothingWithoutPrinterOrPages()
    {
        TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>());
        {
            Document doc(2);
            bool before = false;
            doc.preview.BeforePrint = [&](TGmPreview *) { before = true; };
            doc.preview.Print();
            QVERIFY(!before);
        }
        TGmFakePrinterBackend *backend = installPrinter();
        Document doc(2);
        doc.preview.PrintRange(2, 1);
        QVERIFY(backend->jobs().isEmpty());
    }

    // Page coordinates count from the paper's edge: the text lands at its
    // margin less the printer's unprintable offset.
    void flowedTextOnTheSheet_data()
    {
        QTest::addColumn<int>("perSheet");
        QTest::addRow("one page") << int(gmOnePage);
        QTest::addRow("two pages") << int(gmTwoPage);
    }
    void flowedTextOnTheSheet()
    {
        QFETCH(int, perSheet);
        TGmFakePrinterBackend *backend = installPrinter(QPoint(10, 20));
        TGmPreview preview;
        preview.Margins()->Left.SetAsMillimetres(25);
        preview.Margins()->Right.SetAsMillimetres(25);
        TGmRtfPreview rtf;
        rtf.SetPreview(&preview);
        rtf.LoadFromText(numberedLines(120));
        const int pages = preview.NumPages();
        QVERIFY(pages >= 3);
        preview.SetPagesPerSheet(TGmPagesPerSheet(perSheet));
        preview.Print();
        const auto &sheets = backend->jobs().first().Sheets;
        const TGmTextArea area = RenderTextArea(&preview, 100, 1, 1);
        const QRect ink = inkOf(*sheets.first().Picture);
        QVERIFY(!ink.isNull());
        if (perSheet == gmOnePage) {
            QCOMPARE(sheets.size(), pages);
            QVERIFY(qAbs(ink.left() - (area.Left - 10)) <= 3);
            QVERIFY(qAbs(ink.top() - (area.Top - 20)) <= 6);
            QVERIFY(ink.bottom() <= area.Bottom - 20);
        } else {
            QCOMPARE(sheets.size(), (pages + 1) / 2);
            const long double scale = 827.0L / 1169.0L;
            QVERIFY(qAbs(ink.left() - (gmNearest(area.Left * scale) - 10)) <= 3);
            // The second page of the sheet sits in its right half.
            QVERIFY(ink.right() > 1169 / 2);
        }
    }

    void headerAndFooterOnEveryPage()
    {
        TGmFakePrinterBackend *backend = installPrinter(QPoint(0, 0));
        Document doc(2);
        doc.preview.Header()->CaptionLeft()->SetCaption(QStringLiteral("Page {PAGE}"));
        doc.preview.Header()->SetVisible(true);
        doc.preview.Print();
        const auto &sheets = backend->jobs().first().Sheets;
        QCOMPARE(sheets.size(), 2);
        for (const auto &sheet : sheets) {
            const QRect ink = inkOf(*sheet.Picture);
            QVERIFY(!ink.isNull());
            QVERIFY(ink.top() >= doc.preview.Margins()->Top.AsPixels(100) - 1);
            QVERIFY(ink.bottom() < 300);
        }
    }
};

QTEST_MAIN(TestGmPreviewPrint)
#include "TestGmPreviewPrint.moc"
