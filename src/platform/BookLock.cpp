#include "platform/BookLock.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

namespace {

const QByteArray ToFrontRequest = "to-front\n";
const QByteArray ToFrontDone = "done\n";

// Asks the copy listening on `name` to come to the front; true when it said so.
bool askToFront(const QString &name)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(ToFrontRequest);
    if (!socket.waitForBytesWritten(1000))
        return false;
    QByteArray reply;
    const QDeadlineTimer deadline(3000);
    while (!reply.endsWith('\n') && !deadline.hasExpired()) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        reply += socket.readAll();
    }
    return reply == ToFrontDone;
}

// True when the process `pid` of this computer is the program's backup process.
bool isBackupProcess(qint64 pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (pid <= 0 || !cmdline.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> arguments = cmdline.readAll().split('\0');
    return arguments.size() >= 2 && arguments.at(1) == BookLock::BackupProcessOption;
}

} // namespace

BookLock::BookLock(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_dataFolder(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()))
    , m_lock(dataFolder)
{
}

BookLock::~BookLock()
{
    if (m_server)
        m_server->close();
}

QString BookLock::serverName(const QString &dataFolder)
{
    const QString folder = QDir::cleanPath(QFileInfo(dataFolder).canonicalFilePath().isEmpty()
                                               ? QFileInfo(dataFolder).absoluteFilePath()
                                               : QFileInfo(dataFolder).canonicalFilePath());
    const QByteArray key = QFile::encodeName(folder) + '\0' + QByteArray::number(qulonglong(::getuid()));
    return QStringLiteral("mealdeck-%1")
        .arg(QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20)));
}

BookLock::Outcome BookLock::acquire(int waitMs)
{
    BookLockFile::Outcome outcome = m_lock.take();
    if (outcome != BookLockFile::Outcome::Held)
        return Outcome::Owner;
    if (m_lock.holderOnThisComputer() && isBackupProcess(m_lock.holderPid())) {
        // The backup made at a copy's end: wait for it to finish.
        const qint64 pid = m_lock.holderPid();
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            QThread::msleep(100);
            outcome = m_lock.take();
            if (outcome != BookLockFile::Outcome::Held)
                return Outcome::Owner;
            if (m_lock.holderPid() != pid)
                // The backup ended and a copy of the program took the book.
                return acquire(waitMs);
            if (waited.elapsed() >= 1000 && m_waitingForBackup && !m_waitingForBackup())
                return Outcome::Withdrawn;
        }
    }
    if (m_lock.holderOnThisComputer() && !m_lock.holderIsCommand()) {
        // A copy that is still starting listens only once its windows exist.
        const QDeadlineTimer deadline(waitMs);
        const QString name = serverName(m_dataFolder);
        for (;;) {
            if (askToFront(name))
                return Outcome::HandedOver;
            // The copy may have ended meanwhile, leaving the book free, or
            // handed it to the backup made at its end.
            outcome = m_lock.take();
            if (outcome != BookLockFile::Outcome::Held)
                return Outcome::Owner;
            if (m_lock.holderOnThisComputer() && isBackupProcess(m_lock.holderPid()))
                return acquire(waitMs);
            if (deadline.hasExpired() || m_lock.holderIsCommand())
                break;
            QThread::msleep(100);
        }
    }
    if (m_lock.holderIsCommand()) {
        m_message = QStringLiteral("The recipe book in\n%1\nis being changed by a mealdeck-data command "
                                   "(process %2). Start the program again when it has ended.")
                        .arg(QDir::toNativeSeparators(m_dataFolder))
                        .arg(m_lock.holderPid());
        return Outcome::Unreachable;
    }
    const QString where = m_lock.holderOnThisComputer()
        ? QStringLiteral("this computer (process %1)").arg(m_lock.holderPid())
        : QStringLiteral("another computer, \"%1\",").arg(m_lock.holderHost());
    m_message = QStringLiteral("Saffrona's Mealdeck is already running on %1 with the recipe book in\n%2\n"
                               "but that copy does not answer. Close it, then start the program again.")
                    .arg(where, QDir::toNativeSeparators(m_dataFolder));
    return Outcome::Unreachable;
}

bool BookLock::listen(std::function<void()> toFront)
{
    m_toFront = std::move(toFront);
    const QString name = serverName(m_dataFolder);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // This copy holds the lock: a socket left by a crashed copy is stale.
    QLocalServer::removeServer(name);
    if (!m_server->listen(name))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &BookLock::answer);
    return true;
}

void BookLock::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray request = socket->readAll();
            if (!request.startsWith(ToFrontRequest.trimmed()))
                return;
            if (m_toFront)
                m_toFront();
            socket->write(ToFrontDone);
            socket->flush();
        });
    }
}

void BookLock::bringToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
    if (QWindow *handle = window->windowHandle())
        handle->requestActivate();
}
