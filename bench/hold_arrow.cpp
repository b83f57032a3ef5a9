// Holds the down arrow through a folder of 10,000 files in the real main window, with key
// repeats every 30 ms, while a 5 ms timer measures how late the event loop serves it. Prints
// how often the status line was computed during and after the hold, the longest stall, and
// beside it the longest stall of the same window left idle for as long, which is what the
// machine itself adds. Both are timed once the window has drawn its first frame: that frame
// belongs to the start, not to the held key.
// Usage: hold_arrow HOST_ROOT   (the root holds a folder "big" of 10,000 files)
#include "WindowBench.h"

#include "app/MainFrame.h"
#include "settings/RegKey.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>

namespace {

// Sees the first paint of any widget of the window.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// How much later than asked a 5 ms timer is served at worst, while the event loop runs until
// quit() is called.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longestNs = std::max(m_longestNs, now - m_lastTick - IntervalNs);
            m_lastTick = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_lastTick = 0;
        m_longestNs = 0;
        m_timer.start(IntervalNs / 1'000'000);
    }
    double stop()
    {
        m_timer.stop();
        return double(m_longestNs) / 1e6;
    }

private:
    static constexpr qint64 IntervalNs = 5'000'000;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0;
    qint64 m_longestNs = 0;
};

constexpr int Repeats = 300;  // 9 seconds of holding
constexpr int RepeatMs = 30;
constexpr int AfterReleaseMs = 1500;

}  // namespace

int main(int argc, char* argv[])
{
    return WindowBench::run(argc, argv, [](MainFrame& frame) {
        FolderTree* tree = frame.tree();
        TreeNode* big = tree->topLevelNode(0);
        tree->expand(tree->treeModel()->indexOf(big));
        tree->setCurrentNode(big->children.front().get());

        FirstPaint firstPaint;
        qApp->installEventFilter(&firstPaint);
        while (!firstPaint.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        qApp->removeEventFilter(&firstPaint);

        // The idle window first, for as long as the hold and what follows it.
        StallProbe probe;
        probe.start();
        QTimer::singleShot(Repeats * RepeatMs + AfterReleaseMs, qApp, &QCoreApplication::quit);
        QApplication::exec();
        const double idleMs = probe.stop();

        int sent = 0;
        int duringHold = -1;
        const int before = frame.statusComputations();
        QTimer repeat;
        QObject::connect(&repeat, &QTimer::timeout, [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), sent > 0);
            QCoreApplication::sendEvent(tree, &press);
            if (++sent == Repeats) {
                repeat.stop();
                duringHold = frame.statusComputations() - before;
                QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
                QCoreApplication::sendEvent(tree, &release);
                QTimer::singleShot(AfterReleaseMs, qApp, &QCoreApplication::quit);
            }
        });
        probe.start();
        repeat.start(RepeatMs);
        QApplication::exec();
        const double heldMs = probe.stop();
        std::printf("held for %d repeats: status computed %d times while held, %d after release; "
                    "longest stall %.1f ms (goal <= 16), the idle window's own %.1f ms\n",
                    Repeats, duringHold, frame.statusComputations() - before - duringHold, heldMs, idleMs);
        return 0;
    });
}
