// Pastes a folder in the real main window while a 5 ms timer measures how late the event loop
// serves it: the longest stall the user could see while a paste runs, and the same for the
// delete of the copy, in each of 5 runs (goal <= 16 ms in every run, a frame at 60 Hz). The
// peer is the same timer in an idle window, measured before each run.
// Usage: paste_stall HOST_ROOT   (the root holds a folder "a_src" to copy and an empty "b_dst")
#include "LongestStall.h"
#include "WindowBench.h"

#include "app/MainFrame.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    return WindowBench::run(argc, argv, [](MainFrame& frame) {
        constexpr int Runs = 5;
        constexpr double GoalMs = 16.0;
        FolderTree* tree = frame.tree();
        double worst = 0;
        for (int run = 1; run <= Runs; ++run) {
            const double idle = idleStall();
            frame.dispatch(Cmd::ClearSelection);
            tree->setCurrentNode(tree->topLevelNode(0));  // a_src
            frame.dispatch(Cmd::SelectItem);
            frame.dispatch(Cmd::CopySelection);
            tree->setCurrentNode(tree->topLevelNode(1));  // b_dst
            QElapsedTimer clock;
            clock.start();
            const double paste = longestStall([&] { frame.dispatch(Cmd::PasteSelection); });
            const double pasteMs = double(clock.nsecsElapsed()) / 1e6;
            frame.reveal(QStringLiteral("\\b_dst\\a_src"));
            TestDialogs::answerNext(Cmd::Yes);
            clock.restart();
            const double removal = longestStall([&] { frame.dispatch(Cmd::DeleteCurrent); });
            const double deleteMs = double(clock.nsecsElapsed()) / 1e6;
            worst = std::max({worst, paste, removal});
            std::printf("run %d: longest stall: idle window %.1f ms; paste %.1f ms (over %.0f ms); delete %.1f ms "
                        "(over %.0f ms); goal <= %.0f ms\n",
                        run, idle, paste, pasteMs, removal, deleteMs, GoalMs);
            std::fflush(stdout);
        }
        std::printf("longest stall over %d runs: %.1f ms; goal <= %.0f ms in every run\n", Runs, worst, GoalMs);
        return 0;
    });
}
