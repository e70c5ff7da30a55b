#include "store/book/RecipeBook.h"

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/StoreTransaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString joinLines(const QJsonValue &value)
{
    QStringList lines;
    for (const QJsonValue &line : value.toArray())
        lines << line.toString();
    return lines.join(QLatin1Char('\n'));
}

void openTable(TPackTable &table, const QString &dataFolder, const QString &name)
{
    table.setDatabaseName(dataFolder);
    table.setTableName(name);
    table.setTableType(TTableType::Paradox);
    table.open();
}

} // namespace

namespace RecipeBook {

void addStarterBook(const QString &dataFolder)
{
    QFile file(QStringLiteral(":/starter/starter.json"));
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("The starter book is missing from the program"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw StoreError(QStringLiteral("The starter book is damaged: %1").arg(parseError.errorString()));

    try {
        TPackTable mainGroups;
        TPackTable subgroups;
        TPackTable recipes;
        openTable(mainGroups, dataFolder, QStringLiteral("Paaryhma"));
        openTable(subgroups, dataFolder, QStringLiteral("Alaryhma"));
        openTable(recipes, dataFolder, QStringLiteral("Ohje"));

        for (const QJsonValue &mainValue : document.object().value(QLatin1String("mainGroups")).toArray()) {
            const QJsonObject mainGroup = mainValue.toObject();
            const QString mainName = mainGroup.value(QLatin1String("name")).toString();
            mainGroups.append();
            mainGroups.setFieldText(QStringLiteral("Nimi"), mainName);
            mainGroups.post();
            for (const QJsonValue &subValue : mainGroup.value(QLatin1String("subgroups")).toArray()) {
                const QJsonObject subgroup = subValue.toObject();
                const QString subName = subgroup.value(QLatin1String("name")).toString();
                subgroups.append();
                subgroups.setFieldText(QStringLiteral("Nimi"), subName);
                subgroups.setFieldText(QStringLiteral("Ryhma"), mainName);
                subgroups.post();
                for (const QJsonValue &recipeValue : subgroup.value(QLatin1String("recipes")).toArray()) {
                    const QJsonObject recipe = recipeValue.toObject();
                    recipes.append();
                    recipes.setFieldText(QStringLiteral("Nimi"), recipe.value(QLatin1String("name")).toString());
                    recipes.setFieldText(QStringLiteral("Ryhma"), subName);
                    recipes.setFieldText(QStringLiteral("Kuvaus"),
                                         recipe.value(QLatin1String("description")).toString());
                    recipes.setFieldText(QStringLiteral("Aste"), recipe.value(QLatin1String("difficulty")).toString());
                    recipes.setFieldText(QStringLiteral("Aika"), recipe.value(QLatin1String("time")).toString());
                    recipes.setFieldInt(QStringLiteral("Annos"), recipe.value(QLatin1String("portions")).toInt());
                    recipes.setFieldText(QStringLiteral("Aineet"), joinLines(recipe.value(QLatin1String("ingredients"))));
                    recipes.setFieldText(QStringLiteral("Ohje"), joinLines(recipe.value(QLatin1String("directions"))));
                    recipes.post();
                }
            }
        }

        StoreTransaction scope(mainGroups);
        mainGroups.apply();
        subgroups.apply();
        recipes.apply();
        scope.commit();
    } catch (const StoreError &) {
        throw;
    } catch (const ProgramError &e) {
        throw StoreError(e.message());
    }
}

bool storeAgain(TPackTable &table, const QString &mainGroup)
{
    const QStringList parents = table.restoreVanishedRows();
    if (parents.isEmpty())
        return false;
    const QString name = table.TableName().section(QLatin1Char('.'), 0, 0);
    const bool recipes = name.compare(QLatin1String("Ohje"), Qt::CaseInsensitive) == 0;
    const bool subgroupRows = name.compare(QLatin1String("Alaryhma"), Qt::CaseInsensitive) == 0;
    try {
        TPackTable mainGroups;
        TPackTable subgroups;
        if (recipes || subgroupRows)
            openTable(mainGroups, table.DatabaseName(), QStringLiteral("Paaryhma"));
        if (recipes)
            openTable(subgroups, table.DatabaseName(), QStringLiteral("Alaryhma"));

        // The parents are looked up inside the transaction, so that no other
        // program can delete them before the commit.
        StoreTransaction scope(table);
        QStringList neededMainGroups;
        if (subgroupRows)
            neededMainGroups = parents;
        if (recipes) {
            for (const QString &subgroup : parents) {
                if (subgroup.isEmpty() || subgroups.storedContains(QStringLiteral("Nimi"), subgroup)
                    || subgroups.containsName(QStringLiteral("Nimi"), subgroup))
                    continue;
                subgroups.append();
                subgroups.setFieldText(QStringLiteral("Nimi"), subgroup);
                subgroups.setFieldText(QStringLiteral("Ryhma"), mainGroup);
                subgroups.post();
                neededMainGroups << mainGroup;
            }
        }
        for (const QString &group : std::as_const(neededMainGroups)) {
            if (group.isEmpty() || mainGroups.storedContains(QStringLiteral("Nimi"), group)
                || mainGroups.containsName(QStringLiteral("Nimi"), group))
                continue;
            mainGroups.append();
            mainGroups.setFieldText(QStringLiteral("Nimi"), group);
            mainGroups.post();
        }
        if (mainGroups.Active())
            mainGroups.apply();
        if (subgroups.Active())
            subgroups.apply();
        table.apply();
        scope.commit();
    } catch (const StoreError &) {
        return false;
    }
    return true;
}

void createBook(const QString &folder, bool withStarter)
{
    const QDir base(folder);
    if (!base.exists())
        throw StoreError(QStringLiteral("The folder %1 does not exist").arg(folder));
    const QString dataFolder = base.absoluteFilePath(QStringLiteral("Data"));
    if (QFileInfo::exists(dataFolder) || QFileInfo(dataFolder).isSymLink())
        throw StoreError(QStringLiteral("%1 already exists; it is left as it is").arg(dataFolder));
    if (!base.mkdir(QStringLiteral("Data")))
        throw StoreError(QStringLiteral("Cannot create %1").arg(dataFolder));

    // Only what this call made is removed again.
    try {
        if (!QDir(dataFolder).mkdir(QStringLiteral("Pics")))
            throw StoreError(QStringLiteral("Cannot create %1/Pics").arg(dataFolder));
        for (const QString &table : RecipeSchema::tableNames())
            RecipeSchema::createTableFile(dataFolder + QLatin1Char('/') + table + QLatin1String(".db"), table);
        if (withStarter)
            addStarterBook(dataFolder);
    } catch (...) {
        QDir(dataFolder).removeRecursively();
        throw;
    }
}

} // namespace RecipeBook
