// Lists one folder through the file-system service, with every attribute, and prints a line
// per entry as `find DIR -maxdepth 1 -printf '%y %s %T@\n'` does, so the two do the same work.
// Usage: enumerate_folder HOST_FOLDER
#include "platform/linux/LinuxFileSystem.h"

#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s HOST_FOLDER\n", argv[0]);
        return 64;
    }
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    const platform::FsError error = fileSystem.enumerate(QStringLiteral("\\*.*"), [](const platform::FindData& entry) {
        std::printf("%c %lld %lld.%03lld\n", entry.isFolder() ? 'd' : 'f', static_cast<long long>(entry.size),
                    static_cast<long long>(entry.lastWriteTime / 1000),
                    static_cast<long long>(entry.lastWriteTime % 1000));
        return true;
    });
    return error == platform::FsError::None ? 0 : 1;
}
