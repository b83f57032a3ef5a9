// "Send to..." with Bluetooth as a person meets it: the paired devices that BlueZ knows to take
// pushed files are offered beside the peers of the registry, and what is sent to one of them
// goes through obexd. BlueZ is dbusmock's bluez5 template on the private system bus; obexd is
// tests/dbus/obexd.py on the private session bus, whose log of calls the tests read.
#include "MockService.h"
#include "ObexTestReceiver.h"
#include "ProgramFixture.h"

#include "settings/RegKey.h"

#include <QRegularExpression>

namespace {

const QString Phone = QStringLiteral("11:22:33:44:55:66");

class BluetoothSendScript : public ::testing::Test {
protected:
    // BlueZ with one adapter and three devices, of which only the phone is paired and takes
    // pushed files: the headset is paired without Object Push, the stranger takes pushes but
    // is not paired.
    void startBluez()
    {
        bluez = std::make_unique<MockService>(MockService::Bus::System, QStringLiteral("bluez5"),
                                              QStringLiteral("org.bluez"));
        const auto mock = [this](const char* method, const QVariantList& arguments) {
            const QDBusMessage reply = bluez->call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"),
                                                   QString::fromUtf8(method), arguments);
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << method << reply.errorMessage().toStdString();
        };
        mock("AddAdapter", {QStringLiteral("hci0"), QStringLiteral("fennick-test")});
        mock("AddDevice", {QStringLiteral("hci0"), Phone, QStringLiteral("Anna phone")});
        mock("PairDevice", {QStringLiteral("hci0"), Phone, 5898764});
        device("22:22:22:22:22:22", "Headset", true, QStringLiteral("0000110b-0000-1000-8000-00805f9b34fb"));
        device("33:33:33:33:33:33", "Stranger", false, QStringLiteral("00001105-0000-1000-8000-00805f9b34fb"));
    }
    void device(const char* address, const char* alias, bool paired, const QString& service)
    {
        const QString path = QStringLiteral("/org/bluez/hci0/dev_") + QString::fromUtf8(address).replace(u':', u'_');
        (void)bluez->call(QStringLiteral("/"), QStringLiteral("org.bluez.Mock"), QStringLiteral("AddDevice"),
                          {QStringLiteral("hci0"), QString::fromUtf8(address), QString::fromUtf8(alias)});
        const QDBusMessage reply = bluez->call(
            path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
            {QStringLiteral("org.bluez.Device1"),
             QVariantMap{{QStringLiteral("Paired"), paired}, {QStringLiteral("UUIDs"), QStringList{service}}}});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }
    void startObexd(const char* transfers)
    {
        obexd = std::make_unique<MockService>(
            MockService::Bus::Session, QStringLiteral(FENNICK_DBUS_TEMPLATES "/obexd.py"),
            QStringLiteral("org.bluez.obex"), QStringLiteral("{\"transfers\": \"%1\"}").arg(QString::fromUtf8(transfers)));
    }
    QString hostPath(const char* relative) const { return program.root() + u'/' + QString::fromUtf8(relative); }

    ProgramFixture program;
    std::unique_ptr<MockService> bluez;
    std::unique_ptr<MockService> obexd;
};

TEST_F(BluetoothSendScript, ThePairedPhoneIsOfferedBesideThePeersAndEachSelectedFileGoesThroughObexd)
{
    startBluez();
    startObexd("complete");
    ObexTestReceiver desk(0x2000);
    const QByteArray key = "Software\\Corvane\\Fennick\\ObexPeers\\1";
    program.registry(key.constData(), "Name", {platform::RegType::String, RegKey::encodeString(QStringLiteral("Desk"))});
    program.registry(key.constData(), "Address", {platform::RegType::String, RegKey::encodeString(desk.address())});
    program.file("a.txt", QByteArray(3000, 'a'));
    program.file("b.txt", QByteArray(1000, 'b'));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key *\nkey Down *\n"                      // a.txt and b.txt selected
        "key F1\nchoose Send & Receive\nchoose Send sel. by IR/BT...\n"
        "wait idle\n"
        "expect screen == Send to... ==\n"
        "expect screen Anna phone by bluetooth\n"
        "expect screen Desk via infrared\n"
        "expect no screen Headset\n"
        "expect no screen Stranger\n"
        "key Up\n"                                 // BlueZ's devices come first
        "key F1\n"
        "wait idle\n"
        "expect screen == Sending... ==\n"
        "expect screen File sent\n"
        "expect screen b.txt\n"
        "expect screen 100 %\n"
        "key F1\n"                                 // Done
        "wait idle\n"
        "expect screen == Send to... ==\n"
        "expect screen Anna phone by bluetooth\n"  // listed again
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(obexd->callsOf(QStringLiteral("CreateSession")),
              QStringList{QStringLiteral("\"%1\" {\"Target\": \"opp\"}").arg(Phone)});
    EXPECT_EQ(obexd->callsOf(QStringLiteral("SendFile")),
              QStringList({u'"' + hostPath("a.txt") + u'"', u'"' + hostPath("b.txt") + u'"'}));
    EXPECT_EQ(obexd->callsOf(QStringLiteral("RemoveSession")).size(), 1);
    EXPECT_TRUE(desk.objects().empty());
}

TEST_F(BluetoothSendScript, CancelReachesTheTransferAndTheSessionGoes)
{
    startBluez();
    startObexd("hold");
    program.file("big.bin", QByteArray(4000, 'x'));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "key F1\n"                                 // the phone, the only device
        "wait idle\n"
        "expect screen Sending data...\n"
        "expect screen big.bin\n"
        "expect screen 50 %\n"
        "key F1\n"                                 // Cancel
        "wait idle\n"
        "expect no screen == Sending... ==\n"
        "expect screen == Send to... ==\n"
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(obexd->callsOf(QStringLiteral("SendFile")), QStringList{u'"' + hostPath("big.bin") + u'"'});
    const QStringList calls = obexd->calls();
    const qsizetype cancel = calls.indexOf(QStringLiteral("Cancel"));
    ASSERT_GE(cancel, 0) << calls.join(u'\n').toStdString();
    // The session goes after the transfer was cancelled, not before.
    EXPECT_GT(calls.indexOf(QRegularExpression(QStringLiteral("^RemoveSession .*"))), cancel);
}

TEST_F(BluetoothSendScript, ARefusalIsToldWithTheWordsOfEverySend)
{
    startBluez();
    startObexd("refuse");
    program.file("note.txt", "note");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "key F1\n"
        "wait idle\n"
        "expect screen Refused, cancelled or error!\n"
        "expect screen keys: [Done]\n"
        "key F1\n"
        "wait idle\n"
        "key F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(obexd->callsOf(QStringLiteral("RemoveSession")).size(), 1);
}

TEST(BluetoothAbsent, WithoutBluezTheListHoldsThePeersAlone)
{
    ProgramFixture program;
    ObexTestReceiver desk(0x2000);
    const QByteArray key = "Software\\Corvane\\Fennick\\ObexPeers\\1";
    program.registry(key.constData(), "Name", {platform::RegType::String, RegKey::encodeString(QStringLiteral("Desk"))});
    program.registry(key.constData(), "Address", {platform::RegType::String, RegKey::encodeString(desk.address())});
    program.file("a.txt", "a");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by IR/BT...\n"
        "wait idle\n"
        "expect screen Desk via infrared\n"
        "key F1\n"
        "wait idle\n"
        "expect screen File sent\n"
        "key F1\nwait idle\nkey F2\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    ASSERT_EQ(desk.objects().size(), 1u);
}

}  // namespace
