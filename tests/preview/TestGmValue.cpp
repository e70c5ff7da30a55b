#include "preview/GmDrawing.h"
#include "preview/GmFont.h"
#include "preview/GmMessages.h"
#include "preview/GmValue.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

class TestGmValue : public QObject
{
    Q_OBJECT

private slots:
    void init() { GmMessages::clearRecorded(); }

    void rounding_data();
    void rounding();
    void setters_data();
    void setters();
    void readers_data();
    void readers();
    void convertValue_data();
    void convertValue();
    void notifications();
    void valueRect();
    void shadowNotifiesOnlyOnChange();
    void scaleAndShift();
    void engineErrorText();
    void printTextOutInk_data();
    void printTextOutInk();
};

void TestGmValue::rounding_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("nearest");
    QTest::addColumn<int>("truncated");
    QTest::addRow("2.5") << 2.5 << 2 << 2;
    QTest::addRow("3.5") << 3.5 << 4 << 3;
    QTest::addRow("-2.5") << -2.5 << -2 << -2;
    QTest::addRow("-3.7") << -3.7 << -4 << -3;
    QTest::addRow("0.49") << 0.49 << 0 << 0;
    QTest::addRow("huge clamps") << 1e12 << std::numeric_limits<int>::max() << std::numeric_limits<int>::max();
}

void TestGmValue::rounding()
{
    QFETCH(double, x);
    QTEST(int(gmNearest(x)), "nearest");
    QTEST(int(gmTruncate(x)), "truncated");
}

void TestGmValue::setters_data()
{
    QTest::addColumn<QString>("setter");
    QTest::addColumn<double>("input");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("stored");
    QTest::addRow("pixels 600 at 600") << "pixels" << 600.0 << 600 << 2540;
    QTest::addRow("pixels 100 at 600") << "pixels" << 100.0 << 600 << 423;
    QTest::addRow("pixels at 0 dpi") << "pixels" << 100.0 << 0 << 0;
    QTest::addRow("pixels large, no wrap") << "pixels" << 1000000.0 << 600 << 4233333;
    QTest::addRow("inches 0.75") << "inches" << 0.75 << 0 << 1905;
    QTest::addRow("inches 1") << "inches" << 1.0 << 0 << 2540;
    QTest::addRow("mm 25") << "mm" << 25.0 << 0 << 2500;
    QTest::addRow("mm 210") << "mm" << 210.0 << 0 << 21000;
    QTest::addRow("mm 0.125 half to even") << "mm" << 0.125 << 0 << 12;
    QTest::addRow("mm 0.375 half to even") << "mm" << 0.375 << 0 << 38;
    QTest::addRow("twips 1440") << "twips" << 1440.0 << 0 << 2540;
    QTest::addRow("twips 11906") << "twips" << 11906.0 << 0 << 21001;
}

void TestGmValue::setters()
{
    QFETCH(QString, setter);
    QFETCH(double, input);
    QFETCH(int, dpi);
    TGmValue v;
    if (setter == "pixels")
        v.SetAsPixels(dpi, int(input));
    else if (setter == "inches")
        v.SetAsInches(input);
    else if (setter == "mm")
        v.SetAsMillimetres(input);
    else
        v.SetAsTwips(input);
    QTEST(int(v.Raw()), "stored");
}

void TestGmValue::readers_data()
{
    QTest::addColumn<int>("amount");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("twips");
    QTest::addRow("one inch at 600") << 2540 << 600 << 600 << 1440;
    QTest::addRow("2541 at 300") << 2541 << 300 << 300 << 1441;
    QTest::addRow("A4 width at 600") << 21000 << 600 << 4961 << 11906;
    QTest::addRow("A4 height at 600") << 29700 << 600 << 7016 << 16838;
    QTest::addRow("negative") << -2540 << 96 << -96 << -1440;
}

void TestGmValue::readers()
{
    QFETCH(int, amount);
    QFETCH(int, dpi);
    TGmValue v(amount, {});
    QTEST(int(v.AsPixels(dpi)), "pixels");
    QTEST(int(v.AsTwips()), "twips");
    QCOMPARE(double(v.AsInches()), amount / 2540.0);
}

void TestGmValue::convertValue_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<double>("result");
    QTest::addRow("inch to hundredths") << 1.0 << 4 << 0 << 2540.0;
    QTest::addRow("hundredths to twips") << 2540.0 << 0 << 5 << 1440.0;
    QTest::addRow("unknown from is hundredths") << 2540.0 << 9 << 2 << 25.4;
    QTest::addRow("unknown to gives hundredths") << 2.0 << 3 << 7 << 2000.0;
    QTest::addRow("cm to mm") << 2.5 << 3 << 2 << 25.0;
    QTest::addRow("twips to inches") << 720.0 << 5 << 4 << 0.5;
    QTest::addRow("screen pixels round trip") << 96.0 << 1 << 1 << 96.0;
}

