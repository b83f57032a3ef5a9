#include "app/QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The writing end of the pipe, for the handler. A plain int written once before the handlers
// go in and read only by them.
volatile sig_atomic_t g_writeEnd = -1;
// The first quit signal that arrived, for the exit code of the watchdog; 0 before any.
volatile sig_atomic_t g_firstSignal = 0;

void onSignal(int signalNumber)
{
    // write() and alarm() are async-signal-safe; errno is kept for the code the signal
    // interrupted. A full pipe drops the byte, which is harmless: the first signal already
    // asks us to quit.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &byte, 1);
    if (g_firstSignal == 0) {
        g_firstSignal = signalNumber;
        // The orderly way out waits for every worker; one stuck in a system call (a device
        // that never answers) would keep the program alive for good. Whatever such a worker
        // was writing has no name yet, so ending it leaves nothing behind.
        ::alarm(QuitSignals::WatchdogSeconds);
    }
    errno = savedErrno;
}

void onWatchdog(int) { _exit(128 + g_firstSignal); }

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    m_valid = true;
    for (std::size_t i = 0; i < std::size(Signals); ++i) {
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // Interrupted system calls go on; the event loop learns of the signal from the pipe.
        action.sa_flags = SA_RESTART;
        m_installed[i] = ::sigaction(Signals[i], &action, &m_previous[i]) == 0;
        m_valid = m_valid && m_installed[i];
    }
    struct sigaction watchdog {};
    watchdog.sa_handler = onWatchdog;
    sigemptyset(&watchdog.sa_mask);
    m_watchdogInstalled = ::sigaction(SIGALRM, &watchdog, &m_previousWatchdog) == 0;
    m_valid = m_valid && m_watchdogInstalled;
}

QuitSignals::~QuitSignals()
{
    for (std::size_t i = 0; i < std::size(Signals); ++i)
        if (m_installed[i])
            ::sigaction(Signals[i], &m_previous[i], nullptr);
    // A watchdog already running goes on: the program is on its way out.
    if (m_watchdogInstalled && g_firstSignal == 0)
        ::sigaction(SIGALRM, &m_previousWatchdog, nullptr);
    g_writeEnd = -1;
    delete m_notifier;
    for (const int end : m_pipe)
        if (end >= 0)
            ::close(end);
}

void QuitSignals::readPipe()
{
    unsigned char bytes[16];
    ssize_t got = 0;
    while ((got = ::read(m_pipe[0], bytes, sizeof bytes)) > 0 || (got < 0 && errno == EINTR))
        for (ssize_t i = 0; i < got; ++i)
            emit received(bytes[i]);
}
