#pragma once

#include "store/table/BookLockFile.h"

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QWidget;

// One running copy of the program per recipe book. The first copy takes a
// lock file in the book's Data folder and answers later starts through a
// local socket of the user's; a later start on the same book asks it to come
// to the front and ends. A lock left by a copy that crashed is taken over (the
// lock file names the process, which no longer runs). When the copy that
// holds the lock cannot be reached (it hangs, or it runs on another computer
// sharing the folder), the later start says so, naming the folder, and ends.
// A mealdeck-data command that changes the book holds the same lock.
class BookLock : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        // This copy holds the book (or the folder cannot take a lock file at
        // all, as on a read-only medium, where nothing can be written anyway).
        Owner,
        // The running copy was asked to come to the front: end quietly.
        HandedOver,
        // Another copy holds the book and does not answer: end, after
        // message() has been shown.
        Unreachable,
        // The user gave up waiting for the backup that holds the book: end.
        Withdrawn,
    };

    // The program's backup at its end runs as `program BackupProcessOption
    // DATAFOLDER` and holds the lock while it works. A start meanwhile waits
    // until it is done instead of asking it to come to the front.
    static constexpr const char *BackupProcessOption = "--back-up-book";
    // Called about every 100 ms once a start has waited a second for that
    // backup, to show that it waits; returning false gives up (Withdrawn).
    void setWaitingForBackup(std::function<bool()> waiting) { m_waitingForBackup = std::move(waiting); }

    explicit BookLock(const QString &dataFolder, QObject *parent = nullptr);
    ~BookLock() override;
    Q_DISABLE_COPY_MOVE(BookLock)

    // Takes the lock, or reaches the copy that has it. Waits up to
    // `waitMs` for a copy that is still starting to answer.
    Outcome acquire(int waitMs = 5000);
    // What to tell the user when the outcome is Unreachable.
    QString message() const { return m_message; }

    // Once the windows exist: answer later starts by calling `toFront`.
    bool listen(std::function<void()> toFront);

    // Shows a window in front of the others: restored when minimised,
    // raised and activated.
    static void bringToFront(QWidget *window);

    // The name of the book's local socket.
    static QString serverName(const QString &dataFolder);

private:
    void answer();

    QString m_dataFolder;
    BookLockFile m_lock;
    QLocalServer *m_server = nullptr;
    std::function<void()> m_toFront;
    std::function<bool()> m_waitingForBackup;
    QString m_message;
};
