#include "StoreFixture.h"

#include "recipe/PortionScaling.h"
#include "store/book/Book.h"
#include "store/exchange/BookExport.h"
#include "store/exchange/BookImport.h"
#include "store/exchange/IngredientText.h"
#include "store/exchange/JsonLdReader.h"
#include "store/exchange/MealMasterReader.h"
#include "store/exchange/RecipeArchive.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <archive.h>
#include <csignal>
#include <archive_entry.h>

namespace {

// One ingredient line in Meal-Master's columns.
QString mm(const QString &amount, const QString &unit, const QString &text)
{
    return QStringLiteral("%1 %2 %3").arg(amount, 7).arg(unit, -2).arg(text);
}

struct Collected
{
    QVector<ImportedRecipe> recipes;
    QVector<ImportProblem> problems;
    ImportSink sink()
    {
        ImportSink s;
        s.recipe = [this](ImportedRecipe &&r) {
            recipes << r;
            return true;
        };
        s.problem = [this](ImportProblem &&p) { problems << p; };
        return s;
    }
};

Collected readMealMaster(const QByteArray &text, const QString &encoding = QStringLiteral("UTF-8"))
{
    Collected c;
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    MealMasterReader::read(buffer, QStringLiteral("f.mmf"), encoding, c.sink());
    return c;
}

struct ZipEntry
{
    QString name;
    QByteArray data;
};

void writeZip(const QString &path, const QVector<ZipEntry> &entries)
{
    archive *a = archive_write_new();
    archive_write_set_format_zip(a);
    QVERIFY(archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK);
    for (const ZipEntry &e : entries) {
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.toUtf8().constData());
        archive_entry_set_size(entry, e.data.size());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_write_header(a, entry);
        archive_write_data(a, e.data.constData(), size_t(e.data.size()));
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
}

QByteArray gzip(const QByteArray &data)
{
    QByteArray out(data.size() + 1024, '\0');
    size_t used = 0;
    archive *a = archive_write_new();
    archive_write_add_filter_gzip(a);
    archive_write_set_format_raw(a);
    archive_write_open_memory(a, out.data(), size_t(out.size()), &used);
    archive_entry *entry = archive_entry_new();
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_write_header(a, entry);
    archive_write_data(a, data.constData(), size_t(data.size()));
    archive_entry_free(entry);
    archive_write_close(a);
    archive_write_free(a);
    out.truncate(int(used));
    return out;
}

QByteArray jpeg(Qt::GlobalColor colour)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return data;
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    const QString path = dir.path() + QLatin1Char('/') + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
    return path;
}

// Every row of the recipe table as "Nimi|Ryhma|Kuvaus|Aste|Aika|Annos|Aineet|Ohje|Kuva".
QStringList recipeRows(const StoreFixture &book)
{
    return queryFile(book.file(QStringLiteral("Ohje")),
                     QStringLiteral("SELECT Nimi || '|' || Ryhma || '|' || ifnull(Kuvaus,'') || '|' || ifnull(Aste,'') "
                                    "|| '|' || ifnull(Aika,'') || '|' || ifnull(Annos,'') || '|' || ifnull(Aineet,'') "
                                    "|| '|' || ifnull(Ohje,'') || '|' || ifnull(Kuva,0) FROM Ohje ORDER BY id"));
}

} // namespace

class TestRecipeImport : public QObject
{
    Q_OBJECT

private slots:
    void mealMasterArchive();
    void headerLabels();
    void quantities_data();
    void quantities();
    void jsonLdShapes();
    void hostileFiles();
    void importRules();
    void cancelLeavesBookAsItWas();
    void mealMasterLayouts();
    void roundTrips();
    void commandLine();
    void killedImportLeavesNothing();
};

