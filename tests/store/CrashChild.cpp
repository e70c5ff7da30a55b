// Writes to a recipe book until it is killed. Reports on stdout, one line
// each, what has been applied (the line is written only after apply returns).
//   store_crash_child apply|scope|pack DATAFOLDER FIRSTNUMBER

#include "store/table/PackTable.h"
#include "store/table/StoreTransaction.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

QString ingredientsFor(const QString &name)
{
    return (name + QStringLiteral(" 2,5 dl milk\n")).repeated(40);
}

void openTable(TPackTable &t, const QString &data, const char *name)
{
    t.setDatabaseName(data);
    t.setTableName(QString::fromLatin1(name));
    t.setTableType(TTableType::Paradox);
    t.open();
}

void addRecipe(TPackTable &t, const QString &name, const QString &group)
{
    t.append();
    t.setFieldText(QStringLiteral("Nimi"), name);
    t.setFieldText(QStringLiteral("Ryhma"), group);
    t.setFieldText(QStringLiteral("Aineet"), ingredientsFor(name));
    t.post();
}

void report(const char *what, long n)
{
    std::printf("%s %ld\n", what, n);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString mode = args.at(1);
    const QString data = args.at(2);
    const long start = args.at(3).toLong();
    try {
        if (mode == QLatin1String("apply")) {
            TPackTable recipes;
            openTable(recipes, data, "Ohje");
            report("ready", 0);
            for (long i = start;; ++i) {
                addRecipe(recipes, QStringLiteral("r%1").arg(i), QStringLiteral("G"));
                recipes.apply();
                report("applied", i);
            }
        } else if (mode == QLatin1String("scope")) {
            TPackTable subgroups;
            TPackTable recipes;
            openTable(subgroups, data, "Alaryhma");
            openTable(recipes, data, "Ohje");
            report("ready", 0);
            for (long i = start;; ++i) {
                subgroups.append();
                subgroups.setFieldText(QStringLiteral("Nimi"), QStringLiteral("s%1").arg(i));
                subgroups.setFieldText(QStringLiteral("Ryhma"), QStringLiteral("M"));
                subgroups.post();
                addRecipe(recipes, QStringLiteral("r%1").arg(i), QStringLiteral("s%1").arg(i));
                StoreTransaction scope(subgroups);
                subgroups.apply();
                recipes.apply();
                scope.commit();
                report("applied", i);
            }
        } else if (mode == QLatin1String("pack")) {
            TPackTable recipes;
            openTable(recipes, data, "Ohje");
            report("ready", 0);
            long next = start;
            for (;;) {
                for (int k = 0; k < 20; ++k, ++next)
                    addRecipe(recipes, QStringLiteral("r%1").arg(next), QStringLiteral("G"));
                recipes.apply();
                report("count", recipes.recordCount());
                recipes.first();
                for (int k = 0; k < 10; ++k)
                    recipes.deleteRow();
                recipes.apply();
                report("count", recipes.recordCount());
                recipes.close();
                recipes.setExclusive(true);
                if (!recipes.Pack())
                    return 3;
                recipes.open();
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 2;
}
