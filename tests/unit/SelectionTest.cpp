#include "ProgramFixture.h"
#include "fileops/Selection.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QTemporaryDir>

#include <unistd.h>

namespace {

TEST(Selection, MeasuresTreesAndKeepsEntriesOutsideEachOther)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("A/B/C"));
    for (const char* file : {"A/one", "A/B/two", "A/B/C/.three"}) {
        QFile out(root.filePath(QString::fromUtf8(file)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(100, 'x'));
    }
    // A link back up the tree is one item of its own, never entered.
    ASSERT_EQ(::symlink("..", QFile::encodeName(root.filePath(QStringLiteral("A/B/up"))).constData()), 0);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(root.path()))};
    const SelectionEntry folder = Selection::measure(fileSystem, QStringLiteral("\\A"), platform::ItemKind::Folder);
    EXPECT_EQ(folder.fileCount, 4);    // one, two, .three and the link
    EXPECT_EQ(folder.folderCount, 2);  // B and C
    EXPECT_EQ(folder.totalBytes, 300);
    EXPECT_EQ(Selection::measure(fileSystem, QStringLiteral("\\A\\one"), platform::ItemKind::File).totalBytes, 100);
    EXPECT_EQ(Selection::measure(fileSystem, QStringLiteral("\\A\\gone"), platform::ItemKind::File).totalBytes, 0);

    Selection selection;
    selection.append({QStringLiteral("\\A\\B\\two"), nullptr, platform::ItemKind::File, 100, 0, 0});
    selection.append({QStringLiteral("\\AB.txt"), nullptr, platform::ItemKind::File, 5, 0, 0});
    selection.removeInside(QStringLiteral("\\A"));
    selection.append(folder);
    EXPECT_EQ(selection.count(), 2);  // \AB.txt stays: it is not inside \A
    EXPECT_TRUE(selection.covers(QStringLiteral("\\A\\B")));
    EXPECT_FALSE(selection.covers(QStringLiteral("\\a\\b")));  // another item: names are exact
    EXPECT_TRUE(selection.covers(QStringLiteral("\\AB.txt")));
    EXPECT_FALSE(selection.covers(QStringLiteral("\\AB")));
    EXPECT_TRUE(selection.marksContentsOf(QStringLiteral("\\A\\B")));
    EXPECT_FALSE(selection.marksContentsOf(QStringLiteral("\\AB")));
    const Selection::Totals totals = selection.totals();
    EXPECT_EQ(totals.folders, 3);
    EXPECT_EQ(totals.files, 5);
    EXPECT_EQ(totals.bytes, 305);
}

TEST(SelectionScript, StarSelectsHashClearsAndMarksFollowTheTree)
{
    ProgramFixture program;
    program.folder("Docs/Sub");
    program.file("Docs/a.txt", QByteArray(1024, 'x'));
    program.file("Docs/Sub/b.txt", QByteArray(2048, 'x'));
    program.file("z.txt", QByteArray(10, 'x'));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                  // open Docs; a.txt (before Sub)
        "key *\n"
        "expect screen Sel: 0 folders, 1 files, 1.0 KB\n"
        "expect screen >     a.txt *\n"
        "key F2\n"
        "expect screen Deselect item    *\n"
        "key Escape\n"
        "key Up *\n"                        // Docs itself: a.txt's entry goes into it
        "expect screen Sel: 2 folders, 2 files, 3.0 KB\n"
        "expect screen > - Docs *\n"
        "key Down *\n"                      // a.txt is marked through Docs: it cannot be deselected
        "wait idle\n"
        "expect screen == An error occured ==\n"
        "expect screen This item is part of the selection because a parent folder is selected.\n"
        "key F1\n"
        "wait idle\n"
        "key Up Left Enter\n"               // close and open Docs again: the marks come back
        "wait idle\n"
        "expect screen a.txt *\n"
        "expect screen Sub *\n"
        "key Down Down Down *\n"            // z.txt as a second entry
        "expect screen Sel: 2 folders, 3 files\n"
        "key #\n"
        "expect screen Sel: 0 folders, 0 files, 0 B\n"
        "expect no screen  *\n"
        "key #\n"                           // nothing to clear: nothing happens
        "expect screen Sel: 0 folders, 0 files, 0 B\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST(SelectionScript, SelectAllInFolderSkipsMarkedItemsAndNeedsAFreeFolder)
{
    ProgramFixture program;
    program.folder("Docs/Inner");
    program.file("Docs/a.txt");
    program.file("Docs/b.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down Down *\n"           // open Docs; a.txt selected
        "key F2\n"
        "choose Select all in folder...\n"
        "wait idle\n"
        "expect screen Sel: 1 folders, 2 files\n"
        "key Up Up Up *\n"                  // Docs as an entry
        "key Down\n"
        "key F2\n"
        "expect screen Select all in folder... (disabled)\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

}  // namespace
