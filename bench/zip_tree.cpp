// Packs a folder into a ZIP archive at level 5 the way "Zip selection" does (the listing, then
// the entries compressed on two threads), and prints how long it took and the peak memory.
// Usage: zip_tree HOST_ROOT FOLDER ARCHIVE   (FOLDER a name under HOST_ROOT; ARCHIVE a name under HOST_ROOT)
#include "archive/ZipCreate.h"
#include "jobs/JobContext.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

#include <sys/resource.h>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s HOST_ROOT FOLDER ARCHIVE\n", argv[0]);
        return 64;
    }
    QCoreApplication application(argc, argv);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    QElapsedTimer clock;
    clock.start();
    std::vector<ZipCreate::Item> items;
    TreeWalk::Failure failure;
    if (!ZipCreate::collect(fileSystem, {u'\\' + QString::fromLocal8Bit(argv[2])}, items, failure))
        return 1;
    JobContext context;
    const ZipCreate::Result result = ZipCreate::write(fileSystem, u'\\' + QString::fromLocal8Bit(argv[3]), items, 5,
                                                      &context, {});
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("zip of %zu entries in %.1f ms, peak %ld MB\n", items.size(), clock.nsecsElapsed() / 1e6,
                usage.ru_maxrss / 1024);
    return result.outcome == ZipCreate::Outcome::Done ? 0 : 1;
}
