#include "OrdinaryUser.h"
#include "ScopedMount.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <sys/mman.h>
#include <csignal>
#include <atomic>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace Attr = platform::Attr;
using platform::FindData;
using platform::FsError;
using platform::LinuxFileSystem;
using platform::PathMapper;

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_host = QFile::encodeName(m_root.path());
    }

    // Tests leave host names behind that are not UTF-8, which the temporary folder's own
    // clean-up, decoding names, cannot remove: everything goes by its bytes first.
    void TearDown() override
    {
        const int fd = ::open(m_host.constData(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0)
            removeContents(fd);
    }
    static void removeContents(int folderFd)
    {
        DIR* directory = ::fdopendir(folderFd);
        if (!directory) {
            ::close(folderFd);
            return;
        }
        while (const struct dirent* item = ::readdir(directory)) {
            const char* name = item->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            if (::unlinkat(::dirfd(directory), name, 0) == 0)
                continue;
            const int inner = ::openat(::dirfd(directory), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (inner >= 0)
                removeContents(inner);
            ::unlinkat(::dirfd(directory), name, AT_REMOVEDIR);
        }
        ::closedir(directory);
    }

    QByteArray host(const QByteArray& relative) const { return m_host + '/' + relative; }
    LinuxFileSystem rooted() const { return LinuxFileSystem(PathMapper(m_host)); }

    void makeFile(const QByteArray& relative, const QByteArray& content = "data", mode_t mode = 0644)
    {
        const int fd = ::open(host(relative).constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
        ASSERT_GE(fd, 0) << relative.constData();
        ASSERT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
        ::close(fd);
    }
    void makeFolder(const QByteArray& relative) { ASSERT_EQ(::mkdir(host(relative).constData(), 0755), 0) << relative.constData(); }
    static bool hostExists(const QByteArray& path)
    {
        struct stat status;
        return ::lstat(path.constData(), &status) == 0;
    }
    // Host names are raw bytes that need not be UTF-8, so they are read without Qt's file
    // classes, which would decode them.
    static QByteArray readHostFile(const QByteArray& path)
    {
        const int fd = ::open(path.constData(), O_RDONLY);
        if (fd < 0)
            return "<unreadable>";
        QByteArray content;
        char buffer[65536];
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
            content.append(buffer, static_cast<qsizetype>(got));
        ::close(fd);
        return content;
    }
    QByteArray hostContent(const QByteArray& relative) const { return readHostFile(host(relative)); }
    // The names in a host folder, hidden ones included.
    QList<QByteArray> hostNames(const QByteArray& relative = QByteArray()) const
    {
        QList<QByteArray> names;
        DIR* directory = ::opendir((relative.isEmpty() ? m_host : host(relative)).constData());
        if (!directory)
            return {"<unreadable>"};
        while (const struct dirent* item = ::readdir(directory))
            if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0)
                names << QByteArray(item->d_name);
        ::closedir(directory);
        std::sort(names.begin(), names.end());
        return names;
    }
    QHash<QString, FindData> listing(const QString& pattern, FsError expected = FsError::None)
    {
        LinuxFileSystem fs = rooted();
        QHash<QString, FindData> byName;
        EXPECT_EQ(fs.enumerate(pattern, [&](const FindData& entry) {
            EXPECT_FALSE(byName.contains(entry.name)) << entry.name.toStdString();
            byName.insert(entry.name, entry);
            return true;
        }), expected) << pattern.toStdString();
        return byName;
    }
    QStringList names(const QString& pattern)
    {
        QStringList sorted = listing(pattern).keys();
        sorted.sort();
        return sorted;
    }
    bool userXattrsWork(const QByteArray& relativeFolder = QByteArray())
    {
        const QByteArray probe = relativeFolder.isEmpty() ? host("xattr-probe") : host(relativeFolder + "/xattr-probe");
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT, 0644);
        const bool works = fd >= 0 && ::fsetxattr(fd, "user.probe", "1", 1, 0) == 0;
        if (fd >= 0)
            ::close(fd);
        ::unlink(probe.constData());
        return works;
    }
    QByteArray dosValue(const QByteArray& relative) const
    {
        char value[256];
        const ssize_t size = ::getxattr(host(relative).constData(), "user.DOSATTRIB", value, sizeof value);
        return size < 0 ? QByteArray("<none>") : QByteArray(value, static_cast<qsizetype>(size));
    }

    QTemporaryDir m_root;
    QByteArray m_host;
};

