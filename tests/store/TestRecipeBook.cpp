#include "StoreFixture.h"

#include "store/Book.h"
#include "store/PackTable.h"
#include "store/RecipeBook.h"
#include "store/RecipeSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

class TestRecipeBook : public QObject
{
    Q_OBJECT

private slots:
    void emptyBookHasThreeEmptyTables();
    void starterBookIsAWholeHierarchy();
    void existingDataFolderIsLeftAlone();
    void renamesAndDeletionsCarryChildrenAndPictures_data();
    void renamesAndDeletionsCarryChildrenAndPictures();
};

void TestRecipeBook::emptyBookHasThreeEmptyTables()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY2(RecipeBook::createBook(dir.path(), false, &error), qPrintable(error));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Data/Pics"))).isDir());
    for (const QString &table : RecipeSchema::tableNames()) {
        const QString file = dir.filePath(QStringLiteral("Data/%1.db").arg(table));
        QCOMPARE(queryFile(file, QStringLiteral("SELECT count(*) FROM %1").arg(table)), QStringList{"0"});
        QCOMPARE(queryFile(file, QStringLiteral("PRAGMA journal_mode")), QStringList{"delete"});
        TPackTable t;
        t.setDatabaseName(dir.filePath(QStringLiteral("Data")));
        t.setTableName(table);
        t.setTableType(TTableType::Paradox);
        t.open();
        QCOMPARE(t.recordCount(), 0);
    }
}

void TestRecipeBook::starterBookIsAWholeHierarchy()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY2(RecipeBook::createBook(dir.path(), true, &error), qPrintable(error));
    const QString data = dir.filePath(QStringLiteral("Data"));
    auto open = [&](const QString &name) {
        auto t = std::make_unique<TPackTable>();
        t->setDatabaseName(data);
        t->setTableName(name);
        t->setTableType(TTableType::Paradox);
        t->open();
        t->setFiltered(true);
        return t;
    };
    auto mains = open(QStringLiteral("Paaryhma"));
    auto subs = open(QStringLiteral("Alaryhma"));
    auto recipes = open(QStringLiteral("Ohje"));
    QCOMPARE(mains->recordCount(), 2);
    QCOMPARE(subs->recordCount(), 3);
    QCOMPARE(recipes->recordCount(), 5);

    // Every subgroup belongs to a main group, every recipe to a subgroup.
    int subgroupsSeen = 0;
    int recipesSeen = 0;
    for (mains->first(); !mains->eof(); mains->next()) {
        subs->setFilter(QStringLiteral("Ryhma = '") + mains->fieldText(QStringLiteral("Nimi")) + QStringLiteral("'"));
        for (subs->first(); !subs->eof(); subs->next()) {
            ++subgroupsSeen;
            recipes->setFilter(QStringLiteral("Ryhma = '") + subs->fieldText(QStringLiteral("Nimi"))
                               + QStringLiteral("'"));
            recipesSeen += recipes->recordCount();
        }
    }
    QCOMPARE(subgroupsSeen, 3);
    QCOMPARE(recipesSeen, 5);

    // Each recipe is complete, with ingredient lines of every kind that
    // portion scaling meets: a decimal comma, a range and no quantity.
    recipes->setFiltered(false);
    const QRegularExpression decimal(QStringLiteral("^\\d+,\\d+ +\\S"));
    const QRegularExpression range(QStringLiteral("^\\d+-\\d+ +\\S"));
    const QRegularExpression noQuantity(QStringLiteral("^[^\\d,.\\- ]"));
    bool hasDecimal = false, hasRange = false, hasPlain = false;
    for (recipes->first(); !recipes->eof(); recipes->next()) {
        for (const char *field : {"Nimi", "Kuvaus", "Aste", "Aika", "Aineet", "Ohje"})
            QVERIFY2(!recipes->fieldText(QString::fromLatin1(field)).isEmpty(), field);
        QVERIFY(recipes->fieldValue(QStringLiteral("Annos"))->toLongLong() > 0);
        QVERIFY(!recipes->fieldValue(QStringLiteral("Kuva")).has_value());
        QVERIFY(recipes->fieldText(QStringLiteral("Aste")).size() <= 20);
        QVERIFY(recipes->fieldText(QStringLiteral("Aika")).size() <= 18);
        for (const QString &line : recipes->fieldText(QStringLiteral("Aineet")).split(QLatin1Char('\n'))) {
            QVERIFY2(!line.contains(QLatin1Char('.')), qPrintable(line));
            hasDecimal = hasDecimal || decimal.match(line).hasMatch();
            hasRange = hasRange || range.match(line).hasMatch();
            hasPlain = hasPlain || noQuantity.match(line).hasMatch();
        }
    }
    QVERIFY(hasDecimal);
    QVERIFY(hasRange);
    QVERIFY(hasPlain);
}

