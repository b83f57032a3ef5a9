// The properties page as a person uses it: key 5 on an item, the boxes changed with the arrow
// keys, Done or Cancel; the disk checked afterwards.
#include "ProgramFixture.h"
#include "ScopedMount.h"

#include "platform/linux/SambaDosAttrib.h"

#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

QByteArray hostOf(const ProgramFixture& program, const char* relative)
{
    return QFile::encodeName(program.root() + u'/' + QString::fromUtf8(relative));
}

mode_t modeOf(const ProgramFixture& program, const char* relative)
{
    struct stat status;
    return ::stat(hostOf(program, relative).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// The DOS attribute bits stored for an item; -1 when it has none.
qint64 dosBits(const ProgramFixture& program, const char* relative)
{
    char value[256];
    const ssize_t size = ::getxattr(hostOf(program, relative).constData(), "user.DOSATTRIB", value, sizeof value);
    if (size < 0)
        return -1;
    return platform::SambaDosAttrib::parse(value, size).value_or(0xFFFF);
}

bool userXattrsWork(const ProgramFixture& program)
{
    const QByteArray probe = hostOf(program, "xattr-probe");
    const bool works = ::close(::open(probe.constData(), O_WRONLY | O_CREAT, 0644)) == 0
                       && ::setxattr(probe.constData(), "user.probe", "1", 1, 0) == 0;
    ::unlink(probe.constData());
    return works;
}

// Read-only cleared and Hidden ticked: the owner may write again, the name is hidden, and the
// system bit that nobody asked to change stays.
TEST(PropertiesScript, DoneWritesTheBoxesAndLeavesTheRest)
{
    ProgramFixture program;
    if (!userXattrsWork(program))
        GTEST_SKIP() << "the temporary folder keeps no user extended attributes";
    program.file("report.txt", QByteArray(1024, 'r'));
    ASSERT_EQ(::chmod(hostOf(program, "report.txt").constData(), 0444), 0);
    ASSERT_EQ(::setxattr(hostOf(program, "report.txt").constData(), "user.DOSATTRIB", "0x4", 3, 0), 0);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "expect screen | R - S -\n"
        "key 5\n"
        "wait idle\n"
        "expect screen == Properties ==\n"
        "expect screen report.txt\n"
        "expect screen 1.0 KB\n"
        "expect screen [x] Read-only (focus)\n"
        "expect screen [x] System (disabled)\n"
        "expect screen [ ] In rom (disabled)\n"
        "key Right\n"                   // Read-only cleared
        "key Down Left\n"               // Hidden ticked
        "expect screen [x] Hidden (focus)\n"
        "key F1\n"                      // Done
        "wait idle\n"
        "expect no screen == Properties ==\n"
        "expect screen | - H S -\n"));  // the status line follows at once
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(modeOf(program, "report.txt"), 0644u);
    EXPECT_EQ(dosBits(program, "report.txt"), 0x6);  // hidden and system

    // Cancel writes nothing, whatever the boxes say.
    const ProgramRun cancelled = program.play(QStringLiteral(
        "wait idle\n"
        "key 5\n"
        "wait idle\n"
        "key Right Down Left Down Left\n"
        "key F2\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"));
    ASSERT_EQ(cancelled.exitCode, 0) << cancelled.err.toStdString();
    EXPECT_EQ(modeOf(program, "report.txt"), 0644u);
    EXPECT_EQ(dosBits(program, "report.txt"), 0x6);
}

// A dot name is hidden by the name: its Hidden box cannot be cleared, and Done leaves the
// item's stored bits alone.
TEST(PropertiesScript, ADotNameStaysHidden)
{
    ProgramFixture program;
    program.setting("ShowHidden", 1);
    program.file(".profile", "p");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key 5\n"
        "wait idle\n"
        "expect screen [x] Hidden (disabled)\n"
        "key Down\n"                    // from Read-only past Hidden to Archive
        "expect screen [ ] Archive (focus)\n"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(dosBits(program, ".profile"), -1);  // nothing written: nothing changed
    EXPECT_EQ(modeOf(program, ".profile"), 0644u);
}

