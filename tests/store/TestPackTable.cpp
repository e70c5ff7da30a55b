#include "StoreFixture.h"

#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/StoreTransaction.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

namespace {

const QString Nimi = QStringLiteral("Nimi");
const QString Ryhma = QStringLiteral("Ryhma");

QString filterFor(const QString &name)
{
    return QStringLiteral("Ryhma = '") + name + QStringLiteral("'");
}

QStringList folderListing(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    entries.sort();
    return entries;
}

// Makes the next write transaction on `dbFile` fail: its rollback journal
// cannot be created. Works for every user, root included.
void blockJournal(const QString &dbFile)
{
    QVERIFY(QDir().mkdir(dbFile + QStringLiteral("-journal")));
}

void unblockJournal(const QString &dbFile)
{
    QVERIFY(QDir().rmdir(dbFile + QStringLiteral("-journal")));
}

} // namespace

class TestPackTable : public QObject
{
    Q_OBJECT

private slots:
    void badFilesAreOpenErrors_data();
    void badFilesAreOpenErrors();
    void openNeverCreatesFiles();
    void appliedRowsKeepOrderAndValues();
    void absentValuesReadEmpty();
    void fieldWritesConvert_data();
    void fieldWritesConvert();
    void writesNeedEditOrAppend();
    void unknownFieldIsAnError();
    void applyAndDiscardActOnAllRows();
    void editIsPostedWhenTheRowMoves();
    void deleteMakesFollowingRowCurrent_data();
    void deleteMakesFollowingRowCurrent();
    void positionsAndBookmarks();
    void filterComparesByValue_data();
    void filterComparesByValue();
    void filterCanRewriteItsOwnFieldInALoop();
    void malformedFilterIsAnError();
    void containsNameSeesStoredAndPendingRows();
    void failingApplyKeepsRowsPending();
    void tablePastTheLastRowNumberRefusesNewRows();
    void readOnlyFileKeepsRowsPending();
    void scopeCommitsTogetherOrNotAtAll();
    void failingScopeCommitKeepsBothTablesPending();
    void signalsFollowTheView();
    void fieldTextsReadWhatWalkingReads();
};

void TestPackTable::badFilesAreOpenErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addRow("missing file") << "missing";
    QTest::addRow("folder in place of the file") << "folder";
    QTest::addRow("empty file") << "empty";
    QTest::addRow("text file") << "text";
    QTest::addRow("truncated table file") << "truncated";
    QTest::addRow("damaged header") << "header";
    QTest::addRow("foreign SQLite file") << "foreign";
    QTest::addRow("program's file, wrong table") << "wrongtable";
    QTest::addRow("program's file, fields missing") << "fields";
}

void TestPackTable::badFilesAreOpenErrors()
{
    QFETCH(QString, kind);
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Ohje"));
    {
        // A table file large enough to have many pages.
        auto t = book.open(QStringLiteral("Ohje"));
        for (int i = 0; i < 200; ++i) {
            addRow(*t, QStringLiteral("Recipe %1").arg(i), QStringLiteral("G"));
            t->edit();
            t->setFieldText(QStringLiteral("Aineet"), QString(400, QLatin1Char('x')));
            t->post();
        }
        t->apply();
    }

    auto runSql = [&](const char *sql) {
        QFile::remove(path);
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    };
    if (kind == QLatin1String("missing")) {
        QFile::remove(path);
    } else if (kind == QLatin1String("folder")) {
        QFile::remove(path);
        QDir().mkdir(path);
    } else if (kind == QLatin1String("empty")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    } else if (kind == QLatin1String("text")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("Nimi;Ryhma\nPancakes;Breakfast\n");
    } else if (kind == QLatin1String("truncated")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.size() > 8 * 4096);
        QVERIFY(f.resize(f.size() / 2));
    } else if (kind == QLatin1String("header")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(100, '\x5A'));
    } else if (kind == QLatin1String("foreign")) {
        runSql("CREATE TABLE Ohje (id INTEGER PRIMARY KEY, Nimi TEXT, Ryhma TEXT)");
    } else if (kind == QLatin1String("wrongtable")) {
        runSql("PRAGMA application_id=1296319307; CREATE TABLE Other (id INTEGER PRIMARY KEY, Nimi TEXT)");
    } else if (kind == QLatin1String("fields")) {
        runSql("PRAGMA application_id=1296319307; CREATE TABLE Ohje (id INTEGER PRIMARY KEY, Nimi TEXT)");
    }
    const QByteArray before = fileHash(path);
    const QStringList listing = folderListing(book.data);

    TPackTable t;
    t.setDatabaseName(book.data);
    t.setTableName(QStringLiteral("Ohje"));
    t.setTableType(TTableType::Paradox);
    QVERIFY_THROWS_EXCEPTION(StoreError, t.open());
    QVERIFY(!t.Active());
    QCOMPARE(fileHash(path), before);
    QCOMPARE(folderListing(book.data), listing);

    // The good tables of the same folder still open afterwards.
    auto main = book.open(QStringLiteral("Paaryhma"));
    QVERIFY(main->Active());
}

