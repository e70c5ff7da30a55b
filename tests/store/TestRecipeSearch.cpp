#include "StoreFixture.h"

#include "store/table/ProgramError.h"
#include "store/book/RecipeSearch.h"
#include "store/table/StoreTransaction.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <thread>

namespace {

struct Recipe
{
    const char *name;
    const char *subgroup;
    const char *ingredients;
    const char *description;
    const char *directions;
};

const Recipe Book[] = {
    {"Crème brûlée", "Desserts", "5 dl cream\n4 egg yolks\n1 dl sugar", "", "Bake in a water bath."},
    {"Knödel", "Sides", "6 bread rolls\n2,5 dl milk\n2 eggs", "Bread dumplings from Bavaria.", "Simmer gently."},
    {"Puolukkahillo", "Preserves", "1 kg lingonberries\n300 g sugar", "", "Boil for 5 minutes."},
    {"Sauerkraut", "Sides", "1 white cabbage\n20 g salt", "", "Leave to ferment for three weeks."},
    {"Tomato soup", "Soups", "1 kg tomatoes\n1 onion", "A CREME of tomatoes.", "Blend and season."},
    {"Apple pie", "Desserts", "4 apples\n2 dl flour\nCinnamon", "", "Serve with creme fraiche."},
    {"Onion tart", "Pies", "3 onions\n200 g cheese", "Like a tomato tart.", "Bake at 200 degrees."},
    {"Bread", "Breads", "flour\nwater\nsalt", "", "Knead well, then bake."},
};

} // namespace

