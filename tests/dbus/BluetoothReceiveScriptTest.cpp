// "Receive from IR..." takes Bluetooth pushes too: while the page is open our agent is
// registered with obexd (tests/dbus/obexd.py on the private session bus), and a push that obexd
// asks about (AuthorizePush, called here as obexd would) is written under a hidden name in the
// receive folder. It takes its real name when the transfer completes; it is removed when the
// transfer fails or the page closes first. The agent goes with the page.
#include "MockService.h"
#include "ProgramFixture.h"

#include "settings/RegKey.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDir>

namespace {

const QString AgentPath = QStringLiteral("/org/corvane/fennick/ObexAgent");

struct Course {
    const char* name;
    const char* status;  // the transfer's last Status; empty: the page is closed before it ends
    bool kept;
    const char* shown;  // the page's status line at the end
};

void PrintTo(const Course& course, std::ostream* out) { *out << course.name; }

// The bus name of the program with process id `pid` on the session bus.
QString busNameOf(qint64 pid)
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    for (const QString& name : bus->registeredServiceNames().value())
        if (name.startsWith(u':') && bus->servicePid(name).value() == pid)
            return name;
    return QString();
}

void readUntil(QProcess& process, QString& out, const QString& marker)
{
    const qsizetype from = out.size();
    out += QString::fromUtf8(process.readAllStandardOutput());
    while (!out.mid(from).contains(marker) && process.waitForReadyRead(-1))
        out += QString::fromUtf8(process.readAllStandardOutput());
}

// Receives on 127.0.0.1 (TCP, beside Bluetooth) at a port the system picks.
void receiveLocally(ProgramFixture& program)
{
    program.registry("Software\\Corvane\\Fennick\\Receive", "Address",
                     {platform::RegType::String, RegKey::encodeString(QStringLiteral("127.0.0.1"))});
    program.registry("Software\\Corvane\\Fennick\\Receive", "Port", {platform::RegType::Dword, RegKey::encodeDword(0)});
}

// A push of `name` that obexd has, and its AuthorizePush to the program's agent.
QDBusMessage pushOffered(MockService& obexd, const QProcess& program, const QString& name, QString& transfer)
{
    const QDBusMessage added = obexd.call(QStringLiteral("/"), QStringLiteral("org.bluez.obex.Mock"),
                                          QStringLiteral("AddPush"), {name, quint64(3)});
    EXPECT_EQ(added.type(), QDBusMessage::ReplyMessage) << added.errorMessage().toStdString();
    transfer = added.arguments().value(0).value<QDBusObjectPath>().path();
    QDBusMessage authorize = QDBusMessage::createMethodCall(busNameOf(program.processId()), AgentPath,
                                                            QStringLiteral("org.bluez.obex.Agent1"),
                                                            QStringLiteral("AuthorizePush"));
    authorize << QVariant::fromValue(QDBusObjectPath(transfer));
    return authorize;
}

QDBusMessage transferStatus(MockService& obexd, const QString& transfer, const QVariantMap& properties)
{
    return obexd.call(transfer, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("UpdateProperties"),
                      {QStringLiteral("org.bluez.obex.Transfer1"), properties});
}

const char* const OpenReceivePage =
    "wait idle\n"
    "key F1\nchoose Send & Receive\nchoose Receive from IR...\n"
    "wait idle\n"
    "expect screen == Receiving... ==\n"
    "dump\n"
    "wait input\n";

class BluetoothReceiveScript : public ::testing::TestWithParam<Course> {};