void TestPackTable::openNeverCreatesFiles()
{
    QTemporaryDir dir;
    TPackTable t;
    t.setDatabaseName(dir.path() + QStringLiteral("/Data"));
    t.setTableName(QStringLiteral("Paaryhma"));
    t.setTableType(TTableType::Paradox);
    try {
        t.open();
        QFAIL("opened a missing table");
    } catch (const StoreError &e) {
        QVERIFY(e.message().contains(QLatin1String("Paaryhma")));
    }
    QVERIFY(folderListing(dir.path()).isEmpty());
}

void TestPackTable::appliedRowsKeepOrderAndValues()
{
    StoreFixture book;
    const QStringList names{QStringLiteral("Zucchini"), QStringLiteral("apple"), QStringLiteral("Äiti's"),
                            QStringLiteral("Mango")};
    {
        auto t = book.open(QStringLiteral("Ohje"));
        for (const QString &n : names)
            addRow(*t, n, QStringLiteral("Fruit"));
        t->setRecNo(3);
        t->edit();
        t->setFieldText(QStringLiteral("Aineet"), QStringLiteral("2,5 dl milk\n1-2 onions\nsalt"));
        t->setFieldInt(QStringLiteral("Annos"), 4);
        t->setFieldBool(QStringLiteral("Kuva"), true);
        t->apply();
    }
    auto t = book.open(QStringLiteral("Ohje"));
    QCOMPARE(viewNames(*t), names);
    t->setRecNo(3);
    QCOMPARE(t->fieldText(QStringLiteral("Aineet")), QStringLiteral("2,5 dl milk\n1-2 onions\nsalt"));
    QCOMPARE(t->fieldText(QStringLiteral("Annos")), QStringLiteral("4"));
    QCOMPARE(t->fieldValue(QStringLiteral("Annos"))->toLongLong(), 4);
    QCOMPARE(t->fieldText(QStringLiteral("Kuva")), QStringLiteral("True"));
    QCOMPARE(t->fieldValue(QStringLiteral("Kuva"))->toBool(), true);
    // The shell sees the same rows.
    QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT Nimi FROM Ohje ORDER BY id")), names);
}

void TestPackTable::absentValuesReadEmpty()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Ohje"));
    QCOMPARE(t->recordCount(), 0);
    QCOMPARE(t->RecNo(), 0);
    QVERIFY(t->eof());
    QCOMPARE(t->fieldText(Nimi), QString());
    QVERIFY(!t->fieldValue(Nimi));

    addRow(*t, QStringLiteral("Soup"), QStringLiteral("Soups"));
    t->apply();
    auto again = book.open(QStringLiteral("Ohje"));
    for (const char *field : {"Kuvaus", "Aste", "Aika", "Annos", "Aineet", "Ohje", "Kuva"}) {
        QCOMPARE(again->fieldText(QString::fromLatin1(field)), QString());
        QVERIFY2(!again->fieldValue(QString::fromLatin1(field)).has_value(), field);
    }
}

void TestPackTable::fieldWritesConvert_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("kind"); // text, int, bool, clear
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("error");

    QTest::addRow("integer from text") << "Annos" << "text" << "12" << "12" << "";
    QTest::addRow("integer from text with spaces") << "Annos" << "text" << " 7 " << "7" << "";
    QTest::addRow("not an integer") << "Annos" << "text" << "4a" << "" << "'4a' is not a valid integer value";
    QTest::addRow("empty text clears an integer") << "Annos" << "text" << "" << "" << "";
    QTest::addRow("integer") << "Annos" << "int" << "-3" << "-3" << "";
    QTest::addRow("logical") << "Kuva" << "bool" << "0" << "False" << "";
    QTest::addRow("logical from text") << "Kuva" << "text" << "True" << "True" << "";
    QTest::addRow("integer into text field") << "Aste" << "int" << "5" << "5" << "";
    QTest::addRow("logical into text field") << "Aste" << "bool" << "1" << "True" << "";
    QTest::addRow("cleared text") << "Kuvaus" << "clear" << "" << "" << "";
}

