#include "StoreFixture.h"

#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/StoreTransaction.h"

#include <QFileInfo>
#include <QTest>

namespace {

const QString Nimi = QStringLiteral("Nimi");

// Every row of the recipe file as one text, in id order.
QStringList fileRows(const QString &path)
{
    return queryFile(path, QStringLiteral("SELECT id || '|' || Nimi || '|' || ifnull(Ryhma, '') || '|' || "
                                          "ifnull(Aineet, '') || '|' || ifnull(Annos, '') FROM Ohje ORDER BY id"));
}

void fillRecipes(TPackTable &t, int count)
{
    for (int i = 0; i < count; ++i) {
        t.append();
        t.setFieldText(Nimi, QStringLiteral("Recipe %1").arg(i));
        t.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Group %1").arg(i % 7));
        t.setFieldText(QStringLiteral("Aineet"), QString(300 + i % 50, QLatin1Char('a' + i % 26)));
        t.setFieldInt(QStringLiteral("Annos"), i % 9);
        t.post();
    }
    t.apply();
}

} // namespace

class TestPack : public QObject
{
    Q_OBJECT

private slots:
    void resolveTableType_data();
    void resolveTableType();
    void packWithoutExclusiveChangesNothingButTheName();
    void packRemovesDeadSpaceAndKeepsRows_data();
    void packRemovesDeadSpaceAndKeepsRows();
    void packLeavesTheTableAsFound();
    void packFailuresAreFalse();
};

void TestPack::resolveTableType_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("resolvedName");
    QTest::addColumn<int>("resolvedType");
    QTest::addColumn<QString>("file");

    const int def = int(TTableType::Default);
    const int px = int(TTableType::Paradox);
    const int db = int(TTableType::dBase);
    QTest::addRow("Paradox without extension") << "Ohje" << px << "Ohje.DB" << px << "Ohje.db";
    QTest::addRow("dBase without extension") << "Ohje" << db << "Ohje.DBF" << db << "Ohje.dbf";
    QTest::addRow("Default without extension") << "Ohje" << def << "Ohje" << def << "Ohje.db";
    QTest::addRow("lower-case dbf") << "Ohje.dbf" << px << "Ohje.dbf" << db << "Ohje.dbf";
    QTest::addRow("upper-case DB") << "Ohje.DB" << def << "Ohje.DB" << px << "Ohje.db";
    QTest::addRow("mixed-case db") << "Ohje.Db" << db << "Ohje.Db" << px << "Ohje.db";
    QTest::addRow("other extension") << "Ohje.txt" << px << "Ohje.txt" << def << "Ohje.txt";
    QTest::addRow("only the first four count") << "Ohje.dbfx" << px << "Ohje.dbfx" << db << "Ohje.dbfx";
    QTest::addRow("last dot counts") << "My.Book.db" << def << "My.Book.db" << px << "My.Book.db";
}

void TestPack::resolveTableType()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QString, resolvedName);
    QFETCH(int, resolvedType);
    QFETCH(QString, file);

    TPackTable t;
    t.setDatabaseName(QStringLiteral("/books/Data"));
    t.setTableName(name);
    t.setTableType(TTableType(type));
    t.ResolveTableType();
    QCOMPARE(t.TableName(), resolvedName);
    QCOMPARE(int(t.TableType()), resolvedType);
    QCOMPARE(t.tableFilePath(), QStringLiteral("/books/Data/") + file);
    // Resolving again changes nothing more.
    t.ResolveTableType();
    QCOMPARE(t.TableName(), resolvedName);
}

void TestPack::packWithoutExclusiveChangesNothingButTheName()
{
    StoreFixture book;
    const QString path = book.file(QStringLiteral("Ohje"));
    auto t = book.open(QStringLiteral("Ohje"));
    fillRecipes(*t, 50);
    t->first();
    for (int i = 0; i < 25; ++i)
        t->deleteRow();
    t->apply();
    const QByteArray before = fileHash(path);

    QVERIFY(!t->Pack());
    QCOMPARE(t->TableName(), QStringLiteral("Ohje.DB"));
    QVERIFY(t->Active());
    QCOMPARE(fileHash(path), before);
    QVERIFY(queryFile(path, QStringLiteral("PRAGMA freelist_count")).first().toInt() > 0);
}

void TestPack::packRemovesDeadSpaceAndKeepsRows_data()
{
    QTest::addColumn<int>("type");
    QTest::addRow("Paradox") << int(TTableType::Paradox);
    QTest::addRow("dBase") << int(TTableType::dBase);
}

