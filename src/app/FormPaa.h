#pragma once

#include "app/BookCommands.h"
#include "app/FormRyhmaPois.h"
#include "app/MainWindowLists.h"
#include "app/MainWindowPanes.h"
#include "app/RecipeEditors.h"
#include "app/SharedState.h"
#include "platform/Dialogs.h"
#include "settings/FormPoistu.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace RecipeBook {
class Book;
}
class FindController;
class DataBoundList;
class TAutoRunner;
class QAction;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

// The main window: the three linked lists of main groups, subgroups and
// recipes, the selected recipe's description, difficulty, time and picture,
// and the commands that organise the book. It owns the book and the shared
// selection state that the dialogs and the recipe window read; the lists hold
// the stored ids of their rows, and the selection is kept as ids.
//
// Activation runs deterministically: once when the window is first shown,
// after each modal dialog shown over it through Dialogs::exec, and each time
// the window is shown again after the recipe window (showing runs FormShow
// and then the activation steps; callers never run activation themselves
// after show()). For a person the activation after showing waits until the
// window has been drawn; in test mode it runs within show(). Toolkit
// activation events are ignored.
class TFormPaa : public QMainWindow, public ActivationTarget, public DeleteCommandsHost, public ExitSteps
{
    Q_OBJECT

public:
    // Opens the three tables of the data folder. When they cannot be opened
    // the window shows "Database not found" and tablesOpened() is false; the
    // program then ends without using the window.
    explicit TFormPaa(QWidget *parent = nullptr);
    ~TFormPaa() override;
    Q_DISABLE_COPY_MOVE(TFormPaa)

    bool tablesOpened() const { return m_tablesOpened; }

    SharedState &state() { return m_state; }

    TAutoRunner *AutoRunner() const { return m_autoRunner; }

    DataBoundList *DBLLBoxPaaryhma() const { return m_panes.listPaa; }
    DataBoundList *DBLLBoxAlaryhma() const { return m_panes.listAla; }
    DataBoundList *DBLLBoxLista() const { return m_panes.listResepti; }
    QPlainTextEdit *MemoKuvaus() const { return m_panes.memoKuvaus; }
    QLineEdit *DBEditAste() const { return m_panes.editAste; }
    QLineEdit *DBEditAika() const { return m_panes.editAika; }

    QAction *menuAction(const QString &objectName) const;
    QAction *MenuAutorun() const { return m_menuAutorun; }
    QAction *MenuSulje() const { return m_menuSulje; }
    QAction *MenuSuuri() const { return m_menuSuuri; }
    QAction *MenuPieni() const { return m_menuPieni; }
    QMenu *MenuIkkuna() const { return m_menuIkkuna; }

    // Routines the dialogs and the recipe window call.
    void DisableCommands();
    void ApplyFullLayout();
    void ApplySmallLayout();
    // Gives the focus to one of the six panes (lists, memo, edits) and greys
    // the other five.
    void FocusPane(QWidget *pane);
    // Stores or drops an edited description after the question. When the
    // question is left unanswered (Escape, the frame) the edit is stored, or,
    // with `mayCancel`, kept unsettled in the memo and false is returned: the
    // command that asked then stops.
    bool SaveDescriptionChange(bool mayCancel = false) { return m_editors.saveDescriptionChange(mayCancel); }
    void SaveDifficultyAndTime() { m_editors.saveDifficultyAndTime(); }
    // SaveDescriptionChange when the description was edited.
    void settleDescription() { m_editors.settleDescription(); }
    // Stores the recipe window's edited ingredients and directions, the edited
    // description, difficulty and time as Yes to every save question would,
    // without asking: for when no one can answer (the session ends).
    void storeEditsUnasked() { m_editors.storeUnasked(); }
    // Start at login on or off. When the entry cannot be written the user is
    // told why, and both windows' items are left unticked.
    void setStartAtLogin(bool on);
    // Enables the menu items (and tool buttons) with these object names.
    void enableCommands(std::initializer_list<const char *> objectNames);
    // Disables every command but Add Main Group.
    void enableOnlyAddMainGroup();

