#include "preview/GmFakePrinterBackend.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmPage.h"
#include "preview/GmPageTextStore.h"

#include <QPainter>
#include <QtTest>

namespace {

// Text on the pages listed, one rectangle per page.
class RecordingStore : public TGmPageTextStore
{
public:
    QList<int> pagesWithText;
    QList<int> rendered;
    bool HasPage(int pageNum) const override { return pagesWithText.contains(pageNum); }
    void RenderPage(QPainter *canvas, int pageNum) override
    {
        rendered << pageNum;
        canvas->fillRect(QRect(600, 600, 1200, 300), Qt::black);
    }
    void Clear() override
    {
        pagesWithText.clear();
        if (OnChange)
            OnChange();
    }
};

struct Document
{
    TGmMargins margins;
    TGmHeader header;
    TGmFooter footer;
    TGmPrinter printer{TGmFakePrinterBackend::withOnePrinter()};
    TGmPageList pages{&margins, &header, &footer, &printer};
    int pagesChanged = 0;
    int layoutChanged = 0;

    Document()
    {
        pages.OnPagesChanged = [this](TGmPageList *) { ++pagesChanged; };
        pages.OnLayoutChanged = [this](TGmPageList *) { ++layoutChanged; };
    }
};

} // namespace

class TestGmPageList : public QObject
{
    Q_OBJECT

private slots:
    void newListIsOneA4PortraitPage();
    void currentPageOutOfRangeIsIgnored_data();
    void currentPageOutOfRangeIsIgnored();
    void onlyDirectAssignmentMakesCustom();
    void orientationRoundTrip_data();
    void orientationRoundTrip();
    void paperSizeTable_data();
    void paperSizeTable();
    void pagesAddClearReset();
    void pageSizeFollowsItsOrientation();
    void pageOrientationLaysOutOutsideUpdates();
    void renderingIsLazy();
    void textLayerAtPrinterResolution();
};

void TestGmPageList::newListIsOneA4PortraitPage()
{
    Document d;
    QCOMPARE(d.pages.Count(), 1);
    QCOMPARE(d.pages.CurrentPage(), 1);
    QCOMPARE(d.pages.PaperSize(), A4);
    QCOMPARE(d.pages.PageWidth.Raw(), 21000);
    QCOMPARE(d.pages.PageHeight.Raw(), 29700);
    QCOMPARE(d.pages.Orientation(), gmPortrait);
    QCOMPARE(d.pages.GetPage(1)->Orientation(), gmPortrait);
    QVERIFY(d.pages.GetPage(1)->NeedsRender);
    QVERIFY(d.pages.GetPage(1)->ShowHeader);
    QCOMPARE(d.pages.GetPage(1)->RenderTime, 0u);
    QVERIFY(d.pages.TextStore() == nullptr);
}

void TestGmPageList::currentPageOutOfRangeIsIgnored_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("notifications");
    QTest::addRow("zero") << 0 << 1 << 0;
    QTest::addRow("past the end") << 4 << 1 << 0;
    QTest::addRow("the current one") << 1 << 1 << 0;
    QTest::addRow("negative") << -1 << 1 << 0;
    QTest::addRow("the last") << 3 << 3 << 1;
}

void TestGmPageList::currentPageOutOfRangeIsIgnored()
{
    QFETCH(int, page);
    Document d;
    d.pages.AddPage();
    d.pages.AddPage();
    d.pagesChanged = 0;
    d.pages.SetCurrentPage(page);
    QTEST(d.pages.CurrentPage(), "expected");
    QTEST(d.pagesChanged, "notifications");
    QVERIFY(d.pages.GetPage(0) == nullptr);
    QVERIFY(d.pages.GetPage(4) == nullptr);
    QCOMPARE(d.pages.GetPage(3)->PageNum, 3);
}

void TestGmPageList::onlyDirectAssignmentMakesCustom()
{
    Document d;
    int edited = 0;
    d.pages.OnSizeEdited = [&]() { ++edited; };
    d.pages.SetPaperSize(Letter);
    d.pages.SetOrientation(gmLandscape);
    QCOMPARE(d.pages.PaperSize(), Letter);
    QCOMPARE(edited, 0);
    d.pagesChanged = 0;
    d.pages.PageWidth.SetAsMillimetres(200);
    QCOMPARE(d.pages.PaperSize(), Custom);
    QCOMPARE(edited, 1);
    QCOMPARE(d.pagesChanged, 1);
    d.pages.SetPaperSize(Custom);
    d.pages.SetPaperSize(42);
    QCOMPARE(d.pages.PaperSize(), Custom);
    QCOMPARE(d.pages.PageWidth.Raw(), 20000);
}

void TestGmPageList::orientationRoundTrip_data()
{
    QTest::addColumn<int>("paper");
    for (int i = A3; i < Custom; ++i)
        QTest::addRow("%d", i) << i;
}

void TestGmPageList::orientationRoundTrip()
{
    QFETCH(int, paper);
    Document d;
    d.pages.SetPaperSize(paper);
    const qint32 w = d.pages.PageWidth.Raw();
    const qint32 h = d.pages.PageHeight.Raw();
    d.pagesChanged = 0;
    d.pages.SetOrientation(gmLandscape);
    QCOMPARE(d.pages.PageWidth.Raw(), qMax(w, h));
    QCOMPARE(d.pages.PageHeight.Raw(), qMin(w, h));
    QCOMPARE(d.pages.Orientation(), gmLandscape);
    QCOMPARE(d.pages.GetPage(1)->Orientation(), gmLandscape);
    QCOMPARE(d.pagesChanged, 1);
    QCOMPARE(int(d.pages.PaperSize()), paper);
    d.pages.SetOrientation(gmLandscape);
    QCOMPARE(d.pagesChanged, 1);
    d.pages.SetOrientation(gmPortrait);
    QCOMPARE(d.pages.PageWidth.Raw(), qMin(w, h));
    QCOMPARE(d.pages.PageHeight.Raw(), qMax(w, h));
}

