#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>

namespace {

TGmFont sized(int points)
{
    TGmFont f;
    f.Name = QStringLiteral("DejaVu Sans");
    f.Size = points;
    return f;
}

// Columns and rows of an image that hold non-white pixels.
QRect inkBounds(const QImage &image, const QRect &area)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != Qt::white)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

} // namespace

class TestGmHeaderFooter : public QObject
{
    Q_OBJECT

private slots:
    void expandTokens_data();
    void expandTokens();
    void dateAndTimeTokens();
    void largestFont_data();
    void largestFont();
    void heightIsZeroWhenInvisible();
    void captionNotifications();
    void headerFooterNotifications();
    void marginsNotifyAndAssign();
    void headerDrawsOnItsBottom();
    void footerDrawsFromItsTop();
};

void TestGmHeaderFooter::expandTokens_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("expected");
    QTest::addRow("page of pages") << "Page {PAGE} of {NUMPAGES}" << 2 << 5 << "Page 2 of 5";
    QTest::addRow("twice") << "{PAGE}{PAGE}" << 3 << 3 << "33";
    QTest::addRow("lower case stays") << "{date} {page}" << 1 << 1 << "{date} {page}";
    QTest::addRow("no tokens") << "Pancakes" << 1 << 1 << "Pancakes";
    QTest::addRow("nested braces") << "{{PAGE}}" << 7 << 9 << "{7}";
    QTest::addRow("empty") << "" << 1 << 1 << "";
}

void TestGmHeaderFooter::expandTokens()
{
    QFETCH(QString, text);
    QFETCH(int, page);
    QFETCH(int, pages);
    QTEST(GmExpandTokens(text, page, pages), "expected");
}

void TestGmHeaderFooter::dateAndTimeTokens()
{
    const QString expanded = GmExpandTokens(QStringLiteral("{DATE} {TIME} {DATE}"), 1, 1);
    const QString month = QLocale().monthName(QDate::currentDate().month(), QLocale::ShortFormat);
    const QRegularExpression form(QStringLiteral("^(\\d\\d)-(.+)-(\\d{4}) (\\d\\d):(\\d\\d) \\1-\\2-\\3$"));
    const QRegularExpressionMatch m = form.match(expanded);
    QVERIFY2(m.hasMatch(), qPrintable(expanded));
    QCOMPARE(m.captured(2), month);
    QCOMPARE(m.captured(1).toInt(), QDate::currentDate().day());
}

void TestGmHeaderFooter::largestFont_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("center");
    QTest::addColumn<int>("right");
    QTest::addColumn<QString>("expected");
    QTest::addRow("all equal keep the left") << 12 << 12 << 12 << "left";
    QTest::addRow("right larger") << 12 << 12 << 14 << "right";
    QTest::addRow("centre larger") << 10 << 14 << 12 << "center";
    QTest::addRow("centre and right equal keep centre") << 10 << 14 << 14 << "center";
    QTest::addRow("left largest") << 20 << 14 << 16 << "left";
}

void TestGmHeaderFooter::largestFont()
{
    QFETCH(int, left);
    QFETCH(int, center);
    QFETCH(int, right);
    QFETCH(QString, expected);
    TGmHeader header;
    TGmFont l = sized(left), c = sized(center), r = sized(right);
    l.Color = 1;
    c.Color = 2;
    r.Color = 3;
    header.CaptionLeft()->SetFont(l);
    header.CaptionCenter()->SetFont(c);
    header.CaptionRight()->SetFont(r);
    const int colour = expected == "left" ? 1 : expected == "center" ? 2 : 3;
    QCOMPARE(header.LargestFont().Color, colour);
}

void TestGmHeaderFooter::heightIsZeroWhenInvisible()
{
    TGmFooter footer;
    footer.CaptionRight()->SetFont(sized(14));
    QCOMPARE(footer.Height()->Raw(), 0);
    footer.SetVisible(true);
    const QFontMetrics metrics(sized(14).toQFont(96));
    TGmValue expected;
    expected.SetAsPixels(96, metrics.ascent() + metrics.descent());
    QCOMPARE(footer.Height()->Raw(), expected.Raw());
    QVERIFY(expected.Raw() > 400); // 14 points is about 5 mm of cell
}

void TestGmHeaderFooter::captionNotifications()
{
    TGmHeaderFooterCaption caption;
    QCOMPARE(caption.Font().Name, QStringLiteral("Arial"));
    QCOMPARE(caption.Font().Size, 12);
    int fired = 0;
    caption.OnChange = [&]() { ++fired; };
    caption.SetCaption(QString());
    QCOMPARE(fired, 0);
    caption.SetCaption(QStringLiteral("Page {PAGE}"));
    caption.SetCaption(QStringLiteral("Page {PAGE}"));
    QCOMPARE(fired, 1);
    caption.SetFont(caption.Font());
    QCOMPARE(fired, 2);
    TGmHeaderFooterCaption other;
    other.Assign(&caption);
    QCOMPARE(other.Caption(), QStringLiteral("Page {PAGE}"));
    QCOMPARE(fired, 2);
}

