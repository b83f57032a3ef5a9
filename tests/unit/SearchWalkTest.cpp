// The name search's walk over a real folder tree: which names it finds, in which order, what
// it never goes into, and how it meets folders that cannot be read or that vanish.
#include "OrdinaryUser.h"
#include "ScopedMount.h"

#include "platform/linux/LinuxFileSystem.h"
#include "search/SearchWalk.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Phone paths written as UTF-8 literals, in the order given.
QStringList paths(const std::vector<const char*>& items)
{
    QStringList list;
    for (const char* item : items)
        list << QString::fromUtf8(item);
    return list;
}

class SearchWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_host = QFile::encodeName(m_root.path());
        // Names are created in this order; a folder lists its entries in an order of the file
        // system's own, which the walk keeps, so the tests compare sets within one folder.
        for (const char* folder : {"Docs/sub", "Docs/abcdir", ".hid", "Pics"})
            QDir(m_root.path()).mkpath(QString::fromUtf8(folder));
        for (const char* file : {"ABC.txt", "Docs/xabcx", "Docs/notes.txt", "Docs/a1c", "Docs/sub/abc.md",
                                 "Docs/.abc_hidden", ".hid/abc_in_hidden", "Pics/Abc.png"})
            makeFile(file);
    }
    void makeFile(const QByteArray& relative)
    {
        ::close(::open((m_host + '/' + relative).constData(), O_WRONLY | O_CREAT, 0644));
    }
    QByteArray host(const char* relative) const { return m_host + '/' + relative; }

    // The full paths found, in the order found.
    QStringList search(const SearchRequest& request, platform::FileSystem* fileSystem = nullptr,
                       const std::function<void(const SearchHit&)>& onHit = {})
    {
        platform::LinuxFileSystem real{platform::PathMapper(m_host)};
        std::atomic<bool> stop = false;
        QStringList found;
        SearchWalk(fileSystem ? *fileSystem : real, request).run(stop, [&](SearchHit&& hit) {
            found << hit.fullPath() + (hit.isFolder ? QStringLiteral("/") : QString());
            if (onHit)
                onHit(hit);
        });
        return found;
    }
    static SearchRequest request(const char* pattern, const char* root = "")
    {
        SearchRequest request;
        request.pattern = QString::fromUtf8(pattern);
        request.root = QString::fromUtf8(root);
        return request;
    }
    static QStringList sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    QTemporaryDir m_root;
    QByteArray m_host;
};

TEST_F(SearchWalkTest, PatternsFindTheNamesTheyMatchInTheWholeTree)
{
    const struct { const char* pattern; std::vector<const char*> found; } cases[] = {
        {"*abc*", {"\\ABC.txt", "\\Docs\\xabcx", "\\Docs\\abcdir/", "\\Docs\\sub\\abc.md", "\\.hid\\abc_in_hidden",
                   "\\Pics\\Abc.png"}},
        {"*.txt", {"\\ABC.txt", "\\Docs\\notes.txt"}},
        // "?" between stars stays a wildcard: a1c and abc match, as names.
        {"*a?c*", {"\\ABC.txt", "\\Docs\\xabcx", "\\Docs\\a1c", "\\Docs\\abcdir/", "\\Docs\\sub\\abc.md",
                   "\\.hid\\abc_in_hidden", "\\Pics\\Abc.png"}},
        {"???", {"\\Docs\\a1c", "\\Docs\\sub/"}},
        {"*****", {"\\ABC.txt", "\\Docs/", "\\Docs\\xabcx", "\\Docs\\notes.txt", "\\Docs\\a1c", "\\Docs\\sub/",
                   "\\Docs\\abcdir/", "\\Docs\\sub\\abc.md", "\\.hid\\abc_in_hidden", "\\Pics/", "\\Pics\\Abc.png"}},
        {"abc", {}},  // no wildcard: only the name itself
        {"*abc.PNG", {"\\Pics\\Abc.png"}},
    };
    for (const auto& row : cases)
        EXPECT_EQ(sorted(search(request(row.pattern))), sorted(paths(row.found))) << row.pattern;

    // A pattern far longer than any name finds nothing and ends.
    EXPECT_TRUE(search(request(QByteArray('*' + QByteArray(998, 'a') + '*').constData())).isEmpty());
}

