#include "StoreFixture.h"

#include "store/book/Book.h"
#include "store/backup/BookBackup.h"
#include "store/backup/BookRestore.h"
#include "store/book/BookCheck.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/book/Trash.h"

#include <QDir>
#include <QSignalSpy>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include <csignal>

using RecipeBook::Book;
using RecipeBook::Trash;

namespace {

// A book with main group "Dinners" (subgroups "Soups" and "Stews", two
// recipes each, all with pictures) and main group "Baking" (subgroup "Bread").
struct TrashBook : StoreFixture
{
    QString pics = data + QStringLiteral("/Pics/");

    TrashBook()
    {
        auto mains = open(QStringLiteral("Paaryhma"));
        auto subs = open(QStringLiteral("Alaryhma"));
        auto recipes = open(QStringLiteral("Ohje"));
        addRow(*mains, QStringLiteral("Dinners"));
        addRow(*mains, QStringLiteral("Baking"));
        addRow(*subs, QStringLiteral("Soups"), QStringLiteral("Dinners"));
        addRow(*subs, QStringLiteral("Stews"), QStringLiteral("Dinners"));
        addRow(*subs, QStringLiteral("Bread"), QStringLiteral("Baking"));
        for (const QString &name : {QStringLiteral("Pea soup"), QStringLiteral("Leek soup")})
            addRecipe(*recipes, name, QStringLiteral("Soups"));
        for (const QString &name : {QStringLiteral("Goulash"), QStringLiteral("Chili")})
            addRecipe(*recipes, name, QStringLiteral("Stews"));
        mains->apply();
        subs->apply();
        recipes->apply();
    }

    void addRecipe(TPackTable &recipes, const QString &name, const QString &group)
    {
        addRow(recipes, name, group);
        recipes.edit();
        recipes.setFieldText(QStringLiteral("Kuvaus"), name + QStringLiteral(" for four"));
        recipes.setFieldBool(QStringLiteral("Kuva"), true);
        recipes.post();
        QFile f(pics + PicturePaths::pictureFileName(name));
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray("picture of ") + name.toUtf8());
    }

    QByteArray picture(const QString &name) const
    {
        QFile f(pics + PicturePaths::pictureFileName(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QStringList stored(const QString &table, const QString &where = QString()) const
    {
        return queryFile(file(table), QStringLiteral("SELECT Nimi FROM %1 %2 ORDER BY id").arg(table, where));
    }

    // The book's current rows: the main group `main`, its subgroup `sub`.
    static void select(TPackTable &table, const QString &name)
    {
        for (table.first(); !table.eof(); table.next()) {
            if (table.fieldText(QStringLiteral("Nimi")) == name)
                return;
        }
        QFAIL(qPrintable(QStringLiteral("no row %1").arg(name)));
    }
};

bool bookIsSound(const QString &data)
{
    BookCheck check(data);
    const bool sound = check.run() == BookCheck::Outcome::Sound;
    if (!sound)
        qWarning("%s", qPrintable(check.lines().join(QLatin1Char('\n'))));
    return sound;
}

} // namespace

class TestTrash : public QObject
{
    Q_OBJECT

private slots:
    void mainGroupGoesIntoTheTrashAndComesBack();
    void namesTakenMeanwhileGetANumber();
    void failedDeletionLeavesBookAndTrashAsTheyWere();
    void foreignTrashFileIsKeptAsideAndANewTrashStarts();
    void killedDeletionsAndRestoresLoseAndDoubleNothing();
    void backupCarriesTheTrashWithItsPictures();
};

void TestTrash::mainGroupGoesIntoTheTrashAndComesBack()
{
    TrashBook book;
    const QString ids = queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT group_concat(id) FROM Ohje"))
                            .value(0);
    {
        Book b(book.data, book.pics);
        b.mainGroups().open();
        TrashBook::select(b.mainGroups(), QStringLiteral("Dinners"));
        QCOMPARE(b.deleteMainGroup(b.mainGroups().currentRowId()).size(), 4);
    }
    QCOMPARE(book.stored(QStringLiteral("Paaryhma")), QStringList{"Baking"});
    QCOMPARE(book.stored(QStringLiteral("Alaryhma")), QStringList{"Bread"});
    QCOMPARE(book.stored(QStringLiteral("Ohje")), QStringList());
    QCOMPARE(book.picture(QStringLiteral("Goulash")), QByteArray("<missing>"));
    QVERIFY(bookIsSound(book.data));

    Trash trash(book.data, book.pics);
    const QVector<Trash::Entry> entries = trash.entries();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().kind, Trash::Kind::MainGroup);
    QCOMPARE(entries.first().name, QStringLiteral("Dinners"));
    QCOMPARE(entries.first().subgroups, 2);
    QCOMPARE(entries.first().recipes, 4);
    QCOMPARE(QDir(Trash::pictureFolder(book.pics) + QString::number(entries.first().id)).entryList(QDir::Files).size(),
             4);

    const Trash::Restored done = trash.restore(entries.first().id);
    QCOMPARE(done.mainGroup, QStringLiteral("Dinners"));
    QVERIFY(done.renamed.isEmpty());
    // Back in their old places, with every field and picture.
    QCOMPARE(book.stored(QStringLiteral("Paaryhma")), (QStringList{"Dinners", "Baking"}));
    QCOMPARE(book.stored(QStringLiteral("Alaryhma"), QStringLiteral("WHERE Ryhma = 'Dinners'")),
             (QStringList{"Soups", "Stews"}));
    QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT group_concat(id) FROM Ohje")).value(0),
             ids);
    QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")),
                       QStringLiteral("SELECT Kuvaus || Kuva FROM Ohje WHERE Nimi = 'Chili'")),
             QStringList{"Chili for four1"});
    QCOMPARE(book.picture(QStringLiteral("Pea soup")), QByteArray("picture of Pea soup"));
    QVERIFY(trash.entries().isEmpty());
    QVERIFY(QDir(Trash::pictureFolder(book.pics)).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(bookIsSound(book.data));
}

