#include "StoreFixture.h"
#include "support/TmpfsMount.h"

#include "store/table/JpegCodec.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/table/ProgramPaths.h"
#include "store/table/StoreTransaction.h"

#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

// A book on a small file system that runs full or turns read-only: every
// failure is reported (a StoreError, a false result with a reason) and the
// recipes stored before it are all still there and whole.
namespace {

struct MountedBook
{
    explicit MountedBook(int kilobytes)
        : mount(kilobytes)
    {
        if (!mount.isMounted())
            return;
        QString error;
        try {
            RecipeBook::createBook(mount.path(), false);
        } catch (const StoreError &e) {
            error = e.message();
            qFatal("cannot create a book: %s", qPrintable(error));
        }
        data = mount.path() + QStringLiteral("/Data");
    }
    QString file(const char *table) const
    {
        return data + QLatin1Char('/') + QString::fromLatin1(table) + QStringLiteral(".db");
    }
    std::unique_ptr<TPackTable> open(const char *table) const
    {
        auto t = std::make_unique<TPackTable>();
        t->setDatabaseName(data);
        t->setTableName(QString::fromLatin1(table));
        t->setTableType(TTableType::Paradox);
        t->open();
        return t;
    }

    TmpfsMount mount;
    QString data;
};

QString ingredients(int n, int lines)
{
    QStringList list;
    for (int i = 0; i < lines; ++i)
        list << QStringLiteral("%1,5 dl milk for recipe %2").arg(i).arg(n);
    return list.join(QLatin1Char('\n'));
}

void addRecipes(TPackTable &t, int first, int count, int lines = 5)
{
    for (int i = first; i < first + count; ++i) {
        t.append();
        t.setFieldText(QStringLiteral("Nimi"), QStringLiteral("Recipe %1").arg(i));
        t.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Soups"));
        t.setFieldText(QStringLiteral("Aineet"), ingredients(i, lines));
        t.post();
    }
}

// Every recipe 1..count is there once, in order, with its whole ingredient list.
void verifyRecipes(const QString &file, int count, int lines = 5)
{
    QCOMPARE(queryFile(file, QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    const QStringList rows = queryFile(file, QStringLiteral("SELECT Nimi || '|' || Aineet FROM Ohje ORDER BY id"));
    QCOMPARE(rows.size(), count);
    for (int i = 1; i <= count; ++i)
        QCOMPARE(rows.at(i - 1), QStringLiteral("Recipe %1|").arg(i) + ingredients(i, lines));
}

QImage noise(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    auto *random = QRandomGenerator::global();
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = random->generate();
    }
    return image;
}

} // namespace

class TestFaultDisk : public QObject
{
    Q_OBJECT

private slots:
    void applyOnAFullDisk_data();
    void applyOnAFullDisk();
    void renameScopeOnAFullDisk_data();
    void renameScopeOnAFullDisk();
    void packOnAFullDisk();
    void pictureOnAFullDisk();
    void readOnlyDataFolder();
    void missingPicsFolder();
};

void TestFaultDisk::applyOnAFullDisk_data()
{
    // How much room is left when the apply starts: none (the journal cannot
    // be made), a little (the journal starts, the table cannot grow), more
    // (the table grows part of the way).
    QTest::addColumn<qint64>("room");
    QTest::addRow("no room") << qint64(0);
    QTest::addRow("8 KB") << qint64(8 * 1024);
    QTest::addRow("64 KB") << qint64(64 * 1024);
}

void TestFaultDisk::applyOnAFullDisk()
{
    QFETCH(qint64, room);
    MountedBook book(2048);
    REQUIRE_MOUNT(book.mount);
    {
        auto t = book.open("Ohje");
        addRecipes(*t, 1, 10);
        t->apply();
        QVERIFY(book.mount.fill(room));
        // A recipe far larger than the room left.
        addRecipes(*t, 11, 1, 20000);
        QVERIFY_THROWS_EXCEPTION(StoreError, t->apply());
        QVERIFY(t->hasPendingChanges());
        QCOMPARE(t->recordCount(), 11);
    }
    // Nothing of the failed apply reached the file, nothing before it went.
    verifyRecipes(book.file("Ohje"), 10);

    // With room again the same recipe is stored.
    book.mount.freeSpace();
    {
        auto t = book.open("Ohje");
        addRecipes(*t, 11, 1);
        t->apply();
    }
    verifyRecipes(book.file("Ohje"), 11);
}

// A change over two tables (a subgroup renamed, its recipes following) runs
// out of room: neither table takes any of it, and both are whole.
void TestFaultDisk::renameScopeOnAFullDisk_data()
{
    // The room decides where it fails: the first table's journal, the second
    // table's rows, or the commit.
    QTest::addColumn<qint64>("room");
    QTest::addRow("no room") << qint64(0);
    QTest::addRow("16 KB") << qint64(16 * 1024);
    QTest::addRow("48 KB") << qint64(48 * 1024);
}

void TestFaultDisk::renameScopeOnAFullDisk()
{
    QFETCH(qint64, room);
    MountedBook book(2048);
    REQUIRE_MOUNT(book.mount);
    auto subgroups = book.open("Alaryhma");
    auto recipes = book.open("Ohje");
    addRow(*subgroups, QStringLiteral("Soups"), QStringLiteral("Dinners"));
    subgroups->apply();
    addRecipes(*recipes, 1, 10, 200);
    recipes->apply();
    const QStringList subgroupsBefore = queryFile(book.file("Alaryhma"), QStringLiteral("SELECT Nimi FROM Alaryhma"));
    const QByteArray recipesBefore = fileHash(book.file("Ohje"));

    QVERIFY(book.mount.fill(room));
    bool failed = false;
    try {
        StoreTransaction scope(*subgroups);
        subgroups->first();
        subgroups->edit();
        subgroups->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Soups and stews"));
        subgroups->apply();
        for (recipes->first(); !recipes->eof(); recipes->next()) {
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Soups and stews"));
            recipes->post();
        }
        recipes->apply();
        scope.commit();
    } catch (const StoreError &e) {
        failed = true;
        QVERIFY(!e.message().isEmpty());
        qInfo("%s", qPrintable(e.message()));
    }
    QVERIFY2(failed, "a change on a full disk reported success");
    // The renamed subgroup is not lost: it waits to be applied again.
    QVERIFY(subgroups->hasPendingChanges());
    subgroups.reset();
    recipes.reset();
    for (const char *table : {"Paaryhma", "Alaryhma", "Ohje"})
        QCOMPARE(queryFile(book.file(table), QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    QCOMPARE(queryFile(book.file("Alaryhma"), QStringLiteral("SELECT Nimi FROM Alaryhma")), subgroupsBefore);
    QCOMPARE(fileHash(book.file("Ohje")), recipesBefore);
    book.mount.freeSpace();
    verifyRecipes(book.file("Ohje"), 10, 200);
}

void TestFaultDisk::packOnAFullDisk()
{
    MountedBook book(2048);
    REQUIRE_MOUNT(book.mount);
    {
        auto t = book.open("Ohje");
        addRecipes(*t, 1, 60, 40);
        t->apply();
        // Every other recipe goes, so packing has work to do.
        t->first();
        for (int i = 0; i < 30; ++i) {
            t->next();
            t->deleteRow();
        }
        t->apply();
    }
    const QStringList before = queryFile(book.file("Ohje"), QStringLiteral("SELECT Nimi || Aineet FROM Ohje ORDER BY id"));
    QCOMPARE(before.size(), 30);
    QVERIFY(book.mount.fill(0));
    {
        TPackTable t;
        t.setDatabaseName(book.data);
        t.setTableName(QStringLiteral("Ohje"));
        t.setTableType(TTableType::Paradox);
        t.setExclusive(true);
        QVERIFY2(!t.Pack(), "a pack on a full disk reported success");
    }
    QCOMPARE(queryFile(book.file("Ohje"), QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
    QCOMPARE(queryFile(book.file("Ohje"), QStringLiteral("SELECT Nimi || Aineet FROM Ohje ORDER BY id")), before);

    book.mount.freeSpace();
    {
        TPackTable t;
        t.setDatabaseName(book.data);
        t.setTableName(QStringLiteral("Ohje"));
        t.setTableType(TTableType::Paradox);
        t.setExclusive(true);
        QVERIFY(t.Pack());
    }
    QCOMPARE(queryFile(book.file("Ohje"), QStringLiteral("SELECT Nimi || Aineet FROM Ohje ORDER BY id")), before);
}

void TestFaultDisk::pictureOnAFullDisk()
{
    MountedBook book(1024);
    REQUIRE_MOUNT(book.mount);
    ProgramPaths::setProgramFolder(book.mount.path());
    const QString path = PicturePaths::pictureFile(QStringLiteral("Pea soup"));
    QImage old(169, 169, QImage::Format_RGB32);
    old.fill(Qt::darkGreen);
    QVERIFY_THROWS_NO_EXCEPTION(JpegCodec::encodeFile(old, path));
    const QByteArray oldHash = fileHash(path);

    QVERIFY(book.mount.fill(0));
    // Replacing the picture fails and says why; the old picture stays whole.
    QVERIFY(!storeFailure([&] { JpegCodec::encodeFile(noise(400), path); }).isEmpty());
    QCOMPARE(fileHash(path), oldHash);
    QCOMPARE(JpegCodec::decodeFile(path).size(), QSize(169, 169));
    // A new picture is not left behind half written.
    const QString other = PicturePaths::pictureFile(QStringLiteral("Bread"));
    QVERIFY(!storeFailure([&] { JpegCodec::encodeFile(noise(400), other); }).isEmpty());
    QCOMPARE(QDir(ProgramPaths::picsFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Pea soup.jpg"});
}

void TestFaultDisk::readOnlyDataFolder()
{
    MountedBook book(2048);
    REQUIRE_MOUNT(book.mount);
    {
        auto t = book.open("Ohje");
        addRecipes(*t, 1, 10);
        t->apply();
    }
    QVERIFY(book.mount.setReadOnly(true));
    {
        // The book opens for reading, or opening fails with a message;
        // writing fails with a message and keeps the rows pending.
        std::unique_ptr<TPackTable> t;
        try {
            t = book.open("Ohje");
        } catch (const StoreError &e) {
            QVERIFY(!e.message().isEmpty());
        }
        if (t) {
            QCOMPARE(t->recordCount(), 10);
            addRecipes(*t, 11, 1);
            QVERIFY_THROWS_EXCEPTION(StoreError, t->apply());
            QVERIFY(t->hasPendingChanges());
            t->close();
            t->setExclusive(true);
            QVERIFY(!t->Pack());
        }
    }
    QVERIFY(book.mount.setReadOnly(false));
    verifyRecipes(book.file("Ohje"), 10);
    {
        auto t = book.open("Ohje");
        addRecipes(*t, 11, 1);
        t->apply();
    }
    verifyRecipes(book.file("Ohje"), 11);
}

void TestFaultDisk::missingPicsFolder()
{
    StoreFixture book;
    ProgramPaths::setProgramFolder(book.dir.path());
    QVERIFY(QDir(ProgramPaths::picsFolder()).removeRecursively());
    const QString path = PicturePaths::pictureFile(QStringLiteral("Pea soup"));
    QImage image(169, 169, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(!storeFailure([&] { JpegCodec::encodeFile(image, path); }).isEmpty());
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(!storeFailure([&] { JpegCodec::decodeFile(path); }).isEmpty());
    // The tables do not depend on the picture folder.
    auto t = book.open(QStringLiteral("Ohje"));
    addRow(*t, QStringLiteral("Pea soup"), QStringLiteral("Soups"));
    t->apply();
    QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT Nimi FROM Ohje")),
             QStringList{"Pea soup"});
}

QTEST_GUILESS_MAIN(TestFaultDisk)
#include "TestFaultDisk.moc"
