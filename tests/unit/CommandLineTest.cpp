#include "FileContent.h"
#include "ProgramFixture.h"
#include "app/CommandLine.h"
#include "app/HandOff.h"
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QList<QByteArray> args(std::initializer_list<const char*> list)
{
    QList<QByteArray> result;
    for (const char* item : list)
        result << QByteArray(item);
    return result;
}

ProgramRun runFennick(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(FENNICK_BINARY), arguments);
    process.waitForFinished(-1);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(CommandLine, ParsesOptionsAndRefusesBadOnes)
{
    CommandLine options;
    QString error;
    ASSERT_TRUE(options.parse(args({"--root", "/tmp/r", "--registry", "/tmp/x.db", "--size", "320x240",
                                    "--vnc", "5900", "--play", "s.keys", "a.zip"}), &error));
    EXPECT_EQ(options.root, QByteArray("/tmp/r"));
    EXPECT_EQ(options.registryFile, QStringLiteral("/tmp/x.db"));
    EXPECT_EQ(options.screenSize, QSize(320, 240));
    EXPECT_EQ(options.vncPort, 5900);
    EXPECT_EQ(options.playScript, QStringLiteral("s.keys"));
    EXPECT_EQ(options.path, QStringLiteral("a.zip"));

    const struct { std::initializer_list<const char*> arguments; const char* complaint; } bad[] = {
        {{"--root"}, "--root needs a folder"},
        {{"--size", "big"}, "--size"},
        {{"--vnc", "0"}, "--vnc"},
        {{"--vnc", "70000"}, "--vnc"},
        {{"--frobnicate"}, "unknown option"},
        {{"a.zip", "b.zip"}, "only one PATH"},
    };
    for (const auto& row : bad) {
        CommandLine rejected;
        EXPECT_FALSE(rejected.parse(args(row.arguments), &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.complaint))) << error.toStdString();
    }
}

// An option that takes a value never takes the next option as its value, and the screen is one
// the pages can be laid out on and painted at.
TEST(CommandLine, ValuesAreNeverOptionsAndTheScreenSizeIsUsable)
{
    const struct {
        std::initializer_list<const char*> arguments;
        const char* complaint;  // null: accepted
        QSize size;
    } rows[] = {
        {{"--root", "--play", "s.keys"}, "--root needs a folder", {}},
        {{"--registry", "--size", "240x320"}, "--registry needs a file", {}},
        {{"--play", "--root", "/"}, "--play needs a script file", {}},
        {{"--size", "--help"}, "--size needs a size such as 240x320", {}},
        {{"--vnc", "-h"}, "--vnc needs a port or an address and port", {}},
        {{"--import-registry", "--version"}, "--import-registry needs a file", {}},
        {{"--vnc-passwd"}, "--vnc-passwd needs a file", {}},
        {{"--size", "10x10"}, "--size 10x10 is too small: the screen must be at least 176x208", {}},
        {{"--size", "175x320"}, "too small", {}},
        {{"--size", "240x207"}, "too small", {}},
        {{"--size", "99999x99999"}, "--size 99999x99999 is too large: the screen can be at most 8192 on either side",
         {}},
        {{"--size", "8193x320"}, "too large", {}},
        {{"--size", "240x8193"}, "too large", {}},
        {{"--size", "176x208"}, nullptr, {176, 208}},
        {{"--size", "8192x8192"}, nullptr, {8192, 8192}},
        {{"--size", "320x240"}, nullptr, {320, 240}},
        {{"--root", "./--play"}, nullptr, {240, 320}},
    };
    for (const auto& row : rows) {
        CommandLine options;
        QString error;
        const bool accepted = options.parse(args(row.arguments), &error);
        SCOPED_TRACE(*row.arguments.begin());
        if (!row.complaint) {
            EXPECT_TRUE(accepted) << error.toStdString();
            EXPECT_EQ(options.screenSize, row.size);
            continue;
        }
        EXPECT_FALSE(accepted);
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.complaint))) << error.toStdString();
    }
}