void TestTrash::namesTakenMeanwhileGetANumber()
{
    TrashBook book;
    {
        Book b(book.data, book.pics);
        b.mainGroups().open();
        b.subgroups().open();
        b.recipes().open();
        b.subgroups().setFilter(RecipeBook::childFilter(QStringLiteral("Dinners")));
        TrashBook::select(b.subgroups(), QStringLiteral("Soups"));
        b.recipes().setFilter(RecipeBook::childFilter(QStringLiteral("Soups")));
        TrashBook::select(b.recipes(), QStringLiteral("Pea soup"));
        b.deleteRecipe(b.recipes().currentRowId());
        // The rest of its subgroup and then its main group go too; a new
        // recipe and a new main group take the names meanwhile.
        TrashBook::select(b.subgroups(), QStringLiteral("Soups"));
        b.deleteSubgroup(b.subgroups().currentRowId());
        b.addMainGroup(QStringLiteral("Soups"));
        QVERIFY(b.addRecipe(QStringLiteral("Bread"), QStringLiteral("Pea soup")));
    }
    QFile newPicture(book.pics + QStringLiteral("Pea soup.jpg"));
    QVERIFY(newPicture.open(QIODevice::WriteOnly));
    newPicture.write("the new one");
    newPicture.close();

    // Restored through the book, which says where it went.
    Book b(book.data, book.pics);
    QSignalSpy groups(&b, &Book::groupsChanged);
    QSignalSpy subgroups(&b, &Book::subgroupsChanged);
    QSignalSpy recipes(&b, &Book::recipesChanged);
    const std::unique_ptr<Trash> opened = b.openTrash();
    Trash &trash = *opened;
    QCOMPARE(trash.entries().size(), 2);
    const Trash::Restored done = b.restoreFromTrash(trash.findByName(QStringLiteral("Pea soup"))->id);
    QCOMPARE(done.mainGroup, QStringLiteral("Dinners"));
    QCOMPARE(done.subgroup, QStringLiteral("Soups (2)"));
    QCOMPARE(done.recipe, QStringLiteral("Pea soup (2)"));
    QCOMPARE(done.renamed.size(), 2);
    QCOMPARE(groups.size(), 1);
    QCOMPARE(subgroups.size(), 1);
    QCOMPARE(subgroups.constFirst().constFirst().toString(), QStringLiteral("Dinners"));
    QCOMPARE(recipes.size(), 1);
    QCOMPARE(recipes.constFirst().constFirst().toString(), QStringLiteral("Soups (2)"));
    QCOMPARE(book.stored(QStringLiteral("Ohje"), QStringLiteral("WHERE Ryhma = 'Soups (2)'")),
             QStringList{"Pea soup (2)"});
    QCOMPARE(book.picture(QStringLiteral("Pea soup (2)")), QByteArray("picture of Pea soup"));
    QCOMPARE(book.picture(QStringLiteral("Pea soup")), QByteArray("the new one"));

    // The subgroup's entry comes back beside the one made anew for the recipe.
    const Trash::Restored group = trash.restore(trash.newest()->id);
    QCOMPARE(group.subgroup, QStringLiteral("Soups (3)"));
    QCOMPARE(book.stored(QStringLiteral("Ohje"), QStringLiteral("WHERE Ryhma = 'Soups (3)'")),
             QStringList{"Leek soup"});
    QCOMPARE(book.picture(QStringLiteral("Leek soup")), QByteArray("picture of Leek soup"));
    QVERIFY(trash.entries().isEmpty());
    QVERIFY(bookIsSound(book.data));
}

