// Moving through the tree, refreshing it and the status line, as a person does with the keys.
#include "ProgramFixture.h"

#include <QRegularExpression>

#include <sys/xattr.h>
#include <unistd.h>

namespace {

TEST(NavigationScript, ParentFolderAndRefreshRereadTheRightFolder)
{
    ProgramFixture program;
    program.folder("A/Inner");
    program.file("A/one.txt");
    program.file("top.txt");
    QProcess process;
    program.startPlaying(process, QStringLiteral("wait idle\n"
        "key 0\n"                         // parent of a top-level item: nothing
        "wait idle\n"
        "expect screen > + A\n"
        "key Enter Down Down\n"           // open A, then Inner, one.txt
        "expect screen >     one.txt\n"
        "key 0\n"                         // back to A, which stays open
        "wait idle\n"                     // 0 posts its command
        "expect screen > - A\n"
        "dump\n"                          // tells the test to add files now
        "wait input\n"                    // until the test says they are there
        "key Down Down\n"
        "key 6\n"                         // refresh on a file rereads its folder, A
        "wait idle\n"
        "expect screen two.txt\n"
        "expect no screen late.txt\n"
        "expect screen >     one.txt\n"   // the cursor stays on its item
        "key Down Down\n"                 // top.txt, a top-level file
        "key 6\n"                         // rereads the top level and selects the first item
        "wait idle\n"
        "expect screen late.txt\n"
        "expect screen > + A\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    program.file("A/two.txt");
    program.file("late.txt");
    process.write("\n");
    process.waitForFinished(-1);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

// A folder too big to list before the key returns opens at once with its first rows, and its
// counts follow the end of its listing.
TEST(NavigationScript, ABigFolderOpensAtOnceAndItsCountsFollowItsListing)
{
    ProgramFixture program;
    program.folder("Big/Sub");
    for (int i = 0; i < 3000; ++i)
        program.file(QStringLiteral("Big/f%1").arg(i, 4, 10, QLatin1Char('0')).toUtf8().constData());
    program.file("Big/Sub/inner");
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter\n"
        "expect screen > - Big\n"
        "wait idle\n"
        "expect screen > - Big\n"
        "expect screen | Fold.: 1, Files: 3000 |\n"
        "key Down\n"
        "expect screen >     f0000\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST(NavigationScript, TheStatusLineCountsAFolderAndShowsAFile)
{
    ProgramFixture program;
    for (const char* folder : {"F/a", "F/b", "F/c"})
        program.folder(folder);
    for (const char* file : {"F/1", "F/2", "F/3", "F/4", "F/5", "F/.h1", "F/.h2"})
        program.file(file);
    program.file("z.bin", QByteArray(1536, 'x'));
    QFile::setPermissions(program.root() + QStringLiteral("/z.bin"), QFile::ReadOwner);
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "expect screen | Fold.: 3, Files: 5 | - - - -\n"
        "key Down\n"
        "wait idle\n"
        "expect screen | 1.5 KB | R - - -\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();

    program.setting("ShowHidden", 1);
    run = program.play(QStringLiteral("wait idle\nexpect screen | Fold.: 3, Files: 7 |\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

// The tree lists a folder without looking at each item; the status line still shows every
// attribute of the item under the cursor, read when it becomes current.
TEST(NavigationScript, TheStatusLineShowsTheAttributesOfTheCurrentItemInAListedFolder)
{
    ProgramFixture program;
    program.folder("Attrs");
    for (const char* file : {"Attrs/.dot", "Attrs/a-ro.txt", "Attrs/b-dos.txt"})
        program.file(file);
    QFile::setPermissions(program.root() + QStringLiteral("/Attrs/a-ro.txt"), QFile::ReadOwner);
    const QByteArray dos = QFile::encodeName(program.root() + QStringLiteral("/Attrs/b-dos.txt"));
    const bool dosKept = ::setxattr(dos.constData(), "user.DOSATTRIB", "0x6", 3, 0) == 0;
    ASSERT_EQ(::symlink("nowhere", QFile::encodeName(program.root() + QStringLiteral("/Attrs/c-dangling")).constData()), 0);
    program.setting("ShowHidden", 1);
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                 // open Attrs, then .dot
        "wait idle\n"
        "expect screen | - H - -\n"
        "key Down\n"                       // a-ro.txt
        "wait idle\n"
        "expect screen | R - - -\n"
        "key Down\n"                       // b-dos.txt
        "wait idle\n"
        "expect screen %1\n"
        "key Down\n"                       // c-dangling: no regular file
        "wait idle\n"
        "expect screen | - - S -\n").arg(dosKept ? QStringLiteral("| - H S -") : QStringLiteral("| - - - -")));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

// The names of the tree rows of the last screen a script printed, in order.
QStringList treeRows(const QString& out)
{
    const QString screen = out.mid(out.lastIndexOf(QStringLiteral("== Fennick ==")));
    const qsizetype start = screen.indexOf(QStringLiteral("list:"));
    const qsizetype end = screen.indexOf(QStringLiteral("\nstatus:"));
    QStringList rows;
    for (const QString& line : screen.mid(start, end - start).split(u'\n').mid(1))
        rows << line.mid(1).trimmed().remove(QRegularExpression(QStringLiteral("^[-+] ")));
    return rows;
}

// An item that a command adds to an open folder stands where the folder's sort order puts it,
// as it will after the folder is next listed, not at the end: by name (an encrypted file after
// its original), and by type (a new folder before the files).
TEST(NavigationScript, AnAddedItemStandsInItsSortedPlace)
{
    ProgramFixture program;
    program.folder("Docs/z");
    for (const char* name : {"Docs/a.txt", "Docs/m.txt", "Docs/z.txt"})
        program.file(name);
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                 // Docs open; a.txt
        "key F1\nchoose Crypt...\nwait idle\n"
        "type secret\nkey Down\ntype secret\nkey Enter\n"
        "wait idle\n"
        "dump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(treeRows(run.out).join(u' ').toStdString(), "Docs a.crf a.txt m.txt z z.txt") << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral(">     a.crf"))) << run.out.toStdString();

    program.setting("SortMode", 1);
    run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down Down\n"            // Docs open; folder z first, then a.crf
        "key F1\nchoose New\nchoose Folder...\nwait idle\n"
        "type b\nkey Enter\n"
        "wait idle\n"
        "dump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(treeRows(run.out).join(u' ').toStdString(), "Docs b z a.crf a.txt m.txt z.txt") << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral(">     b"))) << run.out.toStdString();
}

}  // namespace
