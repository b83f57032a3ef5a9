#include "ListeningSocket.h"
#include "platform/RegularFile.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using platform::FsError;
using platform::Links;

namespace {

// A folder with one item of every kind a user can point at.
class RegularFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QFile file(m_dir.filePath(QStringLiteral("plain.txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("hello");
        file.close();
        ASSERT_EQ(::mkdir(host("folder").constData(), 0755), 0);
        ASSERT_EQ(::mkfifo(host("pipe.zip").constData(), 0644), 0);
        ASSERT_EQ(::symlink("plain.txt", host("link.txt").constData()), 0);
        ASSERT_EQ(::symlink("pipe.zip", host("linkToPipe.lnk").constData()), 0);
        // A listening socket, bound to a name in the folder.
        m_socket = std::make_unique<ListeningSocket>(host("socket"));
        ASSERT_TRUE(m_socket->isListening());
    }
    QByteArray host(const char* name) const { return QFile::encodeName(m_dir.filePath(QString::fromUtf8(name))); }

    QTemporaryDir m_dir;
    std::unique_ptr<ListeningSocket> m_socket;
};

// Only a regular file is read; a pipe (which would wait for a writer), a device (which could
// be read without end) and a socket are refused at once with their own reason.
TEST_F(RegularFileTest, OnlyARegularFileIsReadAndNothingElseIsWaitedOn)
{
    struct Case {
        QByteArray path;
        Links links;
        FsError expected;
    };
    const Case cases[] = {
        {host("plain.txt"), Links::NotFollowed, FsError::None},
        {host("link.txt"), Links::Follow, FsError::None},
        {host("link.txt"), Links::NotFollowed, FsError::AccessDenied},  // the item is the link
        {host("pipe.zip"), Links::Follow, FsError::NotRegularFile},
        {host("linkToPipe.lnk"), Links::Follow, FsError::NotRegularFile},
        {host("socket"), Links::Follow, FsError::NotRegularFile},
        {QByteArrayLiteral("/dev/zero"), Links::Follow, FsError::NotRegularFile},
        {QByteArrayLiteral("/dev/null"), Links::NotFollowed, FsError::NotRegularFile},
        {host("folder"), Links::Follow, FsError::AccessDenied},
        {host("missing"), Links::Follow, FsError::FileNotFound},
        {QByteArray(), Links::Follow, FsError::InvalidName},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.path.toStdString());
        QByteArray content;
        EXPECT_EQ(platform::readRegularFile(item.path, item.links, 1024, content), item.expected);
        EXPECT_EQ(content, item.expected == FsError::None ? QByteArrayLiteral("hello") : QByteArray());
        int fd = -1;
        qint64 size = -1;
        EXPECT_EQ(platform::openRegularFile(item.path, item.links, fd, &size), item.expected);
        if (item.expected == FsError::None) {
            ASSERT_GE(fd, 0);
            EXPECT_EQ(size, 5);
            char byte = 0;
            EXPECT_EQ(::read(fd, &byte, 1), 1);  // reads block again: a regular file's end comes
            ::close(fd);
        } else {
            EXPECT_EQ(fd, -1);
        }
    }
}

TEST_F(RegularFileTest, AFileLargerThanTheLimitIsNotRead)
{
    QByteArray content = QByteArrayLiteral("left");
    EXPECT_EQ(platform::readRegularFile(host("plain.txt"), Links::Follow, 4, content), FsError::AccessDenied);
    EXPECT_TRUE(content.isEmpty());
    EXPECT_EQ(platform::readRegularFile(host("plain.txt"), Links::Follow, 5, content), FsError::None);
    EXPECT_EQ(content, QByteArrayLiteral("hello"));
}

// Copying and reading through the file layer refuse the same items with the same reason, so
// the message names the real cause rather than a permission.
TEST_F(RegularFileTest, TheFileLayerRefusesPipesDevicesAndSocketsAsNotRegular)
{
    ASSERT_EQ(::mkdir(host("target").constData(), 0755), 0);
    platform::LinuxFileSystem fs(QFile::encodeName(m_dir.path()));
    platform::OpenFolder from, to;
    ASSERT_EQ(fs.openFolder(QString(), from), FsError::None);
    ASSERT_EQ(fs.openFolder(QStringLiteral("\\target"), to), FsError::None);
    for (const char* name : {"pipe.zip", "socket"}) {
        SCOPED_TRACE(name);
        const QString item = QString::fromUtf8(name);
        EXPECT_EQ(fs.copyFileAt(from, item, to, item, false, {}), FsError::NotRegularFile);
        std::unique_ptr<platform::ReadFile> file;
        EXPECT_EQ(fs.openFileAt(from, item, file), FsError::NotRegularFile);
        EXPECT_FALSE(file);
    }
    EXPECT_EQ(fs.copyFileAt(from, QStringLiteral("plain.txt"), to, QStringLiteral("plain.txt"), false, {}), FsError::None);
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("target/plain.txt"))));
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("target/pipe.zip"))));
}

}  // namespace
