// New files and folders and renaming, through the name dialog.
#include "ProgramFixture.h"

namespace {

TEST(NameScript, NewFilesAndFoldersNextToTheCurrentItem)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/x.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                          // x.txt current: new items go into \A
        "key F1\nchoose New\nchoose File...\n"
        "wait idle\n"
        "expect screen == New file ==\n"
        "expect screen [edit] New File.txt\n"
        "key F1\n"
        "wait idle\n"
        "expect screen >     New File.txt\n"
        "key F1\nchoose New\nchoose File...\n"     // the same name again: message 48
        "wait idle\n"
        "key F1\n"
        "wait idle\n"
        "expect screen An error occured while creating the file.\n"
        "key F1\n"
        "key F1\nchoose New\nchoose Folder...\n"
        "wait idle\n"
        "type a:b\n"                                // replaces the selected name
        "key F1\n"
        "wait idle\n"
        "expect screen The given name is not valid.\n"
        "key F1\n"
        "wait idle\n"
        "expect screen == New folder ==\n"          // still open
        "key Backspace Backspace Backspace\n"
        "type Sub\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Sub\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(program.root() + QStringLiteral("/A/New File.txt")).isFile());
    EXPECT_TRUE(QFileInfo(program.root() + QStringLiteral("/A/Sub")).isDir());
    EXPECT_FALSE(QFileInfo::exists(program.root() + QStringLiteral("/A/a:b")));
}

TEST(NameScript, RenameKeepsTheExtensionSelectedAwayAndTheEntryFollows)
{
    ProgramFixture program;
    program.file("report.doc", "r");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key *\n"
        "key F1\nchoose Rename...\n"
        "wait idle\n"
        "expect screen == Rename file ==\n"
        "type summary\n"                           // "report" was selected: the extension stays
        "key F1\n"
        "wait idle\n"
        "expect screen >   summary.doc *\n"
        "expect screen Sel: 0 folders, 1 files\n"
        "key F1\nchoose Delete\nchoose Items in selection...\n"
        "wait idle\n"
        "expect screen \\summary.doc\n"            // the entry followed the new name
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(program.root() + QStringLiteral("/summary.doc")));
    EXPECT_FALSE(QFileInfo::exists(program.root() + QStringLiteral("/report.doc")));
}

}  // namespace
