// Opens arbitrary bytes as a ZIP archive and unpacks it into a fresh folder: whatever the
// bytes, nothing may be written outside that folder, no link may be made, and it must end.
#include "archive/Unzip.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return 0;
    QDir(folder.path()).mkpath(QStringLiteral("root/out"));
    QFile archive(folder.filePath(QStringLiteral("root/a.zip")));
    if (!archive.open(QIODevice::WriteOnly))
        return 0;
    archive.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    archive.close();

    platform::LinuxFileSystem fileSystem{
        platform::PathMapper(QFile::encodeName(folder.filePath(QStringLiteral("root"))))};
    platform::OpenFolder out;
    if (fileSystem.openFolder(QStringLiteral("\\out"), out) != platform::FsError::None)
        std::abort();
    (void)Unzip::extract(fileSystem, QFile::encodeName(archive.fileName()), out, nullptr);

    // Only the archive and what lies in "out" may be there, and no link anywhere.
    const QString root = folder.filePath(QStringLiteral("root"));
    QDirIterator it(folder.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString item = it.next();
        if (it.fileInfo().isSymLink())
            std::abort();
        if (item != root && item != archive.fileName() && !item.startsWith(root + QStringLiteral("/out")))
            std::abort();
    }
    return 0;
}
