// Encrypts a file into a ".crf" file, or decrypts one, the way "Crypt..." and "Decrypt..." do
// (a job's work, without the dialogs), and prints how long it took and the peak memory. With
// "key" it prints the Triple DES key of a password in hex, for a peer given the same key.
// Usage: crypt_file encrypt|decrypt FOLDER NAME OUTPUT PASSWORD   (FOLDER a host path; NAME
//        and OUTPUT names in it)
//        crypt_file key PASSWORD
#include "crypt/CrfFile.h"
#include "crypt/CrfFormat.h"
#include "jobs/JobContext.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

#include <sys/resource.h>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "key") == 0) {
        std::printf("%s\n", CrfFormat::deriveKey(QString::fromLocal8Bit(argv[2])).toHex().constData());
        return 0;
    }
    const bool encrypt = argc == 6 && std::strcmp(argv[1], "encrypt") == 0;
    if (argc != 6 || (!encrypt && std::strcmp(argv[1], "decrypt") != 0)) {
        std::fprintf(stderr, "usage: %s encrypt|decrypt FOLDER NAME OUTPUT PASSWORD\n       %s key PASSWORD\n", argv[0],
                     argv[0]);
        return 64;
    }
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[2]))};
    platform::OpenFolder folder;
    if (fileSystem.openFolder(QStringLiteral("\\"), folder) != platform::FsError::None)
        return 1;
    const QString name = QString::fromLocal8Bit(argv[3]);
    const QString output = QString::fromLocal8Bit(argv[4]);
    const QString password = QString::fromLocal8Bit(argv[5]);
    QElapsedTimer clock;
    clock.start();
    JobContext context;
    const CrfFile::Result result = encrypt ? CrfFile::encrypt(fileSystem, folder, name, folder, output, password, true,
                                                              &context)
                                           : CrfFile::decrypt(fileSystem, folder, name, folder, output, password, true,
                                                              &context);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s of %lld bytes in %.1f ms, peak %ld MB\n", argv[1],
                static_cast<long long>(context.bytesTotal.load()), clock.nsecsElapsed() / 1e6, usage.ru_maxrss / 1024);
    return result.outcome == CrfFile::Outcome::Done ? 0 : 1;
}
