#include "app/SessionEnd.h"

#include "app/FormPaa.h"
#include "app/ImportExportController.h"
#include "platform/Dialogs.h"
#include "platform/HelpViewer.h"
#include "platform/TerminationSignals.h"
#include "recipe/FormMuuttunut.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

namespace {

// A dialog that opens another one when it is answered may do so a few times
// (a question, then the window below it activates); beyond this the edits are
// stored with the dialogs still open.
constexpr int MaxDialogsAnswered = 50;

} // namespace

SessionEnd::SessionEnd(TFormPaa *mainWindow, QObject *parent)
    : QObject(parent)
    , m_paa(mainWindow)
    , m_signals(new TerminationSignals(this))
{
    connect(m_signals, &TerminationSignals::received, this, &SessionEnd::end);
#if QT_CONFIG(sessionmanager)
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) { storeEdits(); });
#endif
}

SessionEnd::~SessionEnd() = default;

void SessionEnd::end()
{
    if (m_ending)
        return;
    m_ending = true;
    m_dialogsAnswered = 0;
    nextStep();
}

void SessionEnd::storeEdits()
{
    Dialogs::guard([this] { m_paa->storeEditsUnasked(); });
}

// Answers the dialog on top, one at a time, each after the handler that
// showed it has gone on; once none is open, stores and ends.
void SessionEnd::nextStep()
{
    // An import or export under way is cancelled first; the steps go on
    // once it has rolled back and let go of the book, so that the typing is
    // stored in a transaction of its own.
    if (ImportExportController::running()) {
        ImportExportController::cancel();
        QTimer::singleShot(10, this, &SessionEnd::nextStep);
        return;
    }
    if (QWidget *modal = QApplication::activeModalWidget(); modal && m_dialogsAnswered < MaxDialogsAnswered) {
        ++m_dialogsAnswered;
        Dialogs::guard([this, modal] {
            if (auto *question = qobject_cast<TFormMuuttunut *>(modal)) {
                if (m_paa->state().DeletePictureConfirmed)
                    question->BitBtn2Click();
                else
                    question->BitBtn1Click();
            } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
                dialog->reject();
            } else {
                modal->close();
            }
        });
        QTimer::singleShot(0, this, &SessionEnd::nextStep);
        return;
    }
    bool stored = false;
    Dialogs::guard([this, &stored] {
        HelpViewer::closeHelp();
        m_paa->storeEditsUnasked();
        stored = true;
    });
    m_ending = false;
    if (stored)
        QCoreApplication::exit(0);
}
