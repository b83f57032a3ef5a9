// Copy, cut and paste as a person does it: select with *, arm with 2 or 1, paste with 3.
#include "ProgramFixture.h"
#include "ScopedMount.h"

namespace {

TEST(PasteScript, CopiesIntoTheSameFolderAreNamedCopyOf)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/x.txt", "data");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down * 2\n"              // \A\x.txt selected, copy armed, x.txt current (destination \A)
        "key 3\n"
        "wait idle\n"
        "expect screen Copy of x.txt\n"
        "key 3\n"
        "wait idle\n"
        "expect screen Copy of Copy of x.txt\n"
        "expect screen Sel: 0 folders, 1 files\n"));  // copy keeps the selection
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("A/Copy of Copy of x.txt"), QByteArray("data"));
}

TEST(PasteScript, RefusalsBeforeAnythingIsDone)
{
    ProgramFixture program;
    program.folder("A/Inner");
    program.file("A/x.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down Down * 1\n"         // \A\x.txt cut, x.txt current: the same folder
        "key 3\n"
        "wait idle\n"
        "expect screen Source and destination are the same!\n"
        "key F1 #\n"
        "wait idle\n"
        "key Up Up * 2 Down 3\n"            // \A copied, then pasted into \A\Inner
        "wait idle\n"
        "expect screen You can't paste an item within itself!\n"
        "key F1\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(program.exists("A/x.txt"));
    EXPECT_FALSE(program.exists("A/Inner/A"));
}

TEST(PasteScript, CutMovesFilesAndMergesFoldersWithTheQuestionsAnswered)
{
    ProgramFixture program;
    program.folder("Src/Docs");
    program.file("Src/Docs/new.txt", "new");
    program.file("Src/Docs/same.txt", "from source");
    program.file("Src/lone.txt", "lone");
    program.folder("Dst/Docs");
    program.file("Dst/Docs/same.txt", "old");
    program.file("Dst/Docs/other.txt", "kept");
    program.file("Dst/lone.txt", "old lone");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down * Down * 1\n"  // Src open; Docs and lone.txt cut
        "key Up Up Up\n"                     // to Dst
        "key 3\n"
        "wait idle\n"
        "expect screen == Confirm ==\n"
        "expect screen A file named '\\Dst\\lone.txt' already exists at that location.\n"
        "key F2\n"                           // No, this one
        "choose No\n"
        "wait idle\n"
        "expect screen A folder name '\\Dst\\Docs' already exists at that location.\n"
        "key F1\n"
        "choose Yes\n"
        "wait idle\n"
        "expect screen Sel: 0 folders, 1 files\n"));  // the skipped lone.txt stays selected
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("Dst/Docs/same.txt"), QByteArray("from source"));
    EXPECT_EQ(program.content("Dst/Docs/other.txt"), QByteArray("kept"));
    EXPECT_EQ(program.content("Dst/Docs/new.txt"), QByteArray("new"));
    EXPECT_FALSE(program.exists("Src/Docs"));
    EXPECT_EQ(program.content("Src/lone.txt"), QByteArray("lone"));
    EXPECT_EQ(program.content("Dst/lone.txt"), QByteArray("old lone"));
}

TEST(PasteScript, TheFirstFailureStopsTheRestAndYesToAllLastsOnePaste)
{
    ProgramFixture program;
    program.folder("Src");
    program.file("Src/a.txt", "a");
    program.file("Src/b.txt", "b");
    program.file("Src/c.txt", "c");
    program.folder("Dst/b.txt");             // b cannot be copied over a folder
    program.file("Dst/c.txt", "old c");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down * Down * Down * 2\n"   // a, b, c in that order; pasted c, b, a
        "key Up Up Up Up\n"                           // Dst
        "key 3\n"
        "wait idle\n"
        "key F1\n"
        "choose Yes to all\n"                         // c is overwritten
        "wait idle\n"
        "expect screen Unable to copy file '\\Src\\b.txt'!\n"
        "key F1\n"
        "wait idle\n"
        // A new paste in the same run asks again: "Yes to all" lasted one paste. \Src\a.txt
        // is deselected first, so that what the first paste never reached stays unpasted.
        "key Down Down *\n"
        "key Up Up 3\n"
        "wait idle\n"
        "expect screen A file named '\\Dst\\c.txt' already exists at that location.\n"
        "key F2\n"
        "choose No to all\n"
        "wait idle\n"
        "expect no screen == Confirm ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("Dst/c.txt"), QByteArray("c"));
    EXPECT_FALSE(program.exists("Dst/a.txt"));  // never reached
}

// A move onto a disk that fills up: the copy fails, nothing of the source is deleted, and no
// file at the destination looks complete. Needs a small tmpfs, which root can mount.
TEST(PasteScript, AMoveThatFailsOnAFullDiskLosesNothing)
{
    ProgramFixture program;
    program.folder("Src/Tree");
    program.file("Src/Tree/small.txt", "small");
    program.file("Src/Tree/big.bin", QByteArray(600 * 1024, 'b'));
    program.folder("Full");
    const QByteArray full = QFile::encodeName(program.root() + QStringLiteral("/Full"));
    const ScopedMount small(full, "tmpfs", "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down * 1\n"          // Src open; Tree cut
        "key Up Up\n"                         // Full
        "key 3\n"
        "wait idle\n"
        // Two files are copied at once: whichever meets the full disk first is named.
        "expect screen Unable to cut and paste file '\\Src\\Tree\\\n"  // a move says so
        "expect screen The disk is full.\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Unable to cut and paste folder '\\Src\\Tree'!\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Sel: 1 folders, 2 files\n"));
    const QStringList left = QDir(QFile::decodeName(full + "/Tree")).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("Src/Tree/big.bin").size(), 600 * 1024);
    EXPECT_EQ(program.content("Src/Tree/small.txt"), QByteArray("small"));
    EXPECT_FALSE(left.contains(QStringLiteral("big.bin")));
    for (const QString& name : left)
        EXPECT_FALSE(name.contains(QStringLiteral(".fennick-"))) << name.toStdString();
}

TEST(PasteScript, ShortcutsAreMadeInTheDestination)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/x.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down * 2 4\n"
        "wait idle\n"
        "expect screen Shortcut to x.txt.lnk\n"
        "key 4\n"
        "wait idle\n"
        "expect screen Shortcut to x.txt (2).lnk\n"));  // never over an existing shortcut
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("A/Shortcut to x.txt.lnk"), QByteArray("10#\"\\A\\x.txt\""));
}

}  // namespace

namespace {

TEST(PasteScript, AShortcutElsewhereAsksNothingAndReplacesNothing)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/x.txt", "source");
    program.folder("B");
    program.file("B/x.txt", "other");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down * 2 Down 4\n"        // \A\x.txt copied; shortcut into \B
        "wait idle\n"
        "expect no screen == Confirm ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("B/x.txt"), QByteArray("other"));
    EXPECT_EQ(program.content("B/x.txt.lnk"), QByteArray("10#\"\\A\\x.txt\""));
}

}  // namespace
