#include "BenchMain.h"
#include "recipe/PortionScaling.h"
#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/table/StoreTransaction.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <memory>

namespace {

QStringList ingredientList(int lines)
{
    const QStringList kinds {QStringLiteral("1,5      dl       sugar"),
                             QStringLiteral("1         pcs    egg"),
                             QStringLiteral("1-2      tp       baking powder"),
                             QStringLiteral("coarce sugar"),
                             QStringLiteral("250 g butter"),
                             QStringLiteral("12,5 g yeast"),
                             QStringLiteral("")};
    QStringList result;
    for (int i = 0; i < lines; ++i)
        result.append(kinds[i % kinds.size()]);
    return result;
}

void BM_FormatScaledQuantity(benchmark::State &state)
{
    const QStringList quantities {QStringLiteral("1,5"), QStringLiteral("250"), QStringLiteral("12,5"),
                                  QStringLiteral("0,333"), QStringLiteral("4,99")};
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatScaledQuantity(quantities[i % quantities.size()], 6, 4));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatScaledQuantity);

// The pass over a 200-line list, every rescaled line stored in the recipe
// table as it goes (edit, write the list, apply); argument 1 runs the pass in
// one store transaction scope, as the recipe window does, 0 commits each apply.
void BM_ScalingPassStoringEachLine(benchmark::State &state)
{
    QTemporaryDir dir;
    QString error;
    try {
        RecipeBook::createBook(dir.path(), false);
    } catch (const StoreError &e) {
        error = e.message();
        state.SkipWithError(qPrintable(error));
        return;
    }
    TPackTable table;
    table.setDatabaseName(dir.path() + QStringLiteral("/Data"));
    table.setTableName(QStringLiteral("Ohje"));
    table.open();
    const QStringList lines = ingredientList(200);
    table.append();
    table.setFieldText(QStringLiteral("Nimi"), QStringLiteral("Bench"));
    table.setFieldText(QStringLiteral("Aineet"), lines.join(u'\n'));
    table.setFieldInt(QStringLiteral("Annos"), 4);
    table.apply();
    const bool oneScope = state.range(0) != 0;
    for (auto _ : state) {
        std::unique_ptr<StoreTransaction> scope;
        if (oneScope)
            scope = std::make_unique<StoreTransaction>(table);
        const QStringList result = PortionScaling::scaleIngredientLines(lines, 4, 6, [&table](const QStringList &now) {
            table.edit();
            table.setFieldText(QStringLiteral("Aineet"), now.join(u'\n'));
            table.apply();
        });
        table.edit();
        table.setFieldText(QStringLiteral("Aineet"), result.join(u'\n'));
        table.setFieldInt(QStringLiteral("Annos"), 6);
        table.apply();
        if (scope)
            scope->commit();
    }
}
BENCHMARK(BM_ScalingPassStoringEachLine)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

MEALDECK_BENCHMARK_MAIN(QCoreApplication)
