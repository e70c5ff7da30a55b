// The main window's search: the "&Find Recipes..." command of the "&Book"
// menu, the index kept in step from the start (brought up to date in the
// background), and the selection of a found recipe.

#include "app/DataBoundList.h"
#include "app/FormEtsi.h"
#include "app/FormPaa.h"
#include "app/MainWindowMenus.h"
#include "platform/Dialogs.h"
#include "store/ProgramPaths.h"
#include "store/RecipeSearch.h"

#include <QMenu>
#include <QTimer>

void TFormPaa::buildFindCommands(QMenu *bookMenu)
{
    QAction *find = MainWindowMenus::addCommand(this, bookMenu, "MenuEtsi", QStringLiteral("&Find Recipes..."),
                               QStringLiteral("|Find recipes by the words of their name, ingredients, description or "
                                              "directions."),
                               &TFormPaa::MenuEtsiClick);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
}

namespace {

const char *const IndexingTimer = "HakuIndeksointi";

} // namespace

void TFormPaa::startSearch()
{
    // From the start, so that every change to the recipes reaches the index
    // in its own transaction; the index is looked at once the window is up
    // and, when it is missing or behind the recipes, brought up to date on a
    // thread of its own. A book whose index cannot be opened now is searched
    // when Find asks again.
    try {
        m_search = std::make_unique<RecipeSearch>(ProgramPaths::dataFolder(), false);
    } catch (const StoreError &) {
        m_search.reset();
        return;
    }
    // Takes in the indexing thread's work once it is done.
    auto *indexing = findChild<QTimer *>(QLatin1String(IndexingTimer));
    if (!indexing) {
        indexing = new QTimer(this);
        indexing->setObjectName(QLatin1String(IndexingTimer));
        indexing->setInterval(100);
        connect(indexing, &QTimer::timeout, this, [this, indexing] {
            try {
                if (!m_search || !m_search->continueIndexing())
                    indexing->stop();
            } catch (const StoreError &) {
                indexing->stop();
            }
        });
    }
    QTimer::singleShot(0, this, [this, indexing] {
        try {
            if (m_search && m_search->startIndexing())
                indexing->start();
        } catch (const StoreError &) {
            // Told when Find is asked for.
        }
    });
    // Told after the change that met the damaged index has been stored.
    m_search->setSetAsideNotice([this](const QString &why) {
        QTimer::singleShot(0, this, [why] { Dialogs::information(why); });
    });
}

void TFormPaa::suspendSearchUpkeep()
{
    if (m_search)
        m_search->suspendUpkeep();
}

void TFormPaa::resumeSearchUpkeep()
{
    if (m_search)
        m_search->resumeUpkeep();
}

void TFormPaa::MenuEtsiClick()
{
    SaveDifficultyAndTime();
    if (!m_search)
        startSearch();
    if (!m_search)
        m_search = std::make_unique<RecipeSearch>(ProgramPaths::dataFolder());
    // Never waited for: while the index is brought up to date, Find answers
    // from the recipe names.
    if (m_search->startIndexing()) {
        if (auto *indexing = findChild<QTimer *>(QLatin1String(IndexingTimer)))
            indexing->start();
    }
    TFormEtsi window(*m_search, this);
    if (Dialogs::exec(&window, this) != QDialog::Accepted || !window.chosen())
        return;
    const RecipeSearch::Hit hit = *window.chosen();
    if (!selectRecipe(hit.mainGroup, hit.subgroup, hit.name, hit.id))
        Dialogs::information(QStringLiteral("The recipe \"%1\" is not in the lists: its group is missing.")
                                 .arg(hit.name));
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
