#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMessages.h"
#include "preview/GmPrinter.h"
#include "preview/GmQtPrinterBackend.h"

#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

TGmFakePrinter colourPrinter()
{
    TGmFakePrinter p;
    p.Name = QStringLiteral("Colour 600");
    p.Defaults.ColorSupported = true;
    p.Defaults.QualitySupported = true;
    p.Defaults.Color = 2;
    return p;
}

TGmFakePrinter draftPrinter()
{
    TGmFakePrinter p;
    p.Name = QStringLiteral("Draft 300");
    p.DpiX = 300;
    p.DpiY = 300;
    p.Physical = QSize(2480, 3508);
    p.PrintableHeight = 3408;
    p.Offset = QPoint(50, 50);
    p.Defaults.Duplex = 2;
    p.Defaults.DitherType = 3;
    return p;
}

struct Fixture
{
    TGmFakePrinterBackend *backend;
    std::unique_ptr<TGmPrinter> printer;
};

Fixture makePrinter(QList<TGmFakePrinter> printers, int selected = 0)
{
    auto backend = std::make_unique<TGmFakePrinterBackend>(std::move(printers), selected);
    Fixture f{backend.get(), nullptr};
    f.printer = std::make_unique<TGmPrinter>(std::move(backend));
    return f;
}

} // namespace

class TestGmPrinter : public QObject
{
    Q_OBJECT

private slots:
    void init() { GmMessages::clearRecorded(); }

    void withoutPrinterEverythingIsNeutral();
    void creationSwitchesToMonochrome();
    void resolutionIsCachedAndRefreshed();
    void printerMargins();
    void printerIndex();
    void deviceModeMapping_data();
    void deviceModeMapping();
    void settingsNeedALockableDeviceMode();
    void colourAndQualityNeedSupport();
    void jobsAndSheets();
    void assignCopiesSettings();
    void processPrinterIsReplaceable();
    void destroyedPrintDialogIsForgotten();
    void builtInPdfPrinter();
};

void TestGmPrinter::withoutPrinterEverythingIsNeutral()
{
    Fixture f = makePrinter({});
    TGmPrinter &p = *f.printer;
    QVERIFY(!p.HasPrinter());
    QVERIFY(!p.PrintersInstalled());
    QCOMPARE(p.PixelsPerInchX(), 360);
    QCOMPARE(p.PixelsPerInchY(), 360);
    QCOMPARE(p.PrintCopies(), 0);
    QCOMPARE(p.Title(), QString());
    QCOMPARE(p.PrinterIndex(), -1);
    QCOMPARE(p.PhysicalOffset(), QPoint(0, 0));
    QCOMPARE(p.PrinterOrientation(), gmPortrait);
    QCOMPARE(p.DitherType(), gmNone);
    QCOMPARE(p.Duplex(), gmSimplex);
    QVERIFY(!p.SupportsColor());
    QCOMPARE(p.PhysicalWidth()->Raw(), 0);
    QCOMPARE(p.PrinterMargin(3)->Raw(), 0);
    QVERIFY(p.PrinterHandle() == nullptr);
    QVERIFY(p.Canvas() == nullptr);
    QVERIFY(GmMessages::recorded().isEmpty());

    QVERIFY(!p.BeginDoc());
    QVERIFY(!p.Printing());
    p.SetPrinterIndex(0);
    QCOMPARE(GmMessages::recorded(), QStringList({"TApplication Error...\n\nNo printer selected",
                                                  "TApplication Error...\n\nNo printer selected"}));
}

void TestGmPrinter::creationSwitchesToMonochrome()
{
    Fixture f = makePrinter({colourPrinter()});
    QVERIFY(f.printer->HasPrinter());
    QCOMPARE(f.printer->PrintColor(), gmMonochrome);
    QCOMPARE(f.backend->deviceMode().Color, 1);
    QCOMPARE(f.printer->PrintQuality(), gmMedium);
    QCOMPARE(f.printer->Title(), QStringLiteral("<document>"));
    QVERIFY(f.printer->ShowPrintDialog());
    QVERIFY(!f.printer->Printing());
}