// A folder's size arrives from its worker: every file at any depth, hidden ones included.
TEST(PropertiesScript, AFolderShowsItsFilesAndTotal)
{
    ProgramFixture program;
    program.folder("Docs/sub");
    program.folder("Empty");
    program.file("Docs/a.txt", QByteArray(1000, 'a'));
    program.file("Docs/.hidden", QByteArray(500, 'h'));
    program.file("Docs/sub/b.bin", QByteArray(2000, 'b'));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key 5\n"
        "wait idle\n"
        "expect screen Docs\n"
        "expect screen 3 file(s), 3.4 KB\n"
        "key F2\n"
        "wait idle\n"
        "key Down 5\n"
        "wait idle\n"
        "expect screen 0 file(s), 0 B\n"
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

TEST(PropertiesScript, NoCurrentItemHasNoProperties)
{
    ProgramFixture program;  // an empty root: nothing is current
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key 5\n"
        "wait idle\n"
        "expect screen Unable to access file or folder to load its properties!\n"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"
        "expect screen keys: [File] [Edit]\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

// Where attributes cannot be kept (ramfs keeps no extended attributes, nor a birth time), the
// failure is told and the page stays open for another try or Cancel.
TEST(PropertiesScript, AttributesThatCannotBeWrittenAreTold)
{
    ProgramFixture program;
    program.folder("ram");
    ScopedMount ram(hostOf(program, "ram"), "ramfs", "");
    if (!ram.mounted())
        GTEST_SKIP() << "cannot mount a ramfs here";
    program.folder("ram/Sub");
    program.file("ram/note.txt", "n");
    if (::setxattr(hostOf(program, "ram/note.txt").constData(), "user.probe", "1", 1, 0) == 0)
        GTEST_SKIP() << "this kernel's ramfs keeps user extended attributes";
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"              // into ram: note.txt, sorted before Sub
        "key 5\n"
        "wait idle\n"
        "expect screen Unknown\n"       // no birth time: the date is not known
        "key Down Left F1\n"            // Hidden
        "wait idle\n"
        "expect screen An error occured. Unable to set file attributes!\n"
        "key F1\n"
        "wait idle\n"
        "expect screen == Properties ==\n"
        "key Left\n"                    // back to as it was: Done now succeeds
        "key F1\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"
        "key Down 5\n"                  // Sub
        "wait idle\n"
        "key Down Left F1\n"
        "wait idle\n"
        "expect screen Unable to set folder attributes.\n"
        "key F1\n"
        "wait idle\n"
        "expect screen == Properties ==\n"
        "key F2\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(modeOf(program, "ram/Sub") & 0200, 0200u);
    EXPECT_EQ(modeOf(program, "ram/note.txt"), 0644u);
}

// An item on a read-only mount is in ROM: both boxes of that bit are ticked, and Done is
// refused until Cancel.
TEST(PropertiesScript, AnItemInRomCannotBeChanged)
{
    ProgramFixture program;
    program.folder("rom");
    ScopedMount rom(hostOf(program, "rom"), "tmpfs", "size=64k");
    if (!rom.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    program.file("rom/boot.bin", "b");
    ASSERT_TRUE(rom.remountReadOnly());
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"
        "key 5\n"
        "wait idle\n"
        "expect screen [x] In rom (disabled)\n"
        "expect screen [x] Encrypted (disabled)\n"
        "key Right F1\n"
        "wait idle\n"
        "expect screen File located in ROM can't be changed.\n"
        "key F1\n"
        "wait idle\n"
        "expect screen == Properties ==\n"
        "key F2\n"
        "wait idle\n"
        "expect no screen == Properties ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(modeOf(program, "rom/boot.bin"), 0644u);
}

}  // namespace
