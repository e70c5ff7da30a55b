#include "StoreFixture.h"

#include "store/book/Book.h"
#include "store/table/ProgramError.h"
#include "store/table/PackTable.h"
#include "store/book/RecipeBook.h"
#include "store/table/RecipeSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
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
    void failedCommitLeavesBookAndPictures_data();
    void failedCommitLeavesBookAndPictures();
    void nameRulesTakeExactNamesOverTheWholeBook_data();
    void nameRulesTakeExactNamesOverTheWholeBook();
    void operationsByIdIgnoreTheShownCursorAndSayWhatChanged();
    void listsReadByIdFollowTheStoredBook();
};

void TestRecipeBook::emptyBookHasThreeEmptyTables()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(dir.path(), false));
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
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(dir.path(), true));
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
    try {
        RecipeBook::createBook(dir.path(), true);
        QFAIL("a book was created over an existing Data folder");
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(QLatin1String("exists")));
    }
    QCOMPARE(QDir(dir.filePath(QStringLiteral("Data"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"notes.txt"});

    // A missing parent folder fails without creating it.
    QVERIFY_THROWS_EXCEPTION(StoreError, RecipeBook::createBook(dir.filePath(QStringLiteral("nowhere")), false));
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
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(dir.path(), false));
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
    QCOMPARE(book.setPicture(book.recipes().currentRowId(), source, &error), RecipeBook::Book::PictureResult::Set);
    QCOMPARE(QImage(book.picturePath(recipe)).size(), QSize(169, 169));

    QVERIFY(goTo(book.subgroups(), sub));
    const QString newSub = sub + QStringLiteral(" ✓");
    QVERIFY(book.renameSubgroup(book.subgroups().currentRowId(), newSub));
    book.recipes().setFilter(RecipeBook::childFilter(newSub));
    QCOMPARE(book.recipes().recordCount(), 2);

    QVERIFY(goTo(book.recipes(), recipe));
    const QString newRecipe = QStringLiteral("'") + recipe + QStringLiteral("%");
    bool moved = false;
    QVERIFY2(book.renameRecipe(book.recipes().currentRowId(), newRecipe, &error, &moved), qPrintable(error));
    QVERIFY(moved);
    QVERIFY(!QFileInfo::exists(book.picturePath(recipe)));
    QVERIFY(QFileInfo::exists(book.picturePath(newRecipe)));

    QVERIFY(goTo(book.mainGroups(), QStringLiteral("Main")));
    QStringList removed = book.deleteMainGroup(book.mainGroups().currentRowId());
    removed.sort();
    QCOMPARE(removed, QStringList({newRecipe, recipe + QStringLiteral(" 2")}));
    QVERIFY(!QFileInfo::exists(book.picturePath(newRecipe)));
    for (const QString &table : RecipeSchema::tableNames())
        QCOMPARE(queryFile(data + QLatin1Char('/') + table + QLatin1String(".db"),
                           QStringLiteral("SELECT count(*) FROM %1").arg(table)),
                 QStringList{"0"});
    QCOMPARE(QDir(data + QStringLiteral("/Pics")).entryList(QDir::Files), QStringList());
}

