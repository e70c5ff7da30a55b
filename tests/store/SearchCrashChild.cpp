// Changes the recipes of a book with its search index attached until it is
// killed: adds, edits and deletes, some alone and some in one scope.
//   store_search_crash_child DATAFOLDER FIRSTNUMBER

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeSearch.h"
#include "store/table/StoreTransaction.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const long start = args.at(2).toLong();
    try {
        TPackTable recipes;
        recipes.setDatabaseName(args.at(1));
        recipes.setTableName(QStringLiteral("Ohje"));
        recipes.setTableType(TTableType::Paradox);
        recipes.open();
        RecipeSearch search(args.at(1));
        if (search.needsRebuild()) {
            std::fprintf(stderr, "index rebuilt (%d)\n", int(search.indexState()));
            try {
                search.rebuild();
            } catch (const StoreError &) {
                return 3;
            }
        }
        std::printf("ready\n");
        std::fflush(stdout);
        auto add = [&](long i) {
            recipes.append();
            recipes.setFieldText(QStringLiteral("Nimi"), QStringLiteral("Crash %1").arg(i));
            recipes.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("Breads"));
            recipes.setFieldText(QStringLiteral("Aineet"),
                                 QStringLiteral("%1 eggs\nsalt\nbrew %2\n").arg(i).arg(i * 7).repeated(20));
            recipes.post();
        };
        for (long i = start;; ++i) {
            add(i);
            recipes.apply();
            if (i % 3 == 0) {
                StoreTransaction scope(recipes);
                recipes.setRecNo(int(i % 5) + 1);
                recipes.edit();
                recipes.setFieldText(QStringLiteral("Aineet"), QStringLiteral("bread %1 ").arg(i).repeated(30));
                recipes.apply();
                add(i + 1000000);
                recipes.apply();
                scope.commit();
            }
            if (i % 4 == 0) {
                recipes.setRecNo(recipes.recordCount() - 1);
                recipes.deleteRow();
                recipes.apply();
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
