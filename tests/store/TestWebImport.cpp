// Recipes read from web pages served by a server on 127.0.0.1 that the test
// starts: JSON-LD and microdata pages, pictures, redirects, charsets, and
// every way a fetch fails; then imported into a book as the program does.
#include "StoreFixture.h"
#include "support/LocalWebServer.h"

#include "store/book/Book.h"
#include "store/exchange/BookImport.h"
#include "store/exchange/WebImport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>

namespace {

QByteArray png(Qt::GlobalColor colour)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

QByteArray jsonLdPage(const QByteArray &ingredients)
{
    return "<html><head><title>Stew</title><script type=\"application/ld+json\">{\"@context\":\"https://schema.org\","
           "\"@type\":\"Recipe\",\"name\":\"B\x9c"
           "uf stew\",\"recipeCategory\":\"Stews\",\"image\":{\"@type\":\"ImageObject\",\"url\":\"/pics/stew.png\"},"
           "\"recipeIngredient\":["
        + ingredients + "],\"recipeInstructions\":[{\"@type\":\"HowToStep\",\"text\":\"Brown the beef.\"}]}"
                        "</script></head><body>Stew</body></html>";
}

qint64 peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

class TestWebImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First, while the process's peak memory is still low.
    void hugePageIsRefusedWithoutHoldingIt()
    {
        LocalWebServer server;
        server.answer("/huge", {200, "text/html", {}, {}, 50LL * 1024 * 1024, false});
        const qint64 before = peakMemoryKiB();
        const WebImport::Result result = WebImport().read({server.address("/huge")});
        QCOMPARE(result.recipes.size(), 0);
        QCOMPARE(result.problems.size(), 1);
        QCOMPARE(result.problems.first().reason, QStringLiteral("too big: larger than 10 MB"));
        // The transfer stopped soon after the limit, and the page was never held.
        QVERIFY2(server.streamed() < 30LL * 1024 * 1024, qPrintable(QString::number(server.streamed())));
#if !defined(__SANITIZE_ADDRESS__)
        // (The address sanitizer keeps freed memory aside, so its peak says nothing.)
        QVERIFY2(peakMemoryKiB() - before < 40 * 1024, qPrintable(QString::number(peakMemoryKiB() - before)));
#else
        Q_UNUSED(before);
#endif
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        QTest::addRow("404") << "/missing" << "not found (HTTP 404";
        QTest::addRow("server error") << "/broken" << "the server refused it (HTTP 500";
        QTest::addRow("slow server") << "/slow" << "timed out: no complete answer within 0.3 s";
        QTest::addRow("no recipe") << "/plain" << "not a recipe page: no schema.org Recipe in it";
        QTest::addRow("redirect loop") << "/loop" << "the address was redirected more than 5 times";
        QTest::addRow("too big by its length") << "/long" << "too big: larger than 10 MB";
        QTest::addRow("no connection") << "closed" << "no connection to 127.0.0.1";
        QTest::addRow("not a web address") << "ftp://127.0.0.1/x" << "not a web address";
    }

