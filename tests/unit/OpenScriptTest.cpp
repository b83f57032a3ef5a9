// Opening the current file and running a command as a person does it: the action key and the
// Open pop-up of the File menu, the "Run command" dialog and the messages when nothing starts.
#include "ProgramFixture.h"
#include "Recorder.h"
#include "ZipBuilder.h"

#include "settings/RegKey.h"

namespace {

class OpenScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_recorder = m_programs.program("recorder");
        program.environment(QStringLiteral("FENNICK_OPENER"), m_programs.program("opener"));
        // A desktop where no application opens anything.
        program.environment(QStringLiteral("XDG_CONFIG_HOME"), program.path(QStringLiteral("xdg")));
        program.environment(QStringLiteral("XDG_CONFIG_DIRS"), program.path(QStringLiteral("xdg")));
        program.environment(QStringLiteral("XDG_DATA_HOME"), program.path(QStringLiteral("xdg")));
        program.environment(QStringLiteral("XDG_DATA_DIRS"), program.path(QStringLiteral("xdg")));
        const auto text = [](const QString& value) { return platform::RegValue{platform::RegType::String, RegKey::encodeString(value)}; };
        program.registry(".pic", "", text(QStringLiteral("PicFile")), platform::Hive::ClassesRoot);
        program.registry("PicFile\\Shell\\Open\\Command", "", text(u'"' + m_recorder + QStringLiteral("\" --show %1")),
                         platform::Hive::ClassesRoot);
    }

    ProgramFixture program;
    Recorder m_programs{program.path(QStringLiteral("bin"))};
    QString m_recorder;
};

TEST_F(OpenScript, TheActionKeyAndOpenStartTheFilesProgramAndUnpackAnArchive)
{
    program.file("b photo.pic", "picture");
    program.file("c data.raw", QByteArray("\x00\x01\xfe", 3));
    program.file("a pack.ZIP", ZipBuilder().add("inside.txt", "in").bytes());
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"                              // b photo.pic
        "key Enter\n"
        "wait idle\n"
        "key Down\n"                              // c data.raw: nothing opens it
        "key F1\nchoose Open\nchoose Open\n"
        "wait idle\n"
        "expect screen Unable to open the file. The system returned the error 'File association not available'!\n"
        "key Enter\n"
        "key Up Up\n"                             // a pack.ZIP: Open unpacks it beside itself
        "key F1\nchoose Open\nchoose Open\n"
        "wait idle\n"
        "expect screen a pack\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(m_programs.take(), "recorder|--show|" + (program.root() + QStringLiteral("/b photo.pic")).toStdString());
    EXPECT_EQ(program.content("a pack/inside.txt"), QByteArray("in"));
}

TEST_F(OpenScript, RunStartsTheCommandAsTypedAndAsksForOneWhenNoneIsTyped)
{
    program.environment(QStringLiteral("PATH"), program.path(QStringLiteral("bin")) + u':' + qEnvironmentVariable("PATH"));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Open\nchoose Run...\n"
        "expect screen == Run command ==\n"
        "key Down\n"
        "type one 'two three'\n"                  // the parameters first: the command is empty
        "key Enter\n"
        "expect screen Please enter the command to execute!\n"
        "key Enter\n"
        "expect screen one 'two three'\n"         // still there
        "key Up\n"
        "type recorder\n"
        "key Enter\n"
        "wait idle\n"
        "expect no screen == Run command ==\n"
        "key F1\nchoose Open\nchoose Run...\n"
        "type no-such-program-anywhere\n"
        "key Enter\n"
        "expect screen The system returned the error 'File not found'!\n"
        "key Enter\n"
        "key F1\nchoose Open\nchoose Run...\n"
        "type recorder\n"
        "key F2\n"                                // Cancel runs nothing
        "wait idle\n"
        "expect no screen == Run command ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(m_programs.take(), "recorder|one|two three");
    EXPECT_FALSE(m_programs.started());
}

}  // namespace