TEST(CommandLineProgram, AMissingValueOrAnUnusableSizeEndsWith64AndTheReason)
{
    ProgramFixture program;
    for (const QStringList& arguments : {QStringList{QStringLiteral("--size"), QStringLiteral("10x10")},
                                         QStringList{QStringLiteral("--play")}}) {
        const ProgramRun run = program.run(arguments);
        EXPECT_EQ(run.exitCode, 64) << run.err.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("fennick: ") + arguments.front())) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

TEST(CommandLine, VncTakesAPortOrAnIpAddressAndPort)
{
    const struct { const char* value; const char* address; int port; } accepted[] = {
        {"5900", "", 5900},  // this machine only
        {"1", "", 1},
        {"65535", "", 65535},
        {"127.0.0.1:5901", "127.0.0.1", 5901},
        {"0.0.0.0:5900", "0.0.0.0", 5900},
        {"192.168.1.20:5900", "192.168.1.20", 5900},
        {"[::1]:5900", "::1", 5900},
        {"[::]:5900", "::", 5900},
        {"[FE80::0001]:5900", "fe80::1", 5900},
    };
    for (const auto& row : accepted) {
        CommandLine options;
        QString error;
        EXPECT_TRUE(options.parse(args({"--vnc", row.value}), &error)) << row.value << ": " << error.toStdString();
        EXPECT_EQ(options.vncAddress, QString::fromUtf8(row.address)) << row.value;
        EXPECT_EQ(options.vncPort, row.port) << row.value;
    }
    const char* refused[] = {"0", "65536", "-1", "", "5900x", "localhost:5900", "example.org:5900", "::1:5900",
                             "[127.0.0.1]:5900", "[::1]", "127.0.0.1", "127.0.0.1:", "127.0.0.256:5900",
                             "10.0.0.1:0", "[::1]:70000", ":5900"};
    for (const char* value : refused) {
        CommandLine options;
        QString error;
        EXPECT_FALSE(options.parse(args({"--vnc", value}), &error)) << value;
        EXPECT_TRUE(error.startsWith(QStringLiteral("--vnc wants PORT, or ADDRESS:PORT"))) << value << ": " << error.toStdString();
    }

    CommandLine withPassword;
    QString error;
    ASSERT_TRUE(withPassword.parse(args({"--vnc-passwd", "/home/u/pw", "--vnc", "0.0.0.0:5900"}), &error)) << error.toStdString();
    EXPECT_EQ(withPassword.vncPasswordFile, QStringLiteral("/home/u/pw"));
    CommandLine passwordAlone;
    EXPECT_FALSE(passwordAlone.parse(args({"--vnc-passwd", "/home/u/pw"}), &error));
    EXPECT_EQ(error, QStringLiteral("--vnc-passwd goes with --vnc"));
}

TEST(CommandLine, PathKeepsItsBytesAndAnOverLongOneIsRefused)
{
    CommandLine options;
    QString error;
    const QByteArray path("/media/caf\xc3\xa9/\xe9t\xe9\\2024.zip");  // UTF-8, Latin-1 bytes, a backslash
    ASSERT_TRUE(options.parse({QByteArray("--root"), QByteArray("/r\xff"), path}, &error)) << error.toStdString();
    EXPECT_EQ(HandOff::pathToHost(options.path), path);
    EXPECT_TRUE(options.path.endsWith(QLatin1String(".zip")));
    EXPECT_EQ(options.root, QByteArray("/r\xff"));

    const qsizetype limit = HandOff::MaxBytes / 2;
    EXPECT_TRUE(CommandLine().parse({QByteArray(limit, 'a')}, &error)) << error.toStdString();
    CommandLine tooLong;
    EXPECT_FALSE(tooLong.parse({QByteArray(limit + 1, 'a')}, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("PATH is too long"))) << error.toStdString();
    EXPECT_TRUE(tooLong.path.isEmpty());
}