void TestGmPrinter::resolutionIsCachedAndRefreshed()
{
    Fixture f = makePrinter({colourPrinter(), draftPrinter()});
    QCOMPARE(f.printer->PixelsPerInchX(), 600);
    QCOMPARE(f.printer->PixelsPerInchX(), 600);
    f.printer->SetPrinterIndex(1);
    QCOMPARE(f.printer->PixelsPerInchX(), 300);
    QCOMPARE(f.printer->PixelsPerInchY(), 300);
    QCOMPARE(f.printer->ToPrinterPixels(QPoint(2540, 21000)), QPoint(300, 2480));
}

void TestGmPrinter::printerMargins()
{
    TGmFakePrinter p;
    p.Physical = QSize(4960, 7016);
    p.PrintableHeight = 6816;
    p.Offset = QPoint(120, 100);
    Fixture f = makePrinter({p});
    QCOMPARE(f.printer->PrinterMargin(3)->Raw(), 423);
    QCOMPARE(f.printer->PrinterMargin(0)->Raw(), 508);
    QCOMPARE(f.printer->PrinterMargin(2)->Raw(), f.printer->PrinterMargin(0)->Raw());
    QCOMPARE(f.printer->PrinterMargin(1)->Raw(), 423);
    QCOMPARE(f.printer->PhysicalWidth()->Raw(), 20997);
    QCOMPARE(f.printer->PhysicalHeight()->Raw(), 29701);
    QCOMPARE(f.printer->PrintableHeight()->Raw(), 28854);
    // The queries share one scratch value.
    QCOMPARE(f.printer->PhysicalWidth(), f.printer->PrinterMargin(1));
    TGmValueRect *margins = f.printer->PrinterMargins();
    QCOMPARE(margins->Left.Raw(), 508);
    QCOMPARE(margins->Top.Raw(), 423);
    QCOMPARE(margins->Right.Raw(), 508);
    QCOMPARE(margins->Bottom.Raw(), 423);
}

void TestGmPrinter::printerIndex()
{
    Fixture f = makePrinter({colourPrinter(), draftPrinter()});
    int changes = 0;
    f.printer->OnChangePrinter = [&](TGmPrinter *) { ++changes; };
    f.printer->SetPrintColor(gmColor);
    QCOMPARE(f.backend->deviceMode(0).Color, 2);

    f.printer->SetPrinterIndex(0);
    QCOMPARE(changes, 0);
    f.printer->SetPrinterIndex(7);
    QCOMPARE(changes, 0);
    QCOMPARE(f.printer->PrinterIndex(), 0);

    f.backend->deviceMode(1).DitherType = 4; // changed earlier, defaults come back on selection
    f.printer->SetPrinterIndex(1);
    QCOMPARE(changes, 1);
    QCOMPARE(f.printer->PrinterIndex(), 1);
    QCOMPARE(f.printer->DitherType(), gmFine);
    QCOMPARE(f.printer->Duplex(), gmVertDuplex);
    // Stored settings stay as they were and are not written to the new printer.
    QCOMPARE(f.printer->PrintColor(), gmColor);
    QCOMPARE(f.backend->deviceMode(1).Color, 1);
    QVERIFY(GmMessages::recorded().isEmpty());
}

void TestGmPrinter::deviceModeMapping_data()
{
    QTest::addColumn<int>("dither");
    QTest::addColumn<int>("ditherCode");
    QTest::addColumn<int>("duplex");
    QTest::addColumn<int>("duplexCode");
    QTest::addRow("none, simplex") << int(gmNone) << 1 << int(gmSimplex) << 1;
    QTest::addRow("coarse, horizontal") << int(gmCourse) << 2 << int(gmHorzDuplex) << 3;
    QTest::addRow("fine, vertical") << int(gmFine) << 3 << int(gmVertDuplex) << 2;
    QTest::addRow("line art") << int(gmLineArt) << 4 << int(gmSimplex) << 1;
    QTest::addRow("grey scale") << int(gmGrayScale) << 10 << int(gmSimplex) << 1;
}