class TestRecipeSearch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreFixture> fx;
    std::unique_ptr<TPackTable> recipes;

    void fillBook()
    {
        auto mains = fx->open(QStringLiteral("Paaryhma"));
        addRow(*mains, QStringLiteral("Cooking"));
        mains->apply();
        auto subs = fx->open(QStringLiteral("Alaryhma"));
        for (const char *s : {"Desserts", "Sides", "Preserves", "Soups", "Pies", "Breads"})
            addRow(*subs, QString::fromUtf8(s), QStringLiteral("Cooking"));
        subs->apply();
        recipes = fx->open(QStringLiteral("Ohje"));
        for (const Recipe &r : Book)
            add(r);
        recipes->apply();
    }

    void add(const Recipe &r)
    {
        recipes->append();
        recipes->setFieldText(QStringLiteral("Nimi"), QString::fromUtf8(r.name));
        recipes->setFieldText(QStringLiteral("Ryhma"), QString::fromUtf8(r.subgroup));
        recipes->setFieldText(QStringLiteral("Aineet"), QString::fromUtf8(r.ingredients));
        recipes->setFieldText(QStringLiteral("Kuvaus"), QString::fromUtf8(r.description));
        recipes->setFieldText(QStringLiteral("Ohje"), QString::fromUtf8(r.directions));
        recipes->post();
    }

    // As an import: 30 stews with `ingredients` added and Bread's
    // ingredients changed, in one store transaction.
    void importStews(const char *ingredients)
    {
        StoreTransaction scope(*recipes);
        for (int i = 0; i < 30; ++i)
            add({QByteArray("Imported stew ").append(QByteArray::number(i)).constData(), "Soups", ingredients, "", ""});
        QVERIFY(moveTo(QStringLiteral("Bread")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Aineet"), QStringLiteral("rye"));
        recipes->apply();
        scope.commit();
    }

    static QStringList names(const RecipeSearch::Result &result)
    {
        QStringList out;
        for (const auto &hit : result.hits)
            out << hit.name;
        return out;
    }

    static std::unique_ptr<RecipeSearch> ready(const QString &data)
    {
        auto search = std::make_unique<RecipeSearch>(data);
        if (search->needsRebuild()) {
            try {
                search->rebuild();
            } catch (const StoreError &e) {
                qFatal("rebuild failed: %s", qPrintable(e.message()));
            }
        }
        return search;
    }

    bool moveTo(const QString &name)
    {
        recipes->setFiltered(false);
        for (recipes->first(); !recipes->eof(); recipes->next()) {
            if (recipes->fieldText(QStringLiteral("Nimi")) == name)
                return true;
        }
        return false;
    }

    // Runs SQL on the recipe file as another program (the sqlite3 shell) would.
    void changeOutside(const QString &sql)
    {
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            QSKIP("sqlite3 shell not installed");
        QProcess p;
        p.start(shell, {QStringLiteral("-cmd"), QStringLiteral(".timeout 10000"), fx->file(QStringLiteral("Ohje")), sql});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
    }

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<StoreFixture>();
        fillBook();
    }

    void cleanup()
    {
        RecipeSearch::setBatchHook({});
        recipes.reset();
        fx.reset();
    }

    void matching_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::addRow("accent typed without") << "creme" << QStringList{"Crème brûlée", "Apple pie", "Tomato soup"};
        QTest::addRow("accent typed, none stored") << "crème fraîche" << QStringList{"Apple pie"};
        QTest::addRow("upper case umlaut dropped") << "KNODEL" << QStringList{"Knödel"};
        QTest::addRow("umlaut typed") << "knöd" << QStringList{"Knödel"};
        QTest::addRow("end of compound") << "hillo" << QStringList{"Puolukkahillo"};
        QTest::addRow("middle of compound") << "kraut" << QStringList{"Sauerkraut"};
        QTest::addRow("word beginning") << "tom" << QStringList{"Tomato soup", "Onion tart"};
        QTest::addRow("two letters") << "to" << QStringList{"Tomato soup", "Onion tart", "Sauerkraut"};
        QTest::addRow("every word must match") << "onion tomato" << QStringList{"Tomato soup", "Onion tart"};
        QTest::addRow("words anywhere, any order") << "bake yolks" << QStringList{"Crème brûlée"};
        QTest::addRow("phrase") << "\"water bath\"" << QStringList{"Crème brûlée"};
        QTest::addRow("phrase out of order") << "\"bath water\"" << QStringList{};
        QTest::addRow("nothing") << "zucchini" << QStringList{};
    }

    void matching()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        auto search = ready(fx->data);
        const RecipeSearch::Result result = search->find(query, -1);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(names(result), expected);
        QCOMPARE(result.total, int(expected.size()));
    }

    void rankingAndExcerpts()
    {
        auto search = ready(fx->data);
        // Name first, then ingredients, then description and directions;
        // by name within each.
        RecipeSearch::Result r = search->find(QStringLiteral("bread"), -1);
        QCOMPARE(names(r), (QStringList{"Bread", "Knödel"}));
        QCOMPARE(r.hits.at(1).mainGroup, QStringLiteral("Cooking"));
        QCOMPARE(r.hits.at(1).subgroup, QStringLiteral("Sides"));
        QCOMPARE(int(r.hits.at(1).field), int(RecipeSearch::Hit::Field::Ingredients));
        QCOMPARE(r.hits.at(1).excerpt.text, QStringLiteral("6 bread rolls"));
        QCOMPARE(r.hits.at(1).excerpt.marks.size(), 1);
        QCOMPARE(r.hits.at(1).excerpt.marks.at(0).start, 2);
        QCOMPARE(r.hits.at(1).excerpt.marks.at(0).length, 5);

        r = search->find(QStringLiteral("onion"), -1);
        QCOMPARE(names(r), (QStringList{"Onion tart", "Tomato soup"}));
        r = search->find(QStringLiteral("sugar"), -1);
        QCOMPARE(names(r), (QStringList{"Crème brûlée", "Puolukkahillo"}));
        r = search->find(QStringLiteral("bake"), 1);
        QCOMPARE(r.total, 3);
        QCOMPARE(names(r), (QStringList{"Bread"}));
        // The marks cover the accented letters as stored.
        r = search->find(QStringLiteral("BRULEE"), -1);
        QCOMPARE(names(r), (QStringList{"Crème brûlée"}));
        QCOMPARE(int(r.hits.at(0).field), int(RecipeSearch::Hit::Field::Name));
        // A match at the very start of a text of several lines.
        const SearchText::Excerpt first =
            SearchText::excerpt(QStringLiteral("salt\nmore\nlines"), SearchText::parse(QStringLiteral("SALT")));
        QCOMPARE(first.text, QStringLiteral("salt"));
        QCOMPARE(first.marks.size(), 1);
        QCOMPARE(first.marks.at(0).length, 4);
    }

    // Words found in most recipes take the plan that walks the names in
    // order, and word parts held by hundreds of words (saltcod1, saltcod2,
    // ...) the one that tests the names first; their first hits must be
    // those of reading every match.
    void commonWordsRankAsWhenAllAreRead()
    {
        {
            StoreTransaction scope(*recipes);
            for (int i = 0; i < 2500; ++i) {
                const QByteArray number = QByteArray::number((i * 7919) % 2500);
                const QByteArray name = (i % 97 == 0 ? QByteArray("Salted dish ") : QByteArray("Dish ")) + number
                    + (i % 10 == 0 ? " saltcod" + number : QByteArray());
                const QByteArray ingredients = (i % 3 == 0 ? QByteArray("1 tsp salt\npepper") : QByteArray("pepper"))
                    + (i % 9 == 1 ? "\nsaltpork" + number : QByteArray());
                const char *directions = i % 3 == 0 ? "Stir." : "Stir in salt.";
                add({name.constData(), "Sides", ingredients.constData(), "", directions});
            }
            recipes->apply();
            scope.commit();
        }
        auto search = ready(fx->data);
        for (const char *query : {"salt", "sa", "s", "alt", "stir salt", "stir", "pepper dish", "salted", "sa pepper",
                                  "tpork", "dish 1", "altco"}) {
            const RecipeSearch::Result first = search->find(QString::fromUtf8(query), 50, false);
            const RecipeSearch::Result all = search->find(QString::fromUtf8(query), -1, false);
            QVERIFY2(first.error.isEmpty() && all.error.isEmpty(), query);
            QCOMPARE(names(first), names(all).mid(0, 50));
            QVERIFY2(first.moreThanTotal ? first.total < all.total : first.total == all.total, query);
            // Uncounted: the same hits, and only as many counted.
            const RecipeSearch::Result quick =
                search->find(QString::fromUtf8(query), 50, false, RecipeSearch::Counting::HitsOnly);
            QCOMPARE(names(quick), names(first));
            QCOMPARE(quick.total, std::min(all.total, 50));
            QCOMPARE(quick.moreThanTotal, all.total > 50);
        }
        QVERIFY(search->find(QStringLiteral("salt"), 50).moreThanTotal);
    }

    void hostileInput_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addRow("open quote") << "\"water bath";
        QTest::addRow("lone quote") << "\"";
        QTest::addRow("operators") << "AND OR NOT NEAR(bread, salt) bread";
        QTest::addRow("star and caret") << "* ^bread bre*";
        QTest::addRow("brackets and colon") << "(nimi : bread) {aineet}";
        QTest::addRow("sql") << "'; DROP TABLE Ohje; -- bread";
        QTest::addRow("emoji") << QString::fromUtf8("🍅 tomato 🍅");
        QTest::addRow("only punctuation") << "!?-+";
        QTest::addRow("long") << QStringLiteral("salt bread ").repeated(1000);
        QTest::addRow("many different words") << [] {
            QString s;
            for (int i = 0; i < 2000; ++i)
                s += QStringLiteral("w%1 ").arg(i);
            return s;
        }();
        QTest::addRow("nul and controls") << QString::fromUtf16(u"br\u0000ead\u0001\u200b", 8);
        QTest::addRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("bread");
        QTest::addRow("combining only") << QString::fromUtf16(u"\u0301\u0308");
    }

    void hostileInput()
    {
        QFETCH(QString, query);
        auto search = ready(fx->data);
        const RecipeSearch::Result result = search->find(query, -1);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QVERIFY(!result.needsRebuild);
        QVERIFY(result.total <= int(std::size(Book)));
        // The index still works afterwards.
        QCOMPARE(search->find(QStringLiteral("bread"), -1).total, 2);
    }

    // Each kind of edit rewrites only its part of the index; the index then
    // answers as one built anew, and holds the hashes of the new texts.
    void editsKeepTheIndexAsBuiltAnew()
    {
        const QString index = fx->data + QLatin1Char('/') + RecipeSearch::indexFileName();
        const QStringList queries{"bread", "tomato", "saffron", "affro", "rye", "crumbs", "tart", "pie", "onion",
                                  "dumplings bavaria", "knodel"};
        auto answers = [&](RecipeSearch &search) {
            QStringList out;
            for (const QString &query : queries) {
                for (const RecipeSearch::Hit &hit : search.find(query, -1).hits)
                    out << query + QLatin1Char(':') + hit.name + QLatin1Char(':') + QString::number(int(hit.field));
            }
            return out;
        };
        auto edit = [&](const char *name, const char *field, const char *text) {
            QVERIFY(moveTo(QString::fromUtf8(name)));
            recipes->edit();
            recipes->setFieldText(QLatin1String(field), QString::fromUtf8(text));
            recipes->apply();
        };
        QStringList kept;
        {
            auto search = ready(fx->data);
            edit("Apple pie", "Kuvaus", "With saffron cream.");
            edit("Apple pie", "Aineet", "4 apples\nbread crumbs");
            edit("Knödel", "Nimi", "Bread dumplings");
            edit("Onion tart", "Aineet", "3 tomatoes\nryebread crumbs");
            edit("Onion tart", "Nimi", "Tomato tart");
            kept = answers(*search);
            QVERIFY(kept.contains(QStringLiteral("affro:Apple pie:2")));
            QCOMPARE(names(search->find(QStringLiteral("bread"), -1)),
                     (QStringList{"Bread", "Bread dumplings", "Apple pie", "Tomato tart"}));
            QCOMPARE(names(search->find(QStringLiteral("tomato"), -1)),
                     (QStringList{"Tomato soup", "Tomato tart"}));
        }
        // A later start that finds the recipe file changed in a field the
        // index does not hold compares the hashes: none differs.
        changeOutside(QStringLiteral("UPDATE Ohje SET Aika = '5 min'"));
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            QCOMPARE(queryFile(index, QStringLiteral("SELECT count(*) FROM HakuEpavarmat")), QStringList{"0"});
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
            QCOMPARE(answers(search), kept);
        }
    }

    void changesShowAtOnce()
    {
        auto search = ready(fx->data);
        // Edit the ingredients, as a scaling pass does, inside one scope.
        QVERIFY(moveTo(QStringLiteral("Bread")));
        {
            StoreTransaction scope(*recipes);
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Aineet"), QStringLiteral("flour\nwater\nsalt\nrosemary"));
            recipes->apply();
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Annos"), QStringLiteral("8"));
            recipes->apply();
            scope.commit();
        }
        QCOMPARE(names(search->find(QStringLiteral("rosemary"), -1)), QStringList{"Bread"});
        // Rename.
        QVERIFY(moveTo(QStringLiteral("Bread")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Rosemary loaf"));
        recipes->apply();
        QCOMPARE(names(search->find(QStringLiteral("loaf"), -1)), QStringList{"Rosemary loaf"});
        QCOMPARE(search->find(QStringLiteral("bread"), -1).total, 1);
        // Delete.
        QVERIFY(moveTo(QStringLiteral("Rosemary loaf")));
        recipes->deleteRow();
        recipes->apply();
        QCOMPARE(search->find(QStringLiteral("rosemary"), -1).total, 0);
        // Add.
        add({"Focaccia", "Breads", "flour\nrosemary", "", ""});
        recipes->apply();
        QCOMPARE(names(search->find(QStringLiteral("rosemary"), -1)), QStringList{"Focaccia"});
        // A scope that fails takes its index entries with it.
        QVERIFY(moveTo(QStringLiteral("Focaccia")));
        {
            StoreTransaction scope(*recipes);
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Ciabatta"));
            recipes->apply();
            // A search inside the scope sees its change and leaves the
            // scope's transaction open.
            QCOMPARE(names(search->find(QStringLiteral("ciabatta"), -1)), QStringList{"Ciabatta"});
        }
        QCOMPARE(search->find(QStringLiteral("ciabatta"), -1).total, 0);
        QCOMPARE(search->find(QStringLiteral("focaccia"), -1).total, 1);
        // Packing the recipe file keeps the index current, also at the next start.
        recipes->discard();
        recipes->setExclusive(true);
        QVERIFY(recipes->Pack());
        QVERIFY(!search->needsRebuild());
        search.reset();
        RecipeSearch again(fx->data);
        QCOMPARE(again.indexState(), RecipeSearch::IndexState::Current);
        QCOMPARE(names(again.find(QStringLiteral("rosemary"), -1)), QStringList{"Focaccia"});
    }

    // An import: no upkeep per recipe, then the new and changed recipes in
    // one pass.
    void changesWhileIndexingAreKept()
    {
        // The index is built in the background; the recipes change after the
        // thread has read them all, before its file replaces the index.
        QSemaphore allRead;
        QSemaphore goOn;
        bool held = false;
        RecipeSearch::setBatchHook([&](qint64 done, qint64 total) {
            if (done >= total && !held) {
                held = true;
                allRead.release();
                goOn.acquire();
            }
        });
        auto search = std::make_unique<RecipeSearch>(fx->data, false);
        const auto release = qScopeGuard([&] { goOn.release(); });
        QVERIFY(search->startIndexing());
        QVERIFY(allRead.tryAcquire(1, 60000));
        QVERIFY(moveTo(QStringLiteral("Sauerkraut")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Ohje"), QStringLiteral("Stir in juniper berries."));
        recipes->apply();
        QVERIFY(moveTo(QStringLiteral("Bread")));
        recipes->deleteRow();
        recipes->apply();
        add({"Focaccia", "Breads", "flour\nrosemary", "", ""});
        recipes->apply();
        // Meanwhile the names answer.
        const RecipeSearch::Result early = search->find(QStringLiteral("KRAUT"), -1);
        QVERIFY(early.namesOnly);
        QCOMPARE(early.indexingPercent, 80);
        QCOMPARE(names(early), QStringList{"Sauerkraut"});
        goOn.release();
        QTRY_VERIFY(!search->continueIndexing());
        RecipeSearch::setBatchHook({});
        for (RecipeSearch *s : {search.get(), static_cast<RecipeSearch *>(nullptr)}) {
            std::unique_ptr<RecipeSearch> again;
            if (!s) {
                // The next start finds the index current.
                search.reset();
                again = std::make_unique<RecipeSearch>(fx->data);
                QCOMPARE(again->indexState(), RecipeSearch::IndexState::Current);
                s = again.get();
            }
            QVERIFY(!s->find(QStringLiteral("juniper"), -1).namesOnly);
            QCOMPARE(names(s->find(QStringLiteral("juniper"), -1)), QStringList{"Sauerkraut"});
            QCOMPARE(names(s->find(QStringLiteral("ferment"), -1)), QStringList{});
            QCOMPARE(names(s->find(QStringLiteral("knead"), -1)), QStringList{});
            QCOMPARE(names(s->find(QStringLiteral("rosemary"), -1)), QStringList{"Focaccia"});
        }
    }

    void manyChangesTakenInOnePass()
    {
        auto search = ready(fx->data);
        search->suspendUpkeep();
        importStews("2 carrots");
        QCOMPARE(search->find(QStringLiteral("carrots"), -1).total, 0);
        QVERIFY(!search->resumeUpkeep());
        QCOMPARE(search->indexState(), RecipeSearch::IndexState::Current);
        QCOMPARE(search->find(QStringLiteral("carrots"), -1).total, 30);
        QCOMPARE(search->find(QStringLiteral("arrot"), -1).total, 30);
        QCOMPARE(names(search->find(QStringLiteral("rye"), -1)), QStringList{"Bread"});
        QCOMPARE(names(search->find(QStringLiteral("flour"), -1)), QStringList{"Apple pie"});
        // Kept in step one by one again.
        QVERIFY(moveTo(QStringLiteral("Imported stew 7")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Nimi"), QStringLiteral("Goulash"));
        recipes->apply();
        QCOMPARE(names(search->find(QStringLiteral("goulash"), -1)), QStringList{"Goulash"});
    }

    void importTakenInOnTheIndexingThread()
    {
        auto search = ready(fx->data);
        QVERIFY(!search->startIndexing());
        std::thread::id hookThread;
        QSemaphore allRead;
        QSemaphore goOn;
        RecipeSearch::setBatchHook([&](qint64 done, qint64 total) {
            if (done >= total) {
                hookThread = std::this_thread::get_id();
                allRead.release();
                goOn.acquire();
            }
        });
        const auto release = qScopeGuard([&] { goOn.release(10); });
        search->suspendUpkeep();
        importStews("2 zucchini");
        QVERIFY(search->resumeUpkeep());
        QVERIFY(allRead.tryAcquire(1, 60000));
        QVERIFY(hookThread != std::this_thread::get_id());
        // Meanwhile the names answer, and a change is kept.
        const RecipeSearch::Result early = search->find(QStringLiteral("stew 7"), -1);
        QVERIFY(early.namesOnly);
        QCOMPARE(names(early), QStringList{"Imported stew 7"});
        QVERIFY(moveTo(QStringLiteral("Sauerkraut")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Ohje"), QStringLiteral("Stir in juniper berries."));
        recipes->apply();
        goOn.release();
        QTRY_VERIFY(!search->continueIndexing());
        QCOMPARE(search->indexState(), RecipeSearch::IndexState::Current);
        QVERIFY(!search->find(QStringLiteral("zucchini"), -1).namesOnly);
        QCOMPARE(search->find(QStringLiteral("zucchini"), -1).total, 30);
        // Parts of the new words are found too.
        QCOMPARE(search->find(QStringLiteral("ucchin"), -1).total, 30);
        QCOMPARE(names(search->find(QStringLiteral("rye"), -1)), QStringList{"Bread"});
        QCOMPARE(names(search->find(QStringLiteral("flour"), -1)), QStringList{"Apple pie"});
        QCOMPARE(names(search->find(QStringLiteral("juniper"), -1)), QStringList{"Sauerkraut"});
        QCOMPARE(search->find(QStringLiteral("ferment"), -1).total, 0);
    }

    // The index's commit is not tied to the recipe file's: a crash can keep
    // either one's change and lose the other's. The next start must never
    // take such an index for current.
    void crashBetweenBookAndIndexCommits()
    {
        const QString index = fx->data + QStringLiteral("/Haku.db");
        const QString book = fx->file(QStringLiteral("Ohje"));
        auto read = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        // Written in place, as the files a crash leaves (same inode).
        auto write = [](const QString &path, const QByteArray &bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(f.write(bytes), qint64(bytes.size()));
        };
        ready(fx->data).reset();
        const QByteArray indexBefore = read(index);
        const QByteArray bookBefore = read(book);
        QByteArray indexAfter;
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            QVERIFY(moveTo(QStringLiteral("Sauerkraut")));
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Ohje"), QStringLiteral("Stir in juniper berries."));
            recipes->apply();
            indexAfter = read(index);
        }
        recipes.reset();
        // The recipe file's change stored, the index's lost.
        write(index, indexBefore);
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            QCOMPARE(names(search.find(QStringLiteral("juniper"), -1)), QStringList{"Sauerkraut"});
            QCOMPARE(search.find(QStringLiteral("ferment"), -1).total, 0);
        }
        // The index's change stored, the recipe file's rolled back.
        write(book, bookBefore);
        write(index, indexAfter);
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            QCOMPARE(search.find(QStringLiteral("juniper"), -1).total, 0);
            QCOMPARE(names(search.find(QStringLiteral("ferment"), -1)), QStringList{"Sauerkraut"});
        }
    }

    void rebuiltWhenMissingDamagedOrStale()
    {
        const QString index = fx->data + QStringLiteral("/Haku.db");
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Missing);
            QCOMPARE(search.find(QStringLiteral("bread")).needsRebuild, true);
            QVector<qint64> seen;
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild([&](qint64 done, qint64 total) {
                seen << done;
                return total == qint64(std::size(Book));
            }));
            QVERIFY(seen.contains(qint64(std::size(Book))));
            QCOMPARE(search.find(QStringLiteral("bread")).total, 2);
        }
        const QByteArray bookBefore = fileHash(fx->file(QStringLiteral("Ohje")));

        // Damaged: not a database, or a database of something else.
        for (const QByteArray &junk : {QByteArray("not an index at all").repeated(300), QByteArray()}) {
            QFile f(index);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(junk);
            f.close();
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Damaged);
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
            QCOMPARE(search.find(QStringLiteral("kraut")).total, 1);
        }
        // Cancelled: no index is left to be taken for a current one.
        {
            RecipeSearch search(fx->data);
            QFile::remove(index);
            QVERIFY(search.needsRebuild());
            QVERIFY_THROWS_EXCEPTION(StoreCancelled, search.rebuild([](qint64, qint64) { return false; }));
            QVERIFY(!QFile::exists(index));
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
        }
        // A change by another program that touches no indexed text keeps
        // the index, closed or open.
        changeOutside(QStringLiteral("UPDATE Ohje SET Aste = 'Hard'"));
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            changeOutside(QStringLiteral("UPDATE Ohje SET Aika = '1 h'"));
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
        }
        // Changed by another program while the search was closed: the index
        // catches up with that recipe, which is no longer found by the words
        // it lost ...
        changeOutside(QStringLiteral("UPDATE Ohje SET Aineet = 'saffron' WHERE Nimi = 'Bread'"));
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            QCOMPARE(names(search.find(QStringLiteral("saffron"))), QStringList{"Bread"});
            QCOMPARE(names(search.find(QStringLiteral("flour"), -1)), QStringList{"Apple pie"});
            QCOMPARE(names(search.find(QStringLiteral("bread"), -1)), (QStringList{"Bread", "Knödel"}));
            // ... and while it is open, a recipe removed too.
            changeOutside(QStringLiteral("UPDATE Ohje SET Aineet = 'vanilla' WHERE Nimi = 'Bread';"
                                         "DELETE FROM Ohje WHERE Nimi = 'Sauerkraut'"));
            QCOMPARE(names(search.find(QStringLiteral("vanilla"))), QStringList{"Bread"});
            QCOMPARE(search.find(QStringLiteral("saffron")).total, 0);
            QCOMPARE(search.find(QStringLiteral("salt"), -1).total, 0);
            QCOMPARE(search.find(QStringLiteral("kraut"), -1).total, 0);
            // The doubtful recipes rank as any other.
            QCOMPARE(names(search.find(QStringLiteral("bread"), -1)), (QStringList{"Bread", "Knödel"}));
        }
        // An index of another layout is built anew, never read.
        {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(index).constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        {
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Stale);
            QVERIFY(search.find(QStringLiteral("vanilla")).needsRebuild);
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
            QCOMPARE(names(search.find(QStringLiteral("vanilla"))), QStringList{"Bread"});
        }
        // No rebuild writes the book.
        QCOMPARE(queryFile(fx->file(QStringLiteral("Ohje")), QStringLiteral("SELECT count(*) FROM Ohje")),
                 QStringList{QString::number(std::size(Book) - 1)});
        Q_UNUSED(bookBefore);
    }

    // One damaged page of the index: a change to the recipes is stored
    // without the index (in a scope too), the user is told once, and the
    // next search builds the index anew.
    void damagedIndexNeverBlocksAChange()
    {
        const QString index = fx->data + QStringLiteral("/Haku.db");
        ready(fx->data).reset();
        const qint64 page = queryFile(index, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'HakuRivit'"))
                                .value(0)
                                .toLongLong();
        const qint64 pageSize = queryFile(index, QStringLiteral("PRAGMA page_size")).value(0).toLongLong();
        QVERIFY(page > 1 && pageSize > 0);
        {
            QFile f(index);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek((page - 1) * pageSize));
            f.write(QByteArray(int(pageSize), '\x5a'));
        }
        RecipeSearch search(fx->data);
        QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
        QStringList told;
        search.setSetAsideNotice([&](const QString &why) { told << why; });

        QVERIFY(moveTo(QStringLiteral("Bread")));
        recipes->edit();
        recipes->setFieldText(QStringLiteral("Kuvaus"), QStringLiteral("Saffron threads"));
        recipes->apply();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains(QLatin1String("Haku.db")), qPrintable(told.first()));
        QCOMPARE(search.indexState(), RecipeSearch::IndexState::Damaged);
        {
            StoreTransaction scope(*recipes);
            recipes->edit();
            recipes->setFieldText(QStringLiteral("Aineet"), QStringLiteral("flour\nsaffron"));
            recipes->apply();
            scope.commit();
        }
        QCOMPARE(told.size(), 1);
        QCOMPARE(queryFile(fx->file(QStringLiteral("Ohje")),
                           QStringLiteral("SELECT Kuvaus || '/' || Aineet FROM Ohje WHERE Nimi = 'Bread'")),
                 QStringList{"Saffron threads/flour\nsaffron"});
        QCOMPARE(search.find(QStringLiteral("saffron")).needsRebuild, true);
        QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
        QCOMPARE(names(search.find(QStringLiteral("saffron threads"), -1)), QStringList{"Bread"});
    }

    void commandLine()
    {
        auto run = [](const QStringList &arguments, QByteArray *out) {
            QProcess tool;
            tool.start(QStringLiteral(MEALDECK_DATA_TOOL), QStringList{QStringLiteral("search")} + arguments);
            tool.waitForFinished(60000);
            *out = tool.readAllStandardOutput();
            return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        };
        recipes.reset();
        QByteArray out;
        // The index is built on first use.
        QCOMPARE(run({fx->dir.path(), QStringLiteral("bread")}, &out), 0);
        QCOMPARE(out, QByteArray("Bread\tBreads\tCooking\nKn\xc3\xb6" "del\tSides\tCooking\n"));
        QVERIFY(QFile::exists(fx->data + QStringLiteral("/Haku.db")));
        QCOMPARE(run({fx->dir.path(), QStringLiteral("\"water"), QStringLiteral("--limit"), QStringLiteral("1")}, &out), 0);
        QCOMPARE(out, QByteArray("Bread\tBreads\tCooking\n"));
        QCOMPARE(run({fx->dir.path(), QStringLiteral("zucchini")}, &out), 1);
        QVERIFY(out.isEmpty());
        QCOMPARE(run({fx->dir.path(), QStringLiteral("bread"), QStringLiteral("--limit"), QStringLiteral("x")}, &out), 2);
        QCOMPARE(run({fx->dir.path() + QStringLiteral("/nothing"), QStringLiteral("bread")}, &out), 2);
        QCOMPARE(run({fx->dir.path()}, &out), 2);
        // A damaged index is rebuilt, never reported as no hits.
        QFile index(fx->data + QStringLiteral("/Haku.db"));
        QVERIFY(index.open(QIODevice::WriteOnly | QIODevice::Truncate));
        index.write(QByteArray(4096, 'x'));
        index.close();
        QCOMPARE(run({fx->dir.path(), QStringLiteral("KRAUT")}, &out), 0);
        QCOMPARE(out, QByteArray("Sauerkraut\tSides\tCooking\n"));
        // A new word written by another program is found by its parts, and
        // a word moved into the ingredients ranks there.
        changeOutside(QStringLiteral("UPDATE Ohje SET Aineet = 'pumpernickel' WHERE Nimi = 'Bread';"
                                     "UPDATE Ohje SET Aineet = 'tomatoes to ferment' WHERE Nimi = 'Tomato soup'"));
        QCOMPARE(run({fx->dir.path(), QStringLiteral("nickel")}, &out), 0);
        QCOMPARE(out, QByteArray("Bread\tBreads\tCooking\n"));
        QCOMPARE(run({fx->dir.path(), QStringLiteral("ferment")}, &out), 0);
        QCOMPARE(out, QByteArray("Tomato soup\tSoups\tCooking\nSauerkraut\tSides\tCooking\n"));
    }

    void killedDuringChangesLeavesBookAndIndexInStep()
    {
        {
            auto search = ready(fx->data);
        }
        recipes.reset();
        for (int round = 0; round < 3; ++round) {
            QProcess child;
            child.start(QStringLiteral(MEALDECK_SEARCH_CRASH_CHILD), {fx->data, QString::number(round * 100000)});
            QVERIFY2(child.waitForReadyRead(20000), child.readAllStandardError().constData());
            QTest::qWait(150 + 120 * round);
            ::kill(pid_t(child.processId()), SIGKILL);
            QVERIFY(child.waitForFinished(10000));
        }
        // A kill between the recipe file's commit and the index's leaves the
        // index behind, and the next start catches up with it.
        { RecipeSearch(fx->data).indexState(); }
        // Then every recipe is indexed with its text as stored, and nothing
        // else.
        const QString index = fx->data + QStringLiteral("/Haku.db");
        const QString ohje = fx->file(QStringLiteral("Ohje"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(index).constData(), &db), SQLITE_OK);
        const QByteArray attach = "ATTACH '" + QFile::encodeName(ohje) + "' AS kirja";
        QCOMPARE(sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "INSERT INTO HakuSanat(HakuSanat) VALUES('integrity-check')", nullptr, nullptr,
                              nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "INSERT INTO HakuNimet(HakuNimet) VALUES('integrity-check')", nullptr, nullptr,
                              nullptr),
                 SQLITE_OK);
        sqlite3_stmt *stmt = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db,
                                    "SELECT (SELECT count(*) FROM kirja.Ohje), (SELECT count(*) FROM HakuRivit), "
                                    "(SELECT count(*) FROM kirja.Ohje o JOIN HakuRivit h ON h.id = o.id AND "
                                    "h.nimi = o.Nimi)",
                                    -1, &stmt, nullptr),
                 SQLITE_OK);
        QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
        const qint64 rows = sqlite3_column_int64(stmt, 0);
        QVERIFY(rows > qint64(std::size(Book)));
        QCOMPARE(sqlite3_column_int64(stmt, 1), rows);
        QCOMPARE(sqlite3_column_int64(stmt, 2), rows);
        sqlite3_finalize(stmt);
        sqlite3_close(db);

        // Words and parts of words are found as after a rebuild.
        const QStringList parts{"eggs", "alt", "rew", "ead", "123"};
        auto counts = [&](RecipeSearch &search) {
            QStringList found;
            for (const QString &p : parts)
                found << QString::number(search.find(p, -1, false).total);
            return found;
        };
        QStringList before;
        QStringList after;
        {
            // No rebuild is needed: the index's hashes equal the recipes.
            RecipeSearch search(fx->data);
            QCOMPARE(search.indexState(), RecipeSearch::IndexState::Current);
            before = counts(search);
            QVERIFY_THROWS_NO_EXCEPTION(search.rebuild());
            after = counts(search);
        }
        QCOMPARE(before, after);
    }
};

QTEST_GUILESS_MAIN(TestRecipeSearch)
#include "TestRecipeSearch.moc"
