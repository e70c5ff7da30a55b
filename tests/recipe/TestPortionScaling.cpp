#include "recipe/PortionScaling.h"
#include "store/table/ProgramError.h"

#include <QTest>

using namespace PortionScaling;

class TestPortionScaling : public QObject
{
    Q_OBJECT

private slots:
    void formatScaledQuantity_data();
    void formatScaledQuantity();
    void roundingOnDecimalText_data();
    void roundingOnDecimalText();
    void fiveHundredthsStep_data();
    void fiveHundredthsStep();
    void invalidQuantity_data();
    void invalidQuantity();
    void divisionByZero_data();
    void divisionByZero();
    void scaleLine_data();
    void scaleLine();
    void lineErrors_data();
    void lineErrors();
    void passStoresEachScaledLineInOrder();
    void passWithFailingLineStoresNothing();
    void passWithoutQuantitiesStoresNoLine();
};

void TestPortionScaling::formatScaledQuantity_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("oldCount");
    QTest::addColumn<int>("newCount");
    QTest::addColumn<QString>("expected");

    // Worked examples of the recipe book.
    QTest::addRow("1,5 4->8") << "1,5" << 4 << 8 << "3";
    QTest::addRow("0,5 4->8") << "0,5" << 4 << 8 << "1";
    QTest::addRow("1,5 4->6") << "1,5" << 4 << 6 << "2,25";
    QTest::addRow("1 4->6 gives 1,50 then 1,5") << "1" << 4 << 6 << "1,5";
    QTest::addRow("250 4->6") << "250" << 4 << 6 << "375";
    QTest::addRow("12,5 4->6 (18,75 above ten)") << "12,5" << 4 << 6 << "19";
    QTest::addRow("7 4->6 (10,5 rounds up)") << "7" << 4 << 6 << "11";
    QTest::addRow("12,5 6->4 (8,33 stepped)") << "12,5" << 6 << 4 << "8,35";
    QTest::addRow("1 6->4 below one keeps hundredths") << "1" << 6 << 4 << "0,67";
    QTest::addRow("0,5 6->4") << "0,5" << 6 << 4 << "0,33";
    QTest::addRow("250 6->4") << "250" << 6 << 4 << "167";
    QTest::addRow("1 3->5 (1,67 stepped down)") << "1" << 3 << 5 << "1,65";
    QTest::addRow("100 3->1") << "100" << 3 << 1 << "33";
    QTest::addRow("same count normalises 1,19") << "1,19" << 4 << 4 << "1,2";
    QTest::addRow("same count whole") << "3" << 4 << 4 << "3";
    QTest::addRow("carry 4,99 1->2") << "4,99" << 1 << 2 << "10";
    QTest::addRow("carry 2,49 1->2") << "2,49" << 1 << 2 << "5";
    QTest::addRow("new count zero") << "12,5" << 4 << 0 << "0";
    QTest::addRow("zero quantity") << "0" << 4 << 6 << "0";

    // Step boundaries of the last digit.
    QTest::addRow("d=1 -> 0") << "1,21" << 1 << 1 << "1,2";
    QTest::addRow("d=2 -> 0") << "1,22" << 1 << 1 << "1,2";
    QTest::addRow("d=3 -> 5") << "1,23" << 1 << 1 << "1,25";
    QTest::addRow("d=4 -> 5") << "1,24" << 1 << 1 << "1,25";
    QTest::addRow("d=5 stays") << "1,25" << 1 << 1 << "1,25";
    QTest::addRow("d=6 -> 5") << "1,26" << 1 << 1 << "1,25";
    QTest::addRow("d=7 -> 5") << "1,27" << 1 << 1 << "1,25";
    QTest::addRow("d=8 carries") << "1,28" << 1 << 1 << "1,3";
    QTest::addRow("d=9 carries") << "1,29" << 1 << 1 << "1,3";
    QTest::addRow("carry through first decimal") << "1,98" << 1 << 1 << "2";
    QTest::addRow("carry through whole nine") << "9,99" << 1 << 1 << "10";
    QTest::addRow("exactly one is stepped") << "1,01" << 1 << 1 << "1";
    QTest::addRow("below one not stepped") << "0,99" << 1 << 1 << "0,99";
    QTest::addRow("below one trailing zero") << "0,1" << 1 << 1 << "0,1";
    QTest::addRow("below one both zero") << "0,001" << 1 << 1 << "0";
    QTest::addRow("0,995 rounds to one and stays") << "0,995" << 1 << 1 << "1";
    QTest::addRow("0,994 stays below one") << "0,994" << 1 << 1 << "0,99";
    QTest::addRow("9,995 rounds to ten") << "9,995" << 1 << 1 << "10";

    // Rounding done on the decimal text: binary doubles would round these down.
    QTest::addRow("1,125 -> 1,13 -> 1,15") << "1,125" << 1 << 1 << "1,15";
    QTest::addRow("0,125 -> 0,13") << "0,125" << 1 << 1 << "0,13";
    QTest::addRow("0,005 -> 0,01") << "0,005" << 1 << 1 << "0,01";
    QTest::addRow("0,004 -> 0") << "0,004" << 1 << 1 << "0";
    QTest::addRow("1,005 -> 1,01 -> 1") << "1,005" << 1 << 1 << "1";
    QTest::addRow("0,145 -> 0,15") << "0,145" << 1 << 1 << "0,15";

    // The ten threshold is taken on the unrounded product.
    QTest::addRow("just below ten") << "9,9999" << 1 << 1 << "10";
    QTest::addRow("ten exactly") << "10" << 1 << 1 << "10";
    QTest::addRow("10,5 half up") << "10,5" << 1 << 1 << "11";
    QTest::addRow("10,4999 down") << "10,4999" << 1 << 1 << "10";
    QTest::addRow("99,5 up") << "99,5" << 1 << 1 << "100";
    QTest::addRow("above ten no decimals") << "10,25" << 1 << 1 << "10";

    // Four decimals are kept when the quantity is read.
    QTest::addRow("fifth decimal rounds the fourth") << "0,00005" << 1 << 100 << "0,01";
    QTest::addRow("fifth decimal below half") << "0,00004" << 1 << 100 << "0";
    QTest::addRow("leading comma") << ",5" << 1 << 2 << "1";
    QTest::addRow("trailing comma") << "5," << 1 << 2 << "10";
    QTest::addRow("leading zeros") << "0003" << 1 << 2 << "6";
    QTest::addRow("large value keeps all digits") << "123456789012" << 1 << 10 << "1234567890120";
    QTest::addRow("division before multiplication") << "1" << 3 << 3 << "1";
    QTest::addRow("fifteen digits 1/3*99") << "1" << 3 << 99 << "33";
}

