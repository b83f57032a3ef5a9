// The receive server on a real socket on 127.0.0.1: another program's OBEX client pushes files
// into it, and hostile peers do what they can. The server ends each sender's transfer cleanly,
// goes on with the next sender, and writes only inside its folder. Run under ThreadSanitizer in
// CI.
#include "FileContent.h"
#include "ObexPeer.h"
#include "platform/StreamSocket.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/StringTable.h"
#include "transfer/ObexReceiver.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

namespace {

using namespace ObexRequests;

// What the page shows of the receiver: status line, name, byte count.
struct Shown {
    int status;
    QString name;
    qint64 total;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& shown)
{
    return out << "[" << shown.status << " " << shown.name.toStdString() << " " << shown.total << "]";
}

std::ostream& operator<<(std::ostream& out, const std::vector<Shown>& shown)
{
    for (const Shown& one : shown)
        out << one << " ";
    return out;
}

class ThreadedObexReceiver : public ::testing::Test {
protected:
    ThreadedObexReceiver() : m_fileSystem(QFile::encodeName(m_root.path()))
    {
        QDir(m_root.path()).mkdir(QStringLiteral("In"));
        platform::ListenSocket listener;
        EXPECT_TRUE(listener.open(QStringLiteral("127.0.0.1"), 0));
        m_receiver = std::make_unique<ObexReceiver>(m_fileSystem, QStringLiteral("\\In"), std::move(listener));
        m_port = m_receiver->port();
        // Nobody answers questions here: an existing name would be refused. What the page would
        // show is kept each time it changes.
        m_receiver->start([](const QString&) { return false; }, [this] {
            const Shown now{m_receiver->status(), m_receiver->name(), m_receiver->total()};
            std::lock_guard lock(m_shownMutex);
            if (m_shown.empty() || !(m_shown.back() == now))
                m_shown.push_back(now);
        });
    }

    std::vector<Shown> shown()
    {
        std::lock_guard lock(m_shownMutex);
        return m_shown;
    }
    bool wasShown(const Shown& wanted)
    {
        const std::vector<Shown> all = shown();
        return std::find(all.begin(), all.end(), wanted) != all.end();
    }
    bool workerEnded() const { return m_receiver->ended(); }