void TestPackTable::fieldWritesConvert()
{
    QFETCH(QString, field);
    QFETCH(QString, kind);
    QFETCH(QString, input);
    QFETCH(QString, expectedText);
    QFETCH(QString, error);

    StoreFixture book;
    auto t = book.open(QStringLiteral("Ohje"));
    addRow(*t, QStringLiteral("R"), QStringLiteral("G"));
    t->edit();
    t->setFieldText(field, field == QLatin1String("Kuva") ? QStringLiteral("True") : QStringLiteral("9"));
    try {
        if (kind == QLatin1String("text"))
            t->setFieldText(field, input);
        else if (kind == QLatin1String("int"))
            t->setFieldInt(field, input.toLongLong());
        else if (kind == QLatin1String("bool"))
            t->setFieldBool(field, input == QLatin1String("1"));
        else
            t->clearField(field);
        QVERIFY2(error.isEmpty(), "expected a conversion error");
    } catch (const ConversionError &e) {
        QCOMPARE(e.message(), error);
        return;
    }
    t->apply();
    auto again = book.open(QStringLiteral("Ohje"));
    QCOMPARE(again->fieldText(field), expectedText);
    QCOMPARE(again->fieldValue(field).has_value(), !expectedText.isEmpty());
}

void TestPackTable::writesNeedEditOrAppend()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    addRow(*t, QStringLiteral("Soups"));
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFieldText(Nimi, QStringLiteral("x")));
    t->apply();
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFieldText(Nimi, QStringLiteral("x")));
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("Soups"));

    TPackTable closed;
    QVERIFY_THROWS_EXCEPTION(StoreError, closed.append());
    QVERIFY_THROWS_EXCEPTION(StoreError, closed.apply());
    // A name change needs the table closed.
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setTableName(QStringLiteral("Ohje")));
}

void TestPackTable::unknownFieldIsAnError()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    addRow(*t, QStringLiteral("Soups"));
    QVERIFY_THROWS_EXCEPTION(StoreError, t->fieldText(QStringLiteral("Nimii")));
    t->edit();
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFieldText(QStringLiteral("nimi"), QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(StoreError, t->containsName(QStringLiteral("Kuvaus"), QStringLiteral("x")));
}

void TestPackTable::applyAndDiscardActOnAllRows()
{
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Alaryhma"));
    {
        auto t = book.open(QStringLiteral("Alaryhma"));
        addRow(*t, QStringLiteral("A"), QStringLiteral("M"));
        addRow(*t, QStringLiteral("B"), QStringLiteral("M"));
        addRow(*t, QStringLiteral("C"), QStringLiteral("M"));
        t->apply();
    }
    const QByteArray stored = fileHash(path);

    auto t = book.open(QStringLiteral("Alaryhma"));
    t->setRecNo(1);
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("A2"));
    t->setRecNo(2);
    t->deleteRow();
    addRow(*t, QStringLiteral("D"), QStringLiteral("M"));
    t->append();
    t->setFieldText(Nimi, QStringLiteral("E")); // edit in progress
    QCOMPARE(viewNames(*t), (QStringList{"A2", "C", "D", "E"}));
    QVERIFY(t->hasPendingChanges());

    t->discard();
    QVERIFY(!t->hasPendingChanges());
    QCOMPARE(viewNames(*t), (QStringList{"A", "B", "C"}));
    QCOMPARE(fileHash(path), stored);

    t->setRecNo(1);
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("A2"));
    t->setRecNo(2);
    t->deleteRow();
    addRow(*t, QStringLiteral("D"), QStringLiteral("M"));
    t->append();
    t->setFieldText(Nimi, QStringLiteral("E"));
    t->setFieldText(Ryhma, QStringLiteral("M"));
    t->apply(); // posts the edit in progress too
    QVERIFY(!t->hasPendingChanges());
    QCOMPARE(queryFile(path, QStringLiteral("SELECT Nimi FROM Alaryhma ORDER BY id")),
             (QStringList{"A2", "C", "D", "E"}));
    // Applying nothing changes nothing.
    const QByteArray after = fileHash(path);
    t->apply();
    QCOMPARE(fileHash(path), after);
}