    void failures()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        LocalWebServer server;
        server.answer("/broken", {500, "text/html", "oops", {}, 0, false});
        server.answer("/slow", {200, "text/html", {}, {}, 0, true});
        server.answer("/plain", {200, "text/html", "<html><body><p itemprop=name>Not in an item</p></body></html>",
                                 {}, 0, false});
        server.answer("/loop", {302, "text/html", {}, {"Location: /loop"}, 0, false});
        server.answer("/long", {200, "text/html", {}, {"Content-Length: 52428800"}, 50LL * 1024 * 1024, false});
        QString url = address.startsWith(QLatin1Char('/')) ? server.address(address.toLatin1()) : address;
        if (address == QLatin1String("closed")) {
            QTcpServer gone;
            QVERIFY(gone.listen(QHostAddress::LocalHost, 0));
            url = QStringLiteral("http://127.0.0.1:%1/").arg(gone.serverPort());
            gone.close();
        }
        WebFetcher::Limits limits;
        limits.timeoutMs = 300;
        const WebImport::Result result = WebImport(limits).read({url});
        QCOMPARE(result.recipes.size(), 0);
        QCOMPARE(result.problems.size(), 1);
        QCOMPARE(result.problems.first().file, url);
        QVERIFY(result.problems.first().skipped);
        QVERIFY2(result.problems.first().reason.startsWith(reason), qPrintable(result.problems.first().reason));
    }

    // Cancel works while the server keeps the fetch waiting.
    void cancelWhileWaiting()
    {
        LocalWebServer server;
        server.answer("/slow", {200, "text/html", {}, {}, 0, true});
        int calls = 0;
        const WebImport::Result result =
            WebImport().read({server.address("/slow")}, [&](const QString &, qint64, qint64) { return ++calls < 3; });
        QVERIFY(result.cancelled);
        QVERIFY(result.recipes.isEmpty() && result.problems.isEmpty());
        QCOMPARE(calls, 3);
    }

    // A JSON-LD page reached through a redirect, in the charset its header
    // names, with its picture; imported, then recognised by its address when
    // imported again although the page changed meanwhile.
    void jsonLdPageIntoTheBook()
    {
        LocalWebServer server;
        server.answer("/old", {301, "text/html", {}, {"Location: /stew"}, 0, false});
        server.answer("/stew", {200, "text/html; charset=windows-1252", jsonLdPage("\"2 kg beef\",\"1 onion\""), {}, 0,
                                false});
        server.answer("/pics/stew.png", {200, "image/png", png(Qt::red), {}, 0, false});
        const QString address = server.address("/old");
        WebImport::Result pages = WebImport().read({address});
        QVERIFY(pages.problems.isEmpty());
        QCOMPARE(pages.recipes.size(), 1);

        StoreFixture book;
        RecipeBook::Book b(book.data, book.data + QStringLiteral("/Pics/"));
        ImportOptions options;
        options.readRecipes = pages.recipes;
        const ImportSummary summary = BookImport(b).run({}, options);
        QVERIFY2(!summary.failed() && summary.imported == 1, qPrintable(summary.text()));
        const QString name = QStringLiteral("B\u0153uf stew");
        QCOMPARE(summary.first.name, name);
        QCOMPARE(summary.first.subgroup, QStringLiteral("Stews"));
        QCOMPARE(summary.first.mainGroup, QStringLiteral("Imported recipes"));
        const auto stored = b.recipe(summary.first.id);
        QVERIFY(stored && stored->name == name && stored->hasPicture);
        QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT Ohje FROM Ohje")),
                 QStringList{QStringLiteral("Brown the beef.\n\nSource: ") + address});
        QCOMPARE(QImage(b.picturePath(name)).pixelColor(80, 80).red() > 200, true);

        server.answer("/stew", {200, "text/html; charset=windows-1252",
                                jsonLdPage("\"2 kg beef\",\"1 onion\",\"salt\""), {}, 0, false});
        options.readRecipes = WebImport().read({address}).recipes;
        const ImportSummary again = BookImport(b).run({}, options);
        QCOMPARE(again.imported, 0);
        QCOMPARE(again.duplicates, 1);
    }

    // Every microdata recipe of a page without JSON-LD, in the charset its
    // <meta> names, with the HTML that pages really have.
    void microdataPage()
    {
        LocalWebServer server;
        const QByteArray page =
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></head><body>"
            "<div itemscope itemtype=\"http://schema.org/Recipe\">"
            "<h1 itemprop=\"name\">Cr\xe8me br\xfbl\xe9" "e</h1>"
            "<img itemprop=image src=\"pics/creme.png\" alt=\"\">"
            "<p itemprop=\"description\">Rich &amp; smooth.<br>Serve cold."
            "<div><meta itemprop=\"totalTime\" content=\"PT1H30M\">"
            "<span itemprop=\"recipeYield\">6 ramekins</span></div>"
            "<ul><li itemprop=\"recipeIngredient\">5 dl cream<li itemprop=\"recipeIngredient\">\n  6 egg\n yolks</ul>"
            "<ol><li itemprop=\"recipeInstructions\" itemscope itemtype=\"http://schema.org/HowToStep\">"
            "<span itemprop=\"text\">Whisk.</span></li>"
            "<li itemprop=\"recipeInstructions\" itemscope itemtype=\"http://schema.org/HowToStep\">"
            "<span itemprop=\"text\">Bake.</span></li></ol></div>"
            "<!-- <div itemscope itemtype=\"http://schema.org/Recipe\"> -->"
            "<article itemscope itemtype=\"https://schema.org/Recipe\"><h2 itemprop=name>Toast</h2>"
            "<script>var x = '<div itemprop=name>no</div>';</script>"
            "<div itemprop=\"ingredients\">bread</div>"
            "<div itemprop=\"recipeInstructions\">Toast it.</div></article></body></html>";
        server.answer("/desserts/page.html", {200, "text/html", page, {}, 0, false});
        server.answer("/desserts/pics/creme.png", {200, "image/png", png(Qt::yellow), {}, 0, false});
        const QString address = server.address("/desserts/page.html");
        const WebImport::Result result = WebImport().read({address});
        QVERIFY(result.problems.isEmpty());
        QCOMPARE(result.recipes.size(), 2);
        const ImportedRecipe &creme = result.recipes.at(0);
        QCOMPARE(creme.name, QStringLiteral("Cr\u00e8me br\u00fbl\u00e9e"));
        QCOMPARE(creme.description, QStringLiteral("Rich & smooth.\nServe cold."));
        QCOMPARE(creme.ingredients, (QStringList{"5 dl cream", "6 egg yolks"}));
        QCOMPARE(creme.directions, QStringLiteral("Whisk.\n\nBake.\n\nSource: ") + address);
        QCOMPARE(creme.yield, QStringLiteral("6 ramekins"));
        QCOMPARE(creme.time, QStringLiteral("1 h 30 min"));
        QVERIFY(!QImage::fromData(creme.picture).isNull());
        // No category: the site names the subgroup.
        QCOMPARE(creme.category, QStringLiteral("127.0.0.1"));
        const ImportedRecipe &toast = result.recipes.at(1);
        QCOMPARE(toast.name, QStringLiteral("Toast"));
        QCOMPARE(toast.ingredients, QStringList{"bread"});
        QCOMPARE(toast.directions, QStringLiteral("Toast it.\n\nSource: ") + address);

        // A page with JSON-LD is read from its JSON-LD alone.
        server.answer("/both", {200, "text/html", jsonLdPage("\"beef\"") + page, {}, 0, false});
        const WebImport::Result both = WebImport().read({server.address("/both")});
        QCOMPARE(both.recipes.size(), 1);
        QCOMPARE(both.recipes.first().category, QStringLiteral("Stews"));
        // Its picture is missing here: a note, and the recipe without it.
        QCOMPARE(both.problems.size(), 1);
        QVERIFY(!both.problems.first().skipped);
        QVERIFY2(both.problems.first().reason.contains(QStringLiteral("could not be fetched: not found (HTTP 404")),
                 qPrintable(both.problems.first().reason));
    }

    void commandLine()
    {
        LocalWebServer server;
        server.answer("/stew", {200, "text/html; charset=windows-1252", jsonLdPage("\"beef\""), {}, 0, false});
        server.answer("/pics/stew.png", {200, "image/png", png(Qt::red), {}, 0, false});
        StoreFixture book;
        auto run = [](const QStringList &arguments, QByteArray *err) {
            QProcess tool;
            QSignalSpy finished(&tool, &QProcess::finished);
            tool.start(QStringLiteral(MEALDECK_DATA_TOOL), arguments);
            // The server answers from this thread's event loop.
            finished.wait(60000);
            *err = tool.readAllStandardError();
            return tool.exitCode();
        };
        QByteArray err;
        QCOMPARE(run({QStringLiteral("import"), book.dir.path(), server.address("/stew"), server.address("/gone")}, &err),
                 1);
        QCOMPARE(err, (server.address("/gone") + QStringLiteral(": not found (HTTP 404 Other)\n")).toUtf8());
        QCOMPARE(queryFile(book.file(QStringLiteral("Ohje")), QStringLiteral("SELECT Nimi FROM Ohje")),
                 QStringList{QStringLiteral("B\u0153uf stew")});
        QCOMPARE(run({QStringLiteral("import"), book.dir.path(), QStringLiteral("ftp://127.0.0.1/a.mmf")}, &err), 2);
    }
};

QTEST_GUILESS_MAIN(TestWebImport)
#include "TestWebImport.moc"
