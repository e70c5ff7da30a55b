#pragma once

#include "platform/Dialogs.h"
#include "recipe/FormAnnos.h"
#include "recipe/RecipeFlags.h"

#include <QColor>
#include <QFont>
#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class RecipeWindowHost;
class TDBMemo;
class TFormAnnos;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QToolBar;
class QToolButton;

// The current recipe font: name, colour (the old integer value, red in the
// low byte) and size in points.
struct RecipeFont
{
    QString name;
    int color = 0x800000;
    int size = 8;
};

// The recipe window: the ingredient list on the left, the directions on the
// right, the portion count above them. It is opened for one recipe, by id,
// and reads and writes that recipe through the book, whatever the main window
// selects meanwhile. The memo edits stay in the window until it is left
// (Back, Exit, the frame), and are then stored into that recipe or dropped
// after the save-changes question.
//
// Activation runs deterministically: when the window is shown (after its
// showing steps) and after each modal dialog shown over it through
// Dialogs::exec. Toolkit activation events are ignored.
class TFormResepti : public QMainWindow, public ActivationTarget, public PortionDialogContext
{
    Q_OBJECT

public:
    // `portionDialog` is the program's portion dialog; the window becomes its
    // context. Runs the creation steps.
    TFormResepti(std::unique_ptr<RecipeWindowHost> host, TFormAnnos *portionDialog, QWidget *parent = nullptr);
    ~TFormResepti() override;
    Q_DISABLE_COPY_MOVE(TFormResepti)

    // View Recipe: shows the window on the recipe `recipeId` (the showing and
    // activation steps run); a window already shown is only raised. The
    // caller hides the main window.
    void showRecipe(qint64 recipeId);
    // The recipe the window shows (0 before the first showing).
    qint64 recipeId() const { return m_recipeId; }

    RecipeFlags &flags() { return m_flags; }
    RecipeWindowHost &host() { return *m_host; }
    TFormAnnos *portionDialog() const { return m_portionDialog; }

    TDBMemo *Aineet() const { return m_aineet; }
    TDBMemo *Ohje() const { return m_ohje; }
    QLineEdit *DBEditAnnos() const { return m_dbEditAnnos; }
    // Receives the document text that printing uses.
    QPlainTextEdit *Memo1() const { return m_memo1; }
    // Holds two empty lines.
    QPlainTextEdit *Memo2() const { return m_memo2; }
    QStatusBar *StatusBar1() const { return m_statusBar; }
    QToolBar *ToolBarResepti() const { return m_toolBar; }

    // Menu items and tool buttons by their object names ("MenuLaske", "TBLaske").
    QAction *action(const QString &objectName) const;
    QAction *MenuSuuri() const { return m_menuSuuri; }
    QAction *MenuPieni() const { return m_menuPieni; }
    QAction *MenuAutorun() const { return m_menuAutorun; }
    QMenu *MenuIkkuna() const { return m_menuIkkuna; }

    // The current recipe font, as last read from the settings or chosen.
    RecipeFont currentFont() const { return m_font; }
    void setCurrentFont(const RecipeFont &font) { m_font = font; }

    void ApplyFullLayout();
    void ApplySmallLayout();
    void FocusIngredients();
    void FocusDirections();
    void centreOnDesktop();

    // Stores, without a question, the text of each memo that reports a user
    // modification into the window's recipe (the exit confirmation's Yes, the
    // end of the session).
    void storeModifiedMemos();

    // Print and Print Preview. Until handlers are set the two commands stay
    // disabled; once set they follow the window's enabling rules.
    void setPrintHandlers(std::function<void()> print, std::function<void()> preview);

    // ActivationTarget
    void runActivation() override;