    // The recipe selection: shows the current recipe row's description,
    // difficulty, time and picture (also run when the recipe window returns).
    void DBLLBoxListaClick();
    void DBLLBoxPaaryhmaClick();
    void DBLLBoxAlaryhmaClick();
    // Selects the recipe as clicking its main group, its subgroup and then
    // the recipe would (the recipe by its stored id when one is given).
    // False when one of them is not in the lists.
    bool selectRecipe(const QString &mainGroup, const QString &subgroup, const QString &recipe, qint64 recipeId = 0)
    {
        return m_lists.selectRecipe(mainGroup, subgroup, recipe, recipeId);
    }
    // Around a change of many recipes (an import): the search index takes
    // them in one pass afterwards instead of one by one.
    void suspendSearchUpkeep();
    void resumeSearchUpkeep();

    void centreOnDesktop();
    // Help contents, and the about window over `over` (whose activation runs
    // when it closes).
    void showHelp();
    void showAbout(QWidget *over);

    // After a restore replaced the book's files: reads the book anew and
    // shows it with nothing selected.
    void openRestoredBook();

    // The stored id of the recipe whose description, difficulty, time and
    // picture the window shows (typing there belongs to it); 0 when none.
    qint64 shownRecipeId() const { return m_editors.shownId(); }
    // The book the window shows; null when its tables did not open.
    RecipeBook::Book *book() const { return m_book.get(); }
    // The selected rows of the three lists, by stored id (0 where none).
    using Selection = MainWindowSelection;
    Selection selection() const;

    // True once the program has been told to end (Exit answered Yes, or the
    // question is switched off).
    bool endRequested() const { return m_endRequested; }

    // DeleteCommandsHost
    void restoreMainGroupCommands() override;
    // ExitSteps
    void postModifiedRecipeMemos() override;
    void endProgram() override;

    // Runs a handler body in the handler guard. A change the store refused
    // because another program changed or deleted the same rows meanwhile is
    // settled (settleConflict); after any other failure nothing the body left
    // pending stays (a later apply would write half an operation) and the
    // lists show what is stored.
    void runGuarded(const std::function<void()> &body);
    // Runs `work` on the book in the handler guard, then shows the lists as
    // the book now holds them (for work that writes many rows at once).
    void workOnBook(const std::function<void(RecipeBook::Book &)> &work);

    // The picture file of a recipe.
    static QString recipePicturePath(const QString &recipeName);

    // The placeholder text shown in the memo for a recipe without description.
    static QString descriptionPlaceholder() { return RecipeEditors::placeholder(); }
    // The placeholder texts, which are shown but never stored.
    static bool isPlaceholder(const QString &text) { return RecipeEditors::isPlaceholder(text); }

    // ActivationTarget
    void runActivation() override;

public Q_SLOTS:
    void MenuLisaaPaaClick() { m_commands.addMainGroup(); }
    void MenuPoistaPaaClick() { m_commands.deleteMainGroup(); }
    void MenuMuutaPaaClick() { m_commands.renameMainGroup(); }
    void MenuLisaaAlaClick() { m_commands.addSubgroup(); }
    void MenuPoistaAlaClick() { m_commands.deleteSubgroup(); }
    void MenuMuutaAlaClick() { m_commands.renameSubgroup(); }
    void MenuLisaaReseptiClick() { m_commands.addRecipe(); }
    void MenuPoistaReseptiClick() { m_commands.deleteShownRecipe(); }
    void MenuMuutaReseptiClick() { m_commands.renameShownRecipe(); }
    void MenuLisaaKuvaClick() { m_commands.addPicture(); }
    void MenuPoistaKuvaClick() { m_commands.deletePicture(); }
    void MenuNaytaReseptiClick();
    void MenuAutorunClick();
    void MenuQueriesClick();
    void MenuSuljeClick();
    void MenuSuuriClick();
    void MenuPieniClick();
    void MenuOhjeetClick();
    void MenuAboutClick();
    void MenuEtsiClick();

