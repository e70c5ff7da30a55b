#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is read by the event loop, [1] written by the signal handler.
int signalSockets[2] = {-1, -1};

void onSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Nothing else is safe here; a full socket only drops a repeated signal.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[1], &byte, 1);
    errno = savedErrno;
}

const int HandledSignals[] = {SIGTERM, SIGHUP};

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (signalSockets[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSockets) != 0) {
        signalSockets[0] = signalSockets[1] = -1;
        return;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : HandledSignals) {
        if (::sigaction(number, &action, nullptr) != 0) {
            for (const int done : HandledSignals)
                ::signal(done, SIG_DFL);
            ::close(signalSockets[0]);
            ::close(signalSockets[1]);
            signalSockets[0] = signalSockets[1] = -1;
            return;
        }
    }
    m_notifier = new QSocketNotifier(signalSockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int number : HandledSignals)
        ::signal(number, SIG_DFL);
    delete m_notifier;
    ::close(signalSockets[0]);
    ::close(signalSockets[1]);
    signalSockets[0] = signalSockets[1] = -1;
}

void TerminationSignals::readSignals()
{
    unsigned char byte = 0;
    while (::read(signalSockets[0], &byte, 1) == 1)
        Q_EMIT received(int(byte));
}
