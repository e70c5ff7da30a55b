// Import of a 1 MB recipe page (a JSON-LD recipe with its picture, in a page
// padded with markup as recipe sites are) served by a server on 127.0.0.1:
// the page and picture fetched, read and imported into an empty book in one
// store transaction.

#include "../tests/support/LocalWebServer.h"

#include "store/book/Book.h"
#include "store/exchange/BookImport.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/exchange/WebImport.h"
#include "BenchMain.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QByteArray recipePage()
{
    QByteArray page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Stew</title>"
                      "<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\",\"@type\":\"Recipe\","
                      "\"name\":\"Beef stew\",\"recipeCategory\":\"Stews\",\"image\":\"/stew.jpg\","
                      "\"recipeYield\":\"6 servings\",\"totalTime\":\"PT2H30M\",\"recipeIngredient\":[";
    for (int i = 0; i < 30; ++i)
        page += (i ? ",\"" : "\"") + QByteArray::number(i + 1) + " dl stock number " + QByteArray::number(i) + "\"";
    page += "],\"recipeInstructions\":[";
    for (int i = 0; i < 12; ++i)
        page += (i ? "," : "")
            + QByteArray("{\"@type\":\"HowToStep\",\"text\":\"Simmer gently and stir now and then.\"}");
    page += "]}</script></head><body>";
    const QByteArray block = "<div class=\"comment\"><p>Lovely stew, made it twice &amp; will again.</p>"
                             "<a href=\"/profile\">reader</a></div>\n";
    while (page.size() < 1024 * 1024)
        page += block;
    return page + "</body></html>";
}

QByteArray picture()
{
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return data;
}

// The page and its picture fetched and read, without the import.
void BM_ReadWebPage(benchmark::State &state)
{
    LocalWebServer server;
    server.answer("/stew", {200, "text/html; charset=utf-8", recipePage(), {}, 0, false});
    server.answer("/stew.jpg", {200, "image/jpeg", picture(), {}, 0, false});
    for (auto _ : state) {
        const WebImport::Result pages = WebImport().read({server.address("/stew")});
        if (pages.recipes.size() != 1 || pages.recipes.first().picture.isEmpty()) {
            state.SkipWithError("the page was not read");
            break;
        }
    }
}

void BM_ImportWebPage(benchmark::State &state)
{
    LocalWebServer server;
    server.answer("/stew", {200, "text/html; charset=utf-8", recipePage(), {}, 0, false});
    server.answer("/stew.jpg", {200, "image/jpeg", picture(), {}, 0, false});
    QTemporaryDir dir;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = dir.path() + QStringLiteral("/book%1").arg(++round);
        QDir().mkpath(folder);
        QString error;
        try {
            RecipeBook::createBook(folder, false);
        } catch (const StoreError &e) {
            error = e.message();
            state.SkipWithError(qPrintable(error));
            break;
        }
        state.ResumeTiming();
        ImportOptions options;
        WebImport::Result pages = WebImport().read({server.address("/stew")});
        options.readRecipes = std::move(pages.recipes);
        options.readProblems = std::move(pages.problems);
        RecipeBook::Book book(folder + QStringLiteral("/Data"), folder + QStringLiteral("/Data/Pics/"));
        const ImportSummary summary = BookImport(book).run({}, options);
        if (summary.imported != 1 || !summary.problems.isEmpty()) {
            state.SkipWithError(qPrintable(summary.text().left(300)));
            break;
        }
    }
    state.counters["page_MB"] = double(recipePage().size()) / (1024 * 1024);
}

} // namespace

BENCHMARK(BM_ReadWebPage)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(20);
BENCHMARK(BM_ImportWebPage)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime()->Iterations(20);

MEALDECK_BENCHMARK_MAIN(QCoreApplication)