    // PortionDialogContext
    SharedState &sharedState() override;
    RecipeFlags &recipeFlags() override { return m_flags; }
    RecipeBook::Book *book() override;
    qint64 portionRecipeId() override;
    void ScaleIngredients(const QString &newCount) override;
    void SaveDifficultyAndTime() override;
    void portionCountStored() override;

public Q_SLOTS:
    void MenuTakaisinClick();
    void MenuLopetaClick();
    void MenuQueriesClick();
    void MenuAutorunClick();
    void MenuLaskeClick();
    void MenuMuutaAnnosClick();
    void MenuLisaaAnnosClick();
    void MenuTulostaClick();
    void MenuEsikClick();
    void MenuFontClick();
    void MenuRuokalistalleClick();
    void MenuSuuriClick();
    void MenuPieniClick();
    void MenuOhjeetClick();
    void MenuAboutClick();
    void EditDeleteExecute();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void buildMenus();
    void buildToolBar();
    void buildEditActions();
    QAction *addCommand(QMenu *menu, const char *objectName, const QString &caption, const QString &hint,
                        void (TFormResepti::*handler)());
    void FormCreate();
    void FormShow();
    void FormActivate();
    // FormKeyDown: true when the key was handled.
    bool FormKeyDown(QKeyEvent *event);
    // The keys both memos treat alike: Escape goes back, Ctrl+Enter moves to
    // the other memo (`focusOther`); keys without text, editing keys and
    // control characters are the memo's own. The key press's result, or
    // nothing when the typed text is left to the memo's filter.
    std::optional<bool> memoKey(QKeyEvent *event, void (TFormResepti::*focusOther)());
    bool AineetKeyPress(QKeyEvent *event);
    bool OhjeKeyPress(QKeyEvent *event);
    void AineetKeyUp();
    void memoChanged();
    void memoMouseDown(TDBMemo *memo);
    void memoMouseMove();
    void applyWindowFont();
    void applyLayout(bool full);
    // The window's layout before a size mode has been applied.
    void designLayout();
    void fitWindowToPanel();
    void setLayoutTicks(bool full);
    void sizeModeClick(bool full);
    void updateEditActions();
    void updatePrintCommands(bool hasText);
    void readFontAtActivation();
    // Reads the window's recipe anew into both memos and the portion count.
    void loadRecipe();
    // The book changed the recipe `id`: when it is the window's, the count
    // and the memos without edits show what is stored.
    void recipeChanged(qint64 id);
    void showPortionCount(const QString &count);
    // Stores or drops the memo edits after the question; false when the
    // question was left unanswered and the command that asked must stop.
    bool leaveRecordEdits(bool askWritesMissing);
    // The window's ways out: settles the memo edits and then runs `next`,
    // unless the question was left unanswered or a way out is already
    // running.
    void leaveThen(bool askWritesMissing, const std::function<void()> &next);
    // Hides the window and shows the main window in its size mode.
    void returnToMainWindow();
    // Stores the memo edits into the window's recipe. When another program
    // deleted the recipe meanwhile it is stored again; when it changed it,
    // nothing is overwritten, the user is told and the edits stay in the
    // window.
    void applyEdits();
    bool recipeHasPortionCount() const;

    std::unique_ptr<RecipeWindowHost> m_host;
    qint64 m_recipeId = 0;
    // The recipe's name as last read, for the caption and the questions.
    QString m_recipeName;
    TFormAnnos *m_portionDialog = nullptr;
    RecipeFlags m_flags;
    RecipeFont m_font;
    QFont m_windowFont;
    QColor m_windowFontColor;
    std::function<void()> m_print;
    std::function<void()> m_preview;
    bool m_inActivation = false;
    bool m_leaving = false;
    // A key press that the ingredient filter hands on to the memo.
    bool m_forwardingKey = false;
    // The font dialog's choice, the start of its next use.
    QFont m_fontDialogFont;
    QColor m_fontDialogColor;

    QWidget *m_panelToolbar = nullptr;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_panel2 = nullptr;
    QLabel *m_staticText1 = nullptr;
    QLineEdit *m_dbEditAnnos = nullptr;
    QWidget *m_panel1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    TDBMemo *m_aineet = nullptr;
    TDBMemo *m_ohje = nullptr;
    QPlainTextEdit *m_memo1 = nullptr;
    QPlainTextEdit *m_memo2 = nullptr;
    QStatusBar *m_statusBar = nullptr;

    QMenu *m_menuIkkuna = nullptr;
    QAction *m_menuAutorun = nullptr;
    QAction *m_menuSuuri = nullptr;
    QAction *m_menuPieni = nullptr;
    QAction *m_editUndo = nullptr;
    QAction *m_editSelectAll = nullptr;
    QAction *m_editCut = nullptr;
    QAction *m_editCopy = nullptr;
    QAction *m_editPaste = nullptr;
    QAction *m_editDelete = nullptr;
};
