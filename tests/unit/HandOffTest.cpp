#include "app/HandOff.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(HandOff, TakesTheFileOnlyWhenTheCountMatches)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("FNTemp.dat"));
    const QString path = QStringLiteral("\\Storage\\\ud55c\uae00.zip");
    const qint64 bytes = HandOff::write(file, path);
    EXPECT_EQ(bytes, path.size() * 2);

    EXPECT_TRUE(HandOff::take(file, bytes + 2).isNull());   // a short read: left alone
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(HandOff::take(file, 0).isNull());
    EXPECT_TRUE(HandOff::take(file, HandOff::MaxBytes + 2).isNull());  // never trusted as a size
    EXPECT_EQ(HandOff::take(file, bytes), path);
    EXPECT_FALSE(QFile::exists(file));                      // acted on: removed
    EXPECT_TRUE(HandOff::take(file, bytes).isNull());       // no file: nothing

    // An odd count takes the whole characters it holds.
    EXPECT_EQ(HandOff::decode(QByteArray("a\0b", 3), 3), QStringLiteral("a"));
    EXPECT_EQ(HandOff::write(file, QString(HandOff::MaxBytes, u'x')), 0);
}

TEST(HandOff, ReadsOnlyARegularFileAndNeverThroughALink)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("FNTemp.dat"));
    const QByteArray name = QFile::encodeName(file);
    const QString path = QStringLiteral("\\a.zip");
    const QByteArray bytes = HandOff::encode(path);

    // A link to a file that holds a well-formed hand-off.
    const QString elsewhere = folder.filePath(QStringLiteral("elsewhere.dat"));
    ASSERT_GT(HandOff::write(elsewhere, path), 0);
    ASSERT_TRUE(QFile::link(elsewhere, file));
    EXPECT_TRUE(HandOff::take(file, bytes.size()).isNull());
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(elsewhere));
    ASSERT_TRUE(QFile::remove(file));

    // A FIFO that a writer keeps open and has filled with a well-formed hand-off: read as a
    // file, it would be taken, and without the writer the open would wait for ever.
    ASSERT_EQ(mkfifo(name.constData(), 0600), 0);
    const int fifo = open(name.constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifo, 0);
    ASSERT_EQ(write(fifo, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    EXPECT_TRUE(HandOff::take(file, bytes.size()).isNull());
    close(fifo);
    EXPECT_TRUE(HandOff::take(file, bytes.size()).isNull());  // and without a writer, at once
    struct stat status {};
    ASSERT_EQ(lstat(name.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    ASSERT_TRUE(QFile::remove(file));

    // A folder under the name.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("FNTemp.dat")));
    EXPECT_TRUE(HandOff::take(file, bytes.size()).isNull());
    ASSERT_TRUE(QDir(folder.path()).rmdir(QStringLiteral("FNTemp.dat")));

    // A file of another user, where the tests may make one.
    ASSERT_EQ(HandOff::write(file, path), bytes.size());
    if (geteuid() == 0) {
        ASSERT_EQ(chown(name.constData(), 65534, 65534), 0);
        EXPECT_TRUE(HandOff::take(file, bytes.size()).isNull());
        ASSERT_EQ(chown(name.constData(), 0, 0), 0);
    }
    EXPECT_EQ(HandOff::take(file, bytes.size()), path);  // the same file, ours: taken
}

TEST(HandOff, AHostPathKeepsItsBytes)
{
    const QByteArray paths[] = {
        "/home/u/Archive.ZIP",
        "/home/u/caf\xc3\xa9/\xff\xfe not UTF-8\\back.zip",   // UTF-8, stray bytes and a backslash
        "relative//double/",
        "",
    };
    for (const QByteArray& host : paths) {
        const QString text = HandOff::pathFromHost(host);
        EXPECT_EQ(HandOff::pathToHost(text), host) << host.toHex().toStdString();
        // What the running instance reads from the hand-off file is that text again.
        EXPECT_EQ(HandOff::decode(HandOff::encode(text), HandOff::encode(text).size()), text.isEmpty() ? QString() : text);
    }
    EXPECT_TRUE(HandOff::pathFromHost("/a/b.zip").endsWith(QLatin1String(".zip")));
    EXPECT_EQ(HandOff::pathFromHost("/home/caf\xc3\xa9"), QStringLiteral("/home/caf\u00e9"));
    EXPECT_TRUE(HandOff::pathToHost(QStringLiteral("/a/b\\c")).isNull());  // no host name maps to "\\"
}

}  // namespace
