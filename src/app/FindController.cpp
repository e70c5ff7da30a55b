#include "app/FindController.h"

#include "app/FormEtsi.h"
#include "app/FormPaa.h"
#include "app/MainWindowMenus.h"
#include "platform/Dialogs.h"
#include "store/book/Book.h"
#include "store/book/RecipeSearch.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

FindController::FindController(TFormPaa *window, QMenu *menu)
    : m_window(window)
    , m_indexing(new QTimer(this))
{
    QAction *find = MainWindowMenus::addCommand(
        window, menu, "MenuEtsi", QStringLiteral("&Find Recipes..."),
        QStringLiteral("|Find recipes by the words of their name, ingredients, description or directions."),
        &TFormPaa::MenuEtsiClick);
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    // Takes in the indexing thread's work once it is done.
    m_indexing->setInterval(100);
    connect(m_indexing, &QTimer::timeout, this, [this] {
        try {
            if (!m_search || !m_search->continueIndexing())
                m_indexing->stop();
        } catch (const StoreError &) {
            m_indexing->stop();
        }
    });
}

FindController::~FindController() = default;

void FindController::start()
{
    // From the start, so that every change to the recipes reaches the index
    // in its own transaction; the index is looked at once the window is up
    // and, when it is missing or behind the recipes, brought up to date on a
    // thread of its own. A book whose index cannot be opened now is searched
    // when Find asks again.
    try {
        m_search = m_window->book()->openSearch(false);
    } catch (const StoreError &) {
        m_search.reset();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        try {
            if (m_search && m_search->startIndexing())
                m_indexing->start();
        } catch (const StoreError &) {
            // Told when Find is asked for.
        }
    });
    // Told after the change that met the damaged index has been stored.
    m_search->setSetAsideNotice([this](const QString &why) {
        QTimer::singleShot(0, this, [why] { Dialogs::information(why); });
    });
}

void FindController::suspendUpkeep()
{
    if (m_search)
        m_search->suspendUpkeep();
}

void FindController::resumeUpkeep()
{
    if (m_search && m_search->resumeUpkeep())
        m_indexing->start();
}

void FindController::find()
{
    m_window->SaveDifficultyAndTime();
    if (!m_search)
        start();
    if (!m_search)
        m_search = m_window->book()->openSearch();
    // Never waited for: while the index is brought up to date, Find answers
    // from the recipe names.
    if (m_search->startIndexing())
        m_indexing->start();
    TFormEtsi window(*m_search, m_window);
    if (Dialogs::exec(&window, m_window) != QDialog::Accepted || !window.chosen())
        return;
    const RecipeSearch::Hit hit = *window.chosen();
    if (!m_window->selectRecipe(hit.mainGroup, hit.subgroup, hit.name, hit.id))
        Dialogs::information(QStringLiteral("The recipe \"%1\" is not in the lists: its group is missing.")
                                 .arg(hit.name));
}
