// "Receive from IR..." as a person uses it: the page opens on the current folder and waits,
// another device pushes files, the page shows them and the tree holds them afterwards; an
// existing file is replaced only on Yes; closing the page mid-transfer leaves nothing behind; a
// broken sender or one that leaves mid-file is told on the page and the next one is heard.
#include "ObexPeer.h"
#include "ProgramFixture.h"
#include "platform/StreamSocket.h"
#include "settings/RegKey.h"

#include <QDir>
#include <QStandardPaths>

namespace {

using namespace ObexRequests;

// A port nobody listens on now, on 127.0.0.1, kept in the program's registry.
quint16 receiveOnFreePort(ProgramFixture& program)
{
    platform::ListenSocket probe;
    EXPECT_TRUE(probe.open(QStringLiteral("127.0.0.1"), 0));
    const quint16 port = probe.port();
    probe.close();
    program.registry("Software\\Corvane\\Fennick\\Receive", "Address",
                     {platform::RegType::String, RegKey::encodeString(QStringLiteral("127.0.0.1"))});
    program.registry("Software\\Corvane\\Fennick\\Receive", "Port", {platform::RegType::Dword, RegKey::encodeDword(port)});
    return port;
}

const char* const OpenReceivePage =
    "wait idle\n"
    "key F1\nchoose Send & Receive\nchoose Receive from IR...\n"
    "expect screen == Receiving... ==\n"
    "expect screen \\Docs\\\n"
    "expect screen Waiting for a file...\n"
    "dump\n"          // the page listens: the test may push now
    "wait input\n";   // until it has

// Reads what the program prints until `marker` comes (or the program has ended); `out` keeps it
// all. The program waits for input after what the test looks for, so nothing is read beyond.
void readUntil(QProcess& process, QString& out, const QString& marker)
{
    const qsizetype from = out.size();
    out += QString::fromUtf8(process.readAllStandardOutput());
    while (!out.mid(from).contains(marker) && process.waitForReadyRead(-1))
        out += QString::fromUtf8(process.readAllStandardOutput());
}

QStringList itemsIn(const ProgramFixture& program, const char* folder)
{
    return QDir(program.root() + u'/' + QString::fromUtf8(folder))
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(ReceiveScript, FilesPushedByAnotherProgramArriveInTheCurrentFolderAndTheTree)
{
    const QString obexftp = QStandardPaths::findExecutable(QStringLiteral("obexftp"));
    ASSERT_FALSE(obexftp.isEmpty()) << "obexftp is installed by scripts/bootstrap";
    ProgramFixture program;
    program.folder("Docs");
    const quint16 port = receiveOnFreePort(program);
    // Sent from outside the root, so that the tree shows only what arrived.
    QDir().mkpath(program.path(QStringLiteral("sent")));
    ASSERT_TRUE(FileContent::write(program.path(QStringLiteral("sent/photo.jpg")), QByteArray(1536, 'j')));
    ASSERT_TRUE(FileContent::write(program.path(QStringLiteral("sent/note.txt")), "note"));
    QProcess process;
    program.startPlaying(process, QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "wait idle\n"
        "expect screen File received\n"
        "expect screen note.txt\n"       // the last name
        "expect screen 1.5 Kb\n"         // and every byte of the session
        "expect screen keys: [Done]\n"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Receiving... ==\n"
        "dump\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    QProcess client;
    client.start(obexftp, {QStringLiteral("-n"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-p"),
                           program.path(QStringLiteral("sent/photo.jpg")), program.path(QStringLiteral("sent/note.txt"))});
    ASSERT_TRUE(client.waitForFinished(-1));
    // obexftp 0.24 exits with 255 even when every step is done: what it prints tells.
    const QString said = QString::fromUtf8(client.readAllStandardOutput() + client.readAllStandardError());
    EXPECT_FALSE(said.contains(QStringLiteral("failed"))) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("done")), 4) << said.toStdString();  // connect, each file, disconnect
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString() << out.toStdString();
    EXPECT_EQ(program.content("Docs/photo.jpg"), QByteArray(1536, 'j'));
    EXPECT_EQ(program.content("Docs/note.txt"), "note");
    EXPECT_EQ(itemsIn(program, "Docs"), QStringList({QStringLiteral("note.txt"), QStringLiteral("photo.jpg")}));
    // Both are in the tree under Docs, once each, the last one current.
    EXPECT_TRUE(out.contains(QStringLiteral("      photo.jpg"))) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("photo.jpg")), 1) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("note.txt")), 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(">     note.txt"))) << out.toStdString();
}

