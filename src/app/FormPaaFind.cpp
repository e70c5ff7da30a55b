// The main window's side of the search: selecting a found recipe.

#include "app/DataBoundList.h"
#include "app/FindController.h"
#include "app/FormPaa.h"

void TFormPaa::suspendSearchUpkeep()
{
    m_find->suspendUpkeep();
}

void TFormPaa::resumeSearchUpkeep()
{
    m_find->resumeUpkeep();
}

void TFormPaa::MenuEtsiClick()
{
    m_find->find();
}

bool TFormPaa::selectRecipe(const QString &mainGroup, const QString &subgroup, const QString &recipe, qint64 recipeId)
{
    if (!m_panes.listPaa->setCurrentName(mainGroup))
        return false;
    DBLLBoxPaaryhmaClick();
    if (!m_panes.listAla->setCurrentName(subgroup))
        return false;
    DBLLBoxAlaryhmaClick();
    if (!(recipeId ? m_panes.listResepti->setCurrentId(recipeId) : m_panes.listResepti->setCurrentName(recipe)))
        return false;
    DBLLBoxListaClick();
    m_panes.listResepti->syncCurrentRow();
    return true;
}
