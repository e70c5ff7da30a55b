#pragma once

#include <QObject>

class TFormPaa;
class TerminationSignals;

// Ends the program in order when the desktop session ends. A logout sends
// SIGTERM (and SIGHUP); the program then takes the path of a confirmed Exit
// with no one there to answer: an open dialog is answered the way that keeps
// the user's work (a save question Yes, a picture deletion No, any other
// dialog cancelled), the edits are stored as Yes would store them, and the
// event loop ends. The session manager's save request stores the edits the
// same way but leaves the program running, since a save request may come
// without a logout.
class SessionEnd : public QObject
{
    Q_OBJECT

public:
    explicit SessionEnd(TFormPaa *mainWindow, QObject *parent = nullptr);
    ~SessionEnd() override;
    Q_DISABLE_COPY_MOVE(SessionEnd)

    // What a termination signal does; the program ends once the open dialogs
    // are answered and the edits stored. When storing fails, the error box
    // says why and the program goes on.
    void end();
    // What the session manager's save request does.
    void storeEdits();

private:
    void nextStep();

    TFormPaa *m_paa;
    TerminationSignals *m_signals;
    bool m_ending = false;
    int m_dialogsAnswered = 0;
};