TEST(CommandLine, TheRootIsMadeAbsoluteAndRealOrRefused)
{
    QTemporaryDir folder;
    const QByteArray real = QFile::encodeName(QFileInfo(folder.path()).canonicalFilePath());
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("cards/inner")));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("cards")), folder.filePath(QStringLiteral("link"))));
    ASSERT_TRUE(FileContent::write(folder.filePath(QStringLiteral("file")), "x"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.filePath(QStringLiteral("cards"))));

    const struct { QByteArray given; QByteArray resolved; } accepted[] = {
        {"inner", real + "/cards/inner"},
        {"./inner/../", real + "/cards"},
        {real + "/link/inner", real + "/cards/inner"},
        {real + "/link", real + "/cards"},
        {"/", "/"},
    };
    for (const auto& row : accepted) {
        CommandLine options;
        options.root = row.given;
        QString error;
        EXPECT_TRUE(options.resolveRoot(&error)) << row.given.toStdString() << ": " << error.toStdString();
        EXPECT_EQ(options.root, row.resolved) << row.given.toStdString();
    }
    const struct { QByteArray given; const char* complaint; } refused[] = {
        {"", "--root is empty"},
        {"missing", "--root missing cannot be used"},
        {real + "/file", "is not a folder"},
        {real + "/file/", "cannot be used"},
    };
    for (const auto& row : refused) {
        CommandLine options;
        options.root = row.given;
        QString error;
        EXPECT_FALSE(options.resolveRoot(&error)) << row.given.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(row.complaint))) << error.toStdString();
    }
    QDir::setCurrent(previous);
}

TEST(CommandLineProgram, ImportExportRoundTripAndRefusedImportChangesNothing)
{
    QTemporaryDir folder;
    const QString store = folder.filePath(QStringLiteral("registry.db"));
    const QString good = folder.filePath(QStringLiteral("good.reg"));
    ASSERT_TRUE(FileContent::write(good, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                               "\"SortMode\"=dword:00000001\n\"Say\"=\"a \\\"quoted\\\" \\\\ path\"\n"));
    ASSERT_EQ(runFennick({QStringLiteral("--registry"), store, QStringLiteral("--import-registry"), good}).exitCode, 0);
    const ProgramRun exported = runFennick({QStringLiteral("--registry"), store, QStringLiteral("--export-registry")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.startsWith(QStringLiteral("REGEDIT4")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("\"SortMode\"=dword:00000001")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("\"Say\"=\"a \\\"quoted\\\" \\\\ path\"")));

    const QString bad = folder.filePath(QStringLiteral("bad.reg"));
    ASSERT_TRUE(FileContent::write(bad, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                              "\"SortMode\"=dword:00000000\n\"Broken\"=\"no end\n"));
    const ProgramRun refused = runFennick({QStringLiteral("--registry"), store, QStringLiteral("--import-registry"), bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("line 4"))) << refused.err.toStdString();
    EXPECT_EQ(runFennick({QStringLiteral("--registry"), store, QStringLiteral("--export-registry")}).out, exported.out);

    // A file in a Windows code page is refused at the line of its first such byte.
    const QString latin1 = folder.filePath(QStringLiteral("latin1.reg"));
    ASSERT_TRUE(FileContent::write(latin1, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                                 "\"SortMode\"=dword:00000000\n\"Caf\xe9\"=\"1\"\n"));
    const ProgramRun notText = runFennick({QStringLiteral("--registry"), store, QStringLiteral("--import-registry"), latin1});
    EXPECT_EQ(notText.exitCode, 1);
    EXPECT_TRUE(notText.err.contains(QStringLiteral("line 4: the text is not UTF-8"))) << notText.err.toStdString();
    EXPECT_TRUE(notText.err.contains(QStringLiteral("nothing was imported"))) << notText.err.toStdString();
    EXPECT_EQ(runFennick({QStringLiteral("--registry"), store, QStringLiteral("--export-registry")}).out, exported.out);
}

TEST(CommandLineProgram, ExportingAMissingOrRefusedStoreMakesNothing)
{
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("not/there/registry.db"));
    ProgramRun run = runFennick({QStringLiteral("--registry"), missing, QStringLiteral("--export-registry")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(missing)) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(QStringLiteral("defaults"))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("not"))));

    const QString foreign = folder.filePath(QStringLiteral("foreign.db"));
    ASSERT_TRUE(FileContent::write(foreign, QByteArray("plain text, not a store\n")));
    run = runFennick({QStringLiteral("--registry"), foreign, QStringLiteral("--export-registry")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(foreign)) << run.err.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("foreign.db")});
}

