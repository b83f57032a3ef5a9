#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace Attr = platform::Attr;
using platform::FindData;
using platform::FsError;
using platform::LinuxFileSystem;
using platform::PathMapper;

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_host = QFile::encodeName(m_root.path());
    }

    QByteArray host(const char* relative) const { return m_host + '/' + relative; }
    void makeFile(const char* relative, const QByteArray& content = "data")
    {
        const int fd = ::open(host(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << relative;
        ASSERT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
        ::close(fd);
    }
    void makeFolder(const char* relative) { ASSERT_EQ(::mkdir(host(relative).constData(), 0755), 0) << relative; }
    bool hostExists(const QByteArray& path) const
    {
        struct stat status;
        return ::lstat(path.constData(), &status) == 0;
    }
    QByteArray hostContent(const char* relative) const
    {
        QFile file(QFile::decodeName(host(relative)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList list(const QString& pattern)
    {
        LinuxFileSystem fs = rooted();
        QStringList names;
        EXPECT_EQ(fs.enumerate(pattern, [&](const FindData& entry) {
            names << entry.name;
            return true;
        }), FsError::None) << pattern.toStdString();
        names.sort();
        return names;
    }
    QStringList hostNames()
    {
        QStringList names;
        for (const QString& name : QDir(m_root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            names << name;
        return names;
    }
    bool userXattrsWork()
    {
        makeFile("xattr-probe");
        const bool works = ::setxattr(host("xattr-probe").constData(), "user.probe", "1", 1, 0) == 0;
        ::unlink(host("xattr-probe").constData());
        return works;
    }

    QTemporaryDir m_root;
    QByteArray m_host;
    LinuxFileSystem rooted() const { return LinuxFileSystem(PathMapper(m_host)); }
};

TEST_F(FileSystemTest, EnumeratesWithPatternsAndAttributes)
{
    LinuxFileSystem fs = rooted();
    makeFolder("Docs");
    makeFile("Docs/a.TXT", "12345");
    makeFile("Docs/b.txt");
    makeFile("Docs/c.jpg");
    makeFile("Docs/.secret");
    makeFolder("Docs/Sub");
    ASSERT_EQ(::symlink("Sub", host("Docs/LinkToSub").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", host("Docs/Dangling").constData()), 0);
    ASSERT_EQ(::chmod(host("Docs/b.txt").constData(), 0444), 0);

    QHash<QString, FindData> byName;
    ASSERT_EQ(fs.enumerate(QStringLiteral("\\Docs\\*.*"), [&](const FindData& entry) {
        byName.insert(entry.name, entry);
        return true;
    }), FsError::None);
    EXPECT_EQ(byName.size(), 7);
    EXPECT_EQ(byName[QStringLiteral("a.TXT")].size, 5);
    EXPECT_FALSE(byName[QStringLiteral("a.TXT")].attributes & (Attr::Hidden | Attr::ReadOnly | Attr::Directory));
    EXPECT_TRUE(byName[QStringLiteral("b.txt")].attributes & Attr::ReadOnly);
    EXPECT_TRUE(byName[QStringLiteral(".secret")].attributes & Attr::Hidden);
    EXPECT_TRUE(byName[QStringLiteral("Sub")].isFolder());
    // A link to a folder is a folder that walks must not enter; a dangling link is a file.
    EXPECT_TRUE(byName[QStringLiteral("LinkToSub")].isFolder());
    EXPECT_TRUE(byName[QStringLiteral("LinkToSub")].attributes & Attr::ReparsePoint);
    EXPECT_FALSE(byName[QStringLiteral("Dangling")].isFolder());
    EXPECT_EQ(byName[QStringLiteral("Dangling")].size, 0);
    EXPECT_GT(byName[QStringLiteral("c.jpg")].lastWriteTime, 0);

    EXPECT_EQ(list(QStringLiteral("\\Docs\\*.txt")).size(), 2);  // a.TXT and b.txt
    EXPECT_EQ(list(QStringLiteral("\\Docs\\?.jpg")), QStringList{QStringLiteral("c.jpg")});
    // A visitor that says stop gets no more entries.
    int seen = 0;
    ASSERT_EQ(fs.enumerate(QStringLiteral("\\Docs\\*.*"), [&](const FindData&) { return ++seen < 2; }), FsError::None);
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(fs.enumerate(QStringLiteral("\\Missing\\*.*"), [](const FindData&) { return true; }), FsError::PathNotFound);
}

TEST_F(FileSystemTest, LooksUpWithoutRegardToCaseAndFindsTheRoot)
{
    LinuxFileSystem fs = rooted();
    makeFolder("Storage");
    makeFile("Storage/Report.PDF", "pdf");
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\storage\\report.pdf"), found), FsError::None);
    EXPECT_EQ(found.name, QStringLiteral("Report.PDF"));
    EXPECT_EQ(found.size, 3);
    EXPECT_TRUE(fs.exists(QStringLiteral("\\Storage")));
    EXPECT_FALSE(fs.exists(QStringLiteral("\\Storage\\nothing")));
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\"), found), FsError::None);
    EXPECT_TRUE(found.isFolder());
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\..\\etc"), found), FsError::InvalidName);
}

TEST_F(FileSystemTest, SizesAreSixtyFourBit)
{
    LinuxFileSystem fs = rooted();
    const int fd = ::open(host("big.bin").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const off_t size = 5LL * 1024 * 1024 * 1024 + 7;  // sparse: no disk is used
    const bool made = ::ftruncate(fd, size) == 0;
    ::close(fd);
    if (!made)
        GTEST_SKIP() << "the temporary folder cannot hold a sparse 5 GiB file";
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\big.bin"), found), FsError::None);
    EXPECT_EQ(found.size, size);
}

TEST_F(FileSystemTest, DosAttributesAreReadAndWrittenAsSambaKeepsThem)
{
    if (!userXattrsWork())
        GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
    LinuxFileSystem fs = rooted();
    makeFile("plain.txt");
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\plain.txt"), Attr::Hidden | Attr::Archive | Attr::ReadOnly), FsError::None);
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\plain.txt"), found), FsError::None);
    EXPECT_EQ(found.attributes & Attr::Settable, Attr::Hidden | Attr::Archive | Attr::ReadOnly);
    struct stat status;
    ASSERT_EQ(::stat(host("plain.txt").constData(), &status), 0);
    EXPECT_FALSE(status.st_mode & S_IWUSR);

    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\plain.txt"), Attr::System), FsError::None);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\plain.txt"), found), FsError::None);
    EXPECT_EQ(found.attributes & Attr::Settable, Attr::System);

    // Samba's binary record (version 3) is read too.
    makeFile("samba.txt");
    QByteArray record(24, '\0');
    record[0] = 3;
    record[2] = 3;
    record[4] = static_cast<char>(Attr::Hidden);
    ASSERT_EQ(::setxattr(host("samba.txt").constData(), "user.DOSATTRIB", record.constData(), 24, 0), 0);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\samba.txt"), found), FsError::None);
    EXPECT_TRUE(found.attributes & Attr::Hidden);
}

TEST_F(FileSystemTest, CreatesMovesAndDeletes)
{
    LinuxFileSystem fs = rooted();
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\New")), FsError::None);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\New")), FsError::AlreadyExists);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\No\\Deeper")), FsError::PathNotFound);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\a.txt")), FsError::None);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\a.txt")), FsError::AlreadyExists);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\..")), FsError::InvalidName);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\New")), FsError::DirectoryNotEmpty);

    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\b.txt")), FsError::None);
    EXPECT_EQ(fs.move(QStringLiteral("\\New\\a.txt"), QStringLiteral("\\New\\b.txt")), FsError::AlreadyExists);
    EXPECT_EQ(fs.move(QStringLiteral("\\New\\a.txt"), QStringLiteral("\\c.txt")), FsError::None);
    EXPECT_TRUE(hostExists(host("c.txt")));
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\New")), FsError::AccessDenied);  // a folder is no file
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\c.txt"), Attr::ReadOnly), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\c.txt")), FsError::AccessDenied);  // read-only stays
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\c.txt"), 0), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\C.TXT")), FsError::None);
    EXPECT_FALSE(hostExists(host("c.txt")));
    // Names are found without regard to case; a new spelling of one name is a rename.
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\NEW\\B.TXT")), FsError::AlreadyExists);
    EXPECT_EQ(fs.move(QStringLiteral("\\new\\b.txt"), QStringLiteral("\\New\\B.txt")), FsError::None);
    EXPECT_TRUE(hostExists(host("New/B.txt")));
    EXPECT_FALSE(hostExists(host("New/b.txt")));
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\New\\b.txt")), FsError::None);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\new")), FsError::None);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\")), FsError::InvalidName);
}

