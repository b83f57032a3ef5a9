// Unpacks a ZIP archive into an empty folder the way "Unzip here" does, and prints how long it
// took. Usage: unzip_tree ARCHIVE FOLDER   (host paths; FOLDER exists and is empty)
#include "archive/Unzip.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ARCHIVE FOLDER\n", argv[0]);
        return 64;
    }
    QCoreApplication application(argc, argv);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[2]))};
    platform::OpenFolder target;
    if (fileSystem.openFolder(QString(), target) != platform::FsError::None)
        return 1;
    QElapsedTimer clock;
    clock.start();
    const Unzip::Result result = Unzip::extract(fileSystem, QByteArray(argv[1]), target, nullptr);
    std::printf("unzip of %lld entries in %.1f ms, %lld skipped\n", static_cast<long long>(result.entries),
                clock.nsecsElapsed() / 1e6, static_cast<long long>(result.skipped));
    return result.outcome == Unzip::Outcome::Done && result.skipped == 0 ? 0 : 1;
}
