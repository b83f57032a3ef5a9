// Pastes a folder in the real main window while a 5 ms timer measures how late the event loop
// serves it: the longest stall the user could see while a paste runs (goal <= 50 ms), and the
// same for the delete of the copy. The peer is the same timer in an idle window.
// Usage: paste_stall HOST_ROOT   (the root holds a folder "a_src" to copy and an empty "b_dst")
#include "LongestStall.h"
#include "WindowBench.h"

#include "app/MainFrame.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    return WindowBench::run(argc, argv, [](MainFrame& frame) {
        FolderTree* tree = frame.tree();
        const double idle = idleStall();
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
        std::printf("longest stall: idle window %.1f ms; paste %.1f ms (over %.0f ms); delete %.1f ms (over %.0f ms); "
                    "goal <= 50 ms\n",
                    idle, paste, pasteMs, removal, deleteMs);
        return 0;
    });
}
