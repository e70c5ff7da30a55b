#pragma once

// The sink of the recipe readers' fuzz targets: every recipe delivered has a
// name and its ingredient lines hold no line break.

#include "FuzzSupport.h"

#include "store/exchange/ImportedRecipe.h"

namespace Fuzz {

inline ImportSink checkingSink()
{
    ImportSink sink;
    sink.recipe = [](ImportedRecipe &&recipe) {
        check(!recipe.name.isEmpty(), "recipe without a name");
        for (const QString &line : recipe.ingredients)
            check(!line.contains(QLatin1Char('\n')), "ingredient line with a line break", line);
        return true;
    };
    sink.problem = [](ImportProblem &&) {};
    return sink;
}

} // namespace Fuzz
