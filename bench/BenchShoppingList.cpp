#include "store/book/ShoppingList.h"

#include <benchmark/benchmark.h>

namespace {

// A week of menus: 50 recipes of 30 ingredient lines each, at other portions
// than written, with ingredients shared between recipes as in real books.
QVector<ShoppingList::Entry> menuOf(int recipes, int lines)
{
    const QStringList units {QStringLiteral("dl"), QStringLiteral("g"), QStringLiteral("tbsp"),
                             QStringLiteral("pcs"), QStringLiteral("kg"), QStringLiteral("tsp")};
    QVector<ShoppingList::Entry> entries;
    for (int r = 0; r < recipes; ++r) {
        QStringList text;
        for (int i = 0; i < lines; ++i) {
            const int n = (r * 7 + i * 13) % 120;
            if (i % 10 == 9)
                text << QStringLiteral("salt and pepper %1").arg(n % 5);
            else if (i % 10 == 8)
                text << QStringLiteral("1-2      %1       Ingrédient %2s").arg(units[i % units.size()]).arg(n);
            else
                text << QStringLiteral("%1,5      %2       ingredient %3").arg(i % 9 + 1).arg(units[n % units.size()]).arg(n);
        }
        entries.append({QStringLiteral("Recipe %1").arg(r), text.join(u'\n'), 4, 2 + r % 7});
    }
    return entries;
}

void BM_ShoppingListOfWeekMenu(benchmark::State &state)
{
    const QVector<ShoppingList::Entry> entries = menuOf(50, 30);
    for (auto _ : state)
        benchmark::DoNotOptimize(ShoppingList::build(entries));
    state.SetItemsProcessed(state.iterations() * 50 * 30);
}
BENCHMARK(BM_ShoppingListOfWeekMenu)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
