#include "store/book/ShoppingList.h"

#include <QTest>

// The combined list: scaling, reading, adding up and showing amounts.
class TestShoppingList : public QObject
{
    Q_OBJECT

private slots:
    void combinedList_data();
    void combinedList();
};

namespace {

// "Name|recipe portions|wanted portions|line/line/..." per entry.
QVector<ShoppingList::Entry> entriesOf(const QStringList &rows)
{
    QVector<ShoppingList::Entry> entries;
    for (const QString &row : rows) {
        const QStringList parts = row.split(u'|');
        entries.append({parts.at(0), parts.at(3).split(u'/').join(u'\n'), parts.at(1).toInt(), parts.at(2).toInt()});
    }
    return entries;
}

} // namespace

void TestShoppingList::combinedList_data()
{
    QTest::addColumn<QStringList>("entries");
    // One item a line: its text, a tab, where it comes from.
    QTest::addColumn<QString>("expected");

    QTest::addRow("volume: decilitres become litres")
        << QStringList {"Pancakes|4|4|5 dl milk", "Pea Soup|4|4|10 dl Milk"} << "1,5 l milk\tPancakes, Pea Soup";
    QTest::addRow("volume: half a decilitre stays")
        << QStringList {"A|4|4|0,25 dl cream", "B|4|4|25 ml cream"} << "0,5 dl cream\tA, B";
    QTest::addRow("volume: spoons stay spoons below a decilitre")
        << QStringList {"A|2|2|1 tbsp sugar/2 tsp sugar", "B|2|2|1 tbsp Sugar"} << "8 tsp sugar\tA, B";
    QTest::addRow("volume: whole tablespoons")
        << QStringList {"A|2|2|1 rkl öljyä", "B|2|2|3 tl öljyä"} << "2 rkl öljyä\tA, B";
    QTest::addRow("volume: spoons reaching a decilitre")
        << QStringList {"A|1|1|4 tbsp oil", "B|1|1|4 tbsp oil"} << "1,2 dl oil\tA, B";
    QTest::addRow("volume: cups with decilitres, cups alone")
        << QStringList {"A|1|1|1 cup flour/1 cup rice", "B|1|1|1 dl flour/1 cup rice"}
        << "3,4 dl flour\tA, B\n2 cups rice\tA, B";
    QTest::addRow("mass: grams become kilograms, pounds grams")
        << QStringList {"A|4|4|750 g flour/1 lb butter", "B|4|4|0,75 kg Flour"}
        << "453,6 g butter\tA\n1,5 kg flour\tA, B";
    QTest::addRow("scaled with the recipe window's rounding")
        << QStringList {"A|4|2|3 dl milk", "B|3|1|1 dl milk/10 g salt"} << "1,83 dl milk\tA, B\n3,35 g salt\tB";
    QTest::addRow("pieces, plural and singular, written in columns")
        << QStringList {"A|2|4|1 egg", "B|2|2|1         pcs      eggs/1 T sugar/1 t Sugar"}
        << "3 eggs\tA, B\n4 tsp sugar\tB";
    QTest::addRow("case, accents and punctuation around")
        << QStringList {"A|1|1|2 dl Crème fraîche", "B|1|1|1 dl creme fraiche,"} << "3 dl Crème fraîche\tA, B";
    QTest::addRow("mixed kinds stay apart")
        << QStringList {"A|1|1|200 g butter", "B|1|1|1 dl butter/2 butter"}
        << "2 butter\tB\n1 dl butter\tB\n200 g butter\tA";
    QTest::addRow("ranges scaled and kept")
        << QStringList {"A|2|4|1-2 onions", "B|1|1|1 onion"} << "3-5 onions\tA, B";
    QTest::addRow("lines without an amount once")
        << QStringList {"A|1|2|salt/pepper/Filling:", "B|1|1|Salt.", "A|1|1|salt"} << "pepper\tA\nsalt\tA, B";
    QTest::addRow("lines the scaling cannot read listed as written")
        << QStringList {"A|2|4|1.5 dl milk/123456789 g sugar", "B|2|2|2 dl milk/2, dl water"}
        << "1.5 dl milk\tA\n123456789 g sugar\tA\n2, dl water\tB\n2 dl milk\tB";
    QTest::addRow("a recipe without a portion count as written")
        << QStringList {"A|0|6|1,125 dl milk", "A|4|4|"} << "1,13 dl milk\tA";
}

void TestShoppingList::combinedList()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    QStringList lines;
    for (const ShoppingList::Item &item : ShoppingList::build(entriesOf(entries)))
        lines << item.text() + u'\t' + item.recipes.join(QStringLiteral(", "));
    QCOMPARE(lines.join(u'\n'), expected);
}

QTEST_GUILESS_MAIN(TestShoppingList)
#include "TestShoppingList.moc"
