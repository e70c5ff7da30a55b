#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMargins.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"

#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("Line %1 of the recipe").arg(i);
    return lines.join(QLatin1Char('\n'));
}

TGmFakePrinter printerAt(int dpi)
{
    TGmFakePrinter p;
    p.DpiX = dpi;
    p.DpiY = dpi;
    p.Physical = QSize(gmNearest(8.2677L * dpi), gmNearest(11.6929L * dpi));
    p.Offset = QPoint(0, 0);
    return p;
}

void installPrinter(QList<TGmFakePrinter> printers)
{
    TGmPrinter::install(std::make_unique<TGmFakePrinterBackend>(std::move(printers), 0));
}

// A preview set up as the print preview window sets it: A4, 25 mm sides.
struct Flow
{
    Flow()
    {
        rtf.SetPreview(&preview);
        preview.Margins()->Left.SetAsMillimetres(25);
        preview.Margins()->Right.SetAsMillimetres(25);
    }
    TGmRtfInformation *store() { return TGmRtfPreview::textStoreOf(&preview); }
    // How many of `text`'s characters fill the first page.
    int firstPageEnd(const QString &text)
    {
        TGmRichEdit edit;
        edit.SetText(text);
        edit.SetFont(rtf.TextFileFont());
        const int dpi = preview.GmPrinter()->PixelsPerInchX();
        return edit.FormatRange(nullptr, dpi, MeasureTextArea(&preview, dpi, 1, 1).toTwips(dpi), 0, -1);
    }

    TGmPreview preview;
    TGmRtfPreview rtf;
};

} // namespace

