#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT (a logout, a closed terminal, Ctrl+C, a service manager
// stopping us) into a Qt signal on the user-interface thread, so that Fennick can end as Quit
// does, with its settings saved, instead of being cut off. The handler only writes the
// signal's number into a pipe, which is all a signal handler may safely do; the pipe's
// reading end is watched by the event loop. The first signal also starts a watchdog: if the
// orderly way out has not ended the program within WatchdogSeconds (a worker stuck in a system
// call holds its join), the program ends at once with the same exit code (128 + the signal).
// One object at a time; the previous handlers come back when it goes.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the pipe or a handler could not be set up (then the signals keep their
    // default action).
    bool isValid() const { return m_valid; }

    static constexpr int Signals[] = {SIGTERM, SIGHUP, SIGINT};
    static constexpr unsigned WatchdogSeconds = 2;

signals:
    // Once for every signal that arrived.
    void received(int signalNumber);

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[std::size(Signals)]{};
    bool m_installed[std::size(Signals)]{};
    struct sigaction m_previousWatchdog {};
    bool m_watchdogInstalled = false;
    bool m_valid = false;
};
