// The application shell and the folder tree as a person uses them: keypad scripts played on
// the real program over a temporary root folder and registry.
#include "ProgramFixture.h"
#include "app/SingleInstance.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <csignal>

namespace {

// The lines of the tree in a dump, without their marks of current row.
QStringList treeRows(const QString& dump)
{
    QStringList rows;
    bool inList = false;
    for (const QString& line : dump.split(u'\n')) {
        if (line.startsWith(QLatin1String("list:"))) {
            inList = true;
            continue;
        }
        if (inList && !line.startsWith(QLatin1String("  ")) && !line.startsWith(QLatin1String("> ")))
            break;
        if (inList)
            rows << line.mid(2);
    }
    return rows;
}

TEST(ShellScript, WithoutACurrentItemTheItemCommandsAreDisabledAndEnterDoesNothing)
{
    ProgramFixture program;  // an empty root: no item at all
    const ProgramRun run = program.play(QStringLiteral(
        "key Enter\n"
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "key F1\n"
        "choose Open\n"
        "expect screen Open    A (disabled)\n"
        "expect screen Open with... (disabled)\n"
        "key Escape Escape F2\n"
        "expect screen Select item    * (disabled)\n"
        "choose Favorites\n"
        "dump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Add current file/folder (disabled)"))) << run.out.toStdString();
}

