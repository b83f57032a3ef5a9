// The screen served over VNC, as a viewer on this machine meets it: the real fennick started
// with --vnc, and the RFB handshake read from 127.0.0.1 up to the security types.

#include "FileContent.h"
#include "ProgramFixture.h"

#include <QDir>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <gtest/gtest.h>

#include <csignal>

#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// A port nobody listens on at the moment.
int freePort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    return probe.serverPort();
}

// The local addresses that listen on `port`, from the kernel's tables: addresses in hex as
// the kernel holds them (32-bit words in this machine's order), state 0A for LISTEN.
QList<QHostAddress> listeningAddresses(int port)
{
    QList<QHostAddress> found;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        const QList<QByteArray> lines = FileContent::read(QString::fromLatin1(table)).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
            if (fields.size() < 4 || fields.at(3) != "0A")
                continue;
            const QList<QByteArray> local = fields.at(1).split(':');
            if (local.size() != 2 || local.at(1).toInt(nullptr, 16) != port)
                continue;
            QByteArray bytes;
            for (qsizetype word = 0; word < local.at(0).size(); word += 8) {
                const quint32 value = local.at(0).mid(word, 8).toUInt(nullptr, 16);
                bytes.append(reinterpret_cast<const char*>(&value), 4);
            }
            if (bytes.size() == 4)
                found << QHostAddress(qFromBigEndian<quint32>(bytes.constData()));
            else
                found << QHostAddress(reinterpret_cast<const quint8*>(bytes.constData()));
        }
    }
    return found;
}

// What the server says before a viewer authenticates.
struct Handshake {
    QByteArray greeting;       // "RFB 003.008\n"
    QList<int> securityTypes;  // 1 none, 2 VNC authentication
};

QByteArray readExactly(QTcpSocket& socket, qint64 count)
{
    while (socket.bytesAvailable() < count && socket.waitForReadyRead(-1)) {
    }
    return socket.read(count);
}

Handshake handshake(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    EXPECT_TRUE(socket.waitForConnected(-1)) << socket.errorString().toStdString();
    Handshake result;
    result.greeting = readExactly(socket, 12);
    socket.write("RFB 003.008\n");
    const QByteArray count = readExactly(socket, 1);
    if (count.size() == 1)
        for (const char type : readExactly(socket, static_cast<quint8>(count.at(0))))
            result.securityTypes << static_cast<quint8>(type);
    return result;
}

// Fennick serving its screen, started as a person would, with its standard error read up to
// the line that says where.
class Serving {
public:
    Serving(ProgramFixture& program, const QStringList& arguments)
    {
        program.start(m_process, arguments);
        m_process.setReadChannel(QProcess::StandardError);
        while (!m_err.contains("serving the screen to VNC viewers") && m_process.waitForReadyRead(-1))
            m_err += m_process.readAllStandardError();
    }
    ~Serving()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(-1);
        }
    }

    bool isServing() const { return m_err.contains("serving the screen to VNC viewers"); }
    QString err() const { return QString::fromUtf8(m_err); }
    QProcess& process() { return m_process; }
    // The VNC server, Fennick's one child.
    pid_t server() const
    {
        const QByteArray children = FileContent::read(QStringLiteral("/proc/%1/task/%1/children").arg(m_process.processId()));
        return static_cast<pid_t>(children.trimmed().toInt());
    }

private:
    QProcess m_process;
    QByteArray m_err;
};

// Blocks until the process ends, however it ends and whoever its parent is.
bool waitForEnd(pid_t pid)
{
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0)
        return errno == ESRCH;
    pollfd ended {handle, POLLIN, 0};
    while (::poll(&ended, 1, -1) < 0 && errno == EINTR) {
    }
    ::close(handle);
    return true;
}

void writePasswordFile(const QString& file, mode_t mode)
{
    // What `vncpasswd` writes: the password, DES-encrypted with a fixed key, in 8 bytes.
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    ASSERT_TRUE(FileContent::write(file, QByteArray::fromHex("b4ab9e8c4e005607")));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), mode), 0);
}

