// Deletes subgroups and recipes of a book into its trash and restores them,
// over and over, until it is killed. Reports "ready", then "cycle N" after
// each restore and deletion.
//   store_trash_crash_child DATAFOLDER

#include "store/book/Book.h"
#include "store/table/PackTable.h"
#include "store/book/Trash.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

bool select(TPackTable &table, const QString &name)
{
    for (table.first(); !table.eof(); table.next()) {
        if (table.fieldText(QStringLiteral("Nimi")) == name)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return 2;
    const QString data = args.at(1);
    const QString pics = data + QStringLiteral("/Pics/");
    try {
        RecipeBook::Book book(data, pics);
        book.mainGroups().open();
        book.subgroups().open();
        book.recipes().open();
        std::printf("ready\n");
        std::fflush(stdout);
        for (long cycle = 1;; ++cycle) {
            // What an earlier run left in the trash comes back first.
            {
                RecipeBook::Trash trash(data, pics);
                while (const auto newest = trash.newest())
                    trash.restore(newest->id);
            }
            book.mainGroups().setFilter(QString());
            book.mainGroups().first();
            book.subgroups().setFilter(RecipeBook::childFilter(QStringLiteral("M")));
            const QString subgroup = QStringLiteral("S%1").arg(cycle % 4 + 1);
            if (!select(book.subgroups(), subgroup))
                return 3;
            if (cycle % 3 == 0) {
                book.recipes().setFilter(RecipeBook::childFilter(subgroup));
                book.recipes().first();
                book.deleteRecipe(book.recipes().currentRowId());
                RecipeBook::Book::pack(book.recipes());
            } else {
                book.deleteSubgroup(book.subgroups().currentRowId());
                RecipeBook::Book::pack(book.recipes());
                RecipeBook::Book::pack(book.subgroups());
            }
            std::printf("cycle %ld\n", cycle);
            std::fflush(stdout);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