TEST_P(BluetoothReceiveScript, APushCarriesItsNameOnlyOnceComplete)
{
    const Course course = GetParam();
    const bool ends = course.status[0] != '\0';
    MockService obexd(MockService::Bus::Session, QStringLiteral(FENNICK_DBUS_TEMPLATES "/obexd.py"),
                      QStringLiteral("org.bluez.obex"));
    ProgramFixture program;
    program.folder("Docs");
    receiveLocally(program);
    QProcess process;
    program.startPlaying(process, QString::fromUtf8(OpenReceivePage) + QStringLiteral(  // then the push comes
        "%1"
        "key F1\n"
        "wait idle\n"
        "expect no screen == Receiving... ==\n")
        .arg(ends ? QStringLiteral("wait idle\nexpect screen photo.jpg\nexpect screen %1\n").arg(QString::fromUtf8(course.shown))
                  : QString()));
    QString out;
    readUntil(process, out, QStringLiteral("== Receiving... =="));
    EXPECT_TRUE(obexd.calls().contains(QStringLiteral("RegisterAgent \"%1\"").arg(AgentPath)))
        << obexd.calls().join(u'\n').toStdString();

    QString transfer;
    const QDBusMessage answer
        = QDBusConnection::sessionBus().call(pushOffered(obexd, process, QStringLiteral("photo.jpg"), transfer));
    ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    const QString hidden = answer.arguments().value(0).toString();
    const QString docs = program.root() + QStringLiteral("/Docs");
    EXPECT_EQ(QFileInfo(hidden).absolutePath(), docs);
    EXPECT_TRUE(QFileInfo(hidden).fileName().startsWith(u'.')) << hidden.toStdString();
    // As obexd does: the bytes go to the name the agent gave.
    ASSERT_TRUE(FileContent::write(hidden, "12345"));
    const auto update = [&](const QVariantMap& properties) {
        const QDBusMessage reply = transferStatus(obexd, transfer, properties);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    };
    update({{QStringLiteral("Status"), QStringLiteral("active")}, {QStringLiteral("Transferred"), quint64(5)}});
    EXPECT_FALSE(program.exists("Docs/photo.jpg"));
    if (ends)
        update({{QStringLiteral("Status"), QString::fromUtf8(course.status)}});
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString()
                                     << process.readAllStandardOutput().toStdString();

    const QStringList left = QDir(docs).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, course.kept ? QStringList{QStringLiteral("photo.jpg")} : QStringList()) << left.join(u' ').toStdString();
    if (course.kept) {
        EXPECT_EQ(program.content("Docs/photo.jpg"), "12345");
    }
    const QStringList calls = obexd.calls();
    EXPECT_TRUE(calls.contains(QStringLiteral("UnregisterAgent \"%1\"").arg(AgentPath))) << calls.join(u'\n').toStdString();
    // A page closed mid-push stops obexd's transfer too.
    EXPECT_EQ(calls.contains(QStringLiteral("Cancel")), !ends) << calls.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Courses, BluetoothReceiveScript,
                         ::testing::Values(Course{"Complete", "complete", true, "File received"},
                                           Course{"Failed", "error", false, "Tranfer cancelled"},
                                           Course{"PageClosedFirst", "", false, ""}),
                         [](const ::testing::TestParamInfo<Course>& param) { return std::string(param.param.name); });

struct Answer {
    const char* name;
    const char* key;  // on the question
    bool replaced;
};

void PrintTo(const Answer& answer, std::ostream* out) { *out << answer.name; }

class BluetoothReceiveOverScript : public ::testing::TestWithParam<Answer> {};

TEST_P(BluetoothReceiveOverScript, AnExistingFileIsAskedAboutAndReplacedOnlyOnYes)
{
    const Answer answer = GetParam();
    MockService obexd(MockService::Bus::Session, QStringLiteral(FENNICK_DBUS_TEMPLATES "/obexd.py"),
                      QStringLiteral("org.bluez.obex"));
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/a.txt", "old");
    receiveLocally(program);
    QProcess process;
    program.startPlaying(process, QStringLiteral("wait idle\nkey Enter\n")  // Docs open, a.txt shown
                                      + QString::fromUtf8(OpenReceivePage) + QStringLiteral(
        "wait idle\n"
        "expect screen File '\\Docs\\a.txt' already exists. Do you want to overwrite it?\n"
        "key %1\n"
        "wait input\n"                             // the push went, or was refused
        "wait idle\n"
        "key F1\n"
        "wait idle\n").arg(QString::fromUtf8(answer.key)));
    QString out;
    readUntil(process, out, QStringLiteral("== Receiving... =="));
    QString transfer;
    QDBusPendingCall asked = QDBusConnection::sessionBus().asyncCall(pushOffered(obexd, process, QStringLiteral("a.txt"), transfer));
    process.write("\n");
    ASSERT_TRUE(process.waitForBytesWritten(-1));
    asked.waitForFinished();
    const QDBusMessage reply = asked.reply();
    if (answer.replaced) {
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        ASSERT_TRUE(FileContent::write(reply.arguments().value(0).toString(), "new"));
        EXPECT_EQ(program.content("Docs/a.txt"), "old");  // whole until the new one is
        EXPECT_EQ(transferStatus(obexd, transfer, {{QStringLiteral("Status"), QStringLiteral("complete")}}).type(),
                  QDBusMessage::ReplyMessage);
    } else {
        EXPECT_EQ(reply.errorName(), QStringLiteral("org.bluez.obex.Error.Rejected"));
    }
    process.write("\n");
    ASSERT_TRUE(process.waitForFinished(-1));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString()
                                     << process.readAllStandardOutput().toStdString();
    EXPECT_EQ(program.content("Docs/a.txt"), answer.replaced ? "new" : "old");
    EXPECT_EQ(QDir(program.root() + QStringLiteral("/Docs")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("a.txt")});
}

INSTANTIATE_TEST_SUITE_P(Answers, BluetoothReceiveOverScript,
                         ::testing::Values(Answer{"Yes", "F1", true}, Answer{"No", "F2", false}),
                         [](const ::testing::TestParamInfo<Answer>& param) { return std::string(param.param.name); });

}  // namespace