void TestPortionScaling::formatScaledQuantity()
{
    QFETCH(QString, text);
    QFETCH(int, oldCount);
    QFETCH(int, newCount);
    QFETCH(QString, expected);
    QCOMPARE(FormatScaledQuantity(text, oldCount, newCount), expected);
}

void TestPortionScaling::roundingOnDecimalText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    QTest::addRow("1,125") << "1,125" << 2 << "1,13";
    QTest::addRow("0,333333333333333") << "0,333333333333333" << 2 << "0,33";
    QTest::addRow("pads to two") << "0,5" << 2 << "0,50";
    QTest::addRow("carry into whole") << "0,995" << 2 << "1,00";
    QTest::addRow("carry adds a digit") << "9,995" << 2 << "10,00";
    QTest::addRow("18,75 whole") << "18,75" << 0 << "19";
    QTest::addRow("10,5 whole") << "10,5" << 0 << "11";
    QTest::addRow("10,49 whole") << "10,49" << 0 << "10";
    QTest::addRow("99,5 whole") << "99,5" << 0 << "100";
    QTest::addRow("no comma") << "7" << 2 << "7,00";
}

void TestPortionScaling::roundingOnDecimalText()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(roundHalfUp(text, decimals), expected);
}

void TestPortionScaling::fiveHundredthsStep_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stepped");
    QTest::addColumn<QString>("final");

    QTest::addRow("1,33") << "1,33"
                          << "1,35"
                          << "1,35";
    QTest::addRow("1,67") << "1,67"
                          << "1,65"
                          << "1,65";
    QTest::addRow("2,98") << "2,98"
                          << "3,00"
                          << "3";
    QTest::addRow("9,98") << "9,98"
                          << "10,00"
                          << "10";
    QTest::addRow("1,50") << "1,50"
                          << "1,50"
                          << "1,5";
    QTest::addRow("below one unchanged") << "0,33"
                                         << "0,33"
                                         << "0,33";
    QTest::addRow("0,13 unchanged") << "0,13"
                                    << "0,13"
                                    << "0,13";
    QTest::addRow("0,10") << "0,10"
                          << "0,10"
                          << "0,1";
    QTest::addRow("0,00") << "0,00"
                          << "0,00"
                          << "0";
    QTest::addRow("single digit") << "7"
                                  << "7"
                                  << "7";
    QTest::addRow("carry 8,99") << "8,99"
                                << "9,00"
                                << "9";
}

void TestPortionScaling::fiveHundredthsStep()
{
    QFETCH(QString, text);
    QFETCH(QString, stepped);
    QFETCH(QString, final);
    QCOMPARE(stepToFiveHundredths(text), stepped);
    QCOMPARE(dropTrailingZeros(stepped), final);
}