TEST(ReceiveScript, AnExistingFileIsAskedAboutWhileThePageStaysAndReplacedOnYes)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/a.txt", "old");
    const quint16 port = receiveOnFreePort(program);
    QProcess process;
    program.startPlaying(process, QStringLiteral("wait idle\nkey Enter\n")  // Docs open, a.txt shown
                                      + QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "wait idle\n"                    // the worker waits for the answer
        "expect screen File '\\Docs\\a.txt' already exists. Do you want to overwrite it?\n"
        "expect screen == Receiving file ==\n"
        "key F1\n"                       // Yes
        "wait input\n"                   // the peer says goodbye
        "wait idle\n"
        "expect screen File received\n"
        "key F1\n"
        "wait idle\n"
        "dump\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    ObexPeer peer(port);
    ASSERT_TRUE(peer.send(connect() + putWhole(QStringLiteral("a.txt"), "new")));
    process.write("\n");
    ASSERT_TRUE(process.waitForBytesWritten(-1));  // the peer's reads below block this thread
    EXPECT_EQ(peer.reply().toHex(), "a0000710004000");
    EXPECT_EQ(peer.reply().toHex(), "a00003");
    EXPECT_EQ(peer.ask(disconnect()).toHex(), "a00003");
    process.write("\n");
    ASSERT_TRUE(process.waitForBytesWritten(-1));
    ASSERT_TRUE(process.waitForFinished(-1));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString() << out.toStdString();
    EXPECT_EQ(program.content("Docs/a.txt"), "new");
    EXPECT_EQ(out.count(QStringLiteral("a.txt")), 1) << out.toStdString();  // no second tree item
}

TEST(ReceiveScript, ClosingThePageMidTransferLeavesNoPartialFile)
{
    ProgramFixture program;
    program.folder("Docs");
    const quint16 port = receiveOnFreePort(program);
    QProcess process;
    program.startPlaying(process, QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "expect screen big.bin\n"
        "expect screen keys: [Cancel]\n"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Receiving... ==\n"
        "expect no screen big.bin\n"));
    ASSERT_TRUE(process.waitForReadyRead(-1));
    ObexPeer peer(port);
    EXPECT_EQ(peer.ask(connect()).toHex(), "a0000710004000");
    EXPECT_EQ(peer.ask(packet(Obex::Put, name(QStringLiteral("big.bin")) + body(QByteArray(4000, 'b')))).toHex(), "900003");
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString()
                                     << process.readAllStandardOutput().toStdString();
    EXPECT_TRUE(peer.closedByServer());
    EXPECT_TRUE(itemsIn(program, "Docs").isEmpty()) << itemsIn(program, "Docs").join(u' ').toStdString();
}

TEST(ReceiveScript, ABrokenSenderIsToldAndDroppedThenAnotherProgramPushesAndThePortClosesWithThePage)
{
    const QString obexftp = QStandardPaths::findExecutable(QStringLiteral("obexftp"));
    ASSERT_FALSE(obexftp.isEmpty()) << "obexftp is installed by scripts/bootstrap";
    ProgramFixture program;
    program.folder("Docs");
    const quint16 port = receiveOnFreePort(program);
    QDir().mkpath(program.path(QStringLiteral("sent")));
    ASSERT_TRUE(FileContent::write(program.path(QStringLiteral("sent/good.txt")), "hello"));
    const QString brokenText = QStringLiteral("Transfer stopped: the sender's request could not be read.");
    QProcess process;
    program.startPlaying(process, QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "wait idle\n"
        "expect screen %1\n"
        "expect screen keys: [Done]\n"
        "dump\n"
        "wait input\n"                  // the next sender
        "wait idle\n"
        "expect screen File received\n"
        "expect screen good.txt\n"
        "expect screen 5 bytes\n"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Receiving... ==\n"
        "dump\n"
        "wait input\n").arg(brokenText));   // a sender after the page has closed
    QString out;
    readUntil(process, out, QStringLiteral("Waiting for a file..."));
    {
        ObexPeer broken(port);
        EXPECT_EQ(broken.ask(QByteArray("\x82\x00\x02", 3)).toHex(), "c00003");
        EXPECT_TRUE(broken.closedByServer());
    }
    process.write("\n");
    readUntil(process, out, brokenText);

    QProcess client;
    client.start(obexftp, {QStringLiteral("-n"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-p"),
                           program.path(QStringLiteral("sent/good.txt"))});
    ASSERT_TRUE(client.waitForFinished(-1));
    const QString said = QString::fromUtf8(client.readAllStandardOutput() + client.readAllStandardError());
    EXPECT_FALSE(said.contains(QStringLiteral("failed"))) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("done")), 3) << said.toStdString();  // connect, the file, disconnect
    process.write("\n");
    readUntil(process, out, QStringLiteral("good.txt"));

    ObexPeer late(port);
    EXPECT_FALSE(late.connected());  // nothing listens once the page is closed
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    out += QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString() << out.toStdString();
    EXPECT_EQ(itemsIn(program, "Docs"), QStringList({QStringLiteral("good.txt")}));
    EXPECT_EQ(program.content("Docs/good.txt"), "hello");
    EXPECT_TRUE(out.contains(QStringLiteral(">     good.txt"))) << out.toStdString();
}

