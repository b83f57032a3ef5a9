#include "ProgramFixture.h"
#include "app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList args(std::initializer_list<const char*> list)
{
    QStringList result;
    for (const char* item : list)
        result << QString::fromUtf8(item);
    return result;
}

TEST(CommandLine, ParsesOptionsAndRefusesBadOnes)
{
    CommandLine options;
    QString error;
    ASSERT_TRUE(options.parse(args({"--root", "/tmp/r", "--registry", "/tmp/x.db", "--size", "320x240",
                                    "--vnc", "5900", "--play", "s.keys", "a.zip"}), &error));
    EXPECT_EQ(options.root, QStringLiteral("/tmp/r"));
    EXPECT_EQ(options.registryFile, QStringLiteral("/tmp/x.db"));
    EXPECT_EQ(options.screenSize, QSize(320, 240));
    EXPECT_EQ(options.vncPort, 5900);
    EXPECT_EQ(options.playScript, QStringLiteral("s.keys"));
    EXPECT_EQ(options.path, QStringLiteral("a.zip"));

    const struct { std::initializer_list<const char*> arguments; const char* complaint; } bad[] = {
        {{"--root"}, "needs a value"},
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

ProgramRun runFennick(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(FENNICK_BINARY), arguments);
    process.waitForFinished(-1);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& fileName, const QByteArray& bytes)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(CommandLineProgram, ImportExportRoundTripAndRefusedImportChangesNothing)
{
    QTemporaryDir folder;
    const QString store = folder.filePath(QStringLiteral("registry.db"));
    const QString good = folder.filePath(QStringLiteral("good.reg"));
    ASSERT_TRUE(writeAll(good, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                               "\"SortMode\"=dword:00000001\n\"Say\"=\"a \\\"quoted\\\" \\\\ path\"\n"));
    ASSERT_EQ(runFennick({QStringLiteral("--registry"), store, QStringLiteral("--import-registry"), good}).exitCode, 0);
    const ProgramRun exported = runFennick({QStringLiteral("--registry"), store, QStringLiteral("--export-registry")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.startsWith(QStringLiteral("REGEDIT4")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("\"SortMode\"=dword:00000001")));
    EXPECT_TRUE(exported.out.contains(QStringLiteral("\"Say\"=\"a \\\"quoted\\\" \\\\ path\"")));

    const QString bad = folder.filePath(QStringLiteral("bad.reg"));
    ASSERT_TRUE(writeAll(bad, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                              "\"SortMode\"=dword:00000000\n\"Broken\"=\"no end\n"));
    const ProgramRun refused = runFennick({QStringLiteral("--registry"), store, QStringLiteral("--import-registry"), bad});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("line 4"))) << refused.err.toStdString();
    EXPECT_EQ(runFennick({QStringLiteral("--registry"), store, QStringLiteral("--export-registry")}).out, exported.out);

    // A file in a Windows code page is refused at the line of its first such byte.
    const QString latin1 = folder.filePath(QStringLiteral("latin1.reg"));
    ASSERT_TRUE(writeAll(latin1, "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
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
    ASSERT_TRUE(writeAll(foreign, QByteArray("plain text, not a store\n")));
    run = runFennick({QStringLiteral("--registry"), foreign, QStringLiteral("--export-registry")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(foreign)) << run.err.toStdString();
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("foreign.db")});
}

TEST(CommandLineProgram, AnUnusableStoreIsNamedOnceAndNeverOverwritten)
{
    ProgramFixture program;
    const QByteArray garbage = QByteArray("this is not a database, but somebody's file\n").repeated(200);
    ASSERT_TRUE(writeAll(program.registryFile(), garbage));
    const ProgramRun run = program.play(QStringLiteral("wait idle\nexpect screen == Fennick ==\nkey F1\nchoose Quit\n"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.count(program.registryFile()), 1) << run.err.toStdString();
    EXPECT_EQ(readAll(program.registryFile()), garbage);
}

}  // namespace
