#pragma once

#include <QString>

#include <QtGlobal>

class DataBoundList;
struct MainWindowPanes;
class RecipeEditors;
class TFormPaa;
struct SharedState;

namespace RecipeBook {
class Book;
}

// The selected rows of the main window's three lists, by stored id (0 where
// none); the recipe is the one whose editors are shown.
struct MainWindowSelection {
    qint64 mainGroup = 0;
    qint64 subgroup = 0;
    qint64 recipe = 0;
};

// The main window's three lists fed by the book: they read again what the
// book says has changed, show the children of the group selected above them,
// and keep or restore the selection by id.
class MainWindowLists
{
public:
    MainWindowLists(TFormPaa &window, SharedState &state, MainWindowPanes &panes, RecipeEditors &editors);

    // Feeds the lists from `book`, the main groups first.
    void wire(RecipeBook::Book &book);
    // The lists of subgroups and recipes show the children of one group.
    void showSubgroupsOf(qint64 mainGroupId);
    void showRecipesOf(qint64 subgroupId);
    // The children of a renamed group show again when it is selected again.
    void closeChildList(DataBoundList *list, qint64 renamedGroupId);
    // Packs the book's tables (RecipeBook::Book::Tables); their lists select
    // their first rows, as the tables opened again do, or keep their selected
    // rows when the work removed no row (a deleted picture).
    enum class KeptRows { FirstRow, Selection };
    void packTables(int tables, KeptRows kept = KeptRows::FirstRow);
    // Reads every list again: each keeps the row of `selection` selected
    // while it exists and shows the children of the row selected above it.
    void restore(const MainWindowSelection &selection);
    void refresh();
    // Selects the recipe as clicking its main group, its subgroup and then
    // the recipe would (the recipe by its stored id when one is given).
    bool selectRecipe(const QString &mainGroup, const QString &subgroup, const QString &recipe, qint64 recipeId);
    // Reads the lists again and selects what the trash gave back.
    void showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe);

private:
    RecipeBook::Book &book() const;

    TFormPaa &m_w;
    SharedState &m_state;
    MainWindowPanes &m_panes;
    RecipeEditors &m_editors;
};