    // Reads the lists again after the trash gave something back, and selects
    // it: the main group, its subgroup and its recipe, as far as given.
    void showRestored(const QString &mainGroup, const QString &subgroup, const QString &recipe)
    {
        m_lists.showRestored(mainGroup, subgroup, recipe);
    }

public:
    // Reads the three lists again where the book changed, and hides the
    // editors of a recipe that is no longer listed.
    void refreshLists();
    // Drops what a failed operation left pending and shows what is stored.
    void dropPendingChanges();
    // Hides the recipe's description, picture and edits, showing the
    // decorative picture in their place.
    void hideDetailPanes();
    void showDecorativePicture();
    bool isFullChecked() const;
    // The client widths of the size modes: the lists reach the right edge.
    static constexpr int FullWidth = 1016;
    static constexpr int SmallWidth = 792;
    // Reads a question switch; a missing one counts as false and is written
    // false when asked to.
    static bool settingIsTrue(const char *name, bool writeFalseWhenMissing);
    // The file named at the end of an invalid-picture message, with the reason.
    static QString refusedFileText(const QString &path, const QString &reason);
    // Runs a command only while its menu item is enabled.
    void runCommand(const char *objectName);
    // On a narrow screen only the Small size is offered.
    void applyScreenWidthRule();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void openTables();
    void FormShow();
    void FormActivate();
    void applySizeSetting();
    // The width of the screen; without one, every size mode is allowed.
    static int screenWidth() { return Dialogs::screenWidth(1024); }
    // Sizes the window so that its client area ends just below the lists.
    void fitWindowToLists(int width, int listsBottom);
    void placeMemo(bool withPicture);
    // The shown recipe without a picture: its memo over the full width.
    void showWithoutPicture();
    void applyLayout(bool full);
    void settleConflict();
    // The book's files were replaced by another program and opened again.
    void bookReopened();
    void watchDataFolder();
    // Shows the book again after work that changed it past the window: the
    // lists keep the rows of `selection` selected while they exist, each list
    // shows the children of the row selected above it, and the recipe's
    // details go when the recipe is no longer listed.
    void restoreSelection(const Selection &selection);
    // Hides the details of the shown recipe when it is not in the recipe list
    // (any typing on it is stored first).
    void hideUnlistedRecipe();
    void hideRecipeDetails();
    void applyRecipeWindowLayout();
    // The recipe window's side of the main window's steps; nothing while the
    // program has no recipe window.
    void showRecipeWindow();
    void centreRecipeWindow();
    void setRecipeWindowMenuEnabled(bool enabled);
    void setRecipeWindowAutorunChecked(bool checked);
    void postRecipeWindowMemos();

    SharedState m_state;
    bool m_tablesOpened = false;
    bool m_activating = false;
    bool m_activationAgain = false;
    bool m_closeAccepted = false;
    bool m_endRequested = false;
    bool m_reopenNoticeQueued = false;

    std::unique_ptr<RecipeBook::Book> m_book;
    TAutoRunner *m_autoRunner = nullptr;

    MainWindowPanes m_panes;
    RecipeEditors m_editors{*this, m_state, m_panes};
    MainWindowLists m_lists{*this, m_state, m_panes, m_editors};
    BookCommands m_commands{*this, m_state, m_panes, m_editors, m_lists};

    QMenu *m_menuIkkuna = nullptr;
    QAction *m_menuAutorun = nullptr;
    QAction *m_menuSulje = nullptr;
    QAction *m_menuSuuri = nullptr;
    QAction *m_menuPieni = nullptr;

    // Last, so that its search index lets go of the book before the tables
    // close.
    std::unique_ptr<FindController> m_find;
};