TEST(CommandLineProgram, AnUnusableStoreIsNamedOnceAndNeverOverwritten)
{
    ProgramFixture program;
    const QByteArray garbage = QByteArray("this is not a database, but somebody's file\n").repeated(200);
    ASSERT_TRUE(FileContent::write(program.registryFile(), garbage));
    const ProgramRun run = program.play(QStringLiteral("wait idle\nexpect screen == Fennick ==\nkey F1\nchoose Quit\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(program.registryFile()), 1) << run.err.toStdString();
    EXPECT_EQ(FileContent::read(program.registryFile()), garbage);
}

TEST(CommandLineProgram, ARootThatIsNotAFolderIsRefusedAndNothingIsShown)
{
    ProgramFixture program;
    program.file("a.txt");
    const QString rows[] = {QString(), program.path(QStringLiteral("missing")), program.root() + QStringLiteral("/a.txt")};
    for (const QString& root : rows) {
        const ProgramRun run = program.play(QStringLiteral("dump\n"), {QStringLiteral("--root"), root});
        EXPECT_EQ(run.exitCode, 64) << root.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("fennick: --root"))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    // Through a link, the folder is shown.
    ASSERT_TRUE(QFile::link(program.root(), program.path(QStringLiteral("link"))));
    const ProgramRun run = program.play(QStringLiteral("dump\n"), {QStringLiteral("--root"), program.path(QStringLiteral("link"))});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("a.txt"))) << run.out.toStdString();
}

TEST(CommandLineProgram, ASecondStartHandsOverThePathsBytesOrRefusesAnOverLongOne)
{
    ProgramFixture program;
    // A running instance, as far as a second start can tell: the lock is held (by this test)
    // and nothing listens, so the hand-off file stays for the test to read.
    const QString folder = program.runtimeFolder() + QStringLiteral("/fennick");
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0700), 0);
    QLockFile lock(folder + u'/' + SingleInstance::Identifier + QStringLiteral(".lock"));
    ASSERT_TRUE(lock.tryLock(0));

    // The shell passes bytes that no text argument could carry.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), program.runtimeFolder());
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                             QStringLiteral("exec \"$0\" \"$(printf '/media/caf\\303\\251/\\351t\\351.zip')\""),
                                             QStringLiteral(FENNICK_BINARY)});
    second.waitForFinished(-1);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    const QByteArray handedOver = FileContent::read(folder + QStringLiteral("/FNTemp.dat"));
    const QString path = HandOff::decode(handedOver, handedOver.size());
    EXPECT_EQ(HandOff::pathToHost(path), QByteArray("/media/caf\xc3\xa9/\xe9t\xe9.zip")) << path.toStdString();

    const ProgramRun run = program.run({QString(HandOff::MaxBytes / 2 + 1, u'a')});
    EXPECT_EQ(run.exitCode, 64);
    EXPECT_TRUE(run.err.contains(QStringLiteral("PATH is too long"))) << run.err.toStdString();
    EXPECT_EQ(FileContent::read(folder + QStringLiteral("/FNTemp.dat")), handedOver);
}

}  // namespace