void TestPackTable::editIsPostedWhenTheRowMoves()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    addRow(*t, QStringLiteral("One"));
    addRow(*t, QStringLiteral("Two"));
    t->apply();

    t->first();
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("Uno"));
    QCOMPARE(t->state(), TPackTable::State::Edit);
    t->next();
    QCOMPARE(t->state(), TPackTable::State::Browse);
    QVERIFY(t->hasPendingChanges());
    t->first();
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("Uno"));
    // Pending, not yet in the file.
    QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY id")),
             (QStringList{"One", "Two"}));

    // The same through RecNo, a bookmark and a new filter.
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("First"));
    const auto mark = t->remember();
    t->setRecNo(2);
    QVERIFY(t->returnTo(mark));
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("First"));
    t->release(mark);
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("Primero"));
    t->setFiltered(true);
    QCOMPARE(viewNames(*t), (QStringList{"Primero", "Two"}));
    t->apply();
    QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY id")),
             (QStringList{"Primero", "Two"}));
}

void TestPackTable::deleteMakesFollowingRowCurrent_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QStringList>("left");

    const QStringList abcd{"A", "B", "C", "D"};
    QTest::addRow("first, stored") << 1 << true << "B" << QStringList{"B", "C", "D"};
    QTest::addRow("middle, stored") << 2 << true << "C" << QStringList{"A", "C", "D"};
    QTest::addRow("last, stored") << 4 << true << "C" << QStringList{"A", "B", "C"};
    QTest::addRow("middle, pending") << 3 << false << "D" << QStringList{"A", "B", "D"};
    QTest::addRow("last, pending") << 4 << false << "C" << QStringList{"A", "B", "C"};
}

void TestPackTable::deleteMakesFollowingRowCurrent()
{
    QFETCH(int, position);
    QFETCH(bool, applied);
    QFETCH(QString, current);
    QFETCH(QStringList, left);

    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    for (const char *n : {"A", "B", "C", "D"})
        addRow(*t, QString::fromLatin1(n));
    if (applied)
        t->apply();
    t->setRecNo(position);
    t->deleteRow();
    QCOMPARE(t->fieldText(Nimi), current);
    QCOMPARE(t->recordCount(), 3);
    QCOMPARE(viewNames(*t), left);
    t->apply();
    QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY id")),
             left);

    // Deleting every row from the first one empties the view.
    t->first();
    while (t->recordCount() > 0)
        t->deleteRow();
    QVERIFY(t->eof());
    QCOMPARE(t->RecNo(), 0);
    QVERIFY_THROWS_EXCEPTION(StoreError, t->deleteRow());
    QVERIFY_THROWS_EXCEPTION(StoreError, t->edit());
}

void TestPackTable::positionsAndBookmarks()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    for (const char *n : {"A", "B", "C"})
        addRow(*t, QString::fromLatin1(n));
    t->apply();

    QCOMPARE(t->recordCount(), 3);
    t->setRecNo(2);
    QCOMPARE(t->RecNo(), 2);
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("B"));
    t->setRecNo(99);
    QCOMPARE(t->RecNo(), 3);
    t->setRecNo(0);
    QCOMPARE(t->RecNo(), 1);

    // next() on the last row stays there and reports the end.
    t->setRecNo(3);
    QVERIFY(!t->eof());
    t->next();
    QVERIFY(t->eof());
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("C"));
    t->first();
    QVERIFY(!t->eof());

    t->setRecNo(2);
    const auto onB = t->remember();
    t->setRecNo(3);
    const auto onC = t->remember();
    t->first();
    QVERIFY(t->returnTo(onB));
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("B"));
    // A bookmark of a deleted row cannot be returned to.
    t->setRecNo(3);
    t->deleteRow();
    t->first();
    QVERIFY(!t->returnTo(onC));
    QCOMPARE(t->RecNo(), 1);
    // The row keeps its bookmark across apply.
    t->apply();
    QVERIFY(t->returnTo(onB));
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("B"));
    t->release(onB);
    QVERIFY(!t->returnTo(onB));
}

