// Sending files over OBEX as a person does it: the Send & Receive pop-up, the devices that
// answer, low speed, "Sending..." and its final word; the receiving device is a small receiver
// of the test on 127.0.0.1.
#include "ObexTestReceiver.h"
#include "ProgramFixture.h"

#include "settings/RegKey.h"

namespace {

platform::RegValue text(const QString& value) { return {platform::RegType::String, RegKey::encodeString(value)}; }

class SendScript : public ::testing::Test {
protected:
    void peer(const char* key, const char* name, const QString& address, const char* transport)
    {
        const QByteArray path = QByteArray("Software\\Corvane\\Fennick\\ObexPeers\\") + key;
        program.registry(path.constData(), "Name", text(QString::fromUtf8(name)));
        program.registry(path.constData(), "Address", text(address));
        program.registry(path.constData(), "Transport", text(QString::fromUtf8(transport)));
    }

    ProgramFixture program;
};

TEST_F(SendScript, TheFileGoesToTheDeviceThatAnswers)
{
    ObexTestReceiver desk(0x2000);
    peer("1", "Desk", desk.address(), "IrDA");
    peer("2", "Gone", QStringLiteral("127.0.0.1:1"), "Bluetooth");  // nothing answers there
    const QByteArray content = QByteArray("0123456789").repeated(2000);
    program.file("report.txt", content);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "expect screen == Send to... ==\n"
        "expect screen Desk via infrared\n"        // the only one that answers, selected
        "expect no screen Gone\n"
        "key *\n"                                  // low speed on, and off again
        "key F8\n"
        "key F1\n"                                 // Send
        "wait idle\n"
        "expect screen == Sending... ==\n"
        "expect screen File sent\n"
        "expect screen 100 %\n"
        "expect screen 19.5 Kb\n"
        "key F1\n"                                 // Done
        "wait idle\n"
        "expect screen == Send to... ==\n"
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const std::vector<ObexTestReceiver::Object> objects = desk.objects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].name, QStringLiteral("report.txt"));
    EXPECT_TRUE(objects[0].complete);
    EXPECT_TRUE(objects[0].data == content);
    EXPECT_GT(desk.largestPacket(), 4000);  // not the small packets of low speed
}

TEST_F(SendScript, NoDeviceARefusalAndASelectionOfFoldersEachEndClearly)
{
    ObexTestReceiver refusing(0x2000, 0xC3);
    program.file("a.txt", "a");
    program.folder("Docs");
    const ProgramRun none = program.play(QStringLiteral(
        "wait idle\n"                              // a.txt, above Docs
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "key F1\n"
        "expect screen Please select the destination device!\n"
        "key Enter\n"
        "key F2\n"));
    ASSERT_EQ(none.exitCode, 0) << none.err.toStdString() << none.out.toStdString();

    peer("1", "Phone", refusing.address(), "Bluetooth");
    const ProgramRun refused = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "expect screen Phone by bluetooth\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Refused, cancelled or error!\n"
        "key F1\n"                                 // Done
        "wait idle\n"
        "key F2\n"                                 // the device list goes too
        "key Down *\n"                             // Docs alone in the selection: nothing to send
        "key F1\nchoose Send & Receive\nchoose Send sel. by IR/BT...\n"
        "wait idle\n"
        "key F1\n"
        "wait idle\n"
        "expect screen File sent\n"
        "expect no screen 100 %\n"));
    ASSERT_EQ(refused.exitCode, 0) << refused.err.toStdString() << refused.out.toStdString();
    EXPECT_EQ(refusing.objects().size(), 1u);
    EXPECT_FALSE(refusing.objects()[0].complete);
}

}  // namespace
