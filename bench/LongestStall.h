#pragma once

// How late the event loop gets to a 5 ms timer while some work runs: the longest stall a user
// could see in the window.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// Runs `work` while a 5 ms timer keeps the longest gap between its ticks; returns it in ms.
template <typename Work>
double longestStall(Work work)
{
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start(5);
    work();
    const qint64 now = clock.nsecsElapsed();
    longest = std::max(longest, now - last);
    return double(longest) / 1e6;
}

// The longest stall of an idle window over one second: what the timer itself costs.
inline double idleStall()
{
    return longestStall([] {
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    });
}