void TestPackTable::filterComparesByValue_data()
{
    QTest::addColumn<QString>("name");
    QTest::addRow("plain") << "Soups";
    QTest::addRow("quote") << "Äiti's best";
    QTest::addRow("quote at the end") << "Grandma'";
    QTest::addRow("injection attempt") << "x' OR '1'='1";
    QTest::addRow("percent and underscore") << "100% _rye_";
    QTest::addRow("backslash") << "C:\\Recipes\\";
    QTest::addRow("double quotes") << "\"Quick\" meals";
    QTest::addRow("non-ASCII") << "Ευρωπαϊκά 料理 ✓";
    QTest::addRow("spaces around") << "  padded  ";
}

void TestPackTable::filterComparesByValue()
{
    QFETCH(QString, name);
    StoreFixture book;
    auto t = book.open(QStringLiteral("Alaryhma"));
    // Near misses that a LIKE, a trimmed or a case-folded comparison would take.
    const QStringList others{name.toUpper(), name.toLower() + QStringLiteral(" "), name.trimmed(),
                             name.left(name.size() - 1), QStringLiteral("%"), QStringLiteral("x")};
    addRow(*t, QStringLiteral("s1"), name);
    int i = 0;
    for (const QString &other : others) {
        if (other != name)
            addRow(*t, QStringLiteral("o%1").arg(i++), other);
    }
    addRow(*t, QStringLiteral("s2"), name);
    addRow(*t, QStringLiteral("pending"), name); // merged into the view before apply
    t->setFilter(filterFor(name));
    t->setFiltered(true);
    QCOMPARE(t->Filter(), filterFor(name));
    QCOMPARE(viewNames(*t), (QStringList{"s1", "s2", "pending"}));
    t->apply();
    QCOMPARE(viewNames(*t), (QStringList{"s1", "s2", "pending"}));

    auto again = book.open(QStringLiteral("Alaryhma"));
    again->setFiltered(true);
    again->setFilter(filterFor(name));
    QCOMPARE(viewNames(*again), (QStringList{"s1", "s2", "pending"}));
    again->setFiltered(false);
    QCOMPARE(again->recordCount(), 3 + i);
}

void TestPackTable::filterCanRewriteItsOwnFieldInALoop()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Alaryhma"));
    for (int i = 0; i < 5; ++i)
        addRow(*t, QStringLiteral("s%1").arg(i), i == 2 ? QStringLiteral("Other") : QStringLiteral("Old"));
    t->apply();
    t->setFilter(filterFor(QStringLiteral("Old")));
    t->setFiltered(true);
    QCOMPARE(t->recordCount(), 4);
    // A renamed parent: every child follows, although each edited row stops
    // passing the filter.
    for (t->first(); !t->eof(); t->next()) {
        t->edit();
        t->setFieldText(Ryhma, QStringLiteral("New"));
    }
    t->apply();
    QCOMPARE(t->recordCount(), 0);
    t->setFilter(filterFor(QStringLiteral("New")));
    QCOMPARE(viewNames(*t), (QStringList{"s0", "s1", "s3", "s4"}));
}