void TestGmValue::convertValue()
{
    QFETCH(double, x);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(double, result);
    QVERIFY(qAbs(double(ConvertValue(x, from, to)) - result) < 1e-9);
}

void TestGmValue::notifications()
{
    int fired = 0;
    TGmValue v(1905, [&](TGmValue *sender) {
        QVERIFY(sender);
        ++fired;
    });
    QCOMPARE(fired, 0); // creation fires nothing
    v.SetRaw(1905);
    QCOMPARE(fired, 1); // same amount still fires
    v.SetAsMillimetres(19.05);
    v.SetAsInches(1);
    v.SetAsTwips(1440);
    v.SetAsPixels(600, 600);
    QCOMPARE(fired, 5);
    TGmValue other(42, {});
    v.Assign(&other);
    v.Assign(nullptr);
    (void)v.AsPixels(600);
    (void)v.AsTwips();
    QCOMPARE(fired, 5);
    QCOMPARE(v.Raw(), 42);
}

void TestGmValue::valueRect()
{
    int fired = 0;
    TGmValueRect r(1, 2, 3, 4, [&](TGmValue *) { ++fired; });
    QCOMPARE(r.Left.Raw() + r.Top.Raw() * 10 + r.Right.Raw() * 100 + r.Bottom.Raw() * 1000, 4321);
    r.Bottom.SetRaw(9);
    r.Left.SetRaw(9);
    QCOMPARE(fired, 2);
    TGmValueRect source(5, 6, 7, 8, {});
    r.Assign(&source);
    QCOMPARE(fired, 2);
    QCOMPARE(r.Right.Raw(), 7);
    QCOMPARE(r.Bottom.Raw(), 8);
}

void TestGmValue::shadowNotifiesOnlyOnChange()
{
    TGmShadow s;
    QCOMPARE(s.Color(), QColor(Qt::black));
    QCOMPARE(s.Width(), 3);
    QVERIFY(s.Visible());
    int fired = 0;
    s.OnChange = [&](TGmShadow *) { ++fired; };
    s.SetColor(Qt::black);
    s.SetWidth(3);
    s.SetVisible(true);
    QCOMPARE(fired, 0);
    s.SetColor(Qt::red);
    s.SetWidth(5);
    s.SetVisible(false);
    QCOMPARE(fired, 3);
}

void TestGmValue::scaleAndShift()
{
    QCOMPARE(ScalePoint(QPoint(5, 7), 0.5), QPoint(2, 4)); // 2.5 -> 2, 3.5 -> 4
    QCOMPARE(ScalePoint(QPoint(5, 7), 0), QPoint(5, 7));
    const QRect r(QPoint(10, 20), QSize(100, 50));
    const QRect half = ScaleRect(r, 0.5);
    QCOMPARE(half.left(), 5);
    QCOMPARE(half.top(), 10);
    QCOMPARE(half.left() + half.width(), 55);
    QCOMPARE(half.top() + half.height(), 35);
    QCOMPARE(ScaleRect(r, 0), r);
    QRect shifted = r;
    ShiftRect(shifted, QPoint(10, 5));
    QCOMPARE(shifted, QRect(QPoint(0, 15), QSize(100, 50)));
}

void TestGmValue::engineErrorText()
{
    ShowEngineError(QStringLiteral("TApplication"), QStringLiteral("No printer selected"));
    QObject object;
    ShowEngineError(&object, QStringLiteral("x"));
    ShowEngineMessage(QStringLiteral("plain"));
    QCOMPARE(GmMessages::recorded(),
             QStringList({"TApplication Error...\n\nNo printer selected", "QObject Error...\n\nx", "plain"}));
}

void TestGmValue::printTextOutInk_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<bool>("asPath");
    QTest::addColumn<QColor>("expected");
    QTest::addRow("red as path") << 0x0000FF << true << QColor(Qt::red);
    QTest::addRow("blue plain") << 0xFF0000 << false << QColor(Qt::blue);
    QTest::addRow("black as path") << 0 << true << QColor(Qt::black);
    QTest::addRow("system colour becomes black") << -16777208 << true << QColor(Qt::black);
}

void TestGmValue::printTextOutInk()
{
    QFETCH(int, color);
    QFETCH(bool, asPath);
    QFETCH(QColor, expected);
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    TGmFont font;
    font.Name = QStringLiteral("DejaVu Sans");
    font.Size = 36;
    font.Bold = true;
    font.Color = color;
    {
        QPainter p(&image);
        PrintTextOut(&p, 10, 10, QStringLiteral("HHHH"), &font, nullptr, asPath, 96);
    }
    if (color < 0)
        QCOMPARE(font.Color, 0);
    int ink = 0;
    int dominant = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == Qt::white)
                continue;
            ++ink;
            if (c == expected)
                ++dominant;
            QVERIFY2(y >= 10, "text starts at the top of its cell"); // (x, y) is the cell's top-left
        }
    }
    QVERIFY(ink > 200);
    QVERIFY(dominant * 2 > ink);
}

QTEST_MAIN(TestGmValue)
#include "TestGmValue.moc"