TEST_F(FileSystemTest, EnumeratesEveryEntryWithItsAttributes)
{
    makeFolder("Docs");
    makeFile("Docs/a.TXT", "12345");
    makeFile("Docs/README");
    makeFile("Docs/b.txt", "", 0444);
    makeFile("Docs/.secret");
    makeFolder("Docs/Sub");
    ASSERT_EQ(::symlink("Sub", host("Docs/LinkToSub").constData()), 0);
    ASSERT_EQ(::symlink("a.TXT", host("Docs/LinkToA").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", host("Docs/Dangling").constData()), 0);
    ASSERT_EQ(::mkfifo(host("Docs/pipe").constData(), 0644), 0);

    QHash<QString, FindData> byName = listing(QStringLiteral("\\Docs\\*.*"));
    EXPECT_EQ(byName.size(), 9);  // "." and ".." are never reported
    const FindData plain = byName[QStringLiteral("a.TXT")];
    EXPECT_EQ(plain.size, 5);
    EXPECT_EQ(plain.attributes, Attr::Normal);  // nothing else: the phone's "normal" file
    EXPECT_EQ(byName[QStringLiteral("README")].attributes, Attr::Normal);  // "*.*" lists names without a dot
    EXPECT_EQ(byName[QStringLiteral("b.txt")].attributes, Attr::ReadOnly);
    EXPECT_EQ(byName[QStringLiteral(".secret")].attributes, Attr::Hidden);
    EXPECT_EQ(byName[QStringLiteral("Sub")].attributes, Attr::Directory);
    EXPECT_EQ(byName[QStringLiteral("Sub")].size, 0);
    // A link shows what it points at, marked so that walks do not enter it; a link that points
    // nowhere is an empty item that is no regular file (system).
    EXPECT_EQ(byName[QStringLiteral("LinkToSub")].attributes, Attr::Directory | Attr::ReparsePoint);
    EXPECT_EQ(byName[QStringLiteral("LinkToA")].attributes, Attr::ReparsePoint);
    EXPECT_EQ(byName[QStringLiteral("LinkToA")].size, 5);
    EXPECT_EQ(byName[QStringLiteral("Dangling")].attributes, Attr::ReparsePoint | Attr::System);
    EXPECT_EQ(byName[QStringLiteral("Dangling")].size, 0);
    // Neither a file nor a folder: a system item.
    EXPECT_EQ(byName[QStringLiteral("pipe")].attributes, Attr::System);

    // A visitor that says stop gets no more entries.
    LinuxFileSystem fs = rooted();
    int seen = 0;
    ASSERT_EQ(fs.enumerate(QStringLiteral("\\Docs\\*.*"), [&](const FindData&) { return ++seen < 2; }), FsError::None);
    EXPECT_EQ(seen, 2);
}

// The tree lists folders with the cheaper listing; what it shows of each entry (folder or not,
// hidden, system, link) must be what a full enumeration says, or items would show wrongly or
// hide when they should not.
TEST_F(FileSystemTest, TheListingForDisplayAgreesWithEnumerationOnWhatShows)
{
    makeFolder("Docs");
    makeFile("Docs/a.TXT", "12345");
    makeFile("Docs/b.txt", "", 0444);
    makeFile("Docs/.secret");
    makeFolder("Docs/Sub");
    makeFolder("Docs/.config");
    ASSERT_EQ(::symlink("Sub", host("Docs/LinkToSub").constData()), 0);
    ASSERT_EQ(::symlink("a.TXT", host("Docs/LinkToA").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", host("Docs/Dangling").constData()), 0);
    ASSERT_EQ(::mkfifo(host("Docs/pipe").constData(), 0644), 0);
    if (userXattrsWork("Docs")) {
        makeFile("Docs/dosHidden.txt");
        makeFolder("Docs/DosHiddenFolder");
        makeFile("Docs/dosSystem.txt");
        for (const auto& [name, value] : {std::pair{"Docs/dosHidden.txt", "0x2"}, std::pair{"Docs/DosHiddenFolder", "0x12"},
                                          std::pair{"Docs/dosSystem.txt", "0x4"}})
            ASSERT_EQ(::setxattr(host(name).constData(), "user.DOSATTRIB", value, std::strlen(value), 0), 0) << name;
    }
    constexpr quint32 Shown = Attr::Directory | Attr::Hidden | Attr::System | Attr::ReparsePoint;
    LinuxFileSystem fs = rooted();
    for (const QString& folder : {QStringLiteral("\\Docs"), QString(), QStringLiteral("\\")}) {
        SCOPED_TRACE(folder.toStdString());
        const QHash<QString, FindData> full = listing(platform::PhonePath::join(folder, QStringLiteral("*.*")));
        QHash<QString, quint32> shown;
        ASSERT_EQ(fs.listForDisplay(folder, [&](const FindData& entry) {
            EXPECT_FALSE(shown.contains(entry.name)) << entry.name.toStdString();
            shown.insert(entry.name, entry.attributes);
            return true;
        }), FsError::None);
        EXPECT_EQ(shown.size(), full.size());
        for (auto it = full.cbegin(); it != full.cend(); ++it) {
            ASSERT_TRUE(shown.contains(it.key())) << it.key().toStdString();
            EXPECT_EQ(shown.value(it.key()) & Shown, it.value().attributes & Shown) << it.key().toStdString();
        }
    }
    if (userXattrsWork("Docs")) {
        const QHash<QString, FindData> full = listing(QStringLiteral("\\Docs\\*.*"));
        EXPECT_TRUE(full.value(QStringLiteral("dosHidden.txt")).attributes & Attr::Hidden);  // the case is really there
        EXPECT_TRUE(full.value(QStringLiteral("DosHiddenFolder")).attributes & Attr::Hidden);
    }

    // It fails where enumeration fails, and a visitor that says stop gets no more entries.
    makeFile("file.txt");
    for (const QString& bad : {QStringLiteral("\\Missing"), QStringLiteral("\\file.txt"), QStringLiteral("\\..")}) {
        const FsError expected = fs.enumerate(platform::PhonePath::join(bad, QStringLiteral("*.*")), [](const FindData&) { return true; });
        EXPECT_NE(expected, FsError::None) << bad.toStdString();
        EXPECT_EQ(fs.listForDisplay(bad, [](const FindData&) { return true; }), expected) << bad.toStdString();
    }
    int seen = 0;
    ASSERT_EQ(fs.listForDisplay(QStringLiteral("\\Docs"), [&](const FindData&) { return ++seen < 2; }), FsError::None);
    EXPECT_EQ(seen, 2);
}

TEST_F(FileSystemTest, PatternsPickTheirEntries)
{
    makeFolder("Pics");
    for (const char* name : {"a.jpg", "B.JPG", "ab.jpg", "notes.txt", "noext", "x.jpg.bak"})
        makeFile(QByteArray("Pics/") + name);
    const struct { const char* pattern; std::vector<const char*> expected; } cases[] = {
        {"\\Pics\\*.*", {"B.JPG", "a.jpg", "ab.jpg", "noext", "notes.txt", "x.jpg.bak"}},
        {"\\Pics\\*", {"B.JPG", "a.jpg", "ab.jpg", "noext", "notes.txt", "x.jpg.bak"}},
        {"\\Pics\\*.jpg", {"B.JPG", "a.jpg", "ab.jpg"}},
        {"\\Pics\\?.JPG", {"B.JPG", "a.jpg"}},
        {"\\Pics\\*EXT", {"noext"}},                  // wildcards match without regard to case
        {"\\Pics\\notes.txt", {"notes.txt"}},          // no wildcard: that one item
        {"\\Pics\\notes.TXT", {}},                     // ... by its exact name
        {"\\Pics\\nothing.txt", {}},                   // none: still a listing, just empty
        {"\\Pics\\*.png", {}},
        {"\\Pics\\", {}},
    };
    for (const auto& row : cases) {
        QStringList expected;
        for (const char* name : row.expected)
            expected << text(name);
        EXPECT_EQ(names(text(row.pattern)), expected) << row.pattern;
    }
    // The root lists with its empty path.
    EXPECT_EQ(names(QStringLiteral("\\*.*")), QStringList{QStringLiteral("Pics")});
    EXPECT_EQ(names(QStringLiteral("*.*")), QStringList{QStringLiteral("Pics")});
}

TEST_F(FileSystemTest, FailuresTellAMissingItemFromAMissingFolder)
{
    LinuxFileSystem fs = rooted();
    makeFolder("Here");
    makeFile("Here/file.txt");
    const auto noVisit = [](const FindData&) {
        ADD_FAILURE() << "no entry expected";
        return true;
    };
    EXPECT_EQ(fs.enumerate(QStringLiteral("\\Missing\\*.*"), noVisit), FsError::PathNotFound);
    EXPECT_EQ(fs.enumerate(QStringLiteral("\\Missing\\file.txt"), noVisit), FsError::PathNotFound);
    EXPECT_EQ(fs.enumerate(QStringLiteral("\\Here\\file.txt\\*.*"), noVisit), FsError::PathNotFound);
    EXPECT_EQ(fs.enumerate(QStringLiteral("\\..\\*.*"), noVisit), FsError::InvalidName);

    EXPECT_EQ(fs.copyFile(QStringLiteral("\\Here\\gone.txt"), QStringLiteral("\\Here\\x"), false), FsError::FileNotFound);
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\Missing\\a"), QStringLiteral("\\Here\\x"), false), FsError::PathNotFound);
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\Here\\file.txt"), QStringLiteral("\\Missing\\x"), false), FsError::PathNotFound);
    EXPECT_EQ(fs.move(QStringLiteral("\\Here\\gone.txt"), QStringLiteral("\\Here\\x")), FsError::FileNotFound);
    EXPECT_EQ(fs.move(QStringLiteral("\\Here\\file.txt"), QStringLiteral("\\Missing\\x")), FsError::PathNotFound);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\Missing\\Deeper")), FsError::PathNotFound);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\Here\\file.txt")), FsError::NotAFolder);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\Here\\gone")), FsError::FileNotFound);
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\Here\\gone.txt"), 0), FsError::FileNotFound);
    // The table last: creating a new file makes what was missing.
    FindData found;
    const struct { const char* path; FsError lookUp; FsError deleteFile; FsError createNewFile; } cases[] = {
        {"\\Here\\gone.txt", FsError::FileNotFound, FsError::FileNotFound, FsError::None},
        {"\\Missing\\gone.txt", FsError::PathNotFound, FsError::PathNotFound, FsError::PathNotFound},
        {"\\Here\\file.txt\\x", FsError::PathNotFound, FsError::PathNotFound, FsError::PathNotFound},
        {"\\Here\\..\\..\\x", FsError::InvalidName, FsError::InvalidName, FsError::InvalidName},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(fs.lookUp(text(row.path), found), row.lookUp) << row.path;
        EXPECT_EQ(fs.deleteFile(text(row.path)), row.deleteFile) << row.path;
        EXPECT_EQ(fs.createNewFile(text(row.path)), row.createNewFile) << row.path;
    }
    EXPECT_TRUE(hostExists(host("Here/file.txt")));
}

// Names are exactly what the host holds: a name that differs only in case is another item.
TEST_F(FileSystemTest, NamesAreExactAndCaseTwinsAreTwoItems)
{
    LinuxFileSystem fs = rooted();
    makeFolder("Storage");
    makeFile("Storage/Report.PDF", "pdf");
    makeFile("Storage/report.pdf", "twin");
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\Storage\\Report.PDF"), found), FsError::None);
    EXPECT_EQ(found.size, 3);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\Storage\\report.pdf"), found), FsError::None);
    EXPECT_EQ(found.size, 4);
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\Storage\\REPORT.pdf"), found), FsError::FileNotFound);
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\storage\\report.pdf"), found), FsError::PathNotFound);
    EXPECT_EQ(fs.hostPath(QStringLiteral("\\Storage\\New.txt")), host("Storage/New.txt"));
    EXPECT_TRUE(fs.hostPath(QStringLiteral("\\..\\etc")).isEmpty());
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\..\\etc"), found), FsError::InvalidName);

    // Deleting one twin leaves the other.
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\Storage\\report.pdf")), FsError::None);
    EXPECT_EQ(hostNames("Storage"), QList<QByteArray>{"Report.PDF"});

    // The root is no entry of a folder: a search for it finds nothing, as on the phone, where
    // the properties of "no item" report that the item cannot be read.
    EXPECT_EQ(fs.lookUp(QStringLiteral("\\"), found), FsError::FileNotFound);
    EXPECT_EQ(fs.lookUp(QString(), found), FsError::FileNotFound);
    EXPECT_FALSE(fs.exists(QStringLiteral("\\")));
}

TEST_F(FileSystemTest, TimesAreMillisecondsSinceTheEpoch)
{
    LinuxFileSystem fs = rooted();
    makeFile("dated.txt");
    const struct timespec times[2] = {{1600000000, 250000000}, {1500000000, 125000000}};  // access, write
    ASSERT_EQ(::utimensat(AT_FDCWD, host("dated.txt").constData(), times, 0), 0);
    struct statx status;
    ASSERT_EQ(::statx(AT_FDCWD, host("dated.txt").constData(), 0, STATX_BTIME, &status), 0);

    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\dated.txt"), found), FsError::None);
    EXPECT_EQ(found.lastWriteTime, 1500000000125LL);
    EXPECT_EQ(found.lastAccessTime, 1600000000250LL);
    // Creation is the birth time where the file system keeps one, else unknown (0).
    const qint64 expectedCreation = (status.stx_mask & STATX_BTIME)
        ? static_cast<qint64>(status.stx_btime.tv_sec) * 1000 + status.stx_btime.tv_nsec / 1000000
        : 0;
    EXPECT_EQ(found.creationTime, expectedCreation);
    // The same through a listing.
    const FindData listed = listing(QStringLiteral("\\*.*")).value(QStringLiteral("dated.txt"));
    EXPECT_EQ(listed.lastWriteTime, found.lastWriteTime);
    EXPECT_EQ(listed.creationTime, found.creationTime);
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
    EXPECT_EQ(listing(QStringLiteral("\\*.*")).value(QStringLiteral("big.bin")).size, size);
}

TEST_F(FileSystemTest, DosAttributesAreReadAndWrittenAsSambaKeepsThem)
{
    if (!userXattrsWork())
        GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
    LinuxFileSystem fs = rooted();
    makeFile("plain.txt");
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\plain.txt"), Attr::Hidden | Attr::Archive | Attr::ReadOnly), FsError::None);
    EXPECT_EQ(dosValue("plain.txt"), QByteArray("0x23"));  // the text form, read-only included for Samba
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\plain.txt"), found), FsError::None);
    EXPECT_EQ(found.attributes, Attr::Hidden | Attr::Archive | Attr::ReadOnly);
    struct stat status;
    ASSERT_EQ(::stat(host("plain.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444u);  // read-only: nobody may write

    // The value is exactly what is asked: clearing read-only also clears what is not asked for.
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\plain.txt"), Attr::System), FsError::None);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\plain.txt"), found), FsError::None);
    EXPECT_EQ(found.attributes, Attr::System);
    ASSERT_EQ(::stat(host("plain.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);  // the owner may write again
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\plain.txt"), 0), FsError::None);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\plain.txt"), found), FsError::None);
    EXPECT_EQ(found.attributes, Attr::Normal);

    // Folders keep them too; the directory bit given along is ignored.
    makeFolder("Folder");
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\Folder"), Attr::Directory | Attr::Hidden), FsError::None);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\Folder"), found), FsError::None);
    EXPECT_EQ(found.attributes, Attr::Directory | Attr::Hidden);

    // What Samba writes: the text form, and its records of versions 3 (with the text copy in
    // front), 4 and 5 (taken from real files).
    const struct { const char* name; QByteArray value; quint32 attributes; } written[] = {
        {"text.txt", "0x22", Attr::Hidden | Attr::Archive},
        {"v3.txt", QByteArray::fromHex("30783200030003001100000002000000") + QByteArray(32, '\0'), Attr::Hidden},
        {"v4.txt", QByteArray::fromBase64("AAAEAAQAAABRAAAAIAAAAJoCTPTRL9w32kJL9NEv3AE="), Attr::Archive},
        {"v5.txt", QByteArray::fromBase64("AAAFAAUAAAARAAAAJgAAAABj2qpxsdkB"), Attr::Hidden | Attr::System | Attr::Archive},
    };
    for (const auto& row : written) {
        makeFile(row.name);
        ASSERT_EQ(::setxattr(host(row.name).constData(), "user.DOSATTRIB", row.value.constData(), static_cast<size_t>(row.value.size()), 0), 0);
    }
    const QHash<QString, FindData> byName = listing(QStringLiteral("\\*.txt"));
    for (const auto& row : written)
        EXPECT_EQ(byName.value(text(row.name)).attributes, row.attributes) << row.name;

    // Changing the bits of a version 5 record keeps the rest of it (Samba's creation time).
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\v5.txt"), Attr::Archive), FsError::None);
    const QByteArray v5 = dosValue("v5.txt");
    EXPECT_EQ(v5.toBase64(), QByteArray("AAAFAAUAAAARAAAAIAAAAABj2qpxsdkB"));
}