void TestRecipeImport::mealMasterArchive()
{
    QStringList lines{
        QStringLiteral("From: someone's archive, text between recipes"),
        QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
        QString(),
        QStringLiteral("      Title: Apple\x14 Pie"),
        QStringLiteral(" Categories: Desserts, Pies"),
        QStringLiteral("      Yield: 8 servings"),
        QString(),
        mm(QStringLiteral("1 1/2"), QStringLiteral("c"), QStringLiteral("flour")).leftJustified(41)
            + mm(QStringLiteral("1/2"), QStringLiteral("t"), QStringLiteral("salt")),
        mm(QStringLiteral("2.5"), QStringLiteral("T"), QStringLiteral("butter, cut into small pieces")).leftJustified(41)
            + mm(QString(), QString(), QStringLiteral("-and more salt")),
        mm(QString(), QString(), QStringLiteral("-very cold")),
        QStringLiteral("MMMMM----------------------------FILLING---------------------------------"),
        mm(QStringLiteral("1-2"), QStringLiteral("lg"), QStringLiteral("apples")),
        mm(QStringLiteral("1/2-1"), QStringLiteral("c"), QStringLiteral("sugar")),
        mm(QString(), QString(), QStringLiteral("Cinnamon")),
        mm(QStringLiteral("1/3"), QStringLiteral("xx"), QStringLiteral("not a unit")),
        QString(),
        QStringLiteral("  Mix the flour and\tthe salt."),
        QStringLiteral("  Cut in the butter."),
        QString(),
        QStringLiteral("MMMMM-----------------------------TO BAKE-------------------------------"),
        QStringLiteral("  Bake for an hour."),
        QStringLiteral("  :Cool."),
        QString(),
        QStringLiteral("MMMMM"),
        QStringLiteral("Some more text"),
        QStringLiteral("---------- Recipe via Meal-Master (tm) v8.01"),
        QStringLiteral("      Title: Dash style"),
        QStringLiteral("   Servings:  6"),
        mm(QStringLiteral("3"), QStringLiteral("ea"), QStringLiteral("eggs")),
        QStringLiteral("  Beat. ") + QString(200, QLatin1Char('x')),
        QStringLiteral("-----"),
        QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
        QStringLiteral(" Categories: None"),
        QStringLiteral("MMMMM"),
    };
    const Collected c = readMealMaster(lines.join(QStringLiteral("\r\n")).toUtf8());
    QCOMPARE(c.recipes.size(), 2);
    QCOMPARE(c.problems.size(), 1);
    QCOMPARE(c.problems.at(0).place, QStringLiteral("32"));
    QCOMPARE(c.problems.at(0).reason, QStringLiteral("the recipe has no title"));

    const ImportedRecipe &pie = c.recipes.at(0);
    QCOMPARE(pie.name, QStringLiteral("Apple Pie"));
    QCOMPARE(pie.place, QStringLiteral("2"));
    QCOMPARE(pie.category, QStringLiteral("Desserts"));
    QCOMPARE(pie.mainGroup, QStringLiteral("Pies"));
    QCOMPARE(pie.yield, QStringLiteral("8 servings"));
    // The left column of the block first, then the right one; continuations
    // join the ingredient of their column.
    QCOMPARE(pie.ingredients, (QStringList{QStringLiteral("1,5 c flour"),
                                          QStringLiteral("2,5 T butter, cut into small pieces very cold"),
                                          QStringLiteral("0,5 t salt and more salt"), QStringLiteral("FILLING:"),
                                          QStringLiteral("1-2 lg apples"), QStringLiteral("0,5-1 c sugar"),
                                          QStringLiteral("Cinnamon"), QStringLiteral("0,33 xx not a unit")}));
    QCOMPARE(pie.directions, QStringLiteral("Mix the flour and     the salt. Cut in the butter.\n\nTO BAKE:\nBake for an "
                                            "hour.\nCool."));
    const ImportedRecipe &dash = c.recipes.at(1);
    QCOMPARE(dash.name, QStringLiteral("Dash style"));
    QCOMPARE(dash.yield, QStringLiteral("6"));
    QCOMPARE(dash.ingredients, QStringList{QStringLiteral("3 ea eggs")});
    QVERIFY(dash.directions.endsWith(QString(200, QLatin1Char('x'))));
}

void TestRecipeImport::quantities_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("book");
    QTest::addRow("mixed") << "1 1/2 cups flour" << "1,5 cups flour";
    QTest::addRow("third") << "1/3 cup milk" << "0,33 cup milk";
    QTest::addRow("point") << "2.5 dl milk" << "2,5 dl milk";
    QTest::addRow("range") << "1-2 onions" << "1-2 onions";
    QTest::addRow("fraction range") << "1/2-1 tsp salt" << "0,5-1 tsp salt";
    QTest::addRow("en dash") << "2 – 3 eggs" << "2-3 eggs";
    QTest::addRow("glyph") << "1½ cups sugar" << "1,5 cups sugar";
    QTest::addRow("book layout kept") << "1,5      dl       sugar" << "1,5      dl       sugar";
    QTest::addRow("spaced range kept") << "2 - 3 dl milk" << "2 - 3 dl milk";
    QTest::addRow("text") << "salt and pepper" << "salt and pepper";
    QTest::addRow("eighth") << "1/8 tsp nutmeg" << "0,13 tsp nutmeg";
    QTest::addRow("zero denominator") << "1/0 cup" << "1/0 cup";
}

void TestRecipeImport::quantities()
{
    QFETCH(QString, line);
    QFETCH(QString, book);
    const QString converted = IngredientText::fromFreeText(line);
    QCOMPARE(converted, book);
    if (converted.at(0).isDigit() && !converted.contains(QLatin1Char('/')))
        PortionScaling::scaleLine(converted, 4, 6); // throws when the scaling cannot read it
}

