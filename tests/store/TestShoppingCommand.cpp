#include "store/book/Book.h"
#include "store/book/Menu.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/book/Trash.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

// The saved menu and mealdeck-data shopping, run as a person runs it.
class TestShoppingCommand : public QObject
{
    Q_OBJECT

private slots:
    void menuAndCommandLine();
    void menuFollowsTheTrash();
};

namespace {

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run shopping(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(MEALDECK_DATA_TOOL), QStringList {QStringLiteral("shopping")} + arguments);
    Run run;
    if (!tool.waitForFinished(60000))
        return run;
    run.code = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.out = QString::fromLocal8Bit(tool.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

bool runSql(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

void TestShoppingCommand::menuAndCommandLine()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(home.path(), true));
    const QString data = home.path() + QStringLiteral("/Data");
    qint64 pea = 0, salmon = 0, potato = 0;
    const QStringList names {"Green Pea Soup", "Oven Baked Salmon", "Creamy Potato Soup"};
    for (const Menu::Recipe &recipe : Menu::readRecipes(data, {}, names)) {
        if (recipe.name == QLatin1String("Green Pea Soup"))
            pea = recipe.id;
        else if (recipe.name == QLatin1String("Oven Baked Salmon"))
            salmon = recipe.id;
        else if (recipe.name == QLatin1String("Creamy Potato Soup"))
            potato = recipe.id;
    }
    QVERIFY(pea && salmon && potato);

    // The menu file keeps ids, days and portions, a recipe more than once.
    const QVector<Menu::Entry> menu {{pea, 1, 8}, {salmon, 0, 2}, {potato, 7, 4}, {pea, 3, 2}};
    QVERIFY_THROWS_NO_EXCEPTION(Menu::write(data, menu));
    QVector<Menu::Entry> read;
    QVERIFY_THROWS_NO_EXCEPTION(read = Menu::read(data));
    QCOMPARE(read, menu);

    // A renamed recipe follows; a deleted one drops out with a note.
    QVERIFY(runSql(data + QStringLiteral("/Ohje.db"),
                   QStringLiteral("UPDATE Ohje SET Nimi = 'Pea Soup' WHERE id = %1; DELETE FROM Ohje WHERE id = %2")
                       .arg(pea)
                       .arg(potato)));
    Run run = shopping({home.path(), QStringLiteral("Oven Baked Salmon=2"), QStringLiteral("--menu")});
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.contains(QLatin1String("(deleted)")), qPrintable(run.err));
    QCOMPARE(run.out.split(u'\n', Qt::SkipEmptyParts),
             QStringList({"black pepper\tPea Soup, Oven Baked Salmon",
                          "0,5 dl breadcrumbs\tOven Baked Salmon",
                          "1-2 tbsp chopped dill\tOven Baked Salmon",
                          "3,75 dl crème fraîche\tPea Soup",
                          "2,5-5 tbsp fresh mint\tPea Soup",
                          "1,25 kg frozen peas\tPea Soup",
                          "1 lemon\tOven Baked Salmon",
                          "2,5 tbsp oil\tPea Soup",
                          "2 tbsp olive oil\tOven Baked Salmon",
                          "2,5 onion\tPea Soup",
                          "600 g salmon fillet\tOven Baked Salmon",
                          "salt\tPea Soup",
                          "1 tsp salt\tOven Baked Salmon",
                          "2,5 stock cube\tPea Soup",
                          "1,88 l water\tPea Soup"}));

    // Unknown recipes and bad counts are named; a damaged menu file is refused.
    run = shopping({home.path(), QStringLiteral("Green Pea Soup=2")});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(QLatin1String("No recipe named \"Green Pea Soup\"")), qPrintable(run.err));
    run = shopping({home.path(), QStringLiteral("Pea Soup=0")});
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(QLatin1String("\"Pea Soup=0\" needs a portion count")), qPrintable(run.err));
    QFile broken(data + u'/' + Menu::fileName());
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"entries\": 3");
    broken.close();
    QVERIFY_THROWS_EXCEPTION(StoreError, Menu::read(data));
    QCOMPARE(shopping({home.path(), QStringLiteral("--menu")}).code, 2);
}

// A recipe deleted from the book stays on the menu as deleted, also when a
// later recipe is given its id, and comes back with a restore from the trash.
void TestShoppingCommand::menuFollowsTheTrash()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QString error;
    QVERIFY_THROWS_NO_EXCEPTION(RecipeBook::createBook(home.path(), true));
    const QString data = home.path() + QStringLiteral("/Data");
    const QString pics = data + QStringLiteral("/Pics/");
    const QHash<qint64, Menu::Recipe> named = Menu::readRecipes(data, {}, {QStringLiteral("Oven Baked Salmon")});
    QCOMPARE(named.size(), 1);
    const qint64 salmon = named.begin().key();
    QVERIFY_THROWS_NO_EXCEPTION(Menu::write(data, {{salmon, 2, 3}}));

    {
        RecipeBook::Book book(data, pics);
        book.deleteRecipe(salmon);
    }
    QVector<Menu::Entry> menu;
    QVERIFY_THROWS_NO_EXCEPTION(menu = Menu::read(data));
    QCOMPARE(menu, (QVector<Menu::Entry>{{salmon, 2, 3, true}}));

    // Another recipe under the same id is not taken for the deleted one.
    QVERIFY(runSql(data + QStringLiteral("/Ohje.db"),
                   QStringLiteral("INSERT INTO Ohje (id, Nimi, Ryhma, Aineet) VALUES (%1, 'Toast', 'Soups', '1 slice bread')")
                       .arg(salmon)));
    QVERIFY(Menu::readRecipes(data, menu).isEmpty());
    Run run = shopping({home.path(), QStringLiteral("--menu")});
    QCOMPARE(run.code, 0);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(QLatin1String("(deleted)")), qPrintable(run.err));

    // Restored under a new id (its own is taken): the entry follows it.
    {
        RecipeBook::Trash trash(data, pics);
        const std::optional<RecipeBook::Trash::Entry> newest = trash.newest();
        QVERIFY(newest);
        trash.restore(newest->id);
    }
    QVERIFY_THROWS_NO_EXCEPTION(menu = Menu::read(data));
    QCOMPARE(menu.size(), 1);
    QVERIFY(!menu.at(0).deleted);
    QVERIFY(menu.at(0).recipe != salmon);
    QCOMPARE(Menu::readRecipes(data, menu).value(menu.at(0).recipe).name, QStringLiteral("Oven Baked Salmon"));
    run = shopping({home.path(), QStringLiteral("--menu")});
    QVERIFY2(run.out.contains(QLatin1String("450 g salmon fillet\tOven Baked Salmon")), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(TestShoppingCommand)
#include "TestShoppingCommand.moc"
