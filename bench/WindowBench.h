#pragma once

// The start every benchmark of the real window shares: the offscreen platform, the main window
// at 240x320 over the host folder given as the only argument, shown, then the benchmark's body.

#include "app/MainFrame.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QApplication>

#include <cstdio>

namespace WindowBench {

template <typename Body>
int run(int argc, char* argv[], Body body)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s HOST_ROOT\n", argv[0]);
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    MainFrame frame(fileSystem);
    if (!frame.create())
        return 1;
    frame.resize(240, 320);
    frame.show();
    return body(frame);
}

}  // namespace WindowBench
