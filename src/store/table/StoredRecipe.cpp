#include "store/table/StoredRecipe.h"

#include "store/table/SqlStatement.h"

StoredRecipe readStoredRecipe(const SqlStatement &select, int first)
{
    StoredRecipe recipe;
    recipe.name = select.columnText(first);
    recipe.mainGroup = select.columnText(first + 1);
    recipe.subgroup = select.columnText(first + 2);
    recipe.description = select.columnText(first + 3);
    recipe.difficulty = select.columnText(first + 4);
    recipe.time = select.columnText(first + 5);
    recipe.portions = select.isNull(first + 6) ? QString() : select.columnText(first + 6);
    recipe.ingredients = select.columnText(first + 7);
    recipe.directions = select.columnText(first + 8);
    return recipe;
}
