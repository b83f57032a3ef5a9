#pragma once

#include <atomic>
#include <functional>

// Decides when the status line is computed: 300 ms after the last request, and never while
// the up or down arrow key is held or was pressed since the last tick, so scrolling through a
// long folder computes it once, after the key is released. The ticking itself is injected
// (a QTimer in the program, a hand-driven one in tests).
class StatusTimer {
public:
    static constexpr int IntervalMs = 300;

    struct Ticker {
        std::function<void(int intervalMs)> start;  // (re)starts periodic ticks
        std::function<void()> stop;
    };

    StatusTimer(Ticker ticker, std::function<void()> compute)
        : m_ticker(std::move(ticker)), m_compute(std::move(compute))
    {
    }

    // A refresh request; ignored while the status bar is hidden.
    void request(bool statusHidden)
    {
        if (statusHidden)
            return;
        m_pending = true;
        m_running = true;
        m_ticker.stop();
        m_ticker.start(IntervalMs);
    }

    void arrowPressed()
    {
        m_arrowDown = true;
        m_arrowPressedSinceTick = true;
    }
    void arrowReleased() { m_arrowDown = false; }

    void tick()
    {
        if (!m_running)
            return;
        if (m_arrowDown || m_arrowPressedSinceTick) {
            m_arrowPressedSinceTick = false;
            return;  // the next tick comes 300 ms later
        }
        m_ticker.stop();
        m_running = false;
        m_compute();
    }

    bool isRunning() const { return m_running; }
    // Set by each request; the folder-count worker takes it as its signal to stop.
    const std::atomic<bool>& pendingFlag() const { return m_pending; }
    bool isPending() const { return m_pending; }
    void clearPending() { m_pending = false; }

private:
    Ticker m_ticker;
    std::function<void()> m_compute;
    bool m_running = false;
    std::atomic<bool> m_pending = false;
    bool m_arrowDown = false;
    bool m_arrowPressedSinceTick = false;
};
