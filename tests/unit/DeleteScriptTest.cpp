// Deleting the current item and the selection, as a person does it with the soft keys.
#include "ProgramFixture.h"

namespace {

TEST(DeleteScript, TheCurrentItemAfterAYes)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/only.txt");
    program.file("keep.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                  // open Docs; only.txt
        "key F1\nchoose Delete\nchoose Current file/folder...\n"
        "wait idle\n"
        "expect screen == Confirm ==\n"
        "expect screen Are you sure your want to permanently delete item '\\Docs\\only.txt' ?\n"
        "key F2\n"                          // No: nothing happens
        "wait idle\n"
        "expect screen only.txt\n"
        "key F1\nchoose Delete\nchoose Current file/folder...\n"
        "wait idle\n"
        "key F1\n"                          // Yes
        "wait idle\n"
        "expect no screen only.txt\n"
        "expect screen   Docs\n"));          // the last child went, and the expand button with it
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/Docs/only.txt")));
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/keep.txt")));
}

TEST(DeleteScript, AFolderWithAReadOnlyFileStopsWithTwoMessages)
{
    ProgramFixture program;
    program.folder("D/Sub");
    program.file("D/Sub/a.txt");
    program.file("D/ro.txt");
    QFile::setPermissions(program.root() + QStringLiteral("/D/ro.txt"), QFile::ReadOwner);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Delete\nchoose Current file/folder...\n"
        "wait idle\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Unable to delete file '\\D\\ro.txt'!\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Unable to delete file '\\D'!\n"
        "key F1\n"
        "wait idle\n"
        "expect screen > + D\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/D/ro.txt")));
}

TEST(DeleteScript, TheSelectionAfterCheckingTheList)
{
    ProgramFixture program;
    program.folder("A/Deep");
    program.file("A/Deep/x.txt");
    program.file("b.txt");
    program.file("c.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key * Down * Down\n"               // A and b.txt
        "key F1\nchoose Delete\nchoose Items in selection...\n"
        "wait idle\n"
        "expect screen == Delete selection... ==\n"
        "expect screen \\A\n"
        "expect screen \\b.txt\n"
        "expect screen keys: [Delete] [Cancel]\n"
        "key F2\n"                          // Cancel: nothing changes
        "wait idle\n"
        "expect screen Sel: 2 folders, 2 files\n"
        "key F1\nchoose Delete\nchoose Items in selection...\n"
        "wait idle\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Sel: 0 folders, 0 files, 0 B\n"
        "expect no screen b.txt\n"
        "key F2\n"
        "expect screen Clear selection    # (disabled)\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/A")));
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/b.txt")));
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/c.txt")));
}

}  // namespace
