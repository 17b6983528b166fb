#include "platform/SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nearbell {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = int(sizeof(kSignals) / sizeof(kSignals[0]));

volatile sig_atomic_t g_writeFd = -1;
struct sigaction g_previous[kSignalCount];
// While starting, a stop request ends the process from the handler itself:
// start-up may be waiting in a box or a yield, and nothing is ours to save.
volatile sig_atomic_t g_starting = 0;
// Inside a file write during start-up the end waits for the write to finish.
volatile sig_atomic_t g_writeDepth = 0;
volatile sig_atomic_t g_pendingSignal = 0;
void (*g_endProcess)(int) = ::_exit;

extern "C" void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    if (g_starting) {
        if (g_writeDepth == 0)
            g_endProcess(128 + signalNumber);
        g_pendingSignal = signalNumber;
        errno = savedErrno;
        return;
    }
    const int fd = g_writeFd;
    if (fd < 0) {
        // No watcher any more (the program is ending): the signal does what
        // it would have done without us.
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
        errno = savedErrno;
        return;
    }
    {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // Non-blocking: with the pipe full the request is already pending.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

void SignalWatcher::setStarting(bool starting)
{
    g_starting = starting ? 1 : 0;
    if (starting && g_writeFd < 0) {
        // From the first moment, before any watcher exists.
        struct sigaction action = {};
        action.sa_handler = forwardSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signalNumber : kSignals)
            ::sigaction(signalNumber, &action, nullptr);
    }
    if (!starting)
        g_pendingSignal = 0;
}

bool SignalWatcher::isStarting()
{
    return g_starting != 0;
}

void SignalWatcher::setProcessEnder(void (*endProcess)(int status))
{
    g_endProcess = endProcess ? endProcess : ::_exit;
}

SignalWatcher::WriteGuard::WriteGuard()
{
    g_writeDepth = g_writeDepth + 1;
}

SignalWatcher::WriteGuard::~WriteGuard()
{
    g_writeDepth = g_writeDepth - 1;
    const int pending = g_pendingSignal;
    if (g_writeDepth == 0 && g_starting && pending != 0)
        g_endProcess(128 + pending);
}

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
{
    if (g_writeFd >= 0)
        return;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    m_readFd = fds[0];
    g_writeFd = fds[1];

    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignals);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    m_active = true;
}

SignalWatcher::~SignalWatcher()
{
    if (!m_active)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    const int writeFd = g_writeFd;
    g_writeFd = -1;
    ::close(writeFd);
    delete m_notifier;
    ::close(m_readFd);
}

void SignalWatcher::readSignals()
{
    unsigned char buffer[32];
    for (;;) {
        const ssize_t count = ::read(m_readFd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        for (ssize_t i = 0; i < count; ++i)
            emit terminationRequested(buffer[i]);
    }
}

} // namespace nearbell
