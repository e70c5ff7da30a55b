// The main window's side of the trash: the "&Trash..." command of the menu
// "&Book", Ctrl+Z that restores the last deletion, and showing what came back.

#include "app/FormPaa.h"

#include "app/DataBoundList.h"
#include "app/FormRoskakori.h"
#include "store/ProgramPaths.h"
#include "store/Trash.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

namespace {

bool trashExists()
{
    return QFileInfo::exists(RecipeBook::Trash::fileName(ProgramPaths::dataFolder()));
}

} // namespace

void TFormPaa::addTrashCommands()
{
    m_menuKirja->addSeparator();
    addCommand(m_menuKirja, "MenuRoskakori", QStringLiteral("&Trash..."),
               QStringLiteral("|Show the deleted recipes and groups, to restore them or to delete them for good."),
               &TFormPaa::MenuRoskakoriClick);

    // Not in a menu: Ctrl+Z of the window. The edits and the memo keep Ctrl+Z
    // for their own undo (they take the key before a window shortcut).
    auto *undo = new QAction(QStringLiteral("Restore Last Deletion"), this);
    undo->setObjectName(QStringLiteral("MenuPeruPoisto"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WindowShortcut);
    addAction(undo);
    connect(undo, &QAction::triggered, this, [this] { runGuarded([this] { undoLastDeletion(); }); });

    // What a crash left in the trash's picture folder is settled once the
    // book is open.
    QTimer::singleShot(0, this, [this] {
        if (!m_tablesOpened || !trashExists())
            return;
        Dialogs::guard([] {
            RecipeBook::Trash trash(ProgramPaths::dataFolder(), ProgramPaths::picsFolder());
            trash.settle();
        });
    });
}

void TFormPaa::MenuRoskakoriClick()
{
    TFormRoskakori window(ProgramPaths::dataFolder(), ProgramPaths::picsFolder(),
                          [this](const QString &mainGroup, const QString &subgroup, const QString &recipe) {
                              showRestored(mainGroup, subgroup, recipe);
                          },
                          this);
    Dialogs::exec(&window, this);
}

void TFormPaa::undoLastDeletion()
{
    std::optional<RecipeBook::Trash::Entry> newest;
    if (trashExists()) {
        RecipeBook::Trash trash(ProgramPaths::dataFolder(), ProgramPaths::picsFolder());
        newest = trash.newest();
        if (newest) {
            const RecipeBook::Trash::Restored done = trash.restore(newest->id);
            showRestored(done.mainGroup, done.subgroup, done.recipe);
            if (!done.renamed.isEmpty())
                Dialogs::information(
                    QStringLiteral("Some names were taken meanwhile, so what was restored has new names:\n")
                    + done.renamed.join(QLatin1Char('\n')));
            return;
        }
    }
    Dialogs::information(QStringLiteral("There is no deletion to undo: the trash is empty."));
}

void TFormPaa::showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
{
    runGuarded([&] {
        for (DataBoundList *list : {m_listPaa, m_listAla, m_listResepti})
            list->markDirty();
        // The main groups are read anew, from the first.
        m_listPaa->refresh();
        m_listPaa->setCurrentRow(0);
        if (m_listPaa->setCurrentName(mainGroup)) {
            DBLLBoxPaaryhmaClick();
            if (m_listAla->setCurrentName(subgroup)) {
                DBLLBoxAlaryhmaClick();
                if (m_listResepti->setCurrentName(recipe))
                    DBLLBoxListaClick();
            }
        }
        refreshLists();
    });
}
