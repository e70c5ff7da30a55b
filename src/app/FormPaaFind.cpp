// The main window's search: the "&Find Recipes..." command of the "&Book"
// menu, the index kept in step from the start, and the selection of a found
// recipe.

#include "app/DataBoundList.h"
#include "app/FormEtsi.h"
#include "app/FormPaa.h"
#include "platform/Dialogs.h"
#include "store/ProgramPaths.h"
#include "store/RecipeSearch.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

void TFormPaa::buildFindCommands()
{
    QAction *find = addCommand(m_menuKirja, "MenuEtsi", QStringLiteral("&Find Recipes..."),
                               QStringLiteral("|Find recipes by the words of their name, ingredients, description or "
                                              "directions."),
                               &TFormPaa::MenuEtsiClick);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
}

void TFormPaa::startSearch()
{
    // From the start, so that every change to the recipes reaches the index
    // in its own transaction; the index is looked at once the window is up
    // (catching up with changes made without it takes a while in a big
    // book). A book whose index cannot be opened now is searched when Find
    // asks again.
    try {
        m_search = std::make_unique<RecipeSearch>(ProgramPaths::dataFolder(), false);
    } catch (const StoreError &) {
        m_search.reset();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        try {
            if (m_search)
                m_search->indexState();
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
    if (m_search->needsRebuild()) {
        const qint64 recipes = m_search->recipeCount();
        QProgressDialog progress(QStringLiteral("Building the search index of %1 recipes...")
                                     .arg(QLocale().toString(recipes)),
                                 QStringLiteral("Cancel"), 0, 1000, this);
        progress.setObjectName(QStringLiteral("FormHakuRakennus"));
        progress.setWindowTitle(Dialogs::applicationTitle());
        progress.setWindowModality(Qt::WindowModal);
        // Shown only when the work takes more than half a second.
        progress.setMinimumDuration(500);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        QString error;
        const bool built = m_search->rebuild(
            [&](qint64 done, qint64 total) {
                progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
                return !progress.wasCanceled();
            },
            &error);
        progress.close();
        if (!built) {
            if (!error.isEmpty())
                Dialogs::information(QStringLiteral("The search index could not be built.\n%1").arg(error));
            return;
        }
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
    if (!m_listPaa->setCurrentName(mainGroup))
        return false;
    DBLLBoxPaaryhmaClick();
    if (!m_listAla->setCurrentName(subgroup))
        return false;
    DBLLBoxAlaryhmaClick();
    if (!(recipeId ? m_listResepti->setCurrentId(recipeId) : m_listResepti->setCurrentName(recipe)))
        return false;
    DBLLBoxListaClick();
    m_listResepti->syncCurrentRow();
    return true;
}