namespace {

// Main group "Cakes" with subgroup "Tarts" holding "Lemon tart" (with a
// picture) and "Apple tart"; main group "Soups" with subgroup "Cold".
void fillBook(RecipeBook::Book &book, const QString &dir)
{
    book.mainGroups().open();
    book.addMainGroup(QStringLiteral("Cakes"));
    book.addMainGroup(QStringLiteral("Soups"));
    QVERIFY(book.addSubgroup(QStringLiteral("Cakes"), QStringLiteral("Tarts")));
    QVERIFY(book.addSubgroup(QStringLiteral("Soups"), QStringLiteral("Cold")));
    QVERIFY(book.addRecipe(QStringLiteral("Tarts"), QStringLiteral("Lemon tart")));
    QVERIFY(book.addRecipe(QStringLiteral("Tarts"), QStringLiteral("Apple tart")));
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    const QString source = dir + QStringLiteral("/source.png");
    QVERIFY(image.save(source));
    book.recipes().setFilter(RecipeBook::childFilter(QStringLiteral("Tarts")));
    QVERIFY(goTo(book.recipes(), QStringLiteral("Lemon tart")));
    QString error;
    QCOMPARE(book.setPicture(book.recipes().currentRowId(), source, &error), RecipeBook::Book::PictureResult::Set);
}

QStringList storedRows(const QString &data)
{
    const QString file = data + QStringLiteral("/%1.db");
    return queryFile(file.arg(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY Nimi"))
        + queryFile(file.arg(QStringLiteral("Alaryhma")),
                    QStringLiteral("SELECT Nimi || '|' || Ryhma FROM Alaryhma ORDER BY Nimi"))
        + queryFile(file.arg(QStringLiteral("Ohje")),
                    QStringLiteral("SELECT Nimi || '|' || Ryhma || '|' || coalesce(Annos, '') || '|' || "
                                   "coalesce(Aineet, '') || '|' || coalesce(Kuva, '') FROM Ohje ORDER BY Nimi"));
}

} // namespace

// A table file that cannot take the write (its journal cannot be made)
// fails an operation part way: nothing of it is stored, every picture file
// stays, and once the file can be written again the same operation goes
// through on the same book.
void TestRecipeBook::failedCommitLeavesBookAndPictures_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<int>("operation");
    // The main group goes last in a main group's deletion, the subgroups last
    // in its rename.
    QTest::newRow("delete main group") << QStringLiteral("Paaryhma") << 0;
    QTest::newRow("delete subgroup") << QStringLiteral("Alaryhma") << 1;
    QTest::newRow("rename main group") << QStringLiteral("Alaryhma") << 2;
    QTest::newRow("rename subgroup") << QStringLiteral("Ohje") << 3;
    QTest::newRow("scaled ingredients") << QStringLiteral("Ohje") << 4;
}

void TestRecipeBook::failedCommitLeavesBookAndPictures()
{
    QFETCH(QString, blocked);
    QFETCH(int, operation);
    const StoreFixture store;
    const QString &data = store.data;
    RecipeBook::Book book(data, data + QStringLiteral("/Pics/"));
    fillBook(book, store.dir.path());
    if (QTest::currentTestFailed())
        return;
    const QStringList before = storedRows(data);
    const QString picture = book.picturePath(QStringLiteral("Lemon tart"));
    const QByteArray pictureBytes = [&] {
        QFile f(picture);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(!pictureBytes.isEmpty());

    auto run = [&] {
        book.mainGroups().discard();
        book.subgroups().discard();
        book.recipes().discard();
        QVERIFY(goTo(book.mainGroups(), QStringLiteral("Cakes")));
        book.subgroups().open();
        book.subgroups().setFilter(RecipeBook::childFilter(QStringLiteral("Cakes")));
        QVERIFY(goTo(book.subgroups(), QStringLiteral("Tarts")));
        book.recipes().open();
        book.recipes().setFilter(RecipeBook::childFilter(QStringLiteral("Tarts")));
        QVERIFY(goTo(book.recipes(), QStringLiteral("Lemon tart")));
        switch (operation) {
        case 0:
            book.deleteMainGroup(book.mainGroups().currentRowId());
            break;
        case 1:
            book.deleteSubgroup(book.subgroups().currentRowId());
            break;
        case 2:
            book.renameMainGroup(book.mainGroups().currentRowId(), QStringLiteral("Bakes"));
            break;
        case 3:
            book.renameSubgroup(book.subgroups().currentRowId(), QStringLiteral("Pies"));
            break;
        default:
            RecipeBook::RecipeRow(book.recipes()).setScaledIngredients(QStringLiteral("3 lemons"), 6);
            break;
        }
    };

    const QString journal = data + QLatin1Char('/') + blocked + QStringLiteral(".db-journal");
    QVERIFY(QDir().mkdir(journal));
    QVERIFY_THROWS_EXCEPTION(StoreError, run());
    QVERIFY(QDir().rmdir(journal));
    QCOMPARE(storedRows(data), before);
    QFile f(picture);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), pictureBytes);
    f.close();

