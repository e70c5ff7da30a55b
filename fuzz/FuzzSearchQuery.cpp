// Search text against a small indexed book. Checks beyond "no crash": no text
// is ever an error or asks for a rebuild, every hit is a recipe of the book
// and comes once, the count covers the hits, and every mark lies inside its
// text.

#include "FuzzSupport.h"

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/book/RecipeSearch.h"

#include <QSet>

#include <cstdint>

namespace {

// Made in its constructor, so that the store's own statics exist before it
// and are destroyed after it at exit.
struct Book
{
    QTemporaryDir dir;
    std::unique_ptr<TPackTable> recipes;
    std::unique_ptr<RecipeSearch> search;
    QSet<qint64> ids;

    Book()
    {
        QString error;
        try {
            RecipeBook::createBook(dir.path(), false);
        } catch (const StoreError &e) {
            Fuzz::fail("createBook", e.message());
        }
        const QString data = dir.path() + QStringLiteral("/Data");
        recipes = std::make_unique<TPackTable>();
        recipes->setDatabaseName(data);
        recipes->setTableName(QStringLiteral("Ohje"));
        recipes->setTableType(TTableType::Paradox);
        recipes->open();
        const char *const names[] = {"Crème brûlée", "Knödel", "Puolukkahillo", "Sauerkraut", "Tomato soup",
                                     "Æbleskiver", "Ørret", "İskender", "Straße", "🍅 Salad", "\"Quoted\" pie",
                                     "AND OR NOT", "a", "Ωmega ΣΊΣΥΦΟΣ"};
        int i = 0;
        for (const char *name : names) {
            recipes->append();
            recipes->setFieldText(QStringLiteral("Nimi"), QString::fromUtf8(name));
            recipes->setFieldText(QStringLiteral("Ryhma"), QStringLiteral("G"));
            recipes->setFieldText(QStringLiteral("Aineet"), QStringLiteral("%1 dl milk\n2 eggs\nsalt (to taste)\n%2")
                                                                 .arg(i)
                                                                 .arg(QString::fromUtf8(name)));
            recipes->setFieldText(QStringLiteral("Ohje"), QStringLiteral("Stir * well: \"now\" ^ NEAR(x y)."));
            recipes->post();
            ++i;
        }
        recipes->apply();
        for (recipes->first(); !recipes->eof(); recipes->next())
            ids.insert(recipes->currentRowId());
        search = std::make_unique<RecipeSearch>(data);
        try {
            search->rebuild();
        } catch (const StoreError &e) {
            Fuzz::fail("rebuild", e.message());
        }
    }
};

Book &book()
{
    static Book b;
    return b;
}

void checkMarks(const QString &text, const QVector<SearchText::Range> &marks, const char *what)
{
    int end = 0;
    for (const SearchText::Range &m : marks) {
        Fuzz::check(m.start >= end && m.length > 0 && m.start + m.length <= text.size(), what, text);
        end = m.start + m.length;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureCoreApplication();
    book();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    Book &b = book();
    const RecipeSearch::Result result = b.search->find(text, -1, true);
    Fuzz::check(result.error.isEmpty(), "search error", result.error + QStringLiteral(" for ") + text);
    Fuzz::check(!result.needsRebuild, "rebuild asked", text);
    Fuzz::check(result.total == result.hits.size(), "count", text);
    QSet<qint64> seen;
    for (const RecipeSearch::Hit &hit : result.hits) {
        Fuzz::check(b.ids.contains(hit.id), "hit outside the book", text);
        Fuzz::check(!seen.contains(hit.id), "hit twice", text);
        seen.insert(hit.id);
        checkMarks(hit.name, hit.nameMarks, "name marks");
        checkMarks(hit.excerpt.text, hit.excerpt.marks, "excerpt marks");
    }
    // Folding never grows a text out of bounds of its origin map.
    QVector<int> origin;
    const QString folded = SearchText::fold(text, &origin);
    Fuzz::check(origin.size() == folded.size(), "origin map", text);
    for (int at : origin)
        Fuzz::check(at >= 0 && at < text.size(), "origin index", text);
    return 0;
}
