#pragma once

#include "store/book/ShoppingList.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// The week menu: recipes of the book at chosen portions, each on a day or on
// none. It is kept in a file of its own in the data folder and names its
// recipes by their row ids, so that a renamed recipe stays on it.
namespace Menu {

// The largest portion count an entry takes.
constexpr int MaxPortions = 9999;

struct Entry
{
    qint64 recipe = 0;
    int day = 0; // 0 for none, 1 to 7 for Monday to Sunday
    int portions = 1;
    // The recipe went into the trash. The entry keeps its id for a restore,
    // and a later recipe that is given the same id is not taken for it.
    bool deleted = false;

    bool operator==(const Entry &other) const
    {
        return recipe == other.recipe && day == other.day && portions == other.portions && deleted == other.deleted;
    }
};

// "Ruokalista.json"
QString fileName();
// "" for 0, "Monday" to "Sunday" for 1 to 7.
QString dayName(int day);

// The menu of the book in `dataFolder`; empty when it has none. Throws
// StoreError when the file cannot be read or is no menu; entries that are not
// sound (no recipe id, a day or portion count out of range) are left out.
QVector<Entry> read(const QString &dataFolder);
// Replaces the menu file in one step: a crash leaves the old file or the new.
// Throws StoreError when it cannot be written.
void write(const QString &dataFolder, const QVector<Entry> &entries);

// The recipes `ids` went into the trash: their entries are marked deleted.
// A book without a menu is left without one.
void markDeleted(const QString &dataFolder, const QVector<qint64> &ids);
// Recipes came back from the trash, under the new ids that `ids` gives for
// their old ones: their entries are theirs again.
void markRestored(const QString &dataFolder, const QHash<qint64, qint64> &ids);

// The fields of a recipe the shopping list needs.
struct Recipe
{
    qint64 id = 0;
    QString name;
    int portions = 0; // 0 when the recipe has no count
    QString ingredients;
    QString subgroup;
    QString mainGroup;
};
// The recipes of the book in `dataFolder` that have one of the `ids` or one
// of the `names`, read without changing anything. Throws StoreError.
QHash<qint64, Recipe> readRecipes(const QString &dataFolder, const QVector<qint64> &ids,
                                  const QStringList &names = {});
// The recipes of `menu`'s entries that are not deleted.
QHash<qint64, Recipe> readRecipes(const QString &dataFolder, const QVector<Entry> &menu);

// The shopping list's entries for `menu`; deleted entries and recipes no
// longer in `recipes` are left out.
QVector<ShoppingList::Entry> shoppingEntries(const QVector<Entry> &menu, const QHash<qint64, Recipe> &recipes);

} // namespace Menu
