// Packs a folder with "Zip selection..." and unpacks the archive with "Unzip here" in the real
// main window, while a 5 ms timer measures how late the event loop serves it: the longest stall
// the user could see (goal <= 16 ms, a frame). The peer is the same timer in an idle window.
// Usage: zip_stall HOST_ROOT   (the root holds one folder to pack and one file, nothing else)
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
        tree->setCurrentNode(tree->topLevelNode(0));
        frame.dispatch(Cmd::SelectItem);
        tree->setCurrentNode(tree->topLevelNode(1));  // the file: the archive goes beside it
        TestDialogs::answerNext(Cmd::Ok);             // the archive's name and level as offered
        QElapsedTimer clock;
        clock.start();
        const double zip = longestStall([&] { frame.dispatch(Cmd::ZipSelection); });
        const double zipMs = double(clock.nsecsElapsed()) / 1e6;
        frame.reveal(QStringLiteral("\\New archive.zip"));
        clock.restart();
        const double unzip = longestStall([&] { frame.dispatch(Cmd::UnzipHere); });
        const double unzipMs = double(clock.nsecsElapsed()) / 1e6;
        std::printf("longest stall: idle window %.1f ms; zip selection %.1f ms (over %.0f ms); unzip here %.1f ms "
                    "(over %.0f ms); goal <= 16 ms\n",
                    idle, zip, zipMs, unzip, unzipMs);
        return 0;
    });
}