void TestRecipeImport::jsonLdShapes()
{
    const QByteArray json = R"({"@context":"https://schema.org","@graph":[
        {"@type":"WebPage","name":"not a recipe"},
        {"@type":["Recipe","NewsArticle"],"name":"  soup &amp; bread ","recipeYield":["4","4 servings"],
         "recipeCategory":["Soups","Starters"],"keywords":"Winter, warm","totalTime":"PT1H30M",
         "recipeIngredient":["1 1/2 l water","<b>salt</b>"],
         "recipeInstructions":[{"@type":"HowToSection","name":"Soup","itemListElement":[
             {"@type":"HowToStep","text":"Boil."},{"@type":"HowToStep","name":"Only a name"}]},
             "Serve<br>hot."],
         "image":{"@type":"ImageObject","url":"data:image/png;base64,iVBORw0KGgo="}},
        {"@type":"Recipe","name":"Stew","recipeYield":6,"recipeInstructions":"Stir.\nWait.","prepTime":"PT10M",
         "cookTime":"PT50M","image":["https://example.org/a.jpg"]},
        {"@type":"Recipe","recipeYield":"4"}]})";
    Collected c;
    JsonLdReader::readDocument(json, QStringLiteral("f.json"), QString(), c.sink());
    QCOMPARE(c.recipes.size(), 2);
    QCOMPARE(c.problems.size(), 1);
    QCOMPARE(c.problems.at(0).reason, QStringLiteral("the recipe has no name"));
    const ImportedRecipe &soup = c.recipes.at(0);
    QCOMPARE(soup.name, QStringLiteral("soup & bread"));
    QCOMPARE(soup.yield, QStringLiteral("4"));
    QCOMPARE(soup.category, QStringLiteral("Soups"));
    QCOMPARE(soup.mainGroup, QStringLiteral("Winter"));
    QCOMPARE(soup.time, QStringLiteral("1 h 30 min"));
    QCOMPARE(soup.ingredients, (QStringList{QStringLiteral("1,5 l water"), QStringLiteral("salt")}));
    QCOMPARE(soup.directions, QStringLiteral("Soup\n\nBoil.\n\nOnly a name\n\nServe\nhot."));
    QVERIFY(soup.picture.startsWith("\x89PNG"));
    const ImportedRecipe &stew = c.recipes.at(1);
    QCOMPARE(stew.yield, QStringLiteral("6"));
    QCOMPARE(stew.time, QStringLiteral("1 h"));
    QCOMPARE(stew.directions, QStringLiteral("Stir.\nWait."));
    QVERIFY(stew.picture.isEmpty()); // nothing is fetched

    const QByteArray page = "<html><head>\n<script type=\"application/ld+json\">{\"@type\":\"Recipe\",\"name\":\"A\"}"
                            "</script>\n<SCRIPT type='application/ld+json'>[{\"@type\":\"Recipe\",\"name\":\"B\"},"
                            "</SCRIPT></head></html>";
    Collected h;
    JsonLdReader::readHtml(page, QStringLiteral("p.html"), h.sink());
    QCOMPARE(h.recipes.size(), 1);
    QCOMPARE(h.recipes.at(0).name, QStringLiteral("A"));
    QCOMPARE(h.problems.size(), 1);
    QCOMPARE(h.problems.at(0).place, QStringLiteral("3"));
    QVERIFY(h.problems.at(0).reason.startsWith(QStringLiteral("not valid JSON")));
}

// Labels in any case, with spaces before the colon; a word that only starts
// like a label is the first ingredient or direction.
void TestRecipeImport::headerLabels()
{
    const QByteArray text = "MMMMM----- Recipe via Meal-Master (tm) v8.05\n"
                            "      TITLE :  Soup \n"
                            " categories\t: Soups, Starters\n"
                            "   SERVINGS:6\n"
                            "\n"
                            "  Titles: are no label.\n"
                            "MMMMM\n";
    const Collected c = readMealMaster(text);
    QCOMPARE(c.recipes.size(), 1);
    const ImportedRecipe &soup = c.recipes.at(0);
    QCOMPARE(soup.name, QStringLiteral("Soup"));
    QCOMPARE(soup.category, QStringLiteral("Soups"));
    QCOMPARE(soup.mainGroup, QStringLiteral("Starters"));
    QCOMPARE(soup.yield, QStringLiteral("6"));
    QVERIFY(soup.ingredients.isEmpty());
    QCOMPARE(soup.directions, QStringLiteral("Titles: are no label."));
}