void TestPackTable::malformedFilterIsAnError()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Alaryhma"));
    t->setFilter(QStringLiteral("Nimi = 'x'"));
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFiltered(true));
    QVERIFY(!t->Filtered());
    t->setFilter(filterFor(QStringLiteral("b")));
    t->setFiltered(true);
    // Already filtered: the new text takes effect at once, or not at all.
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFilter(QStringLiteral("Ryhma = 'x")));
    QVERIFY_THROWS_EXCEPTION(StoreError, t->setFilter(QStringLiteral("Ryhma 'x'")));
    QCOMPARE(t->Filter(), filterFor(QStringLiteral("b")));
    // An empty filter lets every row pass.
    addRow(*t, QStringLiteral("a"), QStringLiteral("b"));
    t->setFilter(QString());
    t->setFiltered(true);
    QCOMPARE(t->recordCount(), 1);
    // The main group table has no Ryhma to filter on.
    auto main = book.open(QStringLiteral("Paaryhma"));
    main->setFilter(filterFor(QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(StoreError, main->setFiltered(true));
}

void TestPackTable::containsNameSeesStoredAndPendingRows()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Ohje"));
    addRow(*t, QStringLiteral("Pancakes"), QStringLiteral("Breakfast"));
    addRow(*t, QStringLiteral("Waffles"), QStringLiteral("Breakfast"));
    addRow(*t, QStringLiteral("Stew"), QStringLiteral("Dinner"));
    t->apply();
    t->setFilter(filterFor(QStringLiteral("Dinner")));
    t->setFiltered(true);

    QVERIFY(t->containsName(Nimi, QStringLiteral("Pancakes"))); // outside the filter
    QVERIFY(!t->containsName(Nimi, QStringLiteral("pancakes"))); // case counts
    QVERIFY(!t->containsName(Nimi, QStringLiteral("Pancakes "))); // exact characters
    QVERIFY(!t->containsName(Nimi, QStringLiteral("%")));
    QVERIFY(t->containsName(Nimi, QStringLiteral("Stew"))); // the row's own name counts

    addRow(*t, QStringLiteral("Goulash"), QStringLiteral("Dinner"));
    QVERIFY(t->containsName(Nimi, QStringLiteral("Goulash")));
    t->first(); // Stew
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("Ragout"));
    QVERIFY(t->containsName(Nimi, QStringLiteral("Ragout")));
    QVERIFY(!t->containsName(Nimi, QStringLiteral("Stew")));
    t->post();
    QVERIFY(!t->containsName(Nimi, QStringLiteral("Stew")));
    t->discard();
    QVERIFY(t->containsName(Nimi, QStringLiteral("Stew")));
    QVERIFY(!t->containsName(Nimi, QStringLiteral("Goulash")));
    t->first();
    t->deleteRow();
    QVERIFY(!t->containsName(Nimi, QStringLiteral("Stew")));
    QVERIFY(t->containsName(Ryhma, QStringLiteral("Breakfast")));
}

void TestPackTable::failingApplyKeepsRowsPending()
{
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Paaryhma"));
    auto t = book.open(QStringLiteral("Paaryhma"));
    addRow(*t, QStringLiteral("Kept"));
    t->apply();
    const QByteArray before = fileHash(path);

    addRow(*t, QStringLiteral("One"));
    addRow(*t, QStringLiteral("Two"));
    t->first();
    t->deleteRow();
    blockJournal(path);
    try {
        t->apply();
        QFAIL("apply succeeded without a journal");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QLatin1String("Paaryhma")), qPrintable(e.message()));
    }
    QVERIFY(t->hasPendingChanges());
    QCOMPARE(viewNames(*t), (QStringList{"One", "Two"}));
    QCOMPARE(fileHash(path), before);

    unblockJournal(path);
    t->apply();
    QCOMPARE(queryFile(path, QStringLiteral("SELECT Nimi FROM Paaryhma ORDER BY id")), (QStringList{"One", "Two"}));
}

void TestPackTable::tablePastTheLastRowNumberRefusesNewRows()
{
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Paaryhma"));
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db, "INSERT INTO Paaryhma (id, Nimi) VALUES (1, 'Kept'), (9223372036854775807, 'Last')",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);
    const QByteArray before = fileHash(path);

    auto t = book.open(QStringLiteral("Paaryhma"));
    try {
        addRow(*t, QStringLiteral("Wrapped"));
        t->apply();
        QFAIL("a row was added past the last row number");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QLatin1String("is full")), qPrintable(e.message()));
    }
    QVERIFY(!t->hasPendingChanges());
    QCOMPARE(viewNames(*t), (QStringList{"Kept", "Last"}));
    QCOMPARE(fileHash(path), before);
    QCOMPARE(queryFile(path, QStringLiteral("SELECT count(*) FROM Paaryhma WHERE id < 0")), QStringList{"0"});
}

void TestPackTable::readOnlyFileKeepsRowsPending()
{
    if (geteuid() == 0)
        QSKIP("file permissions do not bind root");
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Ohje"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    auto t = book.open(QStringLiteral("Ohje"));
    addRow(*t, QStringLiteral("Soup"), QStringLiteral("G"));
    try {
        t->apply();
        QFAIL("apply wrote a read-only file");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(QLatin1String("Ohje")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QLatin1String("readonly")), qPrintable(e.message()));
    }
    QVERIFY(t->hasPendingChanges());
    QCOMPARE(viewNames(*t), QStringList{"Soup"});
    QCOMPARE(queryFile(path, QStringLiteral("SELECT count(*) FROM Ohje")), QStringList{"0"});
}