TEST_F(SearchWalkTest, EachFolderIsListedBeforeItsSubfoldersAndOnlyTheStartingPlaceCounts)
{
    const QStringList found = search(request("*abc*", "\\Docs"));
    ASSERT_EQ(sorted(found), sorted(paths({"\\Docs\\xabcx", "\\Docs\\abcdir/", "\\Docs\\sub\\abc.md"})));
    EXPECT_EQ(found.last(), QStringLiteral("\\Docs\\sub\\abc.md"));

    SearchRequest here = request("*abc*", "\\Docs");
    here.includeSubfolders = false;
    EXPECT_EQ(sorted(search(here)), sorted(paths({"\\Docs\\xabcx", "\\Docs\\abcdir/"})));

    // The root, however it is written, is "" in the "Folder" column.
    EXPECT_EQ(search(request("ABC.txt", "\\")), paths({"\\ABC.txt"}));
}

// Folders are read ahead of the walk on another thread; the finds still come in the order of a
// plain depth-first walk over the listings, each folder's own before those below it.
TEST_F(SearchWalkTest, ReadingAheadKeepsTheOrderOfADepthFirstWalk)
{
    QDir(m_root.path()).mkpath(QStringLiteral("Wide"));
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 3; ++j) {
            QDir(m_root.path()).mkpath(QStringLiteral("Wide/f%1/g%2").arg(i).arg(j));
            makeFile(QStringLiteral("Wide/f%1/g%2/hit%1-%2").arg(i).arg(j).toUtf8());
            makeFile(QStringLiteral("Wide/f%1/hit%1").arg(i).toUtf8());
        }
    platform::LinuxFileSystem fileSystem{platform::PathMapper(m_host)};
    QStringList expected;
    std::function<void(const platform::OpenFolder&, const QString&)> walk = [&](const platform::OpenFolder& folder,
                                                                              const QString& path) {
        std::vector<QString> subfolders;
        ASSERT_EQ(fileSystem.list(folder, false, [&](const platform::DirEntry& entry) {
            if (entry.name.startsWith(u"hit"))
                expected << path + u'\\' + entry.name;
            if (entry.kind == platform::DirEntry::Folder)
                subfolders.push_back(entry.name);
            return true;
        }), platform::FsError::None);
        for (const QString& name : subfolders) {
            platform::OpenFolder child;
            ASSERT_EQ(fileSystem.openChild(folder, name, child), platform::FsError::None);
            walk(child, path + u'\\' + name);
        }
    };
    platform::OpenFolder wide;
    ASSERT_EQ(fileSystem.openFolder(QStringLiteral("\\Wide"), wide), platform::FsError::None);
    walk(wide, QStringLiteral("\\Wide"));
    ASSERT_EQ(expected.size(), 160);
    EXPECT_EQ(search(request("hit*", "\\Wide")), expected);
}

TEST_F(SearchWalkTest, HiddenAndSystemItemsAreListedOnlyWhenAskedForButHiddenFoldersAreAlwaysSearched)
{
    ASSERT_EQ(::mkfifo(host("Docs/abc.pipe").constData(), 0644), 0);
    ASSERT_EQ(::symlink("nowhere", host("Docs/abc.dangling").constData()), 0);
    SearchRequest plain = request("*abc*", "\\Docs");
    const QStringList ordinary = paths({"\\Docs\\xabcx", "\\Docs\\abcdir/", "\\Docs\\sub\\abc.md"});
    EXPECT_EQ(sorted(search(plain)), sorted(ordinary));

    SearchRequest hidden = plain;
    hidden.searchHidden = true;
    EXPECT_EQ(sorted(search(hidden)), sorted(ordinary + paths({"\\Docs\\.abc_hidden"})));

    SearchRequest system = plain;
    system.searchSystem = true;
    EXPECT_EQ(sorted(search(system)), sorted(ordinary + paths({"\\Docs\\abc.pipe", "\\Docs\\abc.dangling"})));
}