void TestRecipeImport::hostileFiles()
{
    // Nesting deeper than the JSON reader takes.
    Collected deep;
    JsonLdReader::readDocument(QByteArray(100000, '[') + QByteArray(100000, ']'), QStringLiteral("d.json"), QString(),
                               deep.sink());
    QVERIFY(deep.recipes.isEmpty());
    QCOMPARE(deep.problems.size(), 1);

    // An endless line and bytes that are not UTF-8 skip their recipe only.
    QByteArray text = "MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: Long\n  "
        + QByteArray(MealMasterReader::MaxLineBytes * 3, 'a') + "\nMMMMM\n"
        + "MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: Bad \xff\xfe bytes\nMMMMM\n"
        + "MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: Fine\nMMMMM\n";
    const Collected mmf = readMealMaster(text);
    QCOMPARE(mmf.recipes.size(), 1);
    QCOMPARE(mmf.recipes.at(0).name, QStringLiteral("Fine"));
    QCOMPARE(mmf.problems.size(), 2);
    QVERIFY(mmf.problems.at(0).reason.contains(QStringLiteral("longer than")));
    QVERIFY(mmf.problems.at(1).reason.contains(QStringLiteral("not valid UTF-8")));
    // The same bytes read as CP437 are letters.
    QCOMPARE(readMealMaster(text, QStringLiteral("CP437")).recipes.size(), 2);

    QTemporaryDir dir;
    // Entries that leave the folder, an entry that unpacks beyond its limit.
    const QString zip = dir.path() + QStringLiteral("/hostile.zip");
    writeZip(zip, {{QStringLiteral("../evil/recipe.json"), R"({"@type":"Recipe","name":"Evil"})"},
                   {QStringLiteral("Top/Big/recipe.json"), QByteArray(RecipeArchive::MaxEntryBytes + 1, ' ')},
                   {QStringLiteral("Top/Good/recipe.json"), R"({"@type":"Recipe","name":"Good","recipeYield":"99999999999999"})"},
                   {QStringLiteral("Top/Good/full.jpg"), jpeg(Qt::red)}});
    Collected z;
    QVERIFY(RecipeArchive::readZip(zip, QStringLiteral("hostile.zip"), z.sink()));
    QCOMPARE(z.recipes.size(), 1);
    QCOMPARE(z.recipes.at(0).name, QStringLiteral("Good"));
    QVERIFY(!z.recipes.at(0).picture.isEmpty());
    QCOMPARE(z.problems.size(), 2);
    QCOMPARE(z.problems.at(0).reason, QStringLiteral("the entry's name leaves the archive's folder"));
    QVERIFY(z.problems.at(1).reason.contains(QStringLiteral("unpacks to more than")));

    // A file that is no zip.
    Collected none;
    RecipeArchive::readZip(writeFile(dir, QStringLiteral("no.zip"), "plain text"), QStringLiteral("no.zip"),
                           none.sink());
    QCOMPARE(none.problems.size(), 1);

    // A gzip bomb inside a Paprika archive is cut off at its limit.
    QString reason;
    QVERIFY(!RecipeArchive::gunzip(gzip(QByteArray(2 * 1024 * 1024, '\0')), 1024 * 1024, &reason));
    QVERIFY(reason.contains(QStringLiteral("more than")));
}