TEST_F(FileSystemTest, CopiesDataTimesAndModeAndRespectsFailIfExists)
{
    LinuxFileSystem fs = rooted();
    makeFile("source.txt", QByteArray("hello ").repeated(100000));
    ASSERT_EQ(::chmod(host("source.txt").constData(), 0640), 0);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, host("source.txt").constData(), old, 0), 0);

    ASSERT_EQ(fs.copyFile(QStringLiteral("\\source.txt"), QStringLiteral("\\copy.txt"), true, true), FsError::None);
    EXPECT_EQ(hostContent("copy.txt"), hostContent("source.txt"));
    struct stat status;
    ASSERT_EQ(::stat(host("copy.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);

    makeFile("other.txt", "other");
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\other.txt"), QStringLiteral("\\copy.txt"), true), FsError::AlreadyExists);
    EXPECT_EQ(hostContent("copy.txt"), hostContent("source.txt"));
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\other.txt"), QStringLiteral("\\copy.txt"), false), FsError::None);
    EXPECT_EQ(hostContent("copy.txt"), QByteArray("other"));
    // A file copied onto itself keeps its content.
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\other.txt"), QStringLiteral("\\other.txt"), false), FsError::None);
    EXPECT_EQ(hostContent("other.txt"), QByteArray("other"));
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\missing"), QStringLiteral("\\x"), false), FsError::FileNotFound);
    // No temporary file is left behind by any of it.
    EXPECT_EQ(hostNames(), QStringList({QStringLiteral("copy.txt"), QStringLiteral("other.txt"), QStringLiteral("source.txt")}));
}

TEST_F(FileSystemTest, OddHostNamesListCopyMoveAndDelete)
{
    LinuxFileSystem fs = rooted();
    const QByteArray odd[] = {"latin1-\xe9t\xe9.txt", "back\\slash.txt"};
    for (const QByteArray& name : odd) {
        const QByteArray path = m_host + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    QStringList phoneNames = list(QStringLiteral("\\*.*"));
    ASSERT_EQ(phoneNames.size(), 2);
    for (const QString& name : phoneNames) {
        const QString path = u'\\' + name;
        const QString copy = QStringLiteral("\\copy-") + name;
        const QString moved = QStringLiteral("\\moved-") + name;
        ASSERT_EQ(fs.copyFile(path, copy, true), FsError::None) << name.toStdString();
        ASSERT_EQ(fs.move(copy, moved), FsError::None);
        ASSERT_EQ(fs.deleteFile(moved), FsError::None);
        ASSERT_EQ(fs.deleteFile(path), FsError::None);
    }
    EXPECT_TRUE(hostNames().isEmpty());
}

// A copy that fails part-way, here on a full disk, leaves neither a target nor a temporary
// file. It needs a small tmpfs, which only a machine that lets us mount can give.
TEST_F(FileSystemTest, ACopyThatFailsLeavesNoTarget)
{
    makeFolder("small");
    if (::mount("tmpfs", host("small").constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    LinuxFileSystem fs = rooted();
    makeFile("big.bin", QByteArray(1024 * 1024, 'x'));
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\big.bin"), QStringLiteral("\\small\\big.bin"), false), FsError::DiskFull);
    QStringList left = QDir(QFile::decodeName(host("small"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();

    // The read-only mount: everything on it is "in ROM" and nothing can be written.
    makeFile("small/x", "");  // fits
    ASSERT_EQ(::mount(nullptr, host("small").constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=256k"), 0);
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\small\\x"), found), FsError::None);
    EXPECT_TRUE(found.attributes & Attr::InRom);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\small"), found), FsError::None);
    EXPECT_TRUE(found.attributes & Attr::InRom);  // the mount point itself
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\big.bin"), found), FsError::None);
    EXPECT_FALSE(found.attributes & Attr::InRom);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\small\\y")), FsError::AccessDenied);
    ::umount(host("small").constData());
}

}  // namespace
