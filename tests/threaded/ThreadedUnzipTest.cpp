// Unpacking entries large enough to be inflated beside the thread that writes them.
#include "ZipBuilder.h"

#include "archive/Unzip.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::FsError;

Unzip::Result extract(const QTemporaryDir& folder, const QByteArray& archive)
{
    const QString path = folder.filePath(QStringLiteral("root/a.zip"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(archive);
    file.close();
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(folder.filePath(QStringLiteral("root"))))};
    platform::OpenFolder out;
    EXPECT_EQ(fileSystem.openFolder(QStringLiteral("\\out"), out), FsError::None);
    return Unzip::extract(fileSystem, QFile::encodeName(path), out, nullptr);
}

QByteArray content(const QTemporaryDir& folder, const QByteArray& relative)
{
    QFile file(folder.filePath(QStringLiteral("root/") + QString::fromUtf8(relative)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A large entry is read and inflated beside the thread that writes it: it still lands whole, or
// not at all when its checksum is wrong, and the entry after it follows.
TEST(ThreadedUnzip, LargeEntriesLandWholeOrNotAtAll)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("root/out")));
    QByteArray large(5 << 20, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 % 251);
    struct Case {
        const char* name;
        bool wrongChecksum;
    };
    for (const Case& row : {Case{"sound.bin", false}, Case{"damaged.bin", true}}) {
        ZipBuilder::Entry entry;
        entry.name = row.name;
        entry.data = large;
        entry.wrongChecksum = row.wrongChecksum;
        const QByteArray after = QByteArray("after-") + row.name;
        ZipBuilder zip;
        zip.add(entry).add(after, "after");
        const Unzip::Result result = extract(folder, zip.bytes());
        EXPECT_EQ(result.skipped, row.wrongChecksum ? 1 : 0) << row.name;
        EXPECT_EQ(content(folder, QByteArray("out/") + row.name),
                  row.wrongChecksum ? QByteArray("<missing>") : large)
            << row.name;
        EXPECT_EQ(content(folder, "out/" + after), QByteArray("after")) << row.name;
    }
}

}  // namespace