void TestRecipeImport::importRules()
{
    StoreFixture book;
    {
        RecipeBook::Book b(book.data, book.data + QStringLiteral("/Pics/"));
        b.mainGroups().open();
        b.addMainGroup(QStringLiteral("Desserts"));
        b.addMainGroup(QStringLiteral("Mains"));
        b.addSubgroup(QStringLiteral("Mains"), QStringLiteral("Soups"));
        b.addRecipe(QStringLiteral("Soups"), QStringLiteral("Pea soup"));
    }
    QTemporaryDir dir;
    const QString longName = QString(80, QLatin1Char('n'));
    const QByteArray paprika = QJsonDocument(QJsonObject{{"name", "  pancakes"},
                                                         {"ingredients", "2 dl flour\n1/2 tsp salt"},
                                                         {"directions", "Fry."},
                                                         {"servings", "4 servings"},
                                                         {"difficulty", "Easy"},
                                                         {"total_time", "about 20 minutes, give or take"},
                                                         {"categories", QJsonArray{"Desserts"}},
                                                         {"photo_data", QString::fromLatin1(jpeg(Qt::blue).toBase64())}})
                                   .toJson();
    const QString pap = dir.path() + QStringLiteral("/mine.paprikarecipes");
    writeZip(pap, {{QStringLiteral("Pancakes.paprikarecipe"), gzip(paprika)},
                   {QStringLiteral("__MACOSX/._Pancakes.paprikarecipe"), "junk"}});
    const QString json = writeFile(
        dir, QStringLiteral("my file.json"),
        QStringLiteral(R"([{"@type":"Recipe","name":"Pea soup","recipeCategory":"Soups","recipeIngredient":["peas"]},
                           {"@type":"Recipe","name":"%1"},{"@type":"Recipe","name":"%1","recipeIngredient":["x"],
                            "recipeYield":"99999999999999","totalTime":"PT9999999H"}])")
            .arg(longName)
            .toUtf8());

    RecipeBook::Book b(book.data, book.data + QStringLiteral("/Pics/"));
    ImportOptions options;
    const ImportSummary first = BookImport(b).run({pap, json}, options);
    QVERIFY2(!first.failed(), qPrintable(first.text()));
    QCOMPARE(first.imported, 4);
    QCOMPARE(first.duplicates, 0);
    QCOMPARE(first.skipped, 0);
    // Numbers too large leave their field out, with a line in the summary.
    QCOMPARE(first.problems.size(), 2);
    QVERIFY(first.problems.at(0).reason.startsWith(QStringLiteral("the time \"PT9999999H\" is too large")));
    QVERIFY(first.problems.at(1).reason.startsWith(QStringLiteral("the yield \"99999999999999\" is too large")));
    const QString cut = QString(75, QLatin1Char('n'));
    const QString cut2 = QString(71, QLatin1Char('n')) + QStringLiteral(" (2)");
    QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT Nimi FROM Ohje ORDER BY id")),
             (QStringList{QStringLiteral("Pea soup"), QStringLiteral("Pancakes"), QStringLiteral("Pea soup (2)"),
                          QStringLiteral("N") + cut.mid(1), QStringLiteral("N") + cut2.mid(1)}));
    const QStringList rows = recipeRows(book);
    // A category that names a main group gets a subgroup of its own name
    // with " (2)" under the chosen main group; an existing subgroup is used
    // wherever it is; no category: the file's name.
    QCOMPARE(rows.at(1), QStringLiteral("Pancakes|Desserts (2)||Easy|about 20 minutes,|4|2 dl flour\n0,5 tsp salt|Fry.|1"));
    QVERIFY(rows.at(2).startsWith(QStringLiteral("Pea soup (2)|Soups|")));
    QVERIFY(rows.at(3).startsWith(QStringLiteral("N") + cut.mid(1) + QStringLiteral("|My file|")));
    QCOMPARE(queryFile(book.file(QStringLiteral("Alaryhma")), QStringLiteral("SELECT Nimi || '>' || Ryhma FROM Alaryhma")),
             (QStringList{QStringLiteral("Soups>Mains"), QStringLiteral("Desserts (2)>Imported recipes"),
                          QStringLiteral("My file>Imported recipes")}));
    const QImage picture(book.data + QStringLiteral("/Pics/Pancakes.jpg"));
    QCOMPARE(picture.size(), QSize(169, 169));

    // The same files again add nothing.
    const ImportSummary second = BookImport(b).run({pap, json}, options);
    QCOMPARE(second.imported, 0);
    QCOMPARE(second.duplicates, 4);
    QCOMPARE(recipeRows(book).size(), 5);
}

void TestRecipeImport::cancelLeavesBookAsItWas()
{
    StoreFixture book;
    QTemporaryDir dir;
    QVector<ZipEntry> entries;
    for (int i = 0; i < 300; ++i) {
        const QString folder = QStringLiteral("Top/R%1/").arg(i);
        entries << ZipEntry{folder + QStringLiteral("recipe.json"),
                            QStringLiteral(R"({"@type":"Recipe","name":"R%1"})").arg(i).toUtf8()}
                << ZipEntry{folder + QStringLiteral("full.jpg"), jpeg(Qt::green)};
    }
    const QString zip = dir.path() + QStringLiteral("/many.zip");
    writeZip(zip, entries);
    RecipeBook::Book b(book.data, book.data + QStringLiteral("/Pics/"));
    int calls = 0;
    const ImportSummary summary = BookImport(b).run({zip}, ImportOptions(), [&](qint64, qint64) { return ++calls < 20; });
    QVERIFY(summary.cancelled);
    QVERIFY(recipeRows(book).isEmpty());
    QVERIFY(queryFile(book.file(QStringLiteral("Paaryhma")), QStringLiteral("SELECT Nimi FROM Paaryhma")).isEmpty());
    QCOMPARE(QDir(book.data + QStringLiteral("/Pics")).entryList(QDir::Files).size(), 0);
    // Then all of it.
    const ImportSummary done = BookImport(b).run({zip}, ImportOptions());
    QCOMPARE(done.imported, 300);
    QCOMPARE(QDir(book.data + QStringLiteral("/Pics")).entryList(QDir::Files).size(), 300);
}