class TestGmRtfPreview : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        installPrinter({printerAt(600)});
        GmMessages::clearRecorded();
    }
    void cleanupTestCase() { TGmPrinter::release(); }

    void textAreas_data()
    {
        QTest::addColumn<bool>("measuring");
        QTest::addColumn<QList<int>>("pixels");
        QTest::addColumn<QList<int>>("twips");
        QTest::addRow("measured, sides truncated")
            << true << QList<int>{590, 600, 4371, 6416} << QList<int>{1416, 1440, 10490, 15398};
        QTest::addRow("rendered, sides rounded")
            << false << QList<int>{591, 600, 4370, 6416} << QList<int>{1418, 1440, 10488, 15398};
    }
    void textAreas()
    {
        QFETCH(bool, measuring);
        QFETCH(QList<int>, pixels);
        QFETCH(QList<int>, twips);
        Flow f;
        const TGmTextArea area = measuring ? MeasureTextArea(&f.preview, 600, 1, 1) : RenderTextArea(&f.preview, 600, 1, 1);
        QCOMPARE((QList<int>{area.Left, area.Top, area.Right, area.Bottom}), pixels);
        const QRect t = area.toTwips(600);
        QCOMPARE((QList<int>{t.left(), t.top(), t.right(), t.bottom()}), twips);
    }

    void emptyMemoGivesOneEmptyRecord()
    {
        Flow f;
        int advances = 0;
        f.rtf.OnNewPage = [&](TGmRtfPreview *, TGmValue &, TGmValue &) { ++advances; };
        QPlainTextEdit memo;
        f.rtf.LoadFromMemo(&memo);
        QCOMPARE(f.store()->Count(), 1);
        const TGmRtfOffset &r = f.store()->Items(0);
        QCOMPARE(r.PageNum, 1);
        QCOMPARE(r.StartChar, 0);
        QCOMPARE(r.EndChar, 0);
        QCOMPARE(f.preview.NumPages(), 1);
        QCOMPARE(advances, 0);
    }

    // A text that exactly fills the page stays on it; one more line starts a second page.
    void pageBoundary_data()
    {
        QTest::addColumn<int>("extraLines");
        QTest::addColumn<int>("pages");
        QTest::addRow("exactly one page") << 0 << 1;
        QTest::addRow("one line more") << 1 << 2;
    }
    void pageBoundary()
    {
        QFETCH(int, extraLines);
        QFETCH(int, pages);
        Flow f;
        const QString all = numberedLines(200);
        QString text = all.left(f.firstPageEnd(all));
        QVERIFY(text.endsWith(QLatin1Char('\n')));
        text.chop(1);
        for (int i = 0; i < extraLines; ++i)
            text += QStringLiteral("\nOne more line");
        f.rtf.LoadFromText(text);
        QCOMPARE(f.preview.NumPages(), pages);
        QCOMPARE(f.store()->Count(), pages);
        QCOMPARE(f.store()->Items(pages - 1).EndChar, int(text.size()));
    }

    void threePagesFromPageOne()
    {
        Flow f;
        int before = 0;
        int after = 0;
        f.rtf.BeforeNewPage = [&](TGmRtfPreview *, TGmValue &, TGmValue &) { ++before; };
        f.rtf.OnNewPage = [&](TGmRtfPreview *, TGmValue &, TGmValue &) { ++after; };
        const QString full = numberedLines(400);
        const int perPage = f.firstPageEnd(full);
        // Two full pages and a few lines.
        const QString text = full.left(2 * perPage + 30);
        f.rtf.LoadFromText(text);

        QCOMPARE(f.preview.NumPages(), 3);
        QCOMPARE(f.preview.CurrentPage(), 1);
        QCOMPARE(before, 2);
        QCOMPARE(after, 2);
        TGmRtfInformation *store = f.store();
        QCOMPARE(store->Count(), 3);
        int expectedStart = 0;
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(store->Items(i).PageNum, i + 1);
            QCOMPARE(store->Items(i).StartChar, expectedStart);
            QVERIFY(store->Items(i).EndChar > expectedStart);
            expectedStart = store->Items(i).EndChar;
        }
        QCOMPARE(store->Items(2).EndChar, int(text.size()));
        for (int page = 1; page <= 3; ++page)
            QVERIFY(store->HasPage(page));
        QVERIFY(!store->HasPage(4));
    }

    void flowOverExistingPagesAppendsNothing()
    {
        Flow f;
        for (int i = 0; i < 4; ++i)
            f.preview.NewPage();
        f.preview.SetCurrentPage(1);
        QCOMPARE(f.preview.NumPages(), 5);
        QList<int> pagesSeen;
        f.rtf.OnNewPage = [&](TGmRtfPreview *, TGmValue &, TGmValue &) { pagesSeen << f.preview.CurrentPage(); };
        const QString full = numberedLines(400);
        f.rtf.LoadFromText(full.left(f.firstPageEnd(full) + 20));
        QCOMPARE(f.preview.NumPages(), 5);
        QCOMPARE(f.preview.CurrentPage(), 1);
        QCOMPARE(pagesSeen, QList<int>{2});
        QCOMPARE(f.store()->Count(), 2);
        QCOMPARE(f.store()->Items(0).PageNum, 1);
        QCOMPARE(f.store()->Items(1).PageNum, 2);
    }

    // A handler's change of the margins shows in the records added after it.
    void marginsChangedBetweenPages()
    {
        Flow f;
        f.rtf.BeforeNewPage = [](TGmRtfPreview *, TGmValue &top, TGmValue &) { top.SetAsInches(2); };
        const QString full = numberedLines(400);
        f.rtf.LoadFromText(full.left(2 * f.firstPageEnd(full) + 30));
        TGmRtfInformation *store = f.store();
        QCOMPARE(store->Count(), 3);
        QCOMPARE(double(store->Items(0).TopMargin), 1.0);
        QCOMPARE(double(store->Items(1).TopMargin), 1.0);
        QCOMPARE(double(store->Items(2).TopMargin), 2.0);
    }

    // Every page takes at least one line, so a line taller than the page
    // still advances the flow.
    void lineTallerThanPageStillAdvances()
    {
        Flow f;
        TGmFont huge;
        huge.Size = 1000;
        f.rtf.SetTextFileFont(huge);
        f.rtf.LoadFromText(QStringLiteral("A\nB\nC"));
        QCOMPARE(f.preview.NumPages(), 3);
        QCOMPARE(f.store()->Items(0).EndChar, 2);
        QCOMPARE(f.store()->Items(1).EndChar, 4);
        QCOMPARE(f.store()->Items(2).EndChar, 5);
    }

    void laterFlowOverridesEarlierRecords()
    {
        Flow f;
        f.rtf.LoadFromText(QStringLiteral("first"));
        f.rtf.LoadFromText(QStringLiteral("second text"));
        QCOMPARE(f.store()->Count(), 2);
        QCOMPARE(f.store()->FindPage(1)->EndChar, 11);
        f.preview.Clear();
        QCOMPARE(f.store()->Count(), 0);
    }

    void failures_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<bool>("printers");
        QTest::addColumn<QString>("message");
        QTest::addRow("no preview") << false << true
                                    << "TGmRtfPreview Error...\n\nThere is no preview assigned to this component";
        QTest::addRow("no printer")
            << true << false
            << "TGmRtfPreview Error...\n\nYou need to have a printer driver installed to preview text or rich text";
    }
    void failures()
    {
        QFETCH(bool, linked);
        QFETCH(bool, printers);
        QFETCH(QString, message);
        if (!printers)
            installPrinter({});
        TGmPreview preview;
        TGmRtfPreview rtf;
        if (linked)
            rtf.SetPreview(&preview);
        rtf.LoadFromText(numberedLines(300));
        QCOMPARE(GmMessages::recorded(), QStringList{message});
        QCOMPARE(preview.NumPages(), 1);
        if (linked)
            QCOMPARE(TGmRtfPreview::textStoreOf(&preview)->Count(), 0);
    }

    void previewDestroyedClearsLink()
    {
        TGmRtfPreview rtf;
        {
            TGmPreview preview;
            rtf.SetPreview(&preview);
            QCOMPARE(rtf.Preview(), &preview);
        }
        QCOMPARE(rtf.Preview(), nullptr);
    }

    // A page's range is drawn whole inside the drawing area and the ranges of
    // all pages together are the whole text.
    void renderDrawsEachPageRangeWhole()
    {
        installPrinter({printerAt(100)});
        Flow f;
        const QString text = numberedLines(150) + QStringLiteral("\n") + QString(400, QLatin1Char('w'));
        f.rtf.LoadFromText(text);
        TGmRtfInformation *store = f.store();
        QVERIFY(store->Count() >= 3);
        const TGmTextArea area = RenderTextArea(&f.preview, 100, 1, 1);
        for (int i = 0; i < store->Count(); ++i) {
            const TGmRtfOffset &r = store->Items(i);
            QImage image(827, 1169, QImage::Format_RGB32);
            image.fill(Qt::white);
            int drawnTo = 0;
            {
                QPainter painter(&image);
                drawnTo = store->RichEdit()->FormatRange(&painter, 100, area.toTwips(100), r.StartChar, r.EndChar);
                store->RenderPage(&painter, r.PageNum);
            }
            QCOMPARE(drawnTo, r.EndChar);
            QRect ink;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != qRgb(255, 255, 255))
                        ink |= QRect(x, y, 1, 1);
            QVERIFY(!ink.isNull());
            QVERIFY2(ink.left() >= area.Left && ink.right() <= area.Right && ink.top() >= area.Top
                         && ink.bottom() <= area.Bottom + 2,
                     qPrintable(QStringLiteral("page %1 ink %2,%3 %4x%5")
                                    .arg(i + 1)
                                    .arg(ink.left())
                                    .arg(ink.top())
                                    .arg(ink.width())
                                    .arg(ink.height())));
        }
    }
};

QTEST_MAIN(TestGmRtfPreview)
#include "TestGmRtfPreview.moc"