void TestGmPrinter::deviceModeMapping()
{
    QFETCH(int, dither);
    QFETCH(int, duplex);
    Fixture f = makePrinter({colourPrinter()});
    f.printer->SetDitherType(TGmDitherType(dither));
    f.printer->SetDuplex(TGmDuplexType(duplex));
    QTEST(f.backend->deviceMode().DitherType, "ditherCode");
    QTEST(f.backend->deviceMode().Duplex, "duplexCode");
    QCOMPARE(int(f.printer->DitherType()), dither);
    QCOMPARE(int(f.printer->Duplex()), duplex);
    // Unknown codes read back as the neutral value.
    f.backend->deviceMode().DitherType = 7;
    f.backend->deviceMode().Duplex = 9;
    QCOMPARE(f.printer->DitherType(), gmNone);
    QCOMPARE(f.printer->Duplex(), gmSimplex);
}

void TestGmPrinter::settingsNeedALockableDeviceMode()
{
    Fixture f = makePrinter({colourPrinter()});
    f.backend->setLockable(false);
    f.printer->SetDitherType(gmGrayScale);
    f.printer->SetPrintColor(gmColor);
    f.printer->SetPrintQuality(gmHigh);
    f.backend->setLockable(true);
    QCOMPARE(f.backend->deviceMode().DitherType, 0);
    QCOMPARE(f.printer->PrintColor(), gmMonochrome);
    QCOMPARE(f.printer->PrintQuality(), gmMedium);
    QCOMPARE(f.backend->deviceMode().Color, 1);
}

void TestGmPrinter::colourAndQualityNeedSupport()
{
    Fixture f = makePrinter({draftPrinter()}); // supports neither
    f.printer->SetPrintColor(gmColor);
    QCOMPARE(f.printer->PrintColor(), gmColor); // stored anyway
    QCOMPARE(f.backend->deviceMode().Color, 1);
    f.printer->SetPrintQuality(gmHigh);
    QCOMPARE(f.printer->PrintQuality(), gmMedium);
    QCOMPARE(f.backend->deviceMode().PrintQuality, -3);

    Fixture c = makePrinter({colourPrinter()});
    c.printer->SetPrintColor(gmColor);
    c.printer->SetPrintQuality(gmDraft);
    QCOMPARE(c.backend->deviceMode().Color, 2);
    QCOMPARE(c.backend->deviceMode().PrintQuality, -1);
    QCOMPARE(c.printer->PrintQuality(), gmDraft);
    QVERIFY(c.printer->SupportsColor());
}

void TestGmPrinter::jobsAndSheets()
{
    Fixture f = makePrinter({colourPrinter()});
    TGmPrinter &p = *f.printer;
    p.SetTitle(QStringLiteral("Pancakes"));
    p.SetPrintCopies(2);
    p.NewSheet(gmLandscape); // no job: nothing
    QVERIFY(f.backend->jobs().isEmpty());
    QVERIFY(p.BeginDoc());
    QVERIFY(p.Printing());
    QVERIFY(p.Canvas() != nullptr);
    p.SetTitle(QStringLiteral("ignored while printing"));
    QCOMPARE(p.Title(), QStringLiteral("Pancakes"));

    QVERIFY(!p.BeginDoc());
    QCOMPARE(GmMessages::recorded(),
             QStringList({"TApplication Error...\n\nUnable to initialise printer... Printing in progress."}));
    QCOMPARE(f.backend->jobs().size(), 1);
    QVERIFY(p.Printing());

    p.NewSheet(gmLandscape);
    QVERIFY(f.backend->deviceMode().OrientationSet);
    QCOMPARE(p.PrinterOrientation(), gmLandscape);
    p.NewSheet(gmPortrait);
    p.EndDoc();
    QVERIFY(!p.Printing());
    QVERIFY(p.Canvas() == nullptr);
    p.EndDoc();

    const auto &job = f.backend->jobs().first();
    QCOMPARE(job.Title, QStringLiteral("Pancakes"));
    QCOMPARE(job.Copies, 2);
    QVERIFY(job.Ended);
    QCOMPARE(job.Sheets.size(), 3);
    QCOMPARE(job.Sheets[0].Landscape, false);
    QCOMPARE(job.Sheets[1].Landscape, true);
    QCOMPARE(job.Sheets[2].Landscape, false);
}