    run();
    QVERIFY(storedRows(data) != before);
    QCOMPARE(QFileInfo::exists(picture), operation > 1);
}

// Group names are one set over both group tables and recipe names one over
// every recipe, whatever the tables' filters show; only the exact characters
// of a stored name count.
void TestRecipeBook::nameRulesTakeExactNamesOverTheWholeBook_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("group");
    QTest::addColumn<bool>("recipe");
    QTest::newRow("main group") << QStringLiteral("Jälkiruoat") << true << false;
    QTest::newRow("subgroup of another main group") << QStringLiteral("Mum's \"best\"") << true << false;
    QTest::newRow("recipe outside the filter") << QStringLiteral("Crème brûlée 100%") << false << true;
    QTest::newRow("other case") << QStringLiteral("jälkiruoat") << false << false;
    QTest::newRow("other case, non-ASCII") << QStringLiteral("CRÈME BRÛLÉE 100%") << false << false;
    QTest::newRow("without accents") << QStringLiteral("Creme brulee 100%") << false << false;
    QTest::newRow("percent as a pattern") << QStringLiteral("%") << false << false;
    QTest::newRow("underscore as a pattern") << QStringLiteral("Crème brûlée 100_") << false << false;
    QTest::newRow("quote as SQL") << QStringLiteral("x' OR '1'='1") << false << false;
    QTest::newRow("trailing space") << QStringLiteral("Jälkiruoat ") << false << false;
}

void TestRecipeBook::nameRulesTakeExactNamesOverTheWholeBook()
{
    QFETCH(QString, name);
    QFETCH(bool, group);
    QFETCH(bool, recipe);
    const StoreFixture store;
    const QString &data = store.data;
    RecipeBook::Book book(data, data + QStringLiteral("/Pics/"));
    book.mainGroups().open();
    book.addMainGroup(QStringLiteral("Jälkiruoat"));
    book.addMainGroup(QStringLiteral("Other"));
    QVERIFY(book.addSubgroup(QStringLiteral("Other"), QStringLiteral("Mum's \"best\"")));
    QVERIFY(book.addRecipe(QStringLiteral("Mum's \"best\""), QStringLiteral("Crème brûlée 100%")));

    // With the child tables closed, and open but filtered to other groups.
    book.subgroups().close();
    book.recipes().close();
    QCOMPARE(book.groupNameTaken(name), group);
    QCOMPARE(book.recipeNameTaken(name), recipe);
    QVERIFY(!book.subgroups().Active());
    QVERIFY(!book.recipes().Active());
    book.subgroups().open();
    book.subgroups().setFilter(RecipeBook::childFilter(QStringLiteral("Jälkiruoat")));
    book.recipes().open();
    book.recipes().setFilter(RecipeBook::childFilter(QStringLiteral("Nothing")));
    QCOMPARE(book.subgroups().recordCount(), 0);
    QCOMPARE(book.groupNameTaken(name), group);
    QCOMPARE(book.recipeNameTaken(name), recipe);
}

#include "TestRecipeBook.moc"