TEST(VncServer, ServesThisMachineOnlyAndGoesWithFennickHoweverItEnds)
{
    const struct { int signal; QProcess::ExitStatus status; int exitCode; } endings[] = {
        {SIGTERM, QProcess::NormalExit, 128 + SIGTERM},  // ends as Quit does
        {SIGKILL, QProcess::CrashExit, 0},               // no chance to stop the server itself
    };
    for (const auto& ending : endings) {
        ProgramFixture program;
        const int port = freePort();
        Serving fennick(program, {QStringLiteral("--vnc"), QString::number(port)});
        ASSERT_TRUE(fennick.isServing()) << fennick.err().toStdString();
        const pid_t server = fennick.server();
        ASSERT_GT(server, 0);

        const Handshake seen = handshake(port);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^RFB 003\\.00\\d\\n$")).match(QString::fromLatin1(seen.greeting)).hasMatch())
            << seen.greeting.toStdString();
        EXPECT_EQ(seen.securityTypes, QList<int>{1});
        const QList<QHostAddress> listening = listeningAddresses(port);
        EXPECT_TRUE(listening.contains(QHostAddress(QHostAddress::LocalHost)));
        for (const QHostAddress& address : listening)
            EXPECT_TRUE(address.isLoopback()) << address.toString().toStdString();

        ::kill(static_cast<pid_t>(fennick.process().processId()), ending.signal);
        fennick.process().waitForFinished(-1);
        EXPECT_EQ(fennick.process().exitStatus(), ending.status);
        if (ending.status == QProcess::NormalExit) {
            EXPECT_EQ(fennick.process().exitCode(), ending.exitCode) << fennick.err().toStdString();
            // Fennick stopped the server itself, and took its X authority file away.
            const QDir runtime(program.runtimeFolder() + QStringLiteral("/fennick"));
            EXPECT_TRUE(runtime.entryList({QStringLiteral("*Xauthority*")}, QDir::Files | QDir::Hidden).isEmpty());
        }
        ASSERT_TRUE(waitForEnd(server));
        EXPECT_TRUE(listeningAddresses(port).isEmpty()) << ending.signal;
    }
}

TEST(VncServer, WithAPasswordOffersVncAuthenticationOnly)
{
    const struct { const char* passwordFile; bool named; } rows[] = {
        {"secret/vncpasswd", true},  // --vnc-passwd FILE
        {"config/fennick/vncpasswd", false},  // the default, used when it exists
    };
    for (const auto& row : rows) {
        ProgramFixture program;
        const QString file = program.path(QString::fromUtf8(row.passwordFile));
        writePasswordFile(file, 0600);
        const int port = freePort();
        QStringList arguments{QStringLiteral("--vnc"), QStringLiteral("127.0.0.1:%1").arg(port)};
        if (row.named)
            arguments << QStringLiteral("--vnc-passwd") << file;
        Serving fennick(program, arguments);
        ASSERT_TRUE(fennick.isServing()) << fennick.err().toStdString();
        EXPECT_EQ(handshake(port).securityTypes, QList<int>{2}) << row.passwordFile;
    }
}

TEST(VncServer, RefusesWithoutAUsablePasswordOrAFreePortAndListensNowhere)
{
    ProgramFixture program;
    const QString loose = program.path(QStringLiteral("loose"));
    writePasswordFile(loose, 0644);
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const int port = freePort();

    const struct { QStringList arguments; int exitCode; const char* complaint; int watchedPort; } rows[] = {
        {{QStringLiteral("--vnc"), QStringLiteral("0.0.0.0:%1").arg(port)}, 64, "needs a password", port},
        {{QStringLiteral("--vnc"), QStringLiteral("[::]:%1").arg(port)}, 64, "needs a password", port},
        {{QStringLiteral("--vnc"), QStringLiteral("0.0.0.0:%1").arg(port), QStringLiteral("--vnc-passwd"), loose}, 64,
         "chmod 600", port},
        {{QStringLiteral("--vnc"), QStringLiteral("0.0.0.0:%1").arg(port), QStringLiteral("--vnc-passwd"),
          program.path(QStringLiteral("missing"))}, 64, "cannot be read", port},
        {{QStringLiteral("--vnc"), QString::number(taken.serverPort())}, 1, "already in use", taken.serverPort()},
    };
    for (const auto& row : rows) {
        const ProgramRun run = program.run(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.arguments.join(u' ').toStdString() << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(row.complaint))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("serving the screen to VNC viewers"))) << run.err.toStdString();
        // Only this test's own listener on the taken port.
        const QList<QHostAddress> expected = row.watchedPort == port ? QList<QHostAddress>{}
                                                                     : QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost)};
        EXPECT_EQ(listeningAddresses(row.watchedPort), expected) << row.arguments.join(u' ').toStdString();
    }
}

}  // namespace