void TestTrash::failedDeletionLeavesBookAndTrashAsTheyWere()
{
    TrashBook book;
    // The trash's picture folder cannot be made: a file stands in its place.
    QFile blocker(Trash::pictureFolder(book.pics).chopped(1));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        Book b(book.data, book.pics);
        b.mainGroups().open();
        TrashBook::select(b.mainGroups(), QStringLiteral("Dinners"));
        QVERIFY_THROWS_EXCEPTION(StoreError, b.deleteMainGroup(b.mainGroups().currentRowId()));
        QVERIFY(!b.mainGroups().hasPendingChanges());
    }
    QCOMPARE(book.stored(QStringLiteral("Ohje")).size(), 4);
    QCOMPARE(book.picture(QStringLiteral("Chili")), QByteArray("picture of Chili"));
    QFile::remove(blocker.fileName());
    {
        Trash trash(book.data, book.pics);
        QVERIFY(trash.entries().isEmpty());
    }
    QVERIFY(bookIsSound(book.data));

    // A trash whose entry numbers are used up refuses the deletion whole.
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(Trash::fileName(book.data)).constData(), &db), SQLITE_OK);
    QCOMPARE(sqlite3_exec(db,
                          "INSERT INTO RoskaPoistot (id, Laji, Nimi, Poistettu) "
                          "VALUES (9223372036854775807, 'Ohje', 'Last', 0)",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(db);
    const QByteArray trashBefore = fileHash(Trash::fileName(book.data));
    {
        Book b(book.data, book.pics);
        b.mainGroups().open();
        TrashBook::select(b.mainGroups(), QStringLiteral("Dinners"));
        try {
            b.deleteMainGroup(b.mainGroups().currentRowId());
            QFAIL("a deletion went into a full trash");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(QLatin1String("trash is full")), qPrintable(e.message()));
        }
        QVERIFY(!b.mainGroups().hasPendingChanges());
    }
    QCOMPARE(book.stored(QStringLiteral("Ohje")).size(), 4);
    QCOMPARE(book.picture(QStringLiteral("Chili")), QByteArray("picture of Chili"));
    QCOMPARE(fileHash(Trash::fileName(book.data)), trashBefore);
}

