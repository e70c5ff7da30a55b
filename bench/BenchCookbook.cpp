// Cookbooks: 1,000 recipes with pictures read from the book and laid out (what
// the preview waits for), the same written to a PDF file, and the whole
// 250,000-recipe book refused before any recipe text is read.
#include "BenchBook.h"
#include "BenchMain.h"
#include "print/Cookbook.h"
#include "store/book/CookbookSource.h"
#include "store/table/JpegCodec.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

constexpr int Recipes = 1000;

// A book of 1,000 recipes, each with a 640 x 480 picture of its own.
QString pictureBook()
{
    static QTemporaryDir dir;
    static bool made = false;
    const QString data = dir.path() + QStringLiteral("/Data");
    if (made)
        return data;
    BenchBook::generateBook(data, Recipes);
    sqlite3 *db = nullptr;
    BenchBook::check(sqlite3_open(QFile::encodeName(data + QStringLiteral("/Ohje.db")).constData(), &db), db);
    BenchBook::check(sqlite3_exec(db, "UPDATE Ohje SET Kuva = 1", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
    for (int i = 0; i < Recipes; ++i) {
        QImage image(640, 480, QImage::Format_RGB32);
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, 640, 480);
        gradient.setColorAt(0, QColor::fromHsv(i * 37 % 360, 200, 230));
        gradient.setColorAt(1, QColor::fromHsv(i * 91 % 360, 120, 90));
        painter.fillRect(image.rect(), gradient);
        painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
        painter.drawText(image.rect(), Qt::AlignCenter, BenchBook::recipeName(i));
        painter.end();
        JpegCodec::encodeFile(image, data + QStringLiteral("/Pics/")
                                         + PicturePaths::pictureFileName(BenchBook::recipeName(i)));
    }
    made = true;
    return data;
}

QVector<Cookbook::Recipe> readAll(benchmark::State &state)
{
    const QString data = pictureBook();
    try {
        return CookbookSource::read(data, data + QStringLiteral("/Pics/"), CookbookSource::Scope::WholeBook, QString());
    } catch (const StoreError &e) {
        state.SkipWithError(qPrintable(e.message()));
        return {};
    }
}

Cookbook::Options options()
{
    Cookbook::Options o;
    o.title = QStringLiteral("Recipes");
    o.date = QDate(2026, 12, 9);
    return o;
}

void reportMemory(benchmark::State &state)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024;
}

// What the preview waits for before its first page shows.
void BM_CookbookLayout(benchmark::State &state)
{
    pictureBook();
    int pages = 0;
    for (auto _ : state) {
        Cookbook::Layout layout(readAll(state), options(), Cookbook::Paper());
        layout.build();
        pages = layout.pageCount();
    }
    state.counters["pages"] = pages;
    reportMemory(state);
}
BENCHMARK(BM_CookbookLayout)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CookbookPdf(benchmark::State &state)
{
    pictureBook();
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("cookbook.pdf"));
    int pages = 0;
    for (auto _ : state) {
        Cookbook::Layout layout(readAll(state), options(), Cookbook::Paper());
        layout.build();
        QString error;
        if (!Cookbook::writePdf(layout, file, &error))
            state.SkipWithError(qPrintable(error));
        pages = layout.pageCount();
    }
    state.counters["pages"] = pages;
    state.counters["file_MB"] = double(QFileInfo(file).size()) / (1024 * 1024);
    reportMemory(state);
}
BENCHMARK(BM_CookbookPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CookbookWholeBigBookRefused(benchmark::State &state)
{
    const QString data = BenchBook::bigBook();
    for (auto _ : state) {
        try {
            CookbookSource::read(data, data + QStringLiteral("/Pics/"), CookbookSource::Scope::WholeBook, QString());
            state.SkipWithError("the whole book was not refused");
        } catch (const StoreError &) {
        }
    }
}
BENCHMARK(BM_CookbookWholeBigBookRefused)->Unit(benchmark::kMillisecond);

} // namespace

MEALDECK_BENCHMARK_MAIN(QApplication)