void TestPack::packRemovesDeadSpaceAndKeepsRows()
{
    QFETCH(int, type);
    StoreFixture book;
    QString path = book.file(QStringLiteral("Ohje"));
    if (TTableType(type) == TTableType::dBase) {
        const QString dbf = book.data + QStringLiteral("/Ohje.dbf");
        QVERIFY(QFile::rename(path, dbf));
        path = dbf;
    }
    auto t = std::make_unique<TPackTable>();
    t->setDatabaseName(book.data);
    t->setTableName(TTableType(type) == TTableType::dBase ? QStringLiteral("Ohje.dbf") : QStringLiteral("Ohje"));
    t->setTableType(TTableType::Paradox);
    t->open();
    fillRecipes(*t, 400);
    // Delete every other row.
    t->first();
    while (!t->eof()) {
        t->deleteRow();
        t->next();
    }
    t->apply();
    QCOMPARE(t->recordCount(), 200);
    const QStringList rows = fileRows(path);
    QCOMPARE(rows.size(), 200);
    const qint64 sizeBefore = QFileInfo(path).size();

    // The call pattern of the program: close, exclusive, pack, open.
    t->close();
    t->setExclusive(true);
    QVERIFY(t->Pack());
    QVERIFY(!t->Active());
    QCOMPARE(int(t->TableType()), type);
    QVERIFY(t->Exclusive());
    t->open();

    QCOMPARE(queryFile(path, QStringLiteral("PRAGMA freelist_count")), QStringList{"0"});
    QCOMPARE(queryFile(path, QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    QVERIFY2(QFileInfo(path).size() < sizeBefore * 3 / 4,
             qPrintable(QStringLiteral("%1 -> %2").arg(sizeBefore).arg(QFileInfo(path).size())));
    QCOMPARE(fileRows(path), rows);

    // No larger than a fresh copy of the same rows.
    const QString copy = book.dir.filePath(QStringLiteral("copy.db"));
    QCOMPARE(queryFile(path, QStringLiteral("VACUUM INTO '%1'").arg(copy)), QStringList{});
    QVERIFY(QFileInfo(path).size() <= QFileInfo(copy).size());

    // The table still works after packing: rows, order and new rows.
    QCOMPARE(t->recordCount(), 200);
    t->first();
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("Recipe 1"));
    t->append();
    t->setFieldText(Nimi, QStringLiteral("After pack"));
    t->apply();
    t->setRecNo(t->recordCount());
    QCOMPARE(t->fieldText(Nimi), QStringLiteral("After pack"));
}

void TestPack::packLeavesTheTableAsFound()
{
    StoreFixture book;
    auto t = book.open(QStringLiteral("Paaryhma"));
    addRow(*t, QStringLiteral("A"));
    addRow(*t, QStringLiteral("B"));
    t->apply();
    t->setExclusive(true);
    QVERIFY(t->Pack());
    QVERIFY(t->Active());
    QCOMPARE(viewNames(*t), (QStringList{"A", "B"}));
    t->close();
    QVERIFY(t->Pack());
    QVERIFY(!t->Active());
}

void TestPack::packFailuresAreFalse()
{
    StoreFixture book;
    // A missing file.
    TPackTable missing;
    missing.setDatabaseName(book.data);
    missing.setTableName(QStringLiteral("Nothing"));
    missing.setTableType(TTableType::Paradox);
    missing.setExclusive(true);
    QVERIFY(!missing.Pack());
    QVERIFY(!QFileInfo::exists(book.data + QStringLiteral("/Nothing.db")));

    // A Default table (other extension) is not packed.
    QVERIFY(QFile::copy(book.file(QStringLiteral("Paaryhma")), book.data + QStringLiteral("/Paaryhma.bak")));
    TPackTable other;
    other.setDatabaseName(book.data);
    other.setTableName(QStringLiteral("Paaryhma.bak"));
    other.setExclusive(true);
    QVERIFY(!other.Pack());

    // Inside a transaction scope.
    auto mains = book.open(QStringLiteral("Paaryhma"));
    auto subs = book.open(QStringLiteral("Alaryhma"));
    mains->setExclusive(true);
    {
        StoreTransaction scope(*subs);
        QVERIFY(!mains->Pack());
        QVERIFY(mains->Active());
        scope.commit();
    }
    QVERIFY(mains->Pack());

    // A file that became unreadable: false, and the table stays closed.
    mains->close();
    subs->close();
    QFile f(book.file(QStringLiteral("Paaryhma")));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("not a table");
    f.close();
    TPackTable broken;
    broken.setDatabaseName(book.data);
    broken.setTableName(QStringLiteral("Paaryhma"));
    broken.setTableType(TTableType::Paradox);
    broken.setExclusive(true);
    QVERIFY(!broken.Pack());
    QVERIFY(!broken.Active());
}

QTEST_GUILESS_MAIN(TestPack)
#include "TestPack.moc"
