#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGHUP (a desktop logout, a closed terminal, `kill`) into
// a Qt signal on the event loop. The signal handler only writes the signal's
// number into a socket pair; the event loop reads it and emits received(), so
// that everything the program does about it runs as an ordinary handler. One
// object at a time; its destruction gives both signals their default action
// back.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    Q_DISABLE_COPY_MOVE(TerminationSignals)

    // False when the socket pair or the handlers could not be set up; the
    // signals then keep their default action.
    bool isInstalled() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier *m_notifier = nullptr;
};