// Changing some attributes leaves every other: the stored system bit, a group's write
// permission, a Samba record's other fields; a bit already as asked costs no write at all.
TEST_F(FileSystemTest, ChangingAttributesTouchesOnlyThoseNamed)
{
    if (!userXattrsWork())
        GTEST_SKIP() << "the temporary folder's file system keeps no user extended attributes";
    LinuxFileSystem fs = rooted();
    makeFile("sys.txt");
    ASSERT_EQ(::chmod(host("sys.txt").constData(), 0664), 0);
    const QByteArray v5 = QByteArray::fromBase64("AAAFAAUAAAARAAAAJgAAAABj2qpxsdkB");  // hidden, system, archive
    ASSERT_EQ(::setxattr(host("sys.txt").constData(), "user.DOSATTRIB", v5.constData(), static_cast<size_t>(v5.size()), 0), 0);
    const auto attributesOf = [&](const char* name) {
        FindData found;
        EXPECT_EQ(fs.lookUp(u'\\' + text(name), found), FsError::None);
        return found.attributes;
    };
    const auto modeOf = [&](const char* name) {
        struct stat status;
        EXPECT_EQ(::stat(host(name).constData(), &status), 0);
        return status.st_mode & 0777;
    };

    constexpr quint32 Editable = Attr::ReadOnly | Attr::Hidden | Attr::Archive;
    ASSERT_EQ(fs.changeAttributes(QStringLiteral("\\sys.txt"), Editable, Attr::ReadOnly | Attr::Archive), FsError::None);
    EXPECT_EQ(attributesOf("sys.txt"), Attr::ReadOnly | Attr::System | Attr::Archive);  // system stays
    EXPECT_EQ(modeOf("sys.txt"), 0444u);
    ASSERT_EQ(fs.changeAttributes(QStringLiteral("\\sys.txt"), Editable, Attr::Archive), FsError::None);
    EXPECT_EQ(attributesOf("sys.txt"), Attr::System | Attr::Archive);
    EXPECT_EQ(modeOf("sys.txt"), 0644u);  // the owner may write again
    // Samba's record keeps its creation time through both changes.
    EXPECT_EQ(dosValue("sys.txt").mid(16), v5.mid(16));

    // Nothing asked for that is not already so: nothing is written, not even the same mode.
    makeFile("group.txt");
    ASSERT_EQ(::chmod(host("group.txt").constData(), 0464), 0);  // not the owner's to write, the group's
    ASSERT_EQ(fs.changeAttributes(QStringLiteral("\\group.txt"), Editable, Attr::ReadOnly), FsError::None);
    EXPECT_EQ(modeOf("group.txt"), 0464u);
    EXPECT_EQ(dosValue("group.txt"), QByteArray("<none>"));

    // Bits outside the mask stay whatever is asked for them.
    makeFile("masked.txt");
    ASSERT_EQ(fs.changeAttributes(QStringLiteral("\\masked.txt"), Attr::Hidden, Attr::Hidden | Attr::ReadOnly | Attr::System),
              FsError::None);
    EXPECT_EQ(attributesOf("masked.txt"), Attr::Hidden);
    EXPECT_EQ(fs.changeAttributes(QStringLiteral("\\gone.txt"), Attr::Hidden, 0), FsError::FileNotFound);
}

