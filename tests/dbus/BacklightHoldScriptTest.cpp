// The display kept awake while "Receiving..." is open: an "idle" inhibitor from logind (played
// by dbusmock's logind template on the private system bus), taken when the page opens and
// given back when it ends, by its key or by a signal that ends Fennick.
#include "MockService.h"
#include "ProgramFixture.h"

#include "settings/RegKey.h"

#include <QDBusArgument>

#include <csignal>

namespace {

// The inhibitors logind holds, as "what who mode".
QStringList inhibitors(MockService& logind)
{
    const QDBusMessage reply = logind.call(QStringLiteral("/org/freedesktop/login1"),
                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                           QStringLiteral("ListInhibitors"));
    QStringList found;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {QStringLiteral("<no answer: %1>").arg(reply.errorMessage())};
    const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint user = 0, process = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> user >> process;
        list.endStructure();
        found << what + u' ' + who + u' ' + mode;
    }
    list.endArray();
    return found;
}

void readUntil(QProcess& process, QString& out, const QString& marker)
{
    const qsizetype from = out.size();
    out += QString::fromUtf8(process.readAllStandardOutput());
    while (!out.mid(from).contains(marker) && process.waitForReadyRead(-1))
        out += QString::fromUtf8(process.readAllStandardOutput());
}

struct Ending {
    const char* name;
    bool bySignal;  // SIGTERM while the page is open, else its left key
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.name; }

class BacklightHoldScript : public ::testing::TestWithParam<Ending> {};

TEST_P(BacklightHoldScript, TheInhibitorIsHeldWhileReceivingAndGivenBackWhenThePageEnds)
{
    MockService logind(MockService::Bus::System, QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1"));
    ProgramFixture program;
    program.registry("Software\\Corvane\\Fennick\\Receive", "Address",
                     {platform::RegType::String, RegKey::encodeString(QStringLiteral("127.0.0.1"))});
    program.registry("Software\\Corvane\\Fennick\\Receive", "Port", {platform::RegType::Dword, RegKey::encodeDword(0)});
    ASSERT_EQ(inhibitors(logind), QStringList());
    QProcess process;
    program.startPlaying(process, QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Receive from IR...\n"
        "wait idle\n"
        "expect screen == Receiving... ==\n"
        "dump\n"
        "wait input\n"
        "key F1\n"                          // Cancel: nothing came
        "wait idle\n"
        "expect no screen == Receiving... ==\n"
        "dump\n"
        "wait input\n"));
    QString out;
    readUntil(process, out, QStringLiteral("== Receiving... =="));
    EXPECT_EQ(inhibitors(logind), QStringList{QStringLiteral("idle Fennick block")});
    if (GetParam().bySignal) {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(-1));
        EXPECT_EQ(process.exitCode(), 128 + SIGTERM);
    } else {
        process.write("\n");
        readUntil(process, out, QStringLiteral("Fennick"));  // the main window's title, dumped
    }
    EXPECT_EQ(inhibitors(logind), QStringList());
    if (!GetParam().bySignal) {
        process.write("\n");
        ASSERT_TRUE(process.waitForFinished(-1));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString() << out.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, BacklightHoldScript,
                         ::testing::Values(Ending{"ByItsKey", false}, Ending{"ByASignal", true}),
                         [](const ::testing::TestParamInfo<Ending>& param) { return std::string(param.param.name); });

}  // namespace