void TestPackTable::scopeCommitsTogetherOrNotAtAll()
{
    StoreFixture book;
    auto subgroups = book.open(QStringLiteral("Alaryhma"));
    auto recipes = book.open(QStringLiteral("Ohje"));
    const QString subFile = book.file(QStringLiteral("Alaryhma"));
    const QString recipeFile = book.file(QStringLiteral("Ohje"));

    addRow(*subgroups, QStringLiteral("Soups"), QStringLiteral("M"));
    addRow(*recipes, QStringLiteral("Pea soup"), QStringLiteral("Soups"));
    {
        StoreTransaction scope(*subgroups);
        subgroups->apply();
        QVERIFY(!subgroups->hasPendingChanges());
        recipes->apply();
        // Not on disk until the scope commits.
        QCOMPARE(queryFile(subFile, QStringLiteral("SELECT count(*) FROM Alaryhma")), QStringList{"0"});
        // Ends without commit.
    }
    QVERIFY(subgroups->hasPendingChanges());
    QVERIFY(recipes->hasPendingChanges());
    QCOMPARE(viewNames(*subgroups), QStringList{"Soups"});
    QCOMPARE(queryFile(subFile, QStringLiteral("SELECT count(*) FROM Alaryhma")), QStringList{"0"});
    QCOMPARE(queryFile(recipeFile, QStringLiteral("SELECT count(*) FROM Ohje")), QStringList{"0"});

    {
        StoreTransaction scope(*recipes);
        subgroups->apply();
        // Changes after an apply inside the scope are applied again on top.
        subgroups->first();
        subgroups->edit();
        subgroups->setFieldText(Nimi, QStringLiteral("Soups and stews"));
        subgroups->apply();
        recipes->apply();
        {
            StoreTransaction inner(*subgroups); // joins the outer scope
            inner.commit();
        }
        scope.commit();
        QVERIFY(scope.committed());
    }
    QVERIFY(!subgroups->hasPendingChanges());
    QVERIFY(!recipes->hasPendingChanges());
    QCOMPARE(queryFile(subFile, QStringLiteral("SELECT Nimi FROM Alaryhma")), QStringList{"Soups and stews"});
    QCOMPARE(queryFile(recipeFile, QStringLiteral("SELECT Nimi FROM Ohje")), QStringList{"Pea soup"});

    // A failed rollback brings back an insert and an edit applied on top of it.
    addRow(*recipes, QStringLiteral("Stew"), QStringLiteral("Soups"));
    {
        StoreTransaction scope(*recipes);
        recipes->apply();
        recipes->edit();
        recipes->setFieldText(Nimi, QStringLiteral("Beef stew"));
        recipes->apply();
        {
            StoreTransaction inner(*recipes);
        } // no commit: the whole scope fails
        QVERIFY_THROWS_EXCEPTION(StoreError, scope.commit());
    }
    QCOMPARE(queryFile(recipeFile, QStringLiteral("SELECT Nimi FROM Ohje")), QStringList{"Pea soup"});
    QCOMPARE(viewNames(*recipes), (QStringList{"Pea soup", "Beef stew"}));
    recipes->apply();
    QCOMPARE(queryFile(recipeFile, QStringLiteral("SELECT Nimi FROM Ohje ORDER BY id")),
             (QStringList{"Pea soup", "Beef stew"}));
}

void TestPackTable::failingScopeCommitKeepsBothTablesPending()
{
    StoreFixture book;
    auto mains = book.open(QStringLiteral("Paaryhma"));
    auto subgroups = book.open(QStringLiteral("Alaryhma"));
    const QString subFile = book.file(QStringLiteral("Alaryhma"));
    addRow(*mains, QStringLiteral("M"));
    addRow(*subgroups, QStringLiteral("S"), QStringLiteral("M"));
    blockJournal(subFile);
    {
        StoreTransaction scope(*mains);
        mains->apply();
        QVERIFY_THROWS_EXCEPTION(StoreError, subgroups->apply());
        QVERIFY_THROWS_EXCEPTION(StoreError, scope.commit());
    }
    QVERIFY(mains->hasPendingChanges());
    QVERIFY(subgroups->hasPendingChanges());
    QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT count(*) FROM Paaryhma")),
             QStringList{"0"});
    unblockJournal(subFile);
    {
        StoreTransaction scope(*mains);
        mains->apply();
        subgroups->apply();
        scope.commit();
    }
    QCOMPARE(queryFile(subFile, QStringLiteral("SELECT Nimi FROM Alaryhma")), QStringList{"S"});
    QCOMPARE(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma")),
             QStringList{"M"});
}

