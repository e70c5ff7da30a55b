#pragma once

#include "store/table/StoredRecipe.h"

#include <QVector>

// The recipes a printed cookbook holds: the whole book, one main group or one
// subgroup, read with every field a page shows, in the order the book is
// read (main group, subgroup, recipe name, capitals not counting).
namespace CookbookSource {

// The most recipes one cookbook takes; a larger choice is refused before any
// recipe text is read.
constexpr int MaxRecipes = 5000;

struct Recipe : StoredRecipe
{
    qint64 id = 0;
    QString picture; // the picture file, empty when the recipe has none
};

enum class Scope { WholeBook, MainGroup, Subgroup };

// The recipes of `scope` (for a group, the one named `group`) in the book of
// `dataFolder` with pictures in `picsFolder` (ending in '/'), read without
// changing anything. Throws StoreError when the group is not in the book,
// the choice holds more than MaxRecipes recipes or the book cannot be read.
QVector<Recipe> read(const QString &dataFolder, const QString &picsFolder, Scope scope, const QString &group);

} // namespace CookbookSource