// Where extended attributes cannot be kept (ramfs), listing still works, read-only still
// works, and only a DOS bit that is asked for fails.
TEST_F(FileSystemTest, WithoutExtendedAttributesOnlyAskingForThemFails)
{
    makeFolder("ram");
    ScopedMount ram(host("ram"), "ramfs", "");
    if (!ram.mounted())
        GTEST_SKIP() << "cannot mount a ramfs here";
    if (userXattrsWork("ram"))
        GTEST_SKIP() << "this kernel's ramfs keeps user extended attributes";
    LinuxFileSystem fs = rooted();
    makeFile("ram/file.txt");
    makeFile("ram/.dot");
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\ram\\file.txt"), Attr::Hidden), FsError::NotSupported);
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\ram\\file.txt"), Attr::ReadOnly | Attr::Hidden), FsError::NotSupported);
    struct stat status;
    ASSERT_EQ(::stat(host("ram/file.txt").constData(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IWUSR);  // a refused change changes nothing
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\ram\\file.txt"), Attr::ReadOnly), FsError::None);
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\ram\\file.txt"), 0), FsError::None);  // clearing what is not set
    EXPECT_EQ(fs.changeAttributes(QStringLiteral("\\ram\\file.txt"), Attr::ReadOnly | Attr::Hidden, Attr::Hidden),
              FsError::NotSupported);
    EXPECT_EQ(fs.changeAttributes(QStringLiteral("\\ram\\file.txt"), Attr::ReadOnly | Attr::Hidden, Attr::ReadOnly),
              FsError::None);
    ASSERT_EQ(::stat(host("ram/file.txt").constData(), &status), 0);
    EXPECT_FALSE(status.st_mode & S_IWUSR);
    EXPECT_EQ(fs.changeAttributes(QStringLiteral("\\ram\\file.txt"), Attr::ReadOnly, 0), FsError::None);
    // No birth time here: the creation time is unknown rather than another date.
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\ram\\file.txt"), found), FsError::None);
    EXPECT_EQ(found.creationTime, 0);
    EXPECT_NE(found.lastWriteTime, 0);
    const QHash<QString, FindData> byName = listing(QStringLiteral("\\ram\\*.*"));
    EXPECT_EQ(byName.value(QStringLiteral("file.txt")).attributes, Attr::Normal);
    EXPECT_EQ(byName.value(QStringLiteral(".dot")).attributes, Attr::Hidden);
}

TEST_F(FileSystemTest, CreatesMovesAndDeletes)
{
    LinuxFileSystem fs = rooted();
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\New")), FsError::None);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\New")), FsError::AlreadyExists);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\NEW")), FsError::None);  // another name
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\NEW")), FsError::None);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\a.txt")), FsError::None);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\a.txt")), FsError::AlreadyExists);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New")), FsError::AlreadyExists);
    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\..")), FsError::InvalidName);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\")), FsError::InvalidName);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\New")), FsError::DirectoryNotEmpty);

    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\New\\b.txt")), FsError::None);
    EXPECT_EQ(fs.move(QStringLiteral("\\New\\a.txt"), QStringLiteral("\\New\\b.txt")), FsError::AlreadyExists);
    EXPECT_EQ(fs.move(QStringLiteral("\\New\\a.txt"), QStringLiteral("\\c.txt")), FsError::None);
    EXPECT_TRUE(hostExists(host("c.txt")));
    EXPECT_FALSE(hostExists(host("New/a.txt")));
    EXPECT_EQ(fs.move(QStringLiteral("\\New"), QStringLiteral("\\New\\Inside")), FsError::AccessDenied);
    EXPECT_EQ(fs.move(QStringLiteral("\\"), QStringLiteral("\\x")), FsError::AccessDenied);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\New")), FsError::AccessDenied);  // a folder is no file
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\c.txt"), Attr::ReadOnly), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\c.txt")), FsError::AccessDenied);  // read-only stays
    EXPECT_TRUE(hostExists(host("c.txt")));
    ASSERT_EQ(fs.setAttributes(QStringLiteral("\\c.txt"), 0), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\C.TXT")), FsError::FileNotFound);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\c.txt")), FsError::None);
    EXPECT_FALSE(hostExists(host("c.txt")));
    // A new spelling of one name is a rename.
    EXPECT_EQ(fs.move(QStringLiteral("\\New\\b.txt"), QStringLiteral("\\New\\B.txt")), FsError::None);
    EXPECT_EQ(hostNames("New"), QList<QByteArray>{"B.txt"});
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\New\\B.txt")), FsError::None);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\New")), FsError::None);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\")), FsError::InvalidName);
    EXPECT_TRUE(hostNames().isEmpty());
}