// An operation names its row by id: where the shown tables' cursors stand and
// how they are filtered does not matter, the shown tables keep their current
// rows, and the book signals what the lists need to read again.
void TestRecipeBook::operationsByIdIgnoreTheShownCursorAndSayWhatChanged()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(dir.path(), true));
    RecipeBook::Book book(dir.filePath(QStringLiteral("Data")), dir.filePath(QStringLiteral("Data/Pics/")));
    TPackTable &recipes = book.recipes();
    recipes.open();
    recipes.setFilter(RecipeBook::childFilter(QStringLiteral("Soups")));
    QVERIFY(recipes.recordCount() >= 2);
    recipes.setRecNo(1);
    const qint64 first = recipes.currentRowId();
    recipes.setRecNo(2);
    const qint64 second = recipes.currentRowId();
    recipes.setRecNo(1);

    QSignalSpy recipeChanged(&book, &RecipeBook::Book::recipeChanged);
    QSignalSpy recipesChanged(&book, &RecipeBook::Book::recipesChanged);
    QSignalSpy groupsChanged(&book, &RecipeBook::Book::groupsChanged);
    QSignalSpy subgroupsChanged(&book, &RecipeBook::Book::subgroupsChanged);

    book.setDescription(second, QStringLiteral("Typed into the second"));
    book.setDifficultyAndTime(second, QStringLiteral("Easy"), QStringLiteral("20 min"));
    QString reason;
    QVERIFY(book.renameRecipe(second, QStringLiteral("Renamed by id"), &reason));
    QCOMPARE(recipes.currentRowId(), first);
    QCOMPARE(book.recipe(second)->name, QStringLiteral("Renamed by id"));
    QCOMPARE(book.recipe(second)->description, QStringLiteral("Typed into the second"));
    QCOMPARE(book.recipe(second)->difficulty, QStringLiteral("Easy"));
    QVERIFY(book.recipe(first)->name != QStringLiteral("Renamed by id"));
    QCOMPARE(recipes.fieldTexts(QStringLiteral("Nimi"), 2, 1), QStringList{"Renamed by id"});
    QCOMPARE(recipeChanged.size(), 3);
    QCOMPARE(recipeChanged.constLast().constFirst().toLongLong(), second);
    QCOMPARE(recipesChanged.size(), 1);
    QCOMPARE(recipesChanged.constFirst().constFirst().toString(), QStringLiteral("Soups"));
    QVERIFY(groupsChanged.isEmpty() && subgroupsChanged.isEmpty());

    // A recipe outside the shown filter, a deleted one and an unknown id.
    book.deleteRecipe(second);
    QVERIFY(!book.recipe(second));
    QCOMPARE(recipes.currentRowId(), first);
    QVERIFY_THROWS_EXCEPTION(StoreError, book.setDescription(second, QStringLiteral("lost?")));
    QVERIFY_THROWS_EXCEPTION(StoreError, book.deleteRecipe(0));
    recipes.setFilter(RecipeBook::childFilter(QStringLiteral("no such group")));
    book.setDescription(first, QStringLiteral("Outside the filter"));
    QCOMPARE(book.recipe(first)->description, QStringLiteral("Outside the filter"));
    QVERIFY(!recipes.hasPendingChanges());

    // Groups: the main group's subgroups follow its new name.
    book.mainGroups().open();
    book.mainGroups().setRecNo(2);
    const qint64 shownMain = book.mainGroups().currentRowId();
    book.mainGroups().setRecNo(1);
    const qint64 firstMain = book.mainGroups().currentRowId();
    book.mainGroups().setRecNo(2);
    QVERIFY(book.renameMainGroup(firstMain, QStringLiteral("Cooking by id")));
    QCOMPARE(book.mainGroups().currentRowId(), shownMain);
    QCOMPARE(book.mainGroupName(firstMain), std::optional<QString>(QStringLiteral("Cooking by id")));
    QCOMPARE(groupsChanged.size(), 1);
    TPackTable &subgroups = book.subgroups();
    subgroups.open();
    subgroups.setFilter(RecipeBook::childFilter(QStringLiteral("Cooking by id")));
    QVERIFY(subgroups.recordCount() > 0);
}