TEST_F(SearchWalkTest, LinksAreFoundButNeverEntered)
{
    // A link to a folder above it would make a walk that enters links go round for ever.
    ASSERT_EQ(::symlink("..", host("Docs/sub/abcloop").constData()), 0);
    ASSERT_EQ(::symlink(host("Pics").constData(), host("Docs/pics-link").constData()), 0);
    const QStringList found = search(request("*", "\\Docs"));
    EXPECT_TRUE(found.contains(QStringLiteral("\\Docs\\sub\\abcloop/")));  // shown as the folder it leads to
    EXPECT_TRUE(found.contains(QStringLiteral("\\Docs\\pics-link/")));
    EXPECT_FALSE(found.contains(QStringLiteral("\\Docs\\pics-link\\Abc.png")));
    EXPECT_EQ(found.filter(QStringLiteral("abcloop\\")), QStringList());
}

TEST_F(SearchWalkTest, NamesThatAreNotUtf8AreFoundAndLeadBackToTheirItems)
{
    makeFile("Docs/ab\xff" "c.txt");
    makeFile("Docs/\xc3\x89t\xc3\xa9.txt");  // "Été.txt"
    platform::LinuxFileSystem fileSystem{platform::PathMapper(m_host)};
    for (const char* pattern : {"*b?c.txt", "*\xc3\xa9t\xc3\x89*"}) {
        const QStringList found = search(request(pattern, "\\Docs"));
        ASSERT_EQ(found.size(), 1) << pattern;
        platform::FindData item;
        EXPECT_EQ(fileSystem.lookUp(found.first(), item), platform::FsError::None) << pattern;
    }
}

TEST_F(SearchWalkTest, AFolderThatVanishesOrCannotBeReadYieldsNothingAndTheWalkGoesOn)
{
    // Pics is removed while the walk reads the root, which lists it: no sub-folder is read
    // before the folder above it has been read whole.
    QStringList found = search(request("*abc*"), nullptr, [this](const SearchHit& hit) {
        if (hit.name == u"ABC.txt")
            QDir(QString::fromUtf8(host("Pics"))).removeRecursively();
    });
    EXPECT_TRUE(found.contains(QStringLiteral("\\Docs\\sub\\abc.md")));
    EXPECT_FALSE(found.contains(QStringLiteral("\\Pics\\Abc.png")));

    // As an ordinary user, a folder without read permission is passed over.
    ASSERT_EQ(::chmod(m_host.constData(), 0755), 0);
    ASSERT_EQ(::chmod(host("Docs/sub").constData(), 0), 0);
    const int result = OrdinaryUser::run([this] {
        platform::LinuxFileSystem fileSystem{platform::PathMapper(m_host)};
        std::atomic<bool> stop = false;
        QStringList hits;
        SearchWalk(fileSystem, request("*abc*")).run(stop, [&](SearchHit&& hit) { hits << hit.fullPath(); });
        return hits.contains(QStringLiteral("\\ABC.txt")) && hits.contains(QStringLiteral("\\Docs\\xabcx"))
                       && !hits.filter(QStringLiteral("\\Docs\\sub\\")).size()
                   ? 0 : 1;
    });
    ::chmod(host("Docs/sub").constData(), 0755);
    if (result == OrdinaryUser::Unavailable)
        GTEST_SKIP() << "cannot run as an ordinary user here";
    EXPECT_EQ(result, 0);
}

TEST_F(SearchWalkTest, TheKernelsOwnFileSystemsAreNotEnteredUnlessTheSearchStartsThere)
{
    QDir(m_root.path()).mkpath(QStringLiteral("proc"));
    ScopedMount proc(host("proc"), "proc", nullptr);
    if (!proc.mounted())
        GTEST_SKIP() << "cannot mount proc here";
    // "self" is in every proc; the whole tree below the root does not show it.
    EXPECT_EQ(search(request("self")), QStringList());
    EXPECT_EQ(search(request("self", "\\proc")), paths({"\\proc\\self/"}));
}

TEST_F(SearchWalkTest, AStopEndsTheWalkAtTheNextEntry)
{
    platform::LinuxFileSystem fileSystem{platform::PathMapper(m_host)};
    std::atomic<bool> stop = false;
    int hits = 0;
    SearchWalk(fileSystem, request("*")).run(stop, [&](SearchHit&&) {
        ++hits;
        stop = true;
    });
    EXPECT_EQ(hits, 1);
}

}  // namespace