void TestTrash::foreignTrashFileIsKeptAsideAndANewTrashStarts()
{
    QStringList notices;
    Trash::setNoticeHandler([&notices](const QString &text) { notices << text; });
    for (const QString &kind : {QStringLiteral("table"), QStringLiteral("empty"), QStringLiteral("garbage")}) {
        TrashBook book;
        const QString file = Trash::fileName(book.data);
        if (kind == QLatin1String("table")) {
            // A table file of the book is no trash.
            QVERIFY(QFile::copy(book.file(QStringLiteral("Paaryhma")), file));
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("garbage"))
                f.write(QByteArray(3000, 'g'));
        }
        const QByteArray foreign = fileHash(file);
        notices.clear();
        {
            Book b(book.data, book.pics);
            b.mainGroups().open();
            TrashBook::select(b.mainGroups(), QStringLiteral("Baking"));
            b.deleteMainGroup(b.mainGroups().currentRowId());
        }
        QCOMPARE(book.stored(QStringLiteral("Paaryhma")), QStringList{"Dinners"});
        QCOMPARE(notices.size(), 1);
        const QStringList aside
            = QDir(book.data).entryList({QStringLiteral("Roskakori-not-a-trash-*.db")}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY2(notices.first().contains(aside.first()), qPrintable(notices.first()));
        QCOMPARE(fileHash(book.data + QLatin1Char('/') + aside.first()), foreign);

        // The new trash holds the deletion and gives it back; it is told once.
        Trash trash(book.data, book.pics);
        QCOMPARE(trash.entries().size(), 1);
        trash.restore(trash.newest()->id);
        QCOMPARE(book.stored(QStringLiteral("Paaryhma")), (QStringList{"Dinners", "Baking"}));
        QCOMPARE(notices.size(), 1);
    }
    Trash::setNoticeHandler(nullptr);
}

