#include "app/TrashController.h"

#include "app/FormPaa.h"
#include "app/FormRoskakori.h"
#include "platform/Dialogs.h"
#include "platform/Hints.h"
#include "store/book/Book.h"
#include "store/book/Trash.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

TrashController::TrashController(TFormPaa *window, QMenu *menu) : QObject(window), m_window(window)
{
    menu->addSeparator();
    QAction *show = Hints::addMenuCommand(
        window, menu, "MenuRoskakori", QStringLiteral("&Trash..."),
        QStringLiteral("|Show the deleted recipes and groups, to restore them or to delete them for good."));
    connect(show, &QAction::triggered, this, [this] { Dialogs::guard([this] { showTrash(); }); });

    // Not in a menu: Ctrl+Z of the window. The edits and the memo keep Ctrl+Z
    // for their own undo (they take the key before a window shortcut).
    auto *undo = new QAction(QStringLiteral("Restore Last Deletion"), window);
    undo->setObjectName(QStringLiteral("MenuPeruPoisto"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WindowShortcut);
    window->addAction(undo);
    connect(undo, &QAction::triggered, this, [this] { Dialogs::guard([this] { undoLastDeletion(); }); });

    // What a crash left in the trash's picture folder is settled once the
    // book is open.
    QTimer::singleShot(0, this, [this] {
        if (!m_window->tablesOpened() || !m_window->book()->hasTrash())
            return;
        Dialogs::guard([this] { m_window->book()->openTrash()->settle(); });
    });
}

void TrashController::showTrash()
{
    TFormRoskakori window(
        *m_window->book(),
        [this](const QString &mainGroup, const QString &subgroup, const QString &recipe) {
            m_window->showRestored(mainGroup, subgroup, recipe);
        },
        m_window);
    Dialogs::exec(&window, m_window);
}

void TrashController::undoLastDeletion()
{
    std::optional<RecipeBook::Trash::Entry> newest;
    if (m_window->book()->hasTrash()) {
        newest = m_window->book()->openTrash()->newest();
        if (newest) {
            const RecipeBook::Trash::Restored done = m_window->book()->restoreFromTrash(newest->id);
            m_window->showRestored(done.mainGroup, done.subgroup, done.recipe);
            if (!done.renamed.isEmpty())
                Dialogs::information(
                    QStringLiteral("Some names were taken meanwhile, so what was restored has new names:\n")
                    + done.renamed.join(QLatin1Char('\n')));
            return;
        }
    }
    Dialogs::information(QStringLiteral("There is no deletion to undo: the trash is empty."));
}