TEST(ShellScript, SortByTypePutsFoldersFirstAndTheSettingIsKept)
{
    ProgramFixture program;
    program.file("a.txt");
    program.folder("b");
    program.file("C.doc");
    ProgramRun run = program.play(QStringLiteral("wait idle\ndump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(treeRows(run.out), QStringList({QStringLiteral("  a.txt"), QStringLiteral("  b"), QStringLiteral("  C.doc")}));

    // Edit > View > Sort by type, then quit: the tree re-sorts and the choice is saved.
    run = program.play(QStringLiteral(
        "key F2\nchoose View\nchoose Sort by type\n"
        "wait idle\n"
        "dump\n"
        "key F1\nchoose Quit\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(treeRows(run.out), QStringList({QStringLiteral("  b"), QStringLiteral("  a.txt"), QStringLiteral("  C.doc")}));
    EXPECT_EQ(program.storedSetting("SortMode"), 1u);

    run = program.play(QStringLiteral("wait idle\ndump\n"));
    EXPECT_EQ(treeRows(run.out).first(), QStringLiteral("  b"));
}

TEST(ShellScript, HiddenItemsAndForbiddenFolders)
{
    ProgramFixture program;
    program.folder("Only");
    program.file("Only/.hidden");
    program.folder("Secret");
    program.file("Secret/x");
    program.registry("Software\\Corvane\\Fennick\\Folders", "any", {platform::RegType::String, QByteArray("\\\0s\0e\0c\0r\0e\0t\0\0\0", 16)});
    ProgramRun run = program.play(QStringLiteral("wait idle\ndump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Only's one file is hidden: no expand button; Secret is never shown.
    EXPECT_EQ(treeRows(run.out), QStringList{QStringLiteral("  Only")});

    // Answered No, nothing changes; answered Yes, the view is rebuilt.
    run = program.play(QStringLiteral(
        "key F2\nchoose View\nchoose Show hidden files/fold.\n"
        "wait idle\n"
        "key F2\n"
        "wait idle\n"
        "expect screen ==\n"
        "key F2\nchoose View\n"
        "expect screen [ ] Show hidden files/fold.\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = program.play(QStringLiteral(
        "key F2\nchoose View\nchoose Show hidden files/fold.\n"
        "wait idle\n"
        "expect screen == Confirm ==\n"
        "key F1\n"
        "wait idle\n"
        "dump\n"
        "key Right\n"
        "wait idle\n"
        "dump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList dumps = run.out.split(QStringLiteral("== Fennick =="), Qt::SkipEmptyParts);
    ASSERT_EQ(dumps.size(), 2);
    EXPECT_EQ(treeRows(dumps.at(0)), QStringList{QStringLiteral("+ Only")});
    EXPECT_EQ(treeRows(dumps.at(1)), QStringList({QStringLiteral("- Only"), QStringLiteral("    .hidden")}));
}

TEST(ShellScript, ExpandingRereadsTheFolder)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/one.txt");
    QProcess process;
    // Open, close, let the test add a file, open again.
    program.startPlaying(process, QStringLiteral("key Enter\nwait idle\ndump\nkey Enter\nwait input\nkey Enter\nwait idle\ndump\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    program.file("Docs/two.txt");
    process.write("\n");
    process.waitForFinished(-1);
    const QString dump = QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList dumps = dump.split(QStringLiteral("== Fennick =="), Qt::SkipEmptyParts);
    ASSERT_EQ(dumps.size(), 2);
    EXPECT_FALSE(dumps.at(0).contains(QStringLiteral("two.txt")));
    EXPECT_TRUE(dumps.at(1).contains(QStringLiteral("two.txt")));
}

TEST(ShellScript, AFailingLineExitsWithOneAndNamesTheLine)
{
    ProgramFixture program;
    program.file("a.txt");
    ProgramRun run = program.play(QStringLiteral("wait idle\n# a comment\nexpect screen nothing like this\ndump\n"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral(":3: expect screen nothing like this"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());  // the dump after the failing line never ran

    run = program.play(QStringLiteral("key Hyperspace\n"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral(":1: unknown key 'Hyperspace'"))) << run.err.toStdString();
}

TEST(ShellScript, WithoutADisplayOrAScriptItSaysWhatToDo)
{
    ProgramFixture program;
    const ProgramRun run = program.run({});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("--vnc"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--play")));
}

TEST(ShellScript, WithoutAPlaceForTheInstanceLockItSaysWhyAndEndsWithTwo)
{
    ProgramFixture program;
    // The runtime folder is a file: no lock can be made in it.
    QFile::remove(program.runtimeFolder());
    QDir().rmdir(program.runtimeFolder());
    QFile blocker(program.runtimeFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const ProgramRun run = program.play(QStringLiteral("dump\n"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    // Said, with the folder and the reason.
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot make the folder %1/fennick: ").arg(program.runtimeFolder())))
        << run.err.toStdString();
}

TEST(ShellScript, QuitSavesTheStatusBarSetting)
{
    ProgramFixture program;
    program.file("a.txt");
    // Edit > View > Hide status bar, then File > Quit.
    const ProgramRun run = program.play(QStringLiteral(
        "key F2\nchoose View\nchoose Hide status bar\n"
        "wait idle\n"
        "expect no screen status:\n"
        "key F1\nchoose Quit\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.storedSetting("HideStatus"), 1u);
    EXPECT_EQ(program.storedSetting("CheckZip"), 1u);
}

TEST(ShellScript, ASecondStartHandsItsPathOverAndOpensNoWindow)
{
    ProgramFixture program;
    program.file("a.txt");
    QProcess first;
    // The first instance stays until the test says the second starts are done.
    program.startPlaying(first, QStringLiteral("dump\nwait input\nwait idle\n"));
    ASSERT_TRUE(first.waitForReadyRead(-1));  // the first instance is up

    for (const char* path : {"/some/Archive.ZIP", "/some/folder"}) {
        QProcess second;
        program.start(second, {QString::fromUtf8(path)});
        second.waitForFinished(-1);
        EXPECT_EQ(second.exitCode(), 0) << path;
        EXPECT_TRUE(second.readAllStandardOutput().isEmpty()) << path;
        EXPECT_TRUE(second.readAllStandardError().isEmpty()) << path;
    }
    first.write("\n");
    first.waitForFinished(-1);
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    // The running instance read the hand-off file and removed it.
    EXPECT_FALSE(QFile::exists(program.runtimeFolder() + QStringLiteral("/fennick/FNTemp.dat")));
}

// The socket of the instance that holds the single-instance role, as a second start finds it.
bool socketAnswers(const ProgramFixture& program)
{
    QLocalSocket socket;
    socket.connectToServer(program.runtimeFolder() + QStringLiteral("/fennick/") + SingleInstance::Identifier
                           + QStringLiteral(".sock"));
    return socket.waitForConnected(1000);
}

TEST(ShellScript, AScriptNextToARunningFennickPlaysInAnInstanceOfItsOwn)
{
    ProgramFixture program;
    program.file("a.txt");
    QProcess running;
    program.startPlaying(running, QStringLiteral("dump\nwait 60000\n"));
    ASSERT_TRUE(running.waitForReadyRead(-1));  // up, and holding the lock and the socket

    // Played, not handed over: a failing line fails, a dump prints.
    ProgramRun run = program.play(QStringLiteral("wait idle\nexpect screen nothing like this\n"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral(":2: expect screen nothing like this"))) << run.err.toStdString();
    // The script's own PATH is acted on there: an archive asks where to unpack it.
    run = program.play(QStringLiteral("wait idle\ndump\n"), {QStringLiteral("/some/Archive.zip")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("== Unzip to... =="))) << run.out.toStdString();
    EXPECT_FALSE(QFile::exists(program.runtimeFolder() + QStringLiteral("/fennick/FNTemp.dat")));

    // The running window still holds its socket, and a second start still reaches it.
    EXPECT_TRUE(socketAnswers(program));
    run = program.run({QStringLiteral("/some/folder")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    running.terminate();
    running.waitForFinished(-1);
    EXPECT_EQ(running.exitCode(), 128 + SIGTERM) << running.readAllStandardError().toStdString();
}

TEST(ShellScript, ASignalEndsFennickAsQuitDoesWithItsSettingsSaved)
{
    for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        ProgramFixture program;
        program.file("a.txt");
        QProcess process;
        program.startPlaying(process, QStringLiteral(
            "key F2\nchoose View\nchoose Hide status bar\n"
            "wait idle\n"
            "dump\n"
            "wait 60000\n"));
        ASSERT_TRUE(process.waitForReadyRead(-1));
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
        process.waitForFinished(-1);
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << signalNumber;
        EXPECT_EQ(process.exitCode(), 128 + signalNumber) << process.readAllStandardError().toStdString();
        EXPECT_EQ(program.storedSetting("HideStatus"), 1u) << signalNumber;
    }
}

TEST(ShellScript, ASignalCancelsAnOpenDialogBeforeQuitting)
{
    ProgramFixture program;
    program.file("a.txt");
    QProcess process;
    program.startPlaying(process, QStringLiteral(
        "key F2\nchoose View\nchoose Hide status bar\n"
        "key F1\nchoose New\nchoose Folder...\n"
        "type Made by a signal\n"
        "wait idle\n"
        "dump\n"
        "wait 60000\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    process.terminate();
    process.waitForFinished(-1);
    const QString dump = QString::fromUtf8(process.readAllStandardOutput());
    ASSERT_TRUE(dump.contains(QStringLiteral("== New folder =="))) << dump.toStdString();
    EXPECT_EQ(process.exitCode(), 128 + SIGTERM) << process.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(program.root() + QStringLiteral("/Made by a signal")));
    EXPECT_EQ(program.storedSetting("HideStatus"), 1u);
}

}  // namespace