void TestRecipeBook::listsReadByIdFollowTheStoredBook()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(dir.path(), true));
    RecipeBook::Book book(dir.filePath(QStringLiteral("Data")), dir.filePath(QStringLiteral("Data/Pics/")));
    auto names = [](const QVector<RecipeBook::Book::Entry> &entries) {
        QStringList list;
        for (const RecipeBook::Book::Entry &e : entries)
            list.append(e.name);
        return list;
    };
    auto idOf = [](const QVector<RecipeBook::Book::Entry> &entries, const QString &name) {
        for (const RecipeBook::Book::Entry &e : entries)
            if (e.name == name)
                return e.id;
        return qint64(0);
    };

    const QVector<RecipeBook::Book::Entry> mains = book.mainGroupEntries();
    QCOMPARE(mains.size(), 2);
    const qint64 everyday = idOf(mains, QStringLiteral("Everyday Cooking"));
    QVERIFY(everyday);
    QCOMPARE(book.mainGroupName(everyday), std::optional<QString>(QStringLiteral("Everyday Cooking")));
    const QVector<RecipeBook::Book::Entry> subs = book.subgroupsOf(everyday);
    const qint64 soups = idOf(subs, QStringLiteral("Soups"));
    QVERIFY(soups);
    QCOMPARE(book.subgroupsOf(mains.constLast().id).size() + subs.size(), 3);

    // The recipes in the order they were added, the same read whole or in parts.
    TPackTable &shown = book.recipes();
    shown.open();
    shown.setFilter(RecipeBook::childFilter(QStringLiteral("Soups")));
    shown.setRecNo(2);
    const qint64 shownId = shown.currentRowId();
    QCOMPARE(book.recipeCountOf(soups), shown.recordCount());
    const QVector<RecipeBook::Book::Entry> whole = book.recipesOf(soups, 0, 100);
    QCOMPARE(names(whole), shown.fieldTexts(QStringLiteral("Nimi"), 1, 100));
    QCOMPARE(whole.at(1).id, shownId);
    QCOMPARE(book.recipesOf(soups, 0, 1) + book.recipesOf(soups, 1, 100), whole);
    QVERIFY(book.recipesOf(soups, whole.size(), 10).isEmpty());
    QCOMPARE(book.recipe(whole.at(1).id)->name, whole.at(1).name);
    QCOMPARE(shown.currentRowId(), shownId);

    // Changes made through the book show at the next read; gone parents
    // list nothing.
    QString reason;
    QVERIFY(book.renameRecipe(whole.at(0).id, QStringLiteral("Renamed soup"), &reason));
    QCOMPARE(book.recipesOf(soups, 0, 1).constFirst().name, QStringLiteral("Renamed soup"));
    QVERIFY(book.renameSubgroup(soups, QStringLiteral("Broths")));
    QCOMPARE(book.recipeCountOf(soups), whole.size());
    QCOMPARE(names(book.subgroupsOf(everyday)).count(QStringLiteral("Broths")), 1);
    book.addMainGroup(QStringLiteral("Added last"));
    QCOMPARE(book.mainGroupEntries().constLast().name, QStringLiteral("Added last"));
    // A deletion says that the lists of what went are to be read again.
    QSignalSpy recipesChanged(&book, &RecipeBook::Book::recipesChanged);
    QSignalSpy subgroupsChanged(&book, &RecipeBook::Book::subgroupsChanged);
    book.deleteSubgroup(soups);
    QCOMPARE(recipesChanged.size(), 1);
    QCOMPARE(recipesChanged.takeFirst().constFirst().toString(), QStringLiteral("Broths"));
    QCOMPARE(subgroupsChanged.takeFirst().constFirst().toString(), QStringLiteral("Everyday Cooking"));
    QCOMPARE(book.recipeCountOf(soups), 0);
    QVERIFY(book.recipesOf(soups, 0, 10).isEmpty());
    QVERIFY(idOf(book.subgroupsOf(everyday), QStringLiteral("Broths")) == 0);
    const QVector<RecipeBook::Book::Entry> left = book.subgroupsOf(everyday);
    book.deleteMainGroup(everyday);
    QCOMPARE(subgroupsChanged.takeFirst().constFirst().toString(), QStringLiteral("Everyday Cooking"));
    QCOMPARE(recipesChanged.size(), left.size());
    QVERIFY(book.subgroupsOf(everyday).isEmpty());
    QVERIFY(book.subgroupsOf(0).isEmpty() && book.recipesOf(0, 0, 5).isEmpty());
}