void TestPortionScaling::invalidQuantity_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("empty") << "";
    QTest::addRow("point") << "1.5";
    QTest::addRow("thousands point") << "1.000";
    QTest::addRow("two commas") << "1,2,3";
    QTest::addRow("comma only") << ",";
    QTest::addRow("letter") << "1a";
    QTest::addRow("space") << "1 ";
    QTest::addRow("too large for four decimals") << "99999999999999999999";
}

void TestPortionScaling::invalidQuantity()
{
    QFETCH(QString, text);
    try {
        FormatScaledQuantity(text, 4, 6);
        QFAIL("no error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
}

void TestPortionScaling::divisionByZero_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addRow("quantity") << "2"
                              << "Floating point division by zero";
    QTest::addRow("zero quantity") << "0,0"
                                   << "Invalid floating point operation";
}

void TestPortionScaling::divisionByZero()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        FormatScaledQuantity(text, 0, 4);
        QFAIL("no error");
    } catch (const ProgramError &e) {
        QCOMPARE(e.message(), message);
    }
}

void TestPortionScaling::scaleLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("oldCount");
    QTest::addColumn<int>("newCount");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("scaled");

    QTest::addRow("sugar 4->8") << "1,5      dl       sugar" << 4 << 8 << "3dl       sugar" << true;
    QTest::addRow("egg 4->8") << "1         pcs    egg" << 4 << 8 << "2pcs    egg" << true;
    QTest::addRow("range 4->8") << "1-2      tp       baking powder" << 4 << 8 << "2-4      tp       baking powder"
                                << true;
    QTest::addRow("no quantity") << "coarce sugar" << 4 << 8 << "coarce sugar" << false;
    QTest::addRow("salt 4->8") << "0,5 tl salt" << 4 << 8 << "1tl salt" << true;
    QTest::addRow("sugar 4->6") << "1,5      dl       sugar" << 4 << 6 << "2,25dl       sugar" << true;
    QTest::addRow("range 4->6") << "1-2      tp       baking powder" << 4 << 6 << "1,5-3      tp       baking powder"
                                << true;
    QTest::addRow("butter 4->6") << "250 g butter" << 4 << 6 << "375g butter" << true;
    QTest::addRow("yeast 4->6") << "12,5 g yeast" << 4 << 6 << "19g yeast" << true;
    QTest::addRow("water 4->6") << "7 dl water" << 4 << 6 << "11dl water" << true;
    QTest::addRow("range with spaces") << "2 - 3 dl milk" << 4 << 6 << "3-4,5 dl milk" << true;
    QTest::addRow("yeast 6->4") << "12,5 g yeast" << 6 << 4 << "8,35g yeast" << true;
    QTest::addRow("egg 6->4") << "1         pcs    egg" << 6 << 4 << "0,67pcs    egg" << true;
    QTest::addRow("egg 3->5") << "1 pcs egg" << 3 << 5 << "1,65pcs egg" << true;
    QTest::addRow("100 g 3->1") << "100 g" << 3 << 1 << "33g" << true;
    QTest::addRow("same count milk") << "1,19 dl milk" << 4 << 4 << "1,2dl milk" << true;
    QTest::addRow("same count eggs") << "3 eggs" << 4 << 4 << "3eggs" << true;
    QTest::addRow("carry milk") << "4,99 dl milk" << 1 << 2 << "10dl milk" << true;
    QTest::addRow("count zero") << "2 dl milk" << 4 << 0 << "0dl milk" << true;
    QTest::addRow("leading spaces no quantity") << "  coarce sugar" << 4 << 8 << "coarce sugar" << false;
    QTest::addRow("leading spaces quantity") << "   2 dl milk" << 4 << 8 << "4dl milk" << true;
    QTest::addRow("spaces only") << "    " << 4 << 8 << "" << false;
    QTest::addRow("leading tab") << "\t2 dl milk" << 4 << 8 << "\t2 dl milk" << false;
    QTest::addRow("tab after quantity") << "1,5\tdl" << 4 << 8 << "3\tdl" << true;
    QTest::addRow("fraction first number only") << "1/2 tl pepper" << 4 << 8 << "2/2 tl pepper" << true;
    QTest::addRow("other numbers copied") << "2 dl milk 3 %" << 4 << 8 << "4dl milk 3 %" << true;
    QTest::addRow("letter first") << "salt 2 g" << 4 << 8 << "salt 2 g" << false;
    QTest::addRow("quantity ends in comma") << "2, dl" << 4 << 8 << "2, dl" << false;
    QTest::addRow("point alone") << ". salt" << 4 << 8 << ". salt" << false;
    QTest::addRow("dash without number") << "- salt" << 4 << 8 << "- salt" << false;
    QTest::addRow("dash before number") << "-2 dl" << 4 << 8 << "-2 dl" << false;
    QTest::addRow("quantity only") << "3" << 4 << 8 << "6" << true;
    QTest::addRow("range without rest") << "1-2" << 4 << 8 << "2-4" << true;
    QTest::addRow("range spaces after second stay") << "1 -  2   dl" << 4 << 8 << "2-4   dl" << true;
    QTest::addRow("range second ends in comma") << "2-3, dl" << 4 << 8 << "4-6 dl" << true;
    QTest::addRow("range tab stays") << "1-2\tdl" << 4 << 8 << "2-4\tdl" << true;
}