void TestTrash::killedDeletionsAndRestoresLoseAndDoubleNothing()
{
    StoreFixture book;
    const QString pics = book.data + QStringLiteral("/Pics/");
    QStringList recipeNames;
    {
        auto mains = book.open(QStringLiteral("Paaryhma"));
        auto subs = book.open(QStringLiteral("Alaryhma"));
        auto recipes = book.open(QStringLiteral("Ohje"));
        addRow(*mains, QStringLiteral("M"));
        for (int s = 1; s <= 4; ++s) {
            addRow(*subs, QStringLiteral("S%1").arg(s), QStringLiteral("M"));
            for (int r = 1; r <= 3; ++r) {
                const QString name = QStringLiteral("S%1 recipe %2").arg(s).arg(r);
                recipeNames << name;
                addRow(*recipes, name, QStringLiteral("S%1").arg(s));
                recipes->edit();
                recipes->setFieldBool(QStringLiteral("Kuva"), true);
                recipes->post();
                QFile f(pics + name + QStringLiteral(".jpg"));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(name.toUtf8().repeated(200));
            }
        }
        mains->apply();
        subs->apply();
        recipes->apply();
    }

    long cycles = 0;
    for (int round = 0; round < 8; ++round) {
        QProcess child;
        child.start(QStringLiteral(MEALDECK_TRASH_CHILD), {book.data});
        QVERIFY(child.waitForStarted(5000));
        QByteArray out;
        while (!out.contains("ready") && child.waitForReadyRead(5000))
            out += child.readAllStandardOutput();
        QTest::qWait(20 + int(QRandomGenerator::global()->bounded(400)));
        const qint64 pid = child.processId();
        QVERIFY2(child.state() == QProcess::Running && pid > 0,
                 qPrintable(QStringLiteral("the child ended by itself (%1): %2")
                                .arg(child.exitCode())
                                .arg(QString::fromLocal8Bit(child.readAllStandardError()))));
        ::kill(pid_t(pid), SIGKILL);
        child.waitForFinished(5000);
        cycles += (out + child.readAllStandardOutput()).count("cycle");

        // Opening the book rolls back what the kill cut short; the trash
        // then settles the picture files.
        {
            Trash trash(book.data, pics);
            trash.settle();
        }
        for (const QString &file : {book.file(QStringLiteral("Paaryhma")), book.file(QStringLiteral("Alaryhma")),
                                    book.file(QStringLiteral("Ohje")), Trash::fileName(book.data)})
            QCOMPARE(queryFile(file, QStringLiteral("PRAGMA integrity_check")), QStringList{"ok"});
        const QString trashFile = Trash::fileName(book.data);
        const QStringList entries = QFileInfo::exists(trashFile)
                                        ? queryFile(trashFile, QStringLiteral("SELECT id FROM RoskaPoistot"))
                                        : QStringList();
        for (const QString &name : recipeNames) {
            const int inBook = queryFile(book.file(QStringLiteral("Ohje")),
                                         QStringLiteral("SELECT count(*) FROM Ohje WHERE Nimi = '%1'").arg(name))
                                   .value(0)
                                   .toInt();
            const int inTrash = entries.isEmpty() ? 0 : queryFile(trashFile, QStringLiteral("SELECT count(*) FROM RoskaOhje WHERE Nimi = '%1'")
                                                         .arg(name))
                                    .value(0)
                                    .toInt();
            QVERIFY2(inBook + inTrash == 1, qPrintable(QStringLiteral("%1: %2 + %3").arg(name).arg(inBook).arg(inTrash)));
            const QString inPics = pics + name + QStringLiteral(".jpg");
            const QString entry =
                queryFile(trashFile, QStringLiteral("SELECT Poisto FROM RoskaOhje WHERE Nimi = '%1'").arg(name)).value(0);
            const QString kept = Trash::pictureFolder(pics) + entry + QLatin1Char('/') + name + QStringLiteral(".jpg");
            QFile picture(inBook ? inPics : kept);
            QVERIFY2(picture.open(QIODevice::ReadOnly), qPrintable(picture.fileName()));
            QCOMPARE(picture.readAll(), name.toUtf8().repeated(200));
            if (inTrash)
                QVERIFY2(!QFileInfo::exists(inPics), qPrintable(inPics + QStringLiteral(" is there twice")));
        }
        // A subgroup is wholly in the book or wholly in the trash.
        for (int s = 1; s <= 4; ++s) {
            const QString where = QStringLiteral("WHERE Ryhma = 'S%1'").arg(s);
            const int subgroup = queryFile(book.file(QStringLiteral("Alaryhma")),
                                           QStringLiteral("SELECT count(*) FROM Alaryhma WHERE Nimi = 'S%1'").arg(s))
                                     .value(0)
                                     .toInt();
            const int recipes =
                queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT count(*) FROM Ohje ") + where)
                    .value(0)
                    .toInt();
            QVERIFY(subgroup == 1 ? recipes >= 2 : recipes == 0);
        }
        const QStringList folders =
            QDir(Trash::pictureFolder(pics)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY2(folders.size() <= entries.size(), qPrintable(folders.join(QLatin1Char(' '))));
        QVERIFY(bookIsSound(book.data));
    }
    QVERIFY2(cycles > 0, "the child never finished a deletion and restore");
}

void TestTrash::backupCarriesTheTrashWithItsPictures()
{
    TrashBook book;
    {
        Book b(book.data, book.pics);
        b.mainGroups().open();
        TrashBook::select(b.mainGroups(), QStringLiteral("Dinners"));
        QCOMPARE(b.deleteMainGroup(b.mainGroups().currentRowId()).size(), 4);
    }
    const QString file = book.dir.path() + QStringLiteral("/book.zip");
    QStringList skipped;
    QVERIFY_THROWS_NO_EXCEPTION(skipped = BookBackup::writeBackup(book.data, file).skipped);
    QVERIFY2(skipped.isEmpty(), qPrintable(skipped.join(QLatin1Char('\n'))));

    // Restored on another computer, the deleted recipes come back with their pictures.
    QTemporaryDir other;
    const QString data = other.path() + QStringLiteral("/Data");
    BookRestore restore(data, file);
    QVERIFY_THROWS_NO_EXCEPTION(restore.check());
    QVERIFY_THROWS_NO_EXCEPTION(restore.replace());
    QVERIFY(bookIsSound(data));
    {
        Trash trash(data, data + QStringLiteral("/Pics/"));
        QCOMPARE(trash.entries().size(), 1);
        trash.restore(trash.newest()->id);
    }
    for (const QString &name : {QStringLiteral("Pea soup"), QStringLiteral("Chili")}) {
        QFile picture(data + QStringLiteral("/Pics/") + PicturePaths::pictureFileName(name));
        QVERIFY2(picture.open(QIODevice::ReadOnly), qPrintable(name));
        QCOMPARE(picture.readAll(), QByteArray("picture of ") + name.toUtf8());
    }
    QVERIFY(bookIsSound(data));
}

QTEST_GUILESS_MAIN(TestTrash)
#include "TestTrash.moc"
