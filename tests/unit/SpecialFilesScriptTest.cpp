// Items that are not regular files, pointed at as a person does it: a named pipe, a device and
// a socket are opened, sent, copied and encrypted. None of them may hold the window or a worker
// (a pipe waits for a writer; a device reads without end), and each is refused with its own
// reason, never "Permission denied".
#include "ListeningSocket.h"
#include "ObexTestReceiver.h"
#include "ProgramFixture.h"

#include "fileops/FailureText.h"
#include "settings/RegKey.h"

#include <QFile>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QString NotRegular = FailureText::reason(platform::FsError::NotRegularFile);

class SpecialFilesScript : public ::testing::Test {
protected:
    QByteArray host(const char* relative) const { return QFile::encodeName(program.root() + u'/' + QString::fromUtf8(relative)); }

    void fifo(const char* relative) { ASSERT_EQ(::mkfifo(host(relative).constData(), 0644), 0) << relative; }

    // A node of /dev/zero's kind: read, it never ends. Only root may make one.
    bool zeroDevice(const char* relative)
    {
        return ::mknod(host(relative).constData(), S_IFCHR | 0666, ::makedev(1, 5)) == 0;
    }

    ProgramFixture program;
};

TEST_F(SpecialFilesScript, OpeningAPipeOrADeviceSaysWhyAndTheWindowGoesOn)
{
    fifo("b.lnk");   // a shortcut's name: its content would be read
    fifo("c.txt");
    const bool device = zeroDevice("d.lnk");
    program.file("e.txt", "plain");
    QString script = QStringLiteral(
        "wait idle\n"
        "key Enter\n"                          // b.lnk
        "wait idle\n"
        "expect screen The system returned the error 'Not a regular file (a named pipe, a device or a socket)'!\n"
        "key Enter\n"
        "key Down Enter\n"                     // c.txt
        "wait idle\n"
        "expect screen The system returned the error 'Not a regular file (a named pipe, a device or a socket)'!\n"
        "key Enter\n");
    if (device)
        script += QStringLiteral(
            "key Down Enter\n"                 // d.lnk
            "wait idle\n"
            "expect screen The system returned the error 'Not a regular file (a named pipe, a device or a socket)'!\n"
            "key Enter\n");
    script += QStringLiteral("key Down\nexpect screen e.txt\n");
    const ProgramRun run = program.play(script);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

TEST_F(SpecialFilesScript, SendingAPipeOrADeviceEndsWithTheReasonAndSendsNothing)
{
    ObexTestReceiver desk(0x2000);
    const QByteArray key("Software\\Corvane\\Fennick\\ObexPeers\\1");
    const auto text = [](const QString& value) { return platform::RegValue{platform::RegType::String, RegKey::encodeString(value)}; };
    program.registry(key.constData(), "Name", text(QStringLiteral("Desk")));
    program.registry(key.constData(), "Address", text(desk.address()));
    program.registry(key.constData(), "Transport", text(QStringLiteral("IrDA")));
    fifo("a pipe.txt");
    const bool device = zeroDevice("b zero");
    const QString sendCurrent = QStringLiteral(
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "expect screen Desk via infrared\n"
        "key F1\n"                             // Send
        "wait idle\n"
        "expect screen == Sending... ==\n"
        "expect screen Error. Unable to read file!\n"
        "expect screen %1\n"
        "key F1\n"                             // Done
        "wait idle\n"
        "key F2\n"                             // the device list goes too
        "wait idle\n").arg(NotRegular);
    QString script = QStringLiteral("wait idle\n") + sendCurrent;
    if (device)
        script += QStringLiteral("key Down\n") + sendCurrent;
    script += QStringLiteral("expect no screen == Sending... ==\n");
    const ProgramRun run = program.play(script);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(desk.objects().empty());
}

// Each such entry of a selection is named with its reason, not only the first one met; a
// regular file among them is copied all the same.
TEST_F(SpecialFilesScript, CopyingASelectionNamesEveryItemThatIsNotARegularFile)
{
    program.folder("Dst");
    program.folder("Src");
    fifo("Src/a pipe");
    program.file("Src/b plain.txt", "plain");
    const ListeningSocket socket(host("Src/c socket"));
    ASSERT_TRUE(socket.isListening());
    const bool device = zeroDevice("Src/d zero");
    QString script = QStringLiteral(
        "wait idle\n"
        "key Down Enter\n"                     // Src open
        "key Down * Down * Down *\n");         // a pipe, b plain.txt, c socket
    if (device)
        script += QStringLiteral("key Down *\n");
    script += QStringLiteral(
        "key 2\n"                              // copy
        "key Up Up Up Up Up Up\n"             // Dst, the first item
        "key 3\n"                              // paste
        "wait idle\n");
    // Pasted from the last entry to the first, so the messages come in that order.
    if (device)
        script += QStringLiteral("expect screen Unable to copy file '\\Src\\d zero'!\nexpect screen %1\nkey Enter\nwait idle\n")
                      .arg(NotRegular);
    script += QStringLiteral(
        "expect screen Unable to copy file '\\Src\\c socket'!\nexpect screen %1\nkey Enter\nwait idle\n"
        "expect screen Unable to copy file '\\Src\\a pipe'!\nexpect screen %1\nkey Enter\nwait idle\n"
        "expect no screen An error occured\n").arg(NotRegular);
    const ProgramRun run = program.play(script);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(program.content("Dst/b plain.txt"), QByteArray("plain"));
    for (const char* name : {"Dst/a pipe", "Dst/c socket", "Dst/d zero"})
        EXPECT_FALSE(program.exists(name)) << name;
}

TEST_F(SpecialFilesScript, EncryptingAPipeSaysWhyAndWritesNothing)
{
    program.folder("Docs");
    fifo("Docs/report.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down *\n"                   // Docs open; the pipe selected
        "key F1\n"
        "choose Crypt...\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen %1\n"
        "key Enter\n"
        "wait idle\n"
        "expect no screen report.crf\n").arg(NotRegular));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_FALSE(program.exists("Docs/report.crf"));
}

}  // namespace