void TestPackTable::signalsFollowTheView()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    QSignalSpy view(t.get(), &TPackTable::viewChanged);
    QSignalSpy current(t.get(), &TPackTable::currentRowChanged);
    QSignalSpy data(t.get(), &TPackTable::rowDataChanged);
    addRow(*t, QStringLiteral("A"));
    addRow(*t, QStringLiteral("B"));
    QCOMPARE(view.count(), 2);
    QVERIFY(data.count() >= 2);
    QCOMPARE(data.last().at(0).toInt(), 2);
    current.clear();
    t->first();
    QCOMPARE(current.count(), 1);
    view.clear();
    t->apply();
    QVERIFY(view.count() >= 1);
    view.clear();
    t->close();
    QCOMPARE(view.count(), 1);
    QCOMPARE(t->recordCount(), 0);
}

// Reading many rows' names at once gives what walking the view gives: stored
// rows beyond the cache and the batches, rows of the other group left out,
// pending and edited rows as the table holds them, integers and logicals as
// their text; the current row stays put.
void TestPackTable::fieldTextsReadWhatWalkingReads()
{
    StoreFixture book;
    {
        auto t = book.open(QStringLiteral("Alaryhma"));
        for (int i = 0; i < 1500; ++i)
            addRow(*t, QStringLiteral("Row %1").arg(i), i % 3 ? QStringLiteral("Soups") : QStringLiteral("Other"));
        t->apply();
    }
    auto t = book.open(QStringLiteral("Alaryhma"));
    t->setFilter(filterFor(QStringLiteral("Soups")));
    t->setFiltered(true);
    t->setRecNo(7);
    t->edit();
    t->setFieldText(Nimi, QStringLiteral("Edited, not posted"));
    QStringList expected;
    for (int i = 0; i < 1500; ++i) {
        if (i % 3)
            expected << QStringLiteral("Row %1").arg(i);
    }
    expected[6] = QStringLiteral("Edited, not posted");
    QCOMPARE(t->fieldTexts(Nimi, 1, 5000), expected);
    QCOMPARE(t->RecNo(), 7);
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("Edited, not posted"));
    QCOMPARE(t->fieldTexts(Nimi, 999, 10), expected.mid(998));
    QVERIFY(t->fieldTexts(Nimi, 1001, 10).isEmpty());
    QVERIFY(t->fieldTexts(Nimi, 1, 0).isEmpty());

    t->post();
    t->setRecNo(3);
    t->deleteRow();
    addRow(*t, QStringLiteral("Appended"), QStringLiteral("Soups"));
    expected.removeAt(2);
    expected << QStringLiteral("Appended");
    QCOMPARE(t->fieldTexts(Nimi, 1, 5000), expected);
    t->apply();
    QCOMPARE(t->fieldTexts(Nimi, 1, 5000), viewNames(*t));

    auto recipes = book.open(QStringLiteral("Ohje"));
    recipes->append();
    recipes->setFieldText(Nimi, QStringLiteral("Rye bread"));
    recipes->setFieldText(QStringLiteral("Annos"), QStringLiteral("12"));
    recipes->setFieldBool(QStringLiteral("Kuva"), true);
    recipes->apply();
    auto reread = book.open(QStringLiteral("Ohje"));
    QCOMPARE(reread->fieldTexts(QStringLiteral("Annos"), 1, 1), QStringList{"12"});
    QCOMPARE(reread->fieldTexts(QStringLiteral("Kuva"), 1, 1), QStringList{"True"});
    QCOMPARE(reread->fieldTexts(QStringLiteral("Aste"), 1, 1), QStringList{QString()});
    QVERIFY_THROWS_EXCEPTION(StoreError, reread->fieldTexts(QStringLiteral("Nope"), 1, 1));
}

QTEST_GUILESS_MAIN(TestPackTable)
#include "TestPackTable.moc"
