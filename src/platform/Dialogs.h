#pragma once

#include "store/table/ProgramError.h"

#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class QDialog;
class QVBoxLayout;
class QWidget;

// A window that re-runs its activation steps when a modal dialog over it
// closes (the main window, the recipe window, the print preview window).
class ActivationTarget
{
public:
    virtual ~ActivationTarget() = default;
    // Runs the window's activation steps once.
    virtual void runActivation() = 0;
};

// The one way the program shows modal dialogs and messages. Showing goes
// through here so that activation runs exactly once after each dialog, and so
// that tests can answer dialogs and read messages without a real window.
namespace Dialogs {

// The application title, the caption of every information message.
QString applicationTitle();

// Shows `dialog` modally and returns its result; then runs the activation
// steps of `below` (when given). In tests the installed responder answers the
// dialog instead of a person.
int exec(QDialog *dialog, ActivationTarget *below = nullptr);

// Places `window` in the middle of the primary screen's work area, its frame
// included (before a window is first shown, the frame of another shown
// window of the program stands in for its own).
void centreOnDesktop(QWidget *window);

// Makes `window` at least wide enough for its whole caption, with room for the
// title bar's icon and buttons.
void fitCaption(QWidget *window);

// Names `dialog`, gives it `caption`, makes it wide enough for the caption
// and returns the column its contents are laid out in.
QVBoxLayout *columnLayout(QDialog *dialog, const char *objectName, const QString &caption);

// The width of the primary screen in pixels; `withoutScreen` without one.
int screenWidth(int withoutScreen = 0);

// Information message: the text, one OK button, no icon, the application title.
void information(const QString &text);

// The toolkit's standard error box: error icon, application title, the message.
void error(const QString &text);

// A message box with its own caption and the error icon ("Database not found").
void fatal(const QString &caption, const QString &text);

// Runs a handler body; an exception that leaves it is shown in the error box
// and ends the handler there. Every slot that can meet a ProgramError runs in
// it. Work the user cancelled ends the handler without a word.
template<typename F>
void guard(F &&body)
{
    try {
        body();
    } catch (const StoreCancelled &) {
    } catch (const ProgramError &e) {
        error(e.message());
    } catch (const std::exception &e) {
        error(QString::fromLocal8Bit(e.what()));
    }
}

// ---- For tests -------------------------------------------------------------

// A recorded message box.
struct Message
{
    enum Kind { Information, Error, Fatal };
    Kind kind;
    QString caption;
    QString text;
};

// Test mode: dialogs go to the responder, messages are recorded, nothing is
// shown. Switched on when the environment has MEALDECK_TEST=1 or by a test.
void setTestMode(bool on);
bool testMode();

// The dialog is shown (on the offscreen platform) and the responder is called
// with it; it sets the dialog's controls and presses its buttons (or calls
// done() or close()). The dialog's result() is what exec returns. A dialog the
// responder left open is rejected; with no responder a warning is printed.
using Responder = std::function<void(QDialog *)>;
void setResponder(Responder responder);

// Answers the next dialogs in order, one responder each, then falls back to the
// responder set by setResponder (or to rejecting).
void queueResponse(Responder responder);
int pendingResponses();

// Object names of the dialogs shown so far (in test mode), in order.
QStringList shownDialogs();
// Messages shown so far (in test mode), in order.
QList<Message> messages();
// Forgets the shown dialogs and messages and the queued responses.
void clearRecord();

} // namespace Dialogs
