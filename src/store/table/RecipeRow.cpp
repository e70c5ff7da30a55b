#include "store/table/RecipeRow.h"

#include "store/table/PackTable.h"

namespace RecipeBook {

void RecipeRow::setDescription(const QString &text)
{
    m_recipes.edit();
    m_recipes.setFieldText(QStringLiteral("Kuvaus"), text);
    m_recipes.apply();
}

void RecipeRow::setDifficultyAndTime(const QString &difficulty, const QString &time)
{
    m_recipes.edit();
    m_recipes.setFieldText(QStringLiteral("Aste"), difficulty);
    m_recipes.setFieldText(QStringLiteral("Aika"), time);
    m_recipes.apply();
}

void RecipeRow::setPortionCount(int count)
{
    m_recipes.edit();
    m_recipes.setFieldInt(QStringLiteral("Annos"), count);
    m_recipes.apply();
}

void RecipeRow::setTexts(const std::optional<QString> &ingredients, const std::optional<QString> &directions)
{
    if (ingredients || directions)
        m_recipes.edit();
    if (ingredients)
        m_recipes.setFieldText(QStringLiteral("Aineet"), *ingredients);
    if (directions)
        m_recipes.setFieldText(QStringLiteral("Ohje"), *directions);
    m_recipes.apply();
}

void RecipeRow::setScaledIngredients(const QString &ingredients, int count, const std::optional<QString> &directions)
{
    m_recipes.edit();
    m_recipes.setFieldText(QStringLiteral("Aineet"), ingredients);
    m_recipes.setFieldInt(QStringLiteral("Annos"), count);
    if (directions)
        m_recipes.setFieldText(QStringLiteral("Ohje"), *directions);
    m_recipes.apply();
}

} // namespace RecipeBook