void TestPortionScaling::scaleLine()
{
    QFETCH(QString, line);
    QFETCH(int, oldCount);
    QFETCH(int, newCount);
    QFETCH(QString, expected);
    QFETCH(bool, scaled);
    const LineResult result = PortionScaling::scaleLine(line, oldCount, newCount);
    QCOMPARE(result.text, expected);
    QCOMPARE(result.scaled, scaled);
}

void TestPortionScaling::lineErrors_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("oldCount");
    QTest::addColumn<QString>("message");

    QTest::addRow("point") << "1.5 dl" << 4 << "'1.5' is not a valid floating point value";
    QTest::addRow("thousands point") << "1.000 g" << 4 << "'1.000' is not a valid floating point value";
    QTest::addRow("dash at end of line") << "2-" << 4 << "'' is not a valid floating point value";
    QTest::addRow("dash then spaces at end") << "2 -   " << 4 << "'' is not a valid floating point value";
    QTest::addRow("dash then word") << "2 - dl" << 4 << "'' is not a valid floating point value";
    QTest::addRow("second quantity point") << "2-3.5 dl" << 4 << "'3.5' is not a valid floating point value";
    QTest::addRow("stored count zero") << "2 dl" << 0 << "Floating point division by zero";
    QTest::addRow("zero over zero") << "0 dl" << 0 << "Invalid floating point operation";
}

void TestPortionScaling::lineErrors()
{
    QFETCH(QString, line);
    QFETCH(int, oldCount);
    QFETCH(QString, message);
    try {
        PortionScaling::scaleLine(line, oldCount, 6);
        QFAIL("no error");
    } catch (const ProgramError &e) {
        QCOMPARE(e.message(), message);
    }
}

void TestPortionScaling::passStoresEachScaledLineInOrder()
{
    const QStringList lines {"  1,5      dl       sugar",       "",   "  coarce sugar", "1         pcs    egg", "salt",
                             "1-2      tp       baking powder", "   "};
    QList<QStringList> stored;
    const QStringList result
        = scaleIngredientLines(lines, 4, 8, [&stored](const QStringList &now) { stored.append(now); });

    const QStringList expected {
        "3dl       sugar", "", "coarce sugar", "2pcs    egg", "salt", "2-4      tp       baking powder", ""};
    QCOMPARE(result, expected);
    QCOMPARE(stored.size(), 3);
    // Each store carries the lines rewritten so far; later lines are still as they were.
    QCOMPARE(stored[0],
             (QStringList {"3dl       sugar", "", "  coarce sugar", "1         pcs    egg", "salt",
                           "1-2      tp       baking powder", "   "}));
    QCOMPARE(stored[1],
             (QStringList {"3dl       sugar", "", "coarce sugar", "2pcs    egg", "salt",
                           "1-2      tp       baking powder", "   "}));
    QCOMPARE(stored[2],
             (QStringList {"3dl       sugar", "", "coarce sugar", "2pcs    egg", "salt",
                           "2-4      tp       baking powder", "   "}));
}

void TestPortionScaling::passWithFailingLineStoresNothing()
{
    const QStringList lines {"1 dl milk", "2 dl cream", "1.5 dl sugar", "3 eggs"};
    int stores = 0;
    try {
        scaleIngredientLines(lines, 4, 8, [&stores](const QStringList &) { ++stores; });
        QFAIL("no error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.message(), QStringLiteral("'1.5' is not a valid floating point value"));
    }
    QCOMPARE(stores, 0);

    try {
        scaleIngredientLines(lines.mid(0, 2), 0, 8, [&stores](const QStringList &) { ++stores; });
        QFAIL("no error");
    } catch (const ProgramError &e) {
        QCOMPARE(e.message(), QStringLiteral("Floating point division by zero"));
    }
    QCOMPARE(stores, 0);
}

void TestPortionScaling::passWithoutQuantitiesStoresNoLine()
{
    int stores = 0;
    const QStringList result
        = scaleIngredientLines({"  salt", "pepper", "\t2 dl"}, 4, 8, [&stores](const QStringList &) { ++stores; });
    QCOMPARE(stores, 0);
    QCOMPARE(result, (QStringList {"salt", "pepper", "\t2 dl"}));
}

QTEST_GUILESS_MAIN(TestPortionScaling)
#include "TestPortionScaling.moc"