void TestRecipeBook::existingDataFolderIsLeftAlone()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Data")));
    QFile own(dir.filePath(QStringLiteral("Data/notes.txt")));
    QVERIFY(own.open(QIODevice::WriteOnly));
    own.write("mine");
    own.close();
    QString error;
    QVERIFY(!RecipeBook::createBook(dir.path(), true, &error));
    QVERIFY(error.contains(QLatin1String("exists")));
    QCOMPARE(QDir(dir.filePath(QStringLiteral("Data"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"notes.txt"});

    // A missing parent folder fails without creating it.
    QVERIFY(!RecipeBook::createBook(dir.filePath(QStringLiteral("nowhere")), false, &error));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
}

QTEST_GUILESS_MAIN(TestRecipeBook)
namespace {

bool goTo(TPackTable &table, const QString &name)
{
    for (table.first(); !table.eof(); table.next()) {
        if (table.fieldText(QStringLiteral("Nimi")) == name)
            return true;
    }
    return false;
}

} // namespace

// Awkward names go through the whole chain: a subgroup renamed under its
// recipes, a recipe renamed with its picture, then the main group deleted
// with everything under it and every picture file.
void TestRecipeBook::renamesAndDeletionsCarryChildrenAndPictures_data()
{
    QTest::addColumn<QString>("sub");
    QTest::addColumn<QString>("recipe");
    QTest::newRow("plain") << QStringLiteral("Soups") << QStringLiteral("Borscht");
    QTest::newRow("quotes") << QStringLiteral("Mum's \"best\"") << QStringLiteral("O'Brien's stew");
    QTest::newRow("percent and slash") << QStringLiteral("100% rye") << QStringLiteral("50/50 %20 bread");
    QTest::newRow("non-ASCII") << QStringLiteral("Jälkiruoat") << QStringLiteral("Crème brûlée 焼き");
}

void TestRecipeBook::renamesAndDeletionsCarryChildrenAndPictures()
{
    QFETCH(QString, sub);
    QFETCH(QString, recipe);
    QTemporaryDir dir;
    QString error;
    QVERIFY2(RecipeBook::createBook(dir.path(), false, &error), qPrintable(error));
    const QString data = dir.filePath(QStringLiteral("Data"));
    RecipeBook::Book book(data, data + QStringLiteral("/Pics/"));
    book.mainGroups().open();
    book.addMainGroup(QStringLiteral("Main"));
    QVERIFY(book.addSubgroup(QStringLiteral("Main"), sub));
    QVERIFY(book.addRecipe(sub, recipe));
    QVERIFY(book.addRecipe(sub, recipe + QStringLiteral(" 2")));
    QVERIFY(!book.addRecipe(QStringLiteral("No such group"), QStringLiteral("Orphan")));
    book.recipes().discard();

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString source = dir.filePath(QStringLiteral("source.png"));
    QVERIFY(image.save(source));
    book.recipes().setFilter(RecipeBook::childFilter(sub));
    QCOMPARE(book.recipes().recordCount(), 2);
    QVERIFY(goTo(book.recipes(), recipe));
    QCOMPARE(book.setPicture(recipe, source, &error), RecipeBook::Book::PictureResult::Set);
    QCOMPARE(QImage(book.picturePath(recipe)).size(), QSize(169, 169));

    QVERIFY(goTo(book.subgroups(), sub));
    const QString newSub = sub + QStringLiteral(" ✓");
    QVERIFY(book.renameSubgroup(sub, newSub));
    book.recipes().setFilter(RecipeBook::childFilter(newSub));
    QCOMPARE(book.recipes().recordCount(), 2);

    QVERIFY(goTo(book.recipes(), recipe));
    const QString newRecipe = QStringLiteral("'") + recipe + QStringLiteral("%");
    bool moved = false;
    QVERIFY2(book.renameRecipe(recipe, newRecipe, &error, &moved), qPrintable(error));
    QVERIFY(moved);
    QVERIFY(!QFileInfo::exists(book.picturePath(recipe)));
    QVERIFY(QFileInfo::exists(book.picturePath(newRecipe)));

    QVERIFY(goTo(book.mainGroups(), QStringLiteral("Main")));
    QStringList removed = book.deleteMainGroup();
    removed.sort();
    QCOMPARE(removed, QStringList({newRecipe, recipe + QStringLiteral(" 2")}));
    QVERIFY(!QFileInfo::exists(book.picturePath(newRecipe)));
    for (const QString &table : RecipeSchema::tableNames())
        QCOMPARE(queryFile(data + QLatin1Char('/') + table + QLatin1String(".db"),
                           QStringLiteral("SELECT count(*) FROM %1").arg(table)),
                 QStringList{"0"});
    QCOMPARE(QDir(data + QStringLiteral("/Pics")).entryList(QDir::Files), QStringList());
}

#include "TestRecipeBook.moc"