void TestRecipeImport::mealMasterLayouts()
{
    const QString directions = QStringLiteral("Mix %1everything.").arg(QStringLiteral("well and slowly, ").repeated(12));
    const QStringList lines{
        QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05"),
        QStringLiteral("      Title: cinnamon buns"),
        QStringLiteral(" Categories: Breads, Baking, Sunday, \"Pies, Tarts\""),
        QStringLiteral("      Yield: 16 buns"),
        QString(),
        mm(QStringLiteral("2"), QStringLiteral("c"), QStringLiteral("flour")).leftJustified(41)
            + mm(QString(), QString(), QStringLiteral("salt")),
        mm(QStringLiteral("1"), QStringLiteral("T"), QStringLiteral("butter")).leftJustified(41)
            + mm(QStringLiteral("1/2"), QStringLiteral("c"), QStringLiteral("raisins, soaked")),
        mm(QString(), QString(), QStringLiteral("-softened")).leftJustified(41)
            + mm(QString(), QString(), QStringLiteral("-in rum")),
        QString(41, QLatin1Char(' ')) + mm(QString(), QString(), QStringLiteral("-overnight")),
        QStringLiteral("---- FILLING ----"),
        mm(QStringLiteral("1/2"), QStringLiteral("c"), QStringLiteral("brown sugar")),
        QStringLiteral("MMMMM------------------------------------------------------------------"),
        QStringLiteral("MMMMM-----MAPLE TOPPING-----"),
        mm(QStringLiteral("2"), QStringLiteral("T"), QStringLiteral("maple syrup")),
        QString(),
        QStringLiteral("  ") + directions,
        QString(),
        QStringLiteral("MMMMM-----TO BAKE-----"),
        QStringLiteral("  Bake."),
        QStringLiteral("MMMMM"),
    };
    QTemporaryDir dir;
    const QString file = writeFile(dir, QStringLiteral("buns.mmf"), lines.join(QLatin1Char('\n')).toUtf8());
    StoreFixture book;
    RecipeBook::Book b(book.data, book.data + QStringLiteral("/Pics/"));
    ImportOptions keep;
    keep.keepFileMainGroups = true;
    QCOMPARE(BookImport(b).run({file}, keep).imported, 1);
    // Right-column continuations join the right ingredient, one without an
    // amount stays its own line; sections are heading lines, an empty one
    // goes; the yield's unit and the categories beyond the groups are kept.
    const QStringList ingredients{QStringLiteral("2 c flour"), QStringLiteral("1 T butter softened"),
                                  QStringLiteral("salt"), QStringLiteral("0,5 c raisins, soaked in rum overnight"),
                                  QStringLiteral("FILLING:"), QStringLiteral("0,5 c brown sugar"),
                                  QStringLiteral("MAPLE TOPPING:"), QStringLiteral("2 T maple syrup")};
    const QStringList rows = recipeRows(book);
    QCOMPARE(rows, QStringList{QStringLiteral("Cinnamon buns|Breads|Categories: Sunday, \"Pies, Tarts\"|||16|")
                               + ingredients.join(QLatin1Char('\n')) + QStringLiteral("|Yield: 16 buns\n")
                               + directions + QStringLiteral("\n\nTO BAKE:\nBake.|0")});
    QCOMPARE(queryFile(book.file(QStringLiteral("Alaryhma")), QStringLiteral("SELECT Nimi || '>' || Ryhma FROM Alaryhma")),
             QStringList{QStringLiteral("Breads>Baking")});
    // The portion calculator leaves the headings as they are.
    const QStringList half = PortionScaling::scaleIngredientLines(ingredients, 16, 8);
    QCOMPARE(half.at(0), QStringLiteral("1c flour"));
    QCOMPARE(half.at(4), QStringLiteral("FILLING:"));
    QCOMPARE(half.at(6), QStringLiteral("MAPLE TOPPING:"));

    // Exported back: the yield and every category as they came, sections as
    // section lines, directions wrapped on word boundaries within 80 columns;
    // read again, the recipe is the same.
    const QString out = dir.path() + QStringLiteral("/out.mmf");
    QCOMPARE(BookExport(b).run(out, BookExport::Format::MealMaster, BookExport::Scope::Recipe, qint64(1)).recipes, 1);
    QFile exported(out);
    QVERIFY(exported.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(exported.readAll()).split(QLatin1Char('\n'));
    QVERIFY(written.contains(QStringLiteral("      Yield: 16 buns")));
    QVERIFY(written.contains(QStringLiteral(" Categories: Breads, Baking, Sunday, \"Pies, Tarts\"")));
    QVERIFY(written.contains(QStringLiteral("MMMMM-----FILLING-----") + QString(55, QLatin1Char('-'))));
    QVERIFY(written.contains(QStringLiteral("MMMMM-----TO BAKE-----") + QString(55, QLatin1Char('-'))));
    int directionLines = 0;
    for (const QString &line : written) {
        QVERIFY2(line.size() <= 80, qPrintable(line));
        if (line.startsWith(QStringLiteral("  ")) && line.contains(QStringLiteral("slowly")))
            ++directionLines;
    }
    QCOMPARE(directionLines, 3);
    StoreFixture again;
    RecipeBook::Book a(again.data, again.data + QStringLiteral("/Pics/"));
    QCOMPARE(BookImport(a).run({out}, keep).imported, 1);
    QCOMPARE(recipeRows(again), rows);
}

void TestRecipeImport::roundTrips()
{
    StoreFixture source;
    QTemporaryDir dir;
    {
        RecipeBook::Book b(source.data, source.data + QStringLiteral("/Pics/"));
        b.mainGroups().open();
        b.addMainGroup(QStringLiteral("Baking"));
        b.addMainGroup(QStringLiteral("Cooking"));
        // Commas in group names, groups without recipes, names in lower case.
        b.addMainGroup(QStringLiteral("Soups, Stews and Sauces"));
        b.addMainGroup(QStringLiteral("empty shelf"));
        b.addSubgroup(QStringLiteral("Baking"), QStringLiteral("Breads"));
        b.addSubgroup(QStringLiteral("Baking"), QStringLiteral("nothing yet"));
        b.addSubgroup(QStringLiteral("Cooking"), QStringLiteral("Soups"));
        b.addSubgroup(QStringLiteral("Soups, Stews and Sauces"), QStringLiteral("Pies, Tarts"));
        struct R
        {
            const char *subgroup, *name, *kuvaus, *aste, *aika, *aineet, *ohje;
            int annos;
        } recipes[] = {
            {"Breads", "Rye bread", "Dark and sour.", "Hard", "1 h 30 min",
             "1,5      dl       water\n0,33 dl honey\n1-2 tl salt\n\nDOUGH\n2,25 kg rye flour\n12,5 g yeast\nwater",
             "Mix.\nKnead well.\n\nBake at 200 C.", 12},
            {"Soups", "Pea soup", "", "", "about an hour", "0,5-1 l peas\nsalt", "Boil.", 4},
            {"Soups", "Plain", "", "", "90 min", "", "", 0},
            {"Pies, Tarts", "salmon soup", "", "", "", "1 salmon", "Boil.", 2},
        };
        for (const R &r : recipes) {
            b.recipes().open();
            b.addRecipe(QLatin1String(r.subgroup), QLatin1String(r.name));
            b.recipes().edit();
            for (auto [field, value] : {std::pair{"Kuvaus", r.kuvaus}, {"Aste", r.aste}, {"Aika", r.aika},
                                        {"Aineet", r.aineet}, {"Ohje", r.ohje}})
                b.recipes().setFieldText(QLatin1String(field), QString::fromUtf8(value));
            if (r.annos)
                b.recipes().setFieldInt(QStringLiteral("Annos"), r.annos);
            b.recipes().apply();
        }
        const QString picture = writeFile(dir, QStringLiteral("p.png"), QByteArray());
        QImage(30, 60, QImage::Format_RGB32).save(picture);
        QString reason;
        b.recipes().setFilter(RecipeBook::childFilter(QStringLiteral("Breads")));
        b.recipes().first();
        QCOMPARE(b.setPicture(b.recipes().currentRowId(), picture, &reason), RecipeBook::Book::PictureResult::Set);
    }
    RecipeBook::Book b(source.data, source.data + QStringLiteral("/Pics/"));
    const QString zip = dir.path() + QStringLiteral("/out.zip");
    QCOMPARE(BookExport(b).run(zip, BookExport::Format::JsonLd, BookExport::Scope::Book, QString()).recipes, 4);
    const QString mmf = dir.path() + QStringLiteral("/out.mmf");
    QCOMPARE(BookExport(b).run(mmf, BookExport::Format::MealMaster, BookExport::Scope::Book, QString()).recipes, 4);

    StoreFixture target;
    RecipeBook::Book t(target.data, target.data + QStringLiteral("/Pics/"));
    ImportOptions keep;
    keep.keepFileMainGroups = true;
    const ImportSummary summary = BookImport(t).run({zip}, keep);
    QVERIFY2(summary.problems.isEmpty(), qPrintable(summary.text()));
    QCOMPARE(recipeRows(target), recipeRows(source));
    for (const QString &table : {QStringLiteral("Paaryhma"), QStringLiteral("Alaryhma")})
        QCOMPARE(queryFile(target.file(table), QStringLiteral("SELECT * FROM %1").arg(table)),
                 queryFile(source.file(table), QStringLiteral("SELECT * FROM %1").arg(table)));
    const QImage before(source.data + QStringLiteral("/Pics/Rye bread.jpg"));
    const QImage after(target.data + QStringLiteral("/Pics/Rye bread.jpg"));
    QCOMPARE(after.size(), QSize(169, 169));
    QVERIFY(qAbs(qGray(before.pixel(80, 80)) - qGray(after.pixel(80, 80))) < 8);

    // Through Meal-Master: names, portion counts, ingredient lines with
    // single spaces, and the directions.
    StoreFixture viaText;
    RecipeBook::Book v(viaText.data, viaText.data + QStringLiteral("/Pics/"));
    const ImportSummary text = BookImport(v).run({mmf}, keep);
    QCOMPARE(text.imported, 4);
    QCOMPARE(queryFile(viaText.file(QStringLiteral("Ohje")),
                       QStringLiteral("SELECT Nimi || '|' || ifnull(Annos,'') || '|' || ifnull(Aineet,'') || '|' || "
                                      "ifnull(Ohje,'') FROM Ohje ORDER BY id")),
             (QStringList{QStringLiteral("Rye bread|12|1,5 dl water\n0,33 dl honey\n1-2 tl salt\n\nDOUGH\n2,25 kg rye "
                                         "flour\n12,5 g yeast\nwater|Mix.\nKnead well.\n\nBake at 200 C."),
                          QStringLiteral("Pea soup|4|0,5-1 l peas\nsalt|Boil."), QStringLiteral("Plain|||"),
                          QStringLiteral("Salmon soup|2|1 salmon|Boil.")}));
    QCOMPARE(queryFile(viaText.file(QStringLiteral("Alaryhma")),
                       QStringLiteral("SELECT Nimi || '>' || Ryhma FROM Alaryhma ORDER BY id")),
             (QStringList{QStringLiteral("Breads>Baking"), QStringLiteral("Soups>Cooking"),
                          QStringLiteral("Pies, Tarts>Soups, Stews and Sauces")}));
}

void TestRecipeImport::commandLine()
{
    StoreFixture book;
    QTemporaryDir dir;
    const QString good = writeFile(dir, QStringLiteral("a.json"), R"({"@type":"Recipe","name":"A"})");
    const QString bad = writeFile(dir, QStringLiteral("b.json"), R"({"@type":"Recipe"})");
    auto run = [](const QStringList &arguments, QByteArray *err = nullptr) {
        QProcess tool;
        tool.start(QStringLiteral(MEALDECK_DATA_TOOL), arguments);
        tool.waitForFinished(60000);
        if (err)
            *err = tool.readAllStandardError();
        return tool.exitCode();
    };
    QCOMPARE(run({QStringLiteral("import"), book.dir.path(), good}), 0);
    // The book as it was before the import is kept as a backup.
    QCOMPARE(QDir(book.dir.path() + QStringLiteral("/Backups")).entryList({QStringLiteral("*.zip")}, QDir::Files).size(), 1);
    QByteArray err;
    QCOMPARE(run({QStringLiteral("import"), book.dir.path(), good, bad}, &err), 1);
    QCOMPARE(err, bad.toUtf8() + ":1: the recipe has no name\n");
    QCOMPARE(run({QStringLiteral("import"), dir.path() + QStringLiteral("/nobook"), good}), 2);
    QCOMPARE(run({QStringLiteral("export"), book.dir.path(), dir.path() + QStringLiteral("/o.zip"),
                  QStringLiteral("--format"), QStringLiteral("jsonld"), QStringLiteral("--recipe"),
                  QStringLiteral("A")}),
             0);
    QCOMPARE(run({QStringLiteral("export"), book.dir.path(), dir.path() + QStringLiteral("/o.mmf"),
                  QStringLiteral("--subgroup"), QStringLiteral("Nothing")}),
             1);
    QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/o.mmf")));
}

// An import killed in the middle leaves the book as it was; one that ends
// stores all of it.
void TestRecipeImport::killedImportLeavesNothing()
{
    StoreFixture book;
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n      Title: R%1\n Categories: C%2\n\n%3\n\n"
                               "  Stir.\nMMMMM\n")
                    .arg(i)
                    .arg(i % 100)
                    .arg(mm(QStringLiteral("1"), QStringLiteral("c"), QStringLiteral("flour")))
                    .toUtf8();
    const QString file = writeFile(dir, QStringLiteral("big.mmf"), text);
    const QString journal = book.data + QStringLiteral("/Paaryhma.db-journal");
    QProcess tool;
    tool.start(QStringLiteral(MEALDECK_DATA_TOOL), {QStringLiteral("import"), book.dir.path(), file});
    QVERIFY(tool.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(journal) && waited.elapsed() < 20000 && tool.state() == QProcess::Running)
        QThread::msleep(1);
    QThread::msleep(50);
    ::kill(pid_t(tool.processId()), SIGKILL);
    tool.waitForFinished();
    const QStringList counts = queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT count(*) FROM Ohje"));
    QVERIFY2(counts == QStringList{QStringLiteral("0")} || counts == QStringList{QStringLiteral("20000")},
             qPrintable(counts.join(QLatin1Char(','))));
    const QStringList groups =
        queryFile(book.file(QStringLiteral("Alaryhma")), QStringLiteral("SELECT count(*) FROM Alaryhma"));
    QCOMPARE(groups, QStringList{counts.first() == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("100")});
}

QTEST_GUILESS_MAIN(TestRecipeImport)
#include "TestRecipeImport.moc"