TEST(ReceiveScript, ASenderThatLeavesMidFileIsToldAndTheNextSenderCountsFromZero)
{
    ProgramFixture program;
    program.folder("Docs");
    const quint16 port = receiveOnFreePort(program);
    const QString leftText = QStringLiteral("Transfer stopped: the sender's connection was lost before the file was complete.");
    QProcess process;
    program.startPlaying(process, QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "wait idle\n"
        "expect screen %1\n"
        "expect screen fresh.txt\n"
        "expect screen keys: [Done]\n"
        "dump\n"
        "wait input\n"                  // the next sender
        "wait idle\n"
        "expect screen File received\n"
        "expect screen next.txt\n"
        "expect screen 5 bytes\n"
        "expect no screen 605\n"
        "key F1\n"
        "wait idle\n"
        "dump\n").arg(leftText));
    QString out;
    readUntil(process, out, QStringLiteral("Waiting for a file..."));
    {
        ObexPeer first(port);
        EXPECT_EQ(first.ask(connect()).toHex(), "a0000710004000");
        EXPECT_EQ(first.ask(packet(Obex::Put, name(QStringLiteral("fresh.txt")) + body(QByteArray(600, 'f')))).toHex(), "900003");
    }
    process.write("\n");
    readUntil(process, out, leftText);
    // Nothing of the half-received file is there, under its name or another.
    EXPECT_TRUE(itemsIn(program, "Docs").isEmpty()) << itemsIn(program, "Docs").join(u' ').toStdString();

    ObexPeer second(port);
    EXPECT_EQ(second.ask(connect()).toHex(), "a0000710004000");
    EXPECT_EQ(second.ask(putWhole(QStringLiteral("next.txt"), "12345")).toHex(), "a00003");
    EXPECT_EQ(second.ask(disconnect()).toHex(), "a00003");
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    out += QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString() << out.toStdString();
    EXPECT_EQ(itemsIn(program, "Docs"), QStringList({QStringLiteral("next.txt")}));
    EXPECT_TRUE(out.contains(QStringLiteral(">     next.txt"))) << out.toStdString();
}

TEST(ReceiveScript, APortThatCannotBeOpenedIsToldWithWhereItIsSetAndNothingRuns)
{
    ProgramFixture program;
    program.folder("Docs");
    platform::ListenSocket taken;
    ASSERT_TRUE(taken.open(QStringLiteral("127.0.0.1"), 0));
    program.registry("Software\\Corvane\\Fennick\\Receive", "Address",
                     {platform::RegType::String, RegKey::encodeString(QStringLiteral("127.0.0.1"))});
    program.registry("Software\\Corvane\\Fennick\\Receive", "Port",
                     {platform::RegType::Dword, RegKey::encodeDword(taken.port())});
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Receive from IR...\n"
        "expect screen Error while initializing infrared port! Please disable incoming beams option in phone settings.\n"
        "expect screen Cannot listen on 127.0.0.1, port %1: Address already in use.\n"
        "expect screen \"Address\" and \"Port\" of the registry key HKEY_CURRENT_USER\\Software\\Corvane\\Fennick\\Receive.\n"
        "key Enter\n"
        "expect no screen == Receiving... ==\n").arg(taken.port()));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

}  // namespace