void TestGmPrinter::assignCopiesSettings()
{
    Fixture a = makePrinter({colourPrinter()});
    Fixture b = makePrinter({colourPrinter()});
    a.printer->SetDitherType(gmLineArt);
    a.printer->SetDuplex(gmHorzDuplex);
    a.printer->SetPrintColor(gmColor);
    a.printer->SetPrintQuality(gmHigh);
    b.printer->Assign(a.printer.get());
    QCOMPARE(b.printer->DitherType(), gmLineArt);
    QCOMPARE(b.printer->Duplex(), gmHorzDuplex);
    QCOMPARE(b.printer->PrintColor(), gmColor);
    QCOMPARE(b.printer->PrintQuality(), gmHigh);
    QCOMPARE(b.backend->deviceMode().Color, 2);
}

void TestGmPrinter::processPrinterIsReplaceable()
{
    TGmPrinter *installed = TGmPrinter::install(TGmFakePrinterBackend::withOnePrinter());
    QCOMPARE(TGmPrinter::instance(), installed);
    QCOMPARE(installed->PixelsPerInchX(), 600);
    TGmPrinter::release();
}

void TestGmPrinter::destroyedPrintDialogIsForgotten()
{
    Fixture f = makePrinter({colourPrinter()});
    auto *dialog = new QPrintDialog;
    f.printer->SetPrintDialog(dialog);
    QCOMPARE(f.printer->PrintDialog(), dialog);
    delete dialog;
    QVERIFY(f.printer->PrintDialog() == nullptr);
}

void TestGmPrinter::builtInPdfPrinter()
{
    auto owned = std::make_unique<TGmQtPrinterBackend>();
    TGmQtPrinterBackend *backend = owned.get();
    const QStringList names = backend->printerNames();
    QCOMPARE(names.last(), QStringLiteral("PDF file"));
    TGmPrinter printer(std::move(owned));
    QVERIFY(printer.HasPrinter());
    printer.SetPrinterIndex(names.size() - 1);
    QVERIFY(backend->pdfSelected());
    QCOMPARE(printer.PixelsPerInchX(), 600);
    QCOMPARE(backend->physicalSize(), QSize(4961, 7016));
    QCOMPARE(printer.PhysicalOffset(), QPoint(0, 0));
    QCOMPARE(printer.PrinterMargin(3)->Raw(), 0);

    // Without a file name the job cannot start, and that is reported.
    QVERIFY(!printer.BeginDoc());
    QVERIFY(!printer.Printing());
    QCOMPARE(GmMessages::recorded().size(), 1);

    QTemporaryDir dir;
    backend->setPdfFileName(dir.filePath("out.pdf"));
    QVERIFY(printer.BeginDoc());
    printer.Canvas()->drawText(600, 600, QStringLiteral("Sheet one"));
    printer.NewSheet(gmLandscape);
    printer.Canvas()->drawText(600, 600, QStringLiteral("Sheet two"));
    printer.EndDoc();
    QFile pdf(dir.filePath("out.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray data = pdf.readAll();
    QVERIFY(data.startsWith("%PDF"));
    QCOMPARE(data.count("/Type /Page\n") + data.count("/Type /Page "), 2);
}

QTEST_MAIN(TestGmPrinter)
#include "TestGmPrinter.moc"