// Links are removed themselves; what they point at is never touched through them.
TEST_F(FileSystemTest, LinksAreDeletedNotWhatTheyPointAt)
{
    LinuxFileSystem fs = rooted();
    makeFolder("Target");
    makeFile("Target/keep.txt");
    ASSERT_EQ(::symlink("Target", host("FolderLink").constData()), 0);
    ASSERT_EQ(::symlink("Target/keep.txt", host("FileLink").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", host("Dangling").constData()), 0);

    // A link is one item, whatever it points at: deleting it as a file removes the link.
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\FileLink")), FsError::NotAFolder);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\FolderLink")), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\FileLink")), FsError::None);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\Dangling")), FsError::None);
    EXPECT_EQ(hostNames(), QList<QByteArray>{"Target"});
    EXPECT_EQ(hostNames("Target"), QList<QByteArray>{"keep.txt"});
}

TEST_F(FileSystemTest, CopiesDataTimesAndMode)
{
    LinuxFileSystem fs = rooted();
    makeFile("source.txt", QByteArray("hello ").repeated(300000));  // more than one read
    ASSERT_EQ(::chmod(host("source.txt").constData(), 0640), 0);
    const struct timespec old[2] = {{1000000000, 0}, {1000000000, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, host("source.txt").constData(), old, 0), 0);

    for (const bool flush : {false, true}) {
        const QString target = flush ? QStringLiteral("\\flushed.txt") : QStringLiteral("\\copy.txt");
        ASSERT_EQ(fs.copyFile(QStringLiteral("\\source.txt"), target, true, flush), FsError::None);
        const QByteArray hostTarget = fs.hostPath(target);
        EXPECT_EQ(readHostFile(hostTarget), hostContent("source.txt"));
        struct stat status;
        ASSERT_EQ(::stat(hostTarget.constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0640u);
        EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);
        EXPECT_EQ(status.st_mtim.tv_nsec, 500000000);
    }
    if (userXattrsWork()) {
        ASSERT_EQ(fs.setAttributes(QStringLiteral("\\source.txt"), Attr::Hidden), FsError::None);
        ASSERT_EQ(fs.copyFile(QStringLiteral("\\source.txt"), QStringLiteral("\\hidden copy.txt"), true), FsError::None);
        FindData found;
        ASSERT_EQ(fs.lookUp(QStringLiteral("\\hidden copy.txt"), found), FsError::None);
        EXPECT_EQ(found.attributes, Attr::Hidden);
    }
    // A folder is no file to copy.
    makeFolder("Folder");
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\Folder"), QStringLiteral("\\x"), false), FsError::AccessDenied);
    EXPECT_FALSE(hostExists(host("x")));
}

