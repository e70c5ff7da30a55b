#include "preview/GmFakePrinterBackend.h"
#include "preview/GmMessages.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmPrinterList.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

TGmFakePrinter named(const QString &name)
{
    TGmFakePrinter p;
    p.Name = name;
    return p;
}

TGmFakePrinterBackend *installPrinters(int count, int selected)
{
    QList<TGmFakePrinter> printers;
    for (int i = 0; i < count; ++i)
        printers << named(QStringLiteral("Printer %1").arg(i + 1));
    auto backend = std::make_unique<TGmFakePrinterBackend>(printers, selected);
    TGmFakePrinterBackend *raw = backend.get();
    TGmPrinter::install(std::move(backend));
    return raw;
}

QRect inkIn(const QImage &image, const QRect &area, QRgb background)
{
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != background)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

class TestGmPrinterList : public QObject
{
    Q_OBJECT

private slots:
    void init() { GmMessages::clearRecorded(); }
    void cleanupTestCase() { TGmPrinter::release(); }

    void linkingListsThePrinters()
    {
        installPrinters(3, 1);
        TGmPreview preview;
        TGmPrinterList list;
        QCOMPARE(list.count(), 0);
        list.SetPreview(&preview);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.itemText(2), QStringLiteral("Printer 3"));
        QCOMPARE(list.currentIndex(), 1);
        QVERIFY(!list.isEditable());
        list.SetPreview(nullptr);
        QCOMPARE(list.count(), 0);
    }

    void noPrintersNoEntries()
    {
        installPrinters(0, -1);
        TGmPreview preview;
        TGmPrinterList list;
        list.SetPreview(&preview);
        QCOMPARE(list.count(), 0);
    }

    void choosingAnEntrySelectsThePrinter()
    {
        installPrinters(2, 0);
        TGmPreview preview;
        TGmPrinterList list;
        list.SetPreview(&preview);
        int printerChanges = 0;
        int listChanges = 0;
        preview.SetOnChangePrinter([&](TGmPrinter *) { ++printerChanges; });
        list.OnChange = [&](TGmPrinterList *) { ++listChanges; };

        emit list.activated(0);
        QCOMPARE(printerChanges, 0);
        QCOMPARE(listChanges, 1);

        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.currentIndex(), 1);
        QCOMPARE(preview.GmPrinter()->PrinterIndex(), 1);
        QCOMPARE(printerChanges, 1);
        QCOMPARE(listChanges, 2);
    }

    // Printers known to the list while the printer object has none selected:
    // the printer says so and the list keeps no selection.
    void choosingWithoutSelectedPrinter()
    {
        installPrinters(2, -1);
        TGmPreview preview;
        TGmPrinterList list;
        list.SetPreview(&preview);
        QCOMPARE(list.count(), 2);
        list.setCurrentIndex(1);
        emit list.activated(1);
        QCOMPARE(GmMessages::recorded(), QStringList{"TApplication Error...\n\nNo printer selected"});
        QCOMPARE(preview.GmPrinter()->PrinterIndex(), -1);
        QCOMPARE(list.currentIndex(), -1);
    }

    void entryDrawing_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("offset");
        QTest::addRow("16 high") << 16 << 0;
        QTest::addRow("20 high") << 20 << 2;
        QTest::addRow("25 high") << 25 << 4;
    }
    void entryDrawing()
    {
        QFETCH(int, height);
        QFETCH(int, offset);
        installPrinters(1, 0);
        TGmPreview preview;
        TGmPrinterList list;
        list.SetPreview(&preview);
        list.SetItemHeight(height);
        QCOMPARE(list.PrinterPicture().size(), QSize(16, 16));

        QImage picture(16, 16, QImage::Format_RGB32);
        const QRgb background = list.palette().color(QPalette::Base).rgb();
        picture.fill(background);
        {
            QPainter painter(&picture);
            painter.drawPixmap(0, 0, list.PrinterPicture());
        }
        const QRect pictureInk = inkIn(picture, picture.rect(), background);
        QVERIFY(!pictureInk.isNull());

        const int top = 7;
        QImage image(200, top + height, QImage::Format_RGB32);
        image.fill(qRgb(1, 2, 3));
        {
            QPainter painter(&image);
            list.DrawItem(&painter, 0, QRect(0, top, 200, height), false);
        }
        QCOMPARE(inkIn(image, QRect(0, 0, 200, top), qRgb(1, 2, 3)), QRect());
        QCOMPARE(inkIn(image, QRect(0, top, 20, height), background), pictureInk.translated(3, top + offset));
        const QRect textInk = inkIn(image, QRect(20, top, 180, height), background);
        QVERIFY(!textInk.isNull());
        QVERIFY(textInk.left() >= 22);
        QVERIFY(textInk.top() >= top + offset);
    }
};

QTEST_MAIN(TestGmPrinterList)
#include "TestGmPrinterList.moc"
