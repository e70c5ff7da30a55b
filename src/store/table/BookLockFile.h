#pragma once

#include <QLockFile>
#include <QString>

// The book's lock file, Data/Mealdeck.lock. Whoever changes the book holds
// it: the program while it runs, a command-line command while it writes.
// Besides the process id and host name the file names the computer by its
// machine id and the boot it was written in, so two computers sharing the
// folder are told apart even when they carry the same host name. A lock is
// taken over only when it was left on this computer by a process that has
// ended (no process holds the file any more) or before this computer last
// started; a lock of another computer is always held.
class BookLockFile
{
public:
    enum class Outcome {
        Taken,
        // Another process or computer holds the book.
        Held,
        // The folder takes no lock file (read-only medium, missing folder).
        Unlockable,
    };

    explicit BookLockFile(const QString &dataFolder);
    Q_DISABLE_COPY_MOVE(BookLockFile)

    Outcome take();
    void release() { m_lock.unlock(); }

    // Who holds the book, once take() has said Held.
    qint64 holderPid() const { return m_pid; }
    QString holderHost() const { return m_host; }
    bool holderOnThisComputer() const { return m_here; }
    // The holder is a command, not the program.
    bool holderIsCommand() const;

    // Why a command may not write now, naming the folder and the holder.
    QString refusal() const;

    QString fileName() const { return m_lock.fileName(); }

private:
    void readHolder();

    QString m_dataFolder;
    QLockFile m_lock;
    qint64 m_pid = 0;
    QString m_host;
    QString m_application;
    bool m_here = true;
};
