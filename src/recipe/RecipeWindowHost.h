#pragma once

#include <QtGlobal>

#include <memory>

struct SharedState;
namespace RecipeBook {
class Book;
}
class TFormAbout;
class TFormPaa;
class QPlainTextEdit;
class QWidget;

// What the recipe window needs of the main window: the shared state, the
// book, the main window's layouts and commands. The program's host is
// the main window itself (makeMainWindowHost); tests provide their own.
class RecipeWindowHost
{
public:
    virtual ~RecipeWindowHost() = default;

    virtual SharedState &state() = 0;
    // The book the recipe window reads and writes its recipe in (may be null).
    virtual RecipeBook::Book *book() = 0;
    // The recipe whose description the main window shows (0 when none).
    virtual qint64 shownRecipeId() = 0;
    // The recipe selected in the main window's recipe list (0 when none); a
    // recipe just added is selected there while its count is asked.
    virtual qint64 selectedRecipeId() = 0;

    // The main window's size modes, its "&Window" menu and centring.
    virtual void applyFullLayout() = 0;
    virtual void applySmallLayout() = 0;
    virtual void setWindowMenuEnabled(bool enabled) = 0;
    virtual void centreMainWindow() = 0;
    // The main window's description memo (may be null).
    virtual QPlainTextEdit *descriptionMemo() = 0;
    // Shows the main window again (it then runs its showing and activation).
    virtual void showMainWindow() = 0;

    // Start with Windows: the main window's tick and the start-up component.
    virtual bool mainAutorunChecked() = 0;
    virtual void setMainAutorunChecked(bool checked) = 0;
    virtual void setAutoRun(bool on) = 0;

    // The main window's Exit command (MenuSulje): asks the exit question
    // unless it is switched off and ends the program on Yes.
    virtual void runExitCommand() = 0;
    // True once the program has been told to end: every window then closes
    // with it instead of asking again.
    virtual bool endRequested() { return false; }
    virtual void SaveDifficultyAndTime() = 0;
    // Add to Menu: asks the portions of the shown recipe, with a dialog over
    // `parent`, and adds it to the week menu.
    virtual void addShownRecipeToMenu(QWidget *parent) = 0;
    // The program's about window, or null: the recipe window then shows one
    // of its own.
    virtual TFormAbout *aboutWindow() { return nullptr; }
};

// The host that reaches the program's main window (made with the main window,
// in src/app).
std::unique_ptr<RecipeWindowHost> makeMainWindowHost(TFormPaa *mainWindow);
