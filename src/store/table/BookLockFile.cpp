#include "store/table/BookLockFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// True when no process holds the lock file: the process that wrote it has
// ended, even if its process id has since been given to another program.
// The holder keeps an exclusive lock on the open file while it runs.
bool lockFileAbandoned(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

// The lines of the lock file: process id, application, host name, machine
// id, boot id (the last two may be missing in files of older writers).
QList<QByteArray> lockFileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).split('\n');
}

} // namespace

BookLockFile::BookLockFile(const QString &dataFolder)
    : m_dataFolder(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()))
    , m_lock(QDir(dataFolder).absoluteFilePath(QStringLiteral("Mealdeck.lock")))
{
    // Only a lock whose process has gone is stale, however old it is: the
    // program may run for weeks.
    m_lock.setStaleLockTime(0);
}

BookLockFile::Outcome BookLockFile::take()
{
    if (m_lock.tryLock(0))
        return Outcome::Taken;
    if (m_lock.error() != QLockFile::LockFailedError)
        return Outcome::Unlockable;
    readHolder();
    if (!m_here)
        return Outcome::Held;
    const QList<QByteArray> lines = lockFileLines(m_lock.fileName());
    const QByteArray boot = lines.value(4).trimmed();
    const bool rebooted = !boot.isEmpty() && boot != QSysInfo::bootUniqueId();
    if ((rebooted || lockFileAbandoned(m_lock.fileName())) && m_lock.removeStaleLockFile() && m_lock.tryLock(0))
        return Outcome::Taken;
    readHolder();
    return Outcome::Held;
}

void BookLockFile::readHolder()
{
    m_pid = 0;
    m_host.clear();
    m_application.clear();
    m_lock.getLockInfo(&m_pid, &m_host, &m_application);
    const QByteArray machine = lockFileLines(m_lock.fileName()).value(3).trimmed();
    // The machine id tells computers apart; the host name only where a
    // writer left it out.
    m_here = machine.isEmpty() ? (m_host.isEmpty() || m_host == QSysInfo::machineHostName())
                               : machine == QSysInfo::machineUniqueId();
}

bool BookLockFile::holderIsCommand() const
{
    return m_application == QLatin1String("mealdeck-data");
}

QString BookLockFile::refusal() const
{
    const QString where = m_here ? QStringLiteral("process %1 on this computer").arg(m_pid)
                                 : QStringLiteral("on another computer, \"%1\"").arg(m_host);
    const QString folder = QDir::toNativeSeparators(m_dataFolder);
    if (holderIsCommand())
        return QStringLiteral("The recipe book in %1 is being changed by another mealdeck-data command (%2). "
                              "Wait until it has ended, then try again.")
            .arg(folder, where);
    return QStringLiteral("The recipe book in %1 is open in Saffrona's Mealdeck (%2). Close the program, "
                          "then try again.")
        .arg(folder, where);
}
