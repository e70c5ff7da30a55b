#include "preview/GmFakePrinterBackend.h"
#include "preview/GmFont.h"
#include "preview/GmPreview.h"
#include "preview/GmPrinter.h"
#include "preview/GmRtfInformation.h"
#include "preview/GmRtfPreview.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QtTest>

// Fonts of the page engine whatever name the settings hold: a page that
// records text in them must draw.
class TestGmFont : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { TGmPrinter::release(); }

    void everyNameRecordsIntoAPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addRow("empty") << QString();
        QTest::addRow("blanks") << QStringLiteral("   ");
        QTest::addRow("installed") << QStringLiteral("DejaVu Sans");
        QTest::addRow("unknown") << QStringLiteral("No Such Font");
    }
    void everyNameRecordsIntoAPicture()
    {
        QFETCH(QString, name);
        TGmFont font;
        font.Name = name;
        const QFont qfont = font.toQFont(600);
        QVERIFY(!qfont.family().trimmed().isEmpty());
        QCOMPARE(qfont.pixelSize(), 100);
        if (!name.trimmed().isEmpty())
            QCOMPARE(qfont.family(), name);

        QPicture picture;
        {
            QPainter painter(&picture);
            painter.setFont(qfont);
            painter.drawText(QPoint(10, 200), QStringLiteral("1,5 dl milk"));
        }
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            picture.play(&painter);
        }
        bool inked = false;
        for (int y = 0; y < image.height() && !inked; ++y) {
            for (int x = 0; x < image.width() && !inked; ++x)
                inked = image.pixel(x, y) != qRgb(255, 255, 255);
        }
        QVERIFY2(inked, "the recorded text did not draw");
    }

    // An empty FontName setting reaches the preview as an empty font name.
    void textFlowsInANamelessFont()
    {
        TGmPrinter::install(TGmFakePrinterBackend::withOnePrinter());
        TGmPreview preview;
        TGmRtfPreview rtf;
        rtf.SetPreview(&preview);
        TGmFont font;
        font.Name = QString();
        font.Size = 10;
        rtf.SetTextFileFont(font);
        rtf.LoadFromText(QStringLiteral("Pea soup\n1,5 dl milk\n2 eggs\n").repeated(200));
        TGmRtfInformation *store = TGmRtfPreview::textStoreOf(&preview);
        QVERIFY(store->Count() >= 2);
        QCOMPARE(store->Items(0).StartChar, 0);
    }
};

QTEST_MAIN(TestGmFont)
#include "TestGmFont.moc"
