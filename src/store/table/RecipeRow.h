#pragma once

#include <QString>

#include <optional>

class TPackTable;

namespace RecipeBook {

// The stored fields of the current row of a recipe table ("Ohje"): the book's
// own, or the one a recipe window shows. Each call is one apply, that is one
// commit: on a StoreError or StoreConflict nothing of it is on disk and the
// row's changes are pending again (the caller settles a conflict, see
// storeAgain). Edits already pending on the row (text typed into a bound
// memo) go with the call.
class RecipeRow
{
public:
    explicit RecipeRow(TPackTable &recipes) : m_recipes(recipes) { }

    void setDescription(const QString &text);
    void setDifficultyAndTime(const QString &difficulty, const QString &time);
    void setPortionCount(int count);
    // The ingredients (Aineet) and directions (Ohje); a field without a value
    // keeps what it holds (or what is pending for it).
    void setTexts(const std::optional<QString> &ingredients, const std::optional<QString> &directions);
    void setIngredients(const QString &text) { setTexts(text, std::nullopt); }
    void setDirections(const QString &text) { setTexts(std::nullopt, text); }
    // Rescaled ingredients with their new portion count (and the directions
    // when given), stored together.
    void setScaledIngredients(const QString &ingredients, int count,
                              const std::optional<QString> &directions = std::nullopt);

private:
    TPackTable &m_recipes;
};

} // namespace RecipeBook