// A copy carries the source's mode, times and DOS bits whatever the mode: one that a new file
// can be made with, one the umask would narrow, special bits, and a read-only file with a DOS
// bit, which an ordinary user may give it only while the copy is still writable.
TEST_F(FileSystemTest, ACopyCarriesModeTimesAndDosBitsWhateverTheMode)
{
    const bool xattrs = userXattrsWork();
    const struct {
        const char* name;
        mode_t mode;
        quint32 dos;
    } cases[] = {
        {"plain", 0644, 0},         {"private", 0600, 0},     {"open", 0666, 0},
        {"locked", 0444, 0},        {"setuid", 04755, 0},     {"lockedHidden", 0444, Attr::Hidden},
        {"hiddenSystem", 0640, Attr::Hidden | Attr::System},
    };
    makeFolder("Src");
    makeFolder("Dst");
    LinuxFileSystem fs = rooted();
    const struct timespec old[2] = {{1000000000, 0}, {1100000000, 250000000}};
    for (const auto& test : cases) {
        const QByteArray source = QByteArray("Src/") + test.name;
        makeFile(source, test.name);
        if (xattrs && test.dos) {
            ASSERT_EQ(fs.setAttributes(QStringLiteral("\\Src\\") + text(test.name), test.dos), FsError::None);
        }
        ASSERT_EQ(::chown(host(source).constData(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(host(source).constData(), test.mode), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, host(source).constData(), old, 0), 0);
    }
    for (const QByteArray& folder : {QByteArray(), QByteArray("Src"), QByteArray("Dst")})
        ASSERT_EQ(::chown(folder.isEmpty() ? m_host.constData() : host(folder).constData(), 65534, 65534), 0);

    const int result = OrdinaryUser::run([&] {
        LinuxFileSystem userFs = rooted();
        for (size_t i = 0; i < std::size(cases); ++i) {
            const QString name = text(cases[i].name);
            if (userFs.copyFile(QStringLiteral("\\Src\\") + name, QStringLiteral("\\Dst\\") + name, true) != FsError::None)
                return static_cast<int>(i) + 1;
        }
        return 0;
    });
    if (result == OrdinaryUser::Unavailable)
        GTEST_SKIP() << "cannot become an ordinary user here";
    ASSERT_EQ(result, 0);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const QByteArray target = QByteArray("Dst/") + test.name;
        EXPECT_EQ(hostContent(target), QByteArray(test.name));
        struct stat status;
        ASSERT_EQ(::stat(host(target).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, test.mode);
        EXPECT_EQ(status.st_mtim.tv_sec, old[1].tv_sec);
        EXPECT_EQ(status.st_mtim.tv_nsec, old[1].tv_nsec);
        FindData found;
        ASSERT_EQ(fs.lookUp(QStringLiteral("\\Dst\\") + text(test.name), found), FsError::None);
        EXPECT_EQ(found.attributes & (Attr::Hidden | Attr::System), xattrs ? test.dos : 0u);
    }
    EXPECT_EQ(hostNames("Dst").size(), static_cast<qsizetype>(std::size(cases)));  // no temporary file
}

TEST_F(FileSystemTest, CopyOntoAnExistingTarget)
{
    LinuxFileSystem fs = rooted();
    makeFile("one.txt", "one");
    makeFile("two.txt", "two");
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\two.txt"), true), FsError::AlreadyExists);
    EXPECT_EQ(hostContent("two.txt"), QByteArray("two"));
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\two.txt"), false), FsError::None);
    EXPECT_EQ(hostContent("two.txt"), QByteArray("one"));

    // A file copied onto itself keeps its content.
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\one.txt"), false), FsError::None);
    EXPECT_EQ(hostContent("one.txt"), QByteArray("one"));
    // Another name for the same data (a hard link) is replaced by a copy of its own.
    ASSERT_EQ(::link(host("one.txt").constData(), host("hard.txt").constData()), 0);
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\hard.txt"), false), FsError::None);
    struct stat one, hard;
    ASSERT_EQ(::stat(host("one.txt").constData(), &one), 0);
    ASSERT_EQ(::stat(host("hard.txt").constData(), &hard), 0);
    EXPECT_NE(one.st_ino, hard.st_ino);
    EXPECT_EQ(hostContent("hard.txt"), QByteArray("one"));
    ASSERT_EQ(::unlink(host("hard.txt").constData()), 0);

    // A read-only target is not replaced, as on the phone; a folder never is.
    makeFile("locked.txt", "locked", 0444);
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\locked.txt"), false), FsError::AccessDenied);
    EXPECT_EQ(hostContent("locked.txt"), QByteArray("locked"));
    makeFolder("Folder");
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\one.txt"), QStringLiteral("\\Folder"), false), FsError::AccessDenied);
    // No temporary file is left behind by any of it.
    EXPECT_EQ(hostNames(), (QList<QByteArray>{"Folder", "locked.txt", "one.txt", "two.txt"}));
}

// A file written through createFileAt has no name until its commit; replacing, the older item
// stays whole until then. The same holds where anonymous files cannot be made (ramfs), with
// a hidden named temporary instead.
TEST_F(FileSystemTest, ANewFileTakesItsNameOrReplacesAnOlderOneOnlyWhenComplete)
{
    makeFolder("ram");
    ScopedMount ram(host("ram"), "ramfs", "");
    LinuxFileSystem fs = rooted();
    for (const QByteArray& folder : {QByteArray("disk"), QByteArray("ram")}) {
        SCOPED_TRACE(folder.constData());
        if (folder == "disk")
            makeFolder(folder);
        else if (!ram.mounted())
            continue;
        platform::OpenFolder open;
        ASSERT_EQ(fs.openFolder(u'\\' + QString::fromLatin1(folder), open), FsError::None);
        const auto write = [&](const char* name, const QByteArray& content) {
            std::unique_ptr<platform::NewFile> file;
            EXPECT_EQ(fs.createFileAt(open, QString::fromLatin1(name), file), FsError::None);
            if (file) {
                EXPECT_EQ(file->write(content.constData(), content.size()), FsError::None);
            }
            return file;
        };
        makeFile(folder + "/older.txt", "older");
        std::unique_ptr<platform::NewFile> file = write("older.txt", "newer");
        ASSERT_TRUE(file);
        EXPECT_EQ(file->flush(), FsError::None);
        EXPECT_EQ(file->commit(), FsError::AlreadyExists);
        EXPECT_EQ(hostContent(folder + "/older.txt"), QByteArray("older"));
        EXPECT_EQ(file->commit(true), FsError::None);
        EXPECT_EQ(hostContent(folder + "/older.txt"), QByteArray("newer"));

        // A folder and a read-only file are not replaced; a link is replaced itself.
        makeFolder(folder + "/Folder");
        makeFile(folder + "/locked.txt", "locked", 0444);
        ASSERT_EQ(::symlink("older.txt", host(folder + "/link").constData()), 0);
        for (const char* name : {"Folder", "locked.txt"})
            EXPECT_EQ(write(name, "x")->commit(true), FsError::AccessDenied) << name;
        EXPECT_EQ(hostContent(folder + "/locked.txt"), QByteArray("locked"));
        EXPECT_EQ(write("link", "x")->commit(true), FsError::None);
        EXPECT_EQ(hostContent(folder + "/link"), QByteArray("x"));
        EXPECT_EQ(hostContent(folder + "/older.txt"), QByteArray("newer"));
        // A file dropped before its commit leaves nothing.
        (void)write("dropped.txt", "x");
        EXPECT_EQ(hostNames(folder), (QList<QByteArray>{"Folder", "link", "locked.txt", "older.txt"}));
    }
}

// A copy whose source fails to read part-way leaves neither a target nor a temporary file.
// /proc/self/mem is a regular file of this process that fails to read at offset 0.
TEST_F(FileSystemTest, ACopyFromAnUnreadableSourceLeavesNothing)
{
    LinuxFileSystem whole{PathMapper("/")};
    const QString target = whole.mapper().fromHost(host("mem.bin"));
    ASSERT_FALSE(target.isEmpty());
    makeFile("mem.bin", "older");
    for (const bool failIfExists : {false, true}) {
        // Replacing fails on the read; with failIfExists the older target stops it first.
        EXPECT_EQ(whole.copyFile(QStringLiteral("\\proc\\self\\mem"), target, failIfExists),
                  failIfExists ? FsError::AlreadyExists : FsError::IoError);
        EXPECT_EQ(hostNames(), QList<QByteArray>{"mem.bin"});
        EXPECT_EQ(hostContent("mem.bin"), QByteArray("older"));
    }
    ASSERT_EQ(::unlink(host("mem.bin").constData()), 0);
    EXPECT_EQ(whole.copyFile(QStringLiteral("\\proc\\self\\mem"), target, true), FsError::IoError);
    EXPECT_TRUE(hostNames().isEmpty());
}

// A copy that fails part-way on a full disk leaves neither a target nor a temporary file, and
// an older target stays as it was. It needs a small tmpfs, which only a machine that lets us
// mount can give.
TEST_F(FileSystemTest, ACopyOntoAFullDiskLeavesNoTarget)
{
    makeFolder("small");
    ScopedMount small(host("small"), "tmpfs", "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    LinuxFileSystem fs = rooted();
    makeFile("big.bin", QByteArray(1024 * 1024, 'x'));
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\big.bin"), QStringLiteral("\\small\\big.bin"), false), FsError::DiskFull);
    EXPECT_TRUE(hostNames("small").isEmpty());
    makeFile("small/older.bin", "older");
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\big.bin"), QStringLiteral("\\small\\older.bin"), false, true), FsError::DiskFull);
    EXPECT_EQ(hostNames("small"), QList<QByteArray>{"older.bin"});
    EXPECT_EQ(hostContent("small/older.bin"), QByteArray("older"));
}

// Everything on a read-only mount is "in ROM", the mount point included, and nothing there
// can be changed.
TEST_F(FileSystemTest, ItemsOnAReadOnlyMountAreInRom)
{
    makeFolder("rom");
    ScopedMount rom(host("rom"), "tmpfs", "size=64k");
    if (!rom.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    makeFile("rom/x", "x");
    makeFolder("rom/sub");
    makeFile("outside");
    ASSERT_TRUE(rom.remountReadOnly());
    LinuxFileSystem fs = rooted();

    const QHash<QString, FindData> top = listing(QStringLiteral("\\*.*"));
    EXPECT_TRUE(top.value(QStringLiteral("rom")).attributes & Attr::InRom);  // the mount point itself
    EXPECT_FALSE(top.value(QStringLiteral("outside")).attributes & Attr::InRom);
    const QHash<QString, FindData> inside = listing(QStringLiteral("\\rom\\*.*"));
    EXPECT_EQ(inside.value(QStringLiteral("x")).attributes, Attr::InRom);
    EXPECT_EQ(inside.value(QStringLiteral("sub")).attributes, Attr::InRom | Attr::Directory);
    FindData found;
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\rom\\x"), found), FsError::None);
    EXPECT_TRUE(found.attributes & Attr::InRom);
    ASSERT_EQ(fs.lookUp(QStringLiteral("\\rom"), found), FsError::None);
    EXPECT_TRUE(found.attributes & Attr::InRom);

    EXPECT_EQ(fs.createNewFile(QStringLiteral("\\rom\\y")), FsError::AccessDenied);
    EXPECT_EQ(fs.createFolder(QStringLiteral("\\rom\\y")), FsError::AccessDenied);
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\rom\\x")), FsError::AccessDenied);
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\rom\\x"), Attr::ReadOnly), FsError::AccessDenied);
    EXPECT_EQ(fs.setAttributes(QStringLiteral("\\rom\\x"), 0), FsError::None);  // asks for no change
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\outside"), QStringLiteral("\\rom\\y"), false), FsError::AccessDenied);
    EXPECT_EQ(hostNames("rom"), (QList<QByteArray>{"sub", "x"}));
}

TEST_F(FileSystemTest, AMoveAcrossMountsIsNotSameDevice)
{
    makeFolder("other");
    ScopedMount other(host("other"), "tmpfs", "size=64k");
    if (!other.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    LinuxFileSystem fs = rooted();
    makeFile("file.txt", "stays");
    EXPECT_EQ(fs.move(QStringLiteral("\\file.txt"), QStringLiteral("\\other\\file.txt")), FsError::NotSameDevice);
    EXPECT_EQ(hostContent("file.txt"), QByteArray("stays"));
    EXPECT_TRUE(hostNames("other").isEmpty());
    // A copy is how the contents cross.
    EXPECT_EQ(fs.copyFile(QStringLiteral("\\file.txt"), QStringLiteral("\\other\\file.txt"), true), FsError::None);
    EXPECT_EQ(hostContent("other/file.txt"), QByteArray("stays"));
}

TEST_F(FileSystemTest, OddHostNamesListCopyMoveAndDelete)
{
    LinuxFileSystem fs = rooted();
    const QList<QByteArray> odd = {
        "latin1-\xe9t\xe9.txt",                  // not UTF-8
        "back\\slash.txt",
        "\xef\x9c\x81-private-use.txt",          // U+F701 already in the name
        "\xed\x95\x9c\xea\xb8\x80 and spaces.txt",
    };
    for (const QByteArray& name : odd)
        makeFile(name, name);
    const QStringList phoneNames = names(QStringLiteral("\\*.*"));
    ASSERT_EQ(phoneNames.size(), odd.size());
    for (const QString& name : phoneNames) {
        const QString path = u'\\' + name;
        const QString copy = QStringLiteral("\\copy-") + name;
        const QString moved = QStringLiteral("\\moved-") + name;
        const QByteArray hostName = PathMapper::nameToHost(name);
        ASSERT_TRUE(odd.contains(hostName)) << name.toStdString();
        EXPECT_EQ(fs.createNewFile(path), FsError::AlreadyExists);
        ASSERT_EQ(fs.copyFile(path, copy, true), FsError::None) << name.toStdString();
        EXPECT_EQ(hostContent("copy-" + hostName), hostName);
        ASSERT_EQ(fs.move(copy, moved), FsError::None);
        EXPECT_EQ(hostContent("moved-" + hostName), hostName);
        FindData found;
        ASSERT_EQ(fs.lookUp(moved, found), FsError::None);
        EXPECT_EQ(found.name, QStringLiteral("moved-") + name);
        ASSERT_EQ(fs.deleteFile(moved), FsError::None);
        ASSERT_EQ(fs.deleteFile(path), FsError::None);
    }
    EXPECT_TRUE(hostNames().isEmpty());
    // A folder of such a name can be listed into.
    makeFolder("dir-\xff");
    makeFile("dir-\xff/inside");
    EXPECT_EQ(names(QStringLiteral("\\dir-\uf7ff\\*.*")), QStringList{QStringLiteral("inside")});
    // And removed again (which the temporary folder's own clean-up, decoding names, could not).
    EXPECT_EQ(fs.deleteFile(QStringLiteral("\\dir-\uf7ff\\inside")), FsError::None);
    EXPECT_EQ(fs.removeFolder(QStringLiteral("\\dir-\uf7ff")), FsError::None);
    EXPECT_TRUE(hostNames().isEmpty());
}

// Permission bits only bind an ordinary user, so these run in a child process as "nobody".
TEST_F(FileSystemTest, AnOrdinaryUserMeetsPermissions)
{
    makeFolder("mine");
    makeFile("mine/locked.txt", "locked", 0444);
    makeFile("mine/plain.txt", "plain");
    makeFile("secret.txt", "secret", 0600);
    makeFolder("closed");
    makeFile("closed/inside.txt");
    makeFolder("listonly");
    makeFile("listonly/entry.txt");
    const bool xattrs = userXattrsWork();
    ASSERT_EQ(::chown(m_host.constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown(host("mine").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown(host("mine/locked.txt").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chown(host("mine/plain.txt").constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(host("closed").constData(), 0555), 0);
    ASSERT_EQ(::chmod(host("listonly").constData(), 0744), 0);  // root's: nobody may read, not search

    enum Step { Done = 0, CopiedUnreadable = 10, NoDenial, DeletedInClosed, HiddenOnReadOnly, LostReadOnly, ListOnly };
    const int result = OrdinaryUser::run([this, xattrs] {
        LinuxFileSystem fs = rooted();
        if (fs.copyFile(QStringLiteral("\\secret.txt"), QStringLiteral("\\mine\\copy.txt"), false) != FsError::AccessDenied)
            return static_cast<int>(CopiedUnreadable);
        if (fs.createNewFile(QStringLiteral("\\closed\\new.txt")) != FsError::AccessDenied)
            return static_cast<int>(NoDenial);
        if (fs.deleteFile(QStringLiteral("\\closed\\inside.txt")) != FsError::AccessDenied)
            return static_cast<int>(DeletedInClosed);
        // An extended attribute needs write permission: a read-only file of one's own still
        // takes the hidden bit, and stays read-only.
        if (xattrs) {
            if (fs.setAttributes(QStringLiteral("\\mine\\locked.txt"), Attr::ReadOnly | Attr::Hidden) != FsError::None)
                return static_cast<int>(HiddenOnReadOnly);
            FindData found;
            if (fs.lookUp(QStringLiteral("\\mine\\locked.txt"), found) != FsError::None
                || found.attributes != (Attr::ReadOnly | Attr::Hidden))
                return static_cast<int>(LostReadOnly);
        }
        // A folder that may be listed but not searched still shows its entries.
        int entries = 0;
        if (fs.enumerate(QStringLiteral("\\listonly\\*.*"), [&](const FindData& entry) {
                entries += entry.name == u"entry.txt" ? 1 : 100;
                return true;
            }) != FsError::None || entries != 1)
            return static_cast<int>(ListOnly);
        return static_cast<int>(Done);
    });
    if (result == OrdinaryUser::Unavailable)
        GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(result, Done);
    EXPECT_EQ(hostNames("mine"), (QList<QByteArray>{"locked.txt", "plain.txt"}));  // no temporary file
    EXPECT_EQ(hostNames("closed"), QList<QByteArray>{"inside.txt"});
    struct stat status;
    ASSERT_EQ(::stat(host("mine/locked.txt").constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0444u);
}

// A copy killed half-way leaves nothing at all: its data went to an anonymous file that never
// got a name.
TEST_F(FileSystemTest, AKilledCopyLeavesNothingBehind)
{
    makeFolder("Src");
    makeFolder("Dst");
    // Sparse: big enough to be caught in the middle, without filling the disk.
    const int source = ::open(host("Src/big.bin").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(source, 0);
    ASSERT_EQ(::ftruncate(source, qint64(4) << 30), 0);
    ::close(source);
    auto* shared = static_cast<std::atomic<qint64>*>(
        ::mmap(nullptr, sizeof(std::atomic<qint64>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(shared, MAP_FAILED);
    new (shared) std::atomic<qint64>(0);
    const pid_t child = fork();
    if (child == 0) {
        LinuxFileSystem fs = rooted();
        platform::OpenFolder from, to;
        if (fs.openFolder(QStringLiteral("\\Src"), from) != FsError::None || fs.openFolder(QStringLiteral("\\Dst"), to) != FsError::None)
            _exit(2);
        platform::CopyControl control;
        control.bytesDone = shared;
        _exit(fs.copyFileAt(from, QStringLiteral("big.bin"), to, QStringLiteral("big.bin"), false, control) == FsError::None ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    // Bounded: the copy is under way once some data is written.
    for (int i = 0; i < 100000 && shared->load() == 0; ++i)
        ::usleep(100);
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const bool killed = WIFSIGNALED(status);
    ::munmap(shared, sizeof(std::atomic<qint64>));
    if (!killed)
        GTEST_SKIP() << "the copy finished before it could be killed (a file system that shares blocks)";
    EXPECT_TRUE(hostNames("Dst").isEmpty()) << hostNames("Dst").join(' ').constData();
}

}  // namespace