    QStringList received() const
    {
        return QDir(m_root.filePath(QStringLiteral("In"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QStringList rootItems() const { return QDir(m_root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }
    QString in(const QString& name) const { return m_root.filePath(QStringLiteral("In/") + name); }

    QTemporaryDir m_root;
    platform::LinuxFileSystem m_fileSystem;
    std::unique_ptr<ObexReceiver> m_receiver;
    quint16 m_port = 0;
    std::mutex m_shownMutex;
    std::vector<Shown> m_shown;
};


TEST_F(ThreadedObexReceiver, ObexftpPushesFilesThatArriveByteForByte)
{
    const QString obexftp = QStandardPaths::findExecutable(QStringLiteral("obexftp"));
    ASSERT_FALSE(obexftp.isEmpty()) << "obexftp is installed by scripts/bootstrap";
    QTemporaryDir sources;
    QByteArray large(300 * 1024 + 7, '\0');
    QRandomGenerator random(14);
    for (char& byte : large)
        byte = static_cast<char>(random.bounded(256));
    const std::vector<std::pair<QString, QByteArray>> files = {
        {QStringLiteral("hello.txt"), "hello\n"}, {QStringLiteral("empty.bin"), {}}, {QStringLiteral("large.bin"), large},
        {QStringLiteral("Grüße €.txt"), "wide"}};
    QStringList arguments = {QStringLiteral("-n"), QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("-p")};
    for (const auto& [name, content] : files) {
        ASSERT_TRUE(FileContent::write(sources.filePath(name), content));
        arguments << sources.filePath(name);
    }
    QProcess client;
    client.start(obexftp, arguments);
    ASSERT_TRUE(client.waitForFinished(-1));
    // obexftp 0.24 exits with 255 even when every step is done: what it prints tells.
    const QString said = QString::fromUtf8(client.readAllStandardOutput() + client.readAllStandardError());
    EXPECT_FALSE(said.contains(QStringLiteral("failed"))) << said.toStdString();
    EXPECT_EQ(said.count(QStringLiteral("done")), 2 + static_cast<int>(files.size())) << said.toStdString();  // connect, each file, disconnect
    m_receiver->stop();

    for (const auto& [name, content] : files)
        EXPECT_EQ(FileContent::read(in(name)), content) << name.toStdString();
    EXPECT_EQ(received().size(), 4) << received().join(u' ').toStdString();
    EXPECT_EQ(m_receiver->status(), Str::FileReceived);
    EXPECT_EQ(m_receiver->total(), 6 + 4 + large.size());
    EXPECT_EQ(m_receiver->newPaths().size(), 4);
}

TEST_F(ThreadedObexReceiver, AThousandObjectsWithTraversalNamesLandInsideTheFolder)
{
    ObexPeer peer(m_port);
    ASSERT_TRUE(peer.connected());
    EXPECT_EQ(peer.ask(connect()).toHex(), "a0000710004000");
    QByteArray requests;
    for (int i = 0; i < 1000; ++i)
        requests += putWhole(QStringLiteral("../../n%1").arg(i), QByteArray::number(i));
    ASSERT_TRUE(peer.send(requests));  // all at once: the server frames them from the stream
    int successes = 0;
    for (int i = 0; i < 1000; ++i)
        successes += peer.reply().toHex() == "a00003";
    EXPECT_EQ(successes, 1000);
    EXPECT_EQ(peer.ask(disconnect()).toHex(), "a00003");
    m_receiver->stop();
    EXPECT_EQ(received().size(), 1000);
    EXPECT_EQ(FileContent::read(in(QStringLiteral("n999"))), "999");
    EXPECT_EQ(rootItems(), QStringList({QStringLiteral("In")}));
}

TEST_F(ThreadedObexReceiver, AnOversizedLengthFieldEndsTheSessionWithAnError)
{
    ObexPeer peer(m_port);
    EXPECT_EQ(peer.ask(packet(Obex::Put, name(QStringLiteral("a")) + body("partial"))).toHex(), "900003");
    EXPECT_EQ(peer.ask(QByteArray("\x02\xff\xff", 3)).toHex(), "cd0003");
    EXPECT_TRUE(peer.closedByServer());
    m_receiver->stop();
    EXPECT_EQ(m_receiver->status(), Str::ReceiveBrokenRequest);
    EXPECT_TRUE(received().isEmpty()) << received().join(u' ').toStdString();
}

TEST_F(ThreadedObexReceiver, APeerThatLeavesMidObjectIsToldLeavesNothingAndTheNextCountsFromZero)
{
    {
        ObexPeer first(m_port);
        EXPECT_EQ(first.ask(connect()).toHex(), "a0000710004000");
        EXPECT_EQ(first.ask(packet(Obex::Put, name(QStringLiteral("cut.bin")) + body("half"))).toHex(), "900003");
    }
    ObexPeer second(m_port);
    EXPECT_EQ(second.ask(connect()).toHex(), "a0000710004000");
    EXPECT_EQ(second.ask(putWhole(QStringLiteral("whole.bin"), "all")).toHex(), "a00003");
    EXPECT_EQ(second.ask(disconnect()).toHex(), "a00003");
    m_receiver->stop();
    EXPECT_EQ(received(), QStringList({QStringLiteral("whole.bin")}));
    // The page said why the first object stopped, then counted the second sender from zero.
    EXPECT_TRUE(wasShown({Str::ReceiveSenderLeft, QStringLiteral("cut.bin"), 4})) << shown();
    EXPECT_EQ(shown().back(), (Shown{Str::FileReceived, QStringLiteral("whole.bin"), 3})) << shown();
}

TEST_F(ThreadedObexReceiver, ABrokenSenderIsAnsweredAndDroppedAndTheNextSenderIsServed)
{
    const struct {
        const char* what;
        QByteArray opening;  // a first packet of an object, or nothing
        QByteArray broken;
        const char* reply;
    } cases[] = {
        {"a length shorter than the packet's own prefix", {}, QByteArray("\x82\x00\x02", 3), "c00003"},
        {"the same in the middle of an object", packet(Obex::Put, name(QStringLiteral("half.txt")) + body("x")),
         QByteArray("\x82\x00\x02", 3), "c00003"},
        {"a name past its packet", packet(Obex::Put, name(QStringLiteral("half.txt")) + body("x")),
         packet(Obex::PutFinal, QByteArray("\x01\x00\x40\x00\x41", 5)), "c00003"},
        {"a length beyond the packet limit", packet(Obex::Put, name(QStringLiteral("half.txt")) + body("x")),
         QByteArray("\x02\xff\xff", 3), "cd0003"},
    };
    int round = 0;
    for (const auto& test : cases) {
        ObexPeer broken(m_port);
        if (!test.opening.isEmpty()) {
            EXPECT_EQ(broken.ask(test.opening).toHex(), "900003") << test.what;
        }
        EXPECT_EQ(broken.ask(test.broken).toHex(), test.reply) << test.what;
        EXPECT_TRUE(broken.closedByServer()) << test.what;
        EXPECT_EQ(m_receiver->status(), Str::ReceiveBrokenRequest) << test.what;

        const QString good = QStringLiteral("good%1.txt").arg(++round);
        ObexPeer next(m_port);
        ASSERT_TRUE(next.send(connect() + putWhole(good, "fine") + disconnect()));
        // A server that stopped serving would leave this sender unanswered for good.
        ASSERT_TRUE(next.waitForReply([this] { return workerEnded(); })) << test.what;
        EXPECT_EQ(next.reply().toHex(), "a0000710004000") << test.what;
        EXPECT_EQ(next.reply().toHex(), "a00003") << test.what;
        EXPECT_EQ(next.reply().toHex(), "a00003") << test.what;
        EXPECT_EQ(m_receiver->status(), Str::FileReceived) << test.what;
        EXPECT_EQ(m_receiver->total(), 4) << test.what;
    }
    m_receiver->stop();
    // Nothing half-received stays, under its name or any other.
    EXPECT_EQ(received(), QStringList({QStringLiteral("good1.txt"), QStringLiteral("good2.txt"), QStringLiteral("good3.txt"),
                                       QStringLiteral("good4.txt")}));
    EXPECT_EQ(FileContent::read(in(QStringLiteral("good4.txt"))), "fine");
    ObexPeer late(m_port);
    EXPECT_FALSE(late.connected());  // the port is closed with the page
}

// Senders take turns: one that connects and keeps silent, before its first byte or within an
// object, is dropped after the silence limit, and the sender after it is served.
TEST(ThreadedObexReceiverSilence, ASilentSenderIsDroppedAndTheNextOneServed)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkdir(QStringLiteral("In")));
    platform::LinuxFileSystem fileSystem(QFile::encodeName(root.path()));
    platform::ListenSocket listener;
    ASSERT_TRUE(listener.open(QStringLiteral("127.0.0.1"), 0));
    ObexReceiver receiver(fileSystem, QStringLiteral("\\In"), std::move(listener), 200);
    const quint16 port = receiver.port();
    receiver.start([](const QString&) { return false; }, [] {});
    const QByteArray halfObject = packet(Obex::Put, name(QStringLiteral("never.bin")) + body("x"));
    for (const QByteArray& said : {QByteArray(), halfObject}) {
        ObexPeer silent(port);
        ASSERT_TRUE(silent.connected());
        if (!said.isEmpty()) {
            ASSERT_TRUE(silent.send(said));
            EXPECT_EQ(silent.reply().toHex(), "900003");
        }
        ObexPeer next(port);
        ASSERT_TRUE(next.send(connect() + putWhole(QStringLiteral("after.txt"), "fine") + disconnect()));
        // Before the limit existed the silent sender held the server until the page closed: a
        // minute of waiting (a tenth of a second at a time) means it still does.
        int polls = 0;
        ASSERT_TRUE(next.waitForReply([&receiver, &polls] { return receiver.ended() || ++polls > 600; }));
        EXPECT_EQ(next.reply().toHex(), "a0000710004000");
        EXPECT_TRUE(silent.closedByServer());
    }
    receiver.stop();
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("In"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("after.txt")});
}

TEST_F(ThreadedObexReceiver, APeerThatConnectsAndFallsSilentDoesNotHoldTheServer)
{
    ObexPeer silent(m_port);
    ASSERT_TRUE(silent.send(packet(Obex::Put, name(QStringLiteral("never.bin")) + body("x")).left(10)));
    m_receiver->stop();  // returns: the worker's wait on the silent peer is woken
    EXPECT_TRUE(silent.closedByServer());
    EXPECT_TRUE(received().isEmpty());
    ObexPeer late(m_port);
    EXPECT_FALSE(late.connected());  // nothing listens once the page is closed
}

}  // namespace
