// Pushing objects to an OBEX receiver over TCP: what arrives, in packets the receiver accepts,
// and how a refusal, a stop and a missing peer end.
#include "ObexTestReceiver.h"

#include "transfer/ObexClient.h"

#include <QRandomGenerator>

#include <thread>

#include <gtest/gtest.h>

namespace {

struct Source {
    QByteArray bytes;
    qint64 at = 0;
    qint64 operator()(char* data, qint64 size)
    {
        const qint64 take = std::min(size, bytes.size() - at);
        std::copy_n(bytes.constData() + at, take, data);
        at += take;
        return take;
    }
};

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

TEST(ThreadedObexClient, ObjectsArriveWholeInPacketsThePeerTakes)
{
    const struct {
        const char* what;
        int peerPacket;
        int chunk;
        qsizetype size;
    } cases[] = {
        {"an empty file", 0x2000, 8192, 0},
        {"a file of exactly one piece", 0x2000, 8192, 8186},
        {"a larger file", 0x2000, 8192, 100000},
        {"a peer of the smallest packets", 255, 8192, 5000},
        {"low speed", 0x2000, 120, 1000},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        ObexTestReceiver peer(entry.peerPacket);
        ObexClient client;
        ASSERT_EQ(client.connect(peer.address(), 10000), ObexClient::Outcome::Sent);
        Source source{randomBytes(entry.size)};
        std::atomic<bool> stop{false};
        qint64 lastCount = -1;
        const QString name = QStringLiteral("été \U0001F600.bin");
        EXPECT_EQ(client.put(name, static_cast<quint32>(entry.size), std::ref(source), entry.chunk,
                             [&](qint64 count) { lastCount = count; }, stop),
                  ObexClient::Outcome::Sent);
        client.disconnect();
        EXPECT_EQ(lastCount, entry.size);
        const std::vector<ObexTestReceiver::Object> objects = peer.objects();
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0].name, name);
        EXPECT_EQ(objects[0].length, static_cast<quint32>(entry.size));
        EXPECT_TRUE(objects[0].data == source.bytes);
        EXPECT_TRUE(objects[0].complete);
        EXPECT_LE(peer.largestPacket(), entry.peerPacket);
        EXPECT_LE(peer.largestPacket(), entry.chunk + 6 + 64);  // the name packet aside, a piece a packet
    }
}

TEST(ThreadedObexClient, ARefusalAStopAndAMissingPeerEndClearly)
{
    {
        ObexTestReceiver refusing(0x2000, 0xC3);  // Forbidden
        ObexClient client;
        ASSERT_EQ(client.connect(refusing.address(), 10000), ObexClient::Outcome::Sent);
        Source source{QByteArray("refused")};
        std::atomic<bool> stop{false};
        EXPECT_EQ(client.put(QStringLiteral("a"), 7, std::ref(source), 8192, [](qint64) {}, stop),
                  ObexClient::Outcome::Refused);
    }
    {
        ObexTestReceiver peer;
        ObexClient client;
        ASSERT_EQ(client.connect(peer.address(), 10000), ObexClient::Outcome::Sent);
        Source source{randomBytes(50000)};
        std::atomic<bool> stop{false};
        // Stopped after the second piece: the PUT is aborted, and what came is not kept whole.
        EXPECT_EQ(client.put(QStringLiteral("b"), 50000, std::ref(source), 1000,
                             [&](qint64 count) { stop = count >= 2000; }, stop),
                  ObexClient::Outcome::Refused);
        client.disconnect();
        const std::vector<ObexTestReceiver::Object> objects = peer.objects();
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_FALSE(objects[0].complete);
        EXPECT_EQ(objects[0].data.size(), 2000);
    }
    // A port where nothing listens.
    int port = 0;
    {
        ObexTestReceiver gone;
        port = gone.address().section(u':', 1).toInt();
    }
    ObexClient client;
    EXPECT_EQ(client.connect(QStringLiteral("127.0.0.1:%1").arg(port), 2000), ObexClient::Outcome::CannotConnect);
    EXPECT_EQ(client.connect(QStringLiteral("no port"), 2000), ObexClient::Outcome::CannotConnect);
}

TEST(ThreadedObexClient, AnInterruptEndsTheWaitForASilentPeer)
{
    // Takes the connection but never answers the CONNECT.
    platform::ListenSocket silent;
    ASSERT_TRUE(silent.open(QStringLiteral("127.0.0.1"), 0));
    ObexClient client;
    std::atomic<bool> waiting{false};
    ObexClient::Outcome outcome = ObexClient::Outcome::Sent;
    // A time-out of ten minutes: the connect ends only through the interrupt.
    std::thread worker([&] {
        waiting = true;
        outcome = client.connect(QStringLiteral("127.0.0.1:%1").arg(silent.port()), 600000);
    });
    while (!waiting)
        std::this_thread::yield();
    client.interrupt();
    worker.join();
    EXPECT_EQ(outcome, ObexClient::Outcome::CannotConnect);
}

}  // namespace
