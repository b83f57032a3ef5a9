// Counting a folder's files and bytes for its properties.
#include "FaultyFileSystem.h"
#include "jobs/JobContext.h"
#include "properties/FolderSize.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class FolderSizeTest : public ::testing::Test {
protected:
    void file(const QString& relative, qint64 size)
    {
        QFile out(m_root.filePath(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << relative.toStdString();
        out.write(QByteArray(size, 'x'));
    }
    QByteArray host(const QString& relative) const { return QFile::encodeName(m_root.filePath(relative)); }

    QTemporaryDir m_root;
};

TEST_F(FolderSizeTest, EveryFileCountsAndNoLinkIsEntered)
{
    QDir(m_root.path()).mkpath(QStringLiteral("Docs/sub/deeper"));
    QDir(m_root.path()).mkpath(QStringLiteral("Docs/empty"));
    QDir(m_root.path()).mkpath(QStringLiteral("Outside"));
    file(QStringLiteral("Docs/a.txt"), 1000);
    file(QStringLiteral("Docs/.hidden"), 500);                 // hidden files count
    file(QStringLiteral("Docs/sub/deeper/b.bin"), 2000);
    file(QStringLiteral("Outside/big.bin"), 100000);
    ASSERT_EQ(::mkfifo(host(QStringLiteral("Docs/pipe")).constData(), 0644), 0);  // a system item counts
    // Links are items of their own: one to a big file adds no bytes, one to a folder above is
    // not walked into (it would never end).
    ASSERT_EQ(::symlink("../Outside/big.bin", host(QStringLiteral("Docs/big")).constData()), 0);
    ASSERT_EQ(::symlink("..", host(QStringLiteral("Docs/sub/up")).constData()), 0);

    FaultyFileSystem fileSystem(QFile::encodeName(m_root.path()));
    JobContext context;
    const FolderSize size = FolderSize::count(fileSystem, QStringLiteral("\\Docs"), context);
    EXPECT_TRUE(size.complete());
    EXPECT_EQ(size.files, 6);  // a.txt, .hidden, b.bin, pipe and the two links
    EXPECT_EQ(size.bytes, 3500);
    EXPECT_EQ(context.bytesDone.load(), 3500);

    const FolderSize empty = FolderSize::count(fileSystem, QStringLiteral("\\Docs\\empty"), context);
    EXPECT_TRUE(empty.complete());
    EXPECT_EQ(empty.files, 0);
    EXPECT_EQ(empty.bytes, 0);
}

// A folder that cannot be listed is no empty folder: the count stops and names it.
TEST_F(FolderSizeTest, AFolderThatCannotBeListedStopsTheCount)
{
    QDir(m_root.path()).mkpath(QStringLiteral("Docs/locked"));
    file(QStringLiteral("Docs/a.txt"), 10);
    file(QStringLiteral("Docs/locked/b.txt"), 10);
    FaultyFileSystem fileSystem(QFile::encodeName(m_root.path()));
    fileSystem.fault = [](FaultyFileSystem::Call call, const QString& path) {
        return call == FaultyFileSystem::Call::OpenChild && path == u"\\Docs\\locked" ? platform::FsError::AccessDenied
                                                                                     : platform::FsError::None;
    };
    JobContext context;
    const FolderSize size = FolderSize::count(fileSystem, QStringLiteral("\\Docs"), context);
    EXPECT_FALSE(size.complete());
    EXPECT_EQ(size.error, platform::FsError::AccessDenied);
    EXPECT_EQ(size.failedFolder, QStringLiteral("\\Docs\\locked"));

    const FolderSize gone = FolderSize::count(fileSystem, QStringLiteral("\\Gone"), context);
    EXPECT_EQ(gone.error, platform::FsError::FileNotFound);
    EXPECT_EQ(gone.failedFolder, QStringLiteral("\\Gone"));
}

}  // namespace