void TestGmPageList::paperSizeTable_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addRow("A3") << int(A3) << false << 29700 << 42000;
    QTest::addRow("A5") << int(A5) << false << 14850 << 21000;
    QTest::addRow("A6") << int(A6) << false << 10500 << 14850;
    QTest::addRow("B5") << int(B5) << false << 17600 << 25000;
    QTest::addRow("C5 stays wider than high") << int(C5) << false << 22900 << 16300;
    QTest::addRow("Legal") << int(Legal) << false << 21590 << 35560;
    QTest::addRow("Letter") << int(Letter) << false << 21590 << 27940;
    QTest::addRow("A5 on a landscape page") << int(A5) << true << 21000 << 14850;
    QTest::addRow("C5 on a landscape page") << int(C5) << true << 16300 << 22900;
}

void TestGmPageList::paperSizeTable()
{
    QFETCH(int, paper);
    QFETCH(bool, landscape);
    Document d;
    if (landscape)
        d.pages.SetOrientation(gmLandscape);
    d.layoutChanged = 0;
    d.pages.SetPaperSize(paper);
    QTEST(int(d.pages.PageWidth.Raw()), "width");
    QTEST(int(d.pages.PageHeight.Raw()), "height");
    QCOMPARE(d.layoutChanged, 1);
    QCOMPARE(int(d.pages.PaperSize()), paper);
}

void TestGmPageList::pagesAddClearReset()
{
    Document d;
    d.pages.GetPage(1)->NeedsRender = false;
    TGmPage *second = d.pages.AddPage();
    QCOMPARE(second->PageNum, 2);
    QCOMPARE(d.pages.Count(), 2);
    QVERIFY(d.pages.GetPage(1)->NeedsRender); // every page renders again
    d.pages.SetCurrentPage(2);
    d.pages.Clear();
    QCOMPARE(d.pages.Count(), 0);
    QVERIFY(d.pages.CurrentPageObject() == nullptr);
    d.pagesChanged = 0;
    d.pages.ResetPages();
    QCOMPARE(d.pages.Count(), 1);
    QCOMPARE(d.pages.CurrentPage(), 1);
    QCOMPARE(d.pagesChanged, 1);
    d.pagesChanged = 0;
    d.pages.GetPage(1)->Clear();
    QCOMPARE(d.pagesChanged, 1);
}

void TestGmPageList::pageSizeFollowsItsOrientation()
{
    Document d;
    TGmPage *page = d.pages.AddPage();
    page->SetOrientation(gmLandscape);
    QCOMPARE(page->Width(), 29700);
    QCOMPARE(page->Height(), 21000);
    QCOMPARE(d.pages.GetPage(1)->Width(), 21000);
}

void TestGmPageList::pageOrientationLaysOutOutsideUpdates()
{
    Document d;
    bool updating = true;
    d.pages.IsUpdating = [&]() { return updating; };
    d.layoutChanged = 0;
    d.pages.GetPage(1)->SetOrientation(gmLandscape);
    QCOMPARE(d.layoutChanged, 0);
    updating = false;
    d.pages.GetPage(1)->SetOrientation(gmPortrait);
    QCOMPARE(d.layoutChanged, 1);
}

void TestGmPageList::renderingIsLazy()
{
    Document d;
    TGmPage *page = d.pages.GetPage(1);
    page->RenderPage(600, 29700 / 2540.0L, 21000 / 2540.0L);
    QCOMPARE(d.pages.RenderCount(), 1);
    QVERIFY(!page->NeedsRender);
    QCOMPARE(page->ImageSize(), QSize(4961, 7016));
    QVERIFY(page->RenderTime != 0);
    page->RenderPage(600, 29700 / 2540.0L, 21000 / 2540.0L);
    QCOMPARE(d.pages.RenderCount(), 1);
    d.margins.Left.SetAsMillimetres(25); // no preview: only the owner callback
    page->MarkChanged();
    page->RenderPage(600, 29700 / 2540.0L, 21000 / 2540.0L);
    QCOMPARE(d.pages.RenderCount(), 2);
}

void TestGmPageList::textLayerAtPrinterResolution()
{
    Document d;
    auto owned = std::make_unique<RecordingStore>();
    RecordingStore *store = owned.get();
    store->pagesWithText = {2};
    d.pages.SetTextStore(std::move(owned));
    d.pages.AddPage();
    // Header and footer at 96 dpi; text always at the printer's 600 dpi.
    for (int n : {1, 2})
        d.pages.GetPage(n)->RenderPage(96, 29700 / 2540.0L, 21000 / 2540.0L);
    QCOMPARE(store->rendered, QList<int>({2}));
    QVERIFY(d.pages.GetPage(1)->TextLayerSize().isEmpty());
    QCOMPARE(d.pages.GetPage(2)->TextLayerSize(), QSize(4961, 7016));
    QCOMPARE(d.pages.GetPage(2)->ImageSize(), QSize(794, 1123));
    QVERIFY(!d.pages.GetPage(2)->TextLayer().isNull());
    store->Clear();
    QVERIFY(d.pages.GetPage(1)->NeedsRender);
    QVERIFY(d.pages.GetPage(2)->NeedsRender);
}

QTEST_MAIN(TestGmPageList)
#include "TestGmPageList.moc"