void TestGmHeaderFooter::headerFooterNotifications()
{
    TGmHeader header;
    QVERIFY(header.ShowLine());
    QVERIFY(!header.Visible());
    int fired = 0;
    header.OnChange = [&]() { ++fired; };
    header.SetShowLine(true);
    header.SetVisible(false);
    QCOMPARE(fired, 0);
    header.SetVisible(true);
    header.SetShowLine(false);
    header.CaptionCenter()->SetCaption(QStringLiteral("x"));
    header.SetPen(QPen(Qt::red));
    QCOMPARE(fired, 4);
    TGmHeader copy;
    int copied = 0;
    copy.OnChange = [&]() { ++copied; };
    copy.Assign(&header);
    QCOMPARE(copied, 0);
    QVERIFY(copy.Visible());
    QVERIFY(!copy.ShowLine());
    QCOMPARE(copy.CaptionCenter()->Caption(), QStringLiteral("x"));
    QCOMPARE(copy.Pen().color(), QColor(Qt::red));
}

void TestGmHeaderFooter::marginsNotifyAndAssign()
{
    TGmMargins margins;
    QCOMPARE(margins.Left.Raw(), 1905);
    QCOMPARE(margins.Bottom.Raw(), 1905);
    QCOMPARE(margins.Pen().color(), QColor(192, 192, 192));
    QCOMPARE(margins.Pen().style(), Qt::DotLine);
    QCOMPARE(margins.PrinterMarginPen(), margins.Pen());
    QVERIFY(!margins.Visible());
    QVERIFY(!margins.ShowPrinterMargins());
    int fired = 0;
    margins.OnChange = [&]() { ++fired; };
    margins.Left.SetAsMillimetres(25);
    QCOMPARE(fired, 1);
    margins.SetShowPrinterMargins(false);
    QCOMPARE(fired, 1);
    margins.SetVisible(true); // only repaints
    QCOMPARE(fired, 1);

    TGmMargins source;
    source.Left.SetRaw(1000);
    source.Top.SetRaw(2000);
    source.Right.SetRaw(3000);
    source.Bottom.SetRaw(4000);
    source.SetShowPrinterMargins(true);
    source.SetPen(QPen(Qt::blue));
    fired = 0;
    margins.Assign(&source);
    QCOMPARE(fired, 1);
    QCOMPARE(margins.Left.Raw() + margins.Top.Raw() + margins.Right.Raw() + margins.Bottom.Raw(), 10000);
    QVERIFY(!margins.Visible());
    QVERIFY(margins.ShowPrinterMargins());
    QCOMPARE(margins.Pen().color(), QColor(Qt::blue));
}

void TestGmHeaderFooter::headerDrawsOnItsBottom()
{
    TGmHeader header;
    header.SetVisible(true);
    for (auto *c : {header.CaptionLeft(), header.CaptionCenter(), header.CaptionRight()}) {
        c->SetFont(sized(12));
        c->SetCaption(QStringLiteral("Page {PAGE}"));
    }
    QImage image(800, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRect rect(QPoint(100, 50), QSize(600, 100)); // bottom at 150
    {
        QPainter p(&image);
        header.Draw(&p, 96, 4, 9, rect);
    }
    const QRect all = inkBounds(image, image.rect());
    QCOMPARE(all.bottom(), 150); // the rule line
    QCOMPARE(all.left(), 100);
    QCOMPARE(all.right(), 700);
    const QRect text = inkBounds(image, QRect(0, 0, 800, 150));
    QVERIFY(text.top() > 120); // standing on the line, not at the top of the rectangle
    const QRect middle = inkBounds(image, QRect(300, 0, 200, 150));
    QVERIFY(middle.isValid()); // the centred caption
    const QRect leftOfCentre = inkBounds(image, QRect(240, 0, 60, 150));
    QVERIFY(!leftOfCentre.isValid());
}

void TestGmHeaderFooter::footerDrawsFromItsTop()
{
    TGmFooter footer;
    footer.SetVisible(true);
    footer.SetShowLine(false);
    footer.CaptionRight()->SetFont(sized(12));
    footer.CaptionRight()->SetCaption(QStringLiteral("{NUMPAGES}"));
    QImage image(800, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        footer.Draw(&p, 96, 1, 12, QRect(QPoint(100, 50), QSize(600, 100)));
    }
    const QRect ink = inkBounds(image, image.rect());
    QVERIFY(ink.isValid());
    QVERIFY(ink.top() >= 50 && ink.top() < 60);
    QVERIFY(ink.right() <= 700 && ink.right() > 690);
    QVERIFY(ink.left() > 650);
}

QTEST_MAIN(TestGmHeaderFooter)
#include "TestGmHeaderFooter.moc"
