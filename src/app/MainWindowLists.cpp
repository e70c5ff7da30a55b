#include "app/MainWindowLists.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/MainWindowPanes.h"
#include "app/RecipeEditors.h"
#include "store/book/Book.h"

#include <memory>

namespace {

// The binding of a list of groups that `read` reads. A group list is short:
// it is read whole when counted and handed out in parts.
DataBoundList::Binding groupBinding(std::function<QVector<RecipeBook::Book::Entry>()> read)
{
    auto rows = std::make_shared<QVector<RecipeBook::Book::Entry>>();
    return {[rows, read] {
                *rows = read();
                return int(rows->size());
            },
            [rows](int from, int count) { return rows->mid(from, count); }};
}

} // namespace

MainWindowLists::MainWindowLists(TFormPaa &window, SharedState &state, MainWindowPanes &panes,
                                 RecipeEditors &editors)
    : m_w(window), m_state(state), m_panes(panes), m_editors(editors)
{
}

RecipeBook::Book &MainWindowLists::book() const
{
    return *m_w.book();
}

void MainWindowLists::wire(RecipeBook::Book &book)
{
    // The lists read again what the book says has changed.
    QObject::connect(&book, &RecipeBook::Book::groupsChanged, m_panes.listPaa, &DataBoundList::markDirty);
    QObject::connect(&book, &RecipeBook::Book::subgroupsChanged, m_panes.listAla, &DataBoundList::markDirty);
    QObject::connect(&book, &RecipeBook::Book::recipesChanged, m_panes.listResepti, &DataBoundList::markDirty);
    QObject::connect(&book, &RecipeBook::Book::recipeChanged, m_panes.listResepti, [this](qint64 id) {
        m_panes.listResepti->markDirty();
        if (id == m_editors.shownId())
            m_editors.bindEdits();
    });
    QObject::connect(&book, &RecipeBook::Book::bookReplaced, m_panes.listResepti, [this] {
        m_panes.markListsDirty();
    });
    // Moving to another recipe first stores what was edited on the one left;
    // the recipe window edits the recipe the list stands on.
    m_panes.listResepti->setMayMove([this] { return m_editors.leave(); });
    QObject::connect(m_panes.listResepti, &DataBoundList::currentMoved, m_panes.listResepti, [this] {
        this->book().followRecipe(m_panes.listResepti->parentId(), m_panes.listResepti->currentId());
        m_editors.bindEdits();
    });
    m_panes.listPaa->bind(-1, groupBinding([this] { return this->book().mainGroupEntries(); }));
}

void MainWindowLists::showSubgroupsOf(qint64 mainGroupId)
{
    m_panes.listAla->bind(mainGroupId, groupBinding([this, mainGroupId] { return book().subgroupsOf(mainGroupId); }));
}

void MainWindowLists::showRecipesOf(qint64 subgroupId)
{
    m_panes.listResepti->bind(subgroupId, {[this, subgroupId] { return book().recipeCountOf(subgroupId); },
                                     [this, subgroupId](int from, int count) {
                                         return book().recipesOf(subgroupId, from, count);
                                     }});
}

void MainWindowLists::closeChildList(DataBoundList *list, qint64 renamedGroupId)
{
    if (list->parentId() == renamedGroupId)
        list->unbind();
}

void MainWindowLists::packTables(int tables, KeptRows kept)
{
    // A packed table is opened again on its first row, unless the work that
    // packed it removed nothing from the list: then its selection stays.
    book().packTables(tables);
    for (const auto &[table, list] : {std::pair{int(RecipeBook::Book::MainGroupTable), m_panes.listPaa},
                                      std::pair{int(RecipeBook::Book::SubgroupTable), m_panes.listAla},
                                      std::pair{int(RecipeBook::Book::RecipeTable), m_panes.listResepti}}) {
        if ((tables & table) && list->isBound()) {
            list->refresh();
            if (kept == KeptRows::FirstRow)
                list->setCurrentRow(0);
        }
    }
}

void MainWindowLists::restore(const MainWindowSelection &selection)
{
    m_panes.markListsDirty();
    m_panes.listPaa->refresh();
    if (selection.mainGroup && !m_panes.listPaa->setCurrentId(selection.mainGroup)) {
        // The selected main group has gone: nothing below it is shown.
        m_panes.listAla->unbind();
        m_panes.listResepti->unbind();
        m_state.CurrentMainGroup.clear();
        m_state.CurrentSubgroup.clear();
    }
    if (m_panes.listAla->isBound()) {
        if (m_panes.listAla->parentId() != m_panes.listPaa->currentId())
            showSubgroupsOf(m_panes.listPaa->currentId());
        m_panes.listAla->refresh();
        m_state.CurrentMainGroup = m_panes.listPaa->currentName();
        if (!selection.subgroup || !m_panes.listAla->setCurrentId(selection.subgroup)) {
            m_panes.listResepti->unbind();
            m_state.CurrentSubgroup.clear();
        }
    } else {
        m_panes.listResepti->unbind();
    }
    if (m_panes.listResepti->isBound() && m_panes.listAla->currentId()) {
        if (m_panes.listResepti->parentId() != m_panes.listAla->currentId())
            showRecipesOf(m_panes.listAla->currentId());
        m_panes.listResepti->refresh();
        m_state.CurrentSubgroup = m_panes.listAla->currentName();
        if (selection.recipe)
            m_panes.listResepti->setCurrentId(selection.recipe);
    }
}

void MainWindowLists::refresh()
{
    m_panes.listPaa->refresh();
    m_panes.listAla->refresh();
    m_panes.listResepti->refresh();
}

bool MainWindowLists::selectRecipe(const QString &mainGroup, const QString &subgroup, const QString &recipe,
                                   qint64 recipeId)
{
    if (!m_panes.listPaa->setCurrentName(mainGroup))
        return false;
    m_w.DBLLBoxPaaryhmaClick();
    if (!m_panes.listAla->setCurrentName(subgroup))
        return false;
    m_w.DBLLBoxAlaryhmaClick();
    if (!(recipeId ? m_panes.listResepti->setCurrentId(recipeId) : m_panes.listResepti->setCurrentName(recipe)))
        return false;
    m_w.DBLLBoxListaClick();
    m_panes.listResepti->syncCurrentRow();
    return true;
}

void MainWindowLists::showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
{
    m_w.runGuarded([&] {
        m_panes.markListsDirty();
        // The main groups are read anew, from the first.
        m_panes.listPaa->refresh();
        m_panes.listPaa->setCurrentRow(0);
        if (m_panes.listPaa->setCurrentName(mainGroup)) {
            m_w.DBLLBoxPaaryhmaClick();
            if (m_panes.listAla->setCurrentName(subgroup)) {
                m_w.DBLLBoxAlaryhmaClick();
                if (m_panes.listResepti->setCurrentName(recipe))
                    m_w.DBLLBoxListaClick();
            }
        }
        m_w.refreshLists();
    });
}
