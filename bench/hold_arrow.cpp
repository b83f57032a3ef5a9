// Holds the down arrow through a folder of 10,000 files in the real main window, with key
// repeats every 30 ms, while a 5 ms timer measures how late the event loop serves it. Prints
// how often the status line was computed during and after the hold, and the longest stall.
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

int main(int argc, char* argv[])
{
    return WindowBench::run(argc, argv, [](MainFrame& frame) {
        FolderTree* tree = frame.tree();
        TreeNode* big = tree->topLevelNode(0);
        tree->expand(tree->treeModel()->indexOf(big));
        tree->setCurrentNode(big->children.front().get());

        constexpr int Repeats = 300;  // 9 seconds of holding
        int sent = 0;
        int duringHold = -1;
        qint64 longestStallNs = 0;
        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = clock.nsecsElapsed();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestStallNs = std::max(longestStallNs, now - lastTick - 5'000'000);
            lastTick = now;
        });
        probe.start(5);
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
                QTimer::singleShot(1500, qApp, &QCoreApplication::quit);
            }
        });
        repeat.start(30);
        QApplication::exec();
        std::printf("held for %d repeats: status computed %d times while held, %d after release; "
                    "longest stall %.1f ms (goal <= 50)\n",
                    Repeats, duringHold, frame.statusComputations() - before - duringHold, longestStallNs / 1e6);
        return 0;
    });
}
