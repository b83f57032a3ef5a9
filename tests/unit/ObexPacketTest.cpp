// OBEX framing and headers, byte for byte: how a stream becomes packets, how a packet's headers
// are walked, how names are read.
#include "ObexPeer.h"
#include "transfer/ObexPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace ObexRequests;

std::vector<QByteArray> framed(const QByteArray& stream, qsizetype piece)
{
    Obex::Framer framer;
    std::vector<QByteArray> packets;
    QByteArrayView packet;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        framer.add(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
        while (framer.next(packet) == Obex::Framer::State::Packet)
            packets.push_back(packet.toByteArray());
    }
    return packets;
}

TEST(ObexFramer, APacketIsTakenOnlyWhenItsLengthHasArrivedHoweverTheStreamIsCut)
{
    const std::vector<QByteArray> sent = {connect(), putWhole(QStringLiteral("a.txt"), QByteArray(5000, 'a')),
                                          packet(Obex::Put, body(QByteArray(16384 - 6, 'b'))), disconnect()};
    QByteArray stream;
    for (const QByteArray& packet : sent)
        stream += packet;
    for (const qsizetype piece : {qsizetype(1), qsizetype(2), qsizetype(7), qsizetype(4096), stream.size()}) {
        EXPECT_EQ(framed(stream, piece), sent) << "pieces of " << piece;
    }
}

TEST(ObexFramer, ALengthFieldOutsideThreeToTheLimitBreaksTheStreamForGood)
{
    struct Case {
        const char* bytes;
        bool tooLarge;
    };
    for (const Case& test : {Case{"\x82\x00\x02", false}, Case{"\x82\x00\x00", false}, Case{"\x82\x40\x01", true},
                             Case{"\x82\xff\xff", true}}) {
        Obex::Framer framer;
        framer.add(QByteArray(test.bytes, 3));
        QByteArrayView packet;
        EXPECT_EQ(framer.next(packet), Obex::Framer::State::Broken) << test.bytes;
        EXPECT_EQ(framer.tooLarge(), test.tooLarge);
        framer.add(disconnect());
        EXPECT_EQ(framer.next(packet), Obex::Framer::State::Broken);
    }
    Obex::Framer limit;
    limit.add(packet(Obex::Put, body(QByteArray(Obex::MaxPacket - 6, 'x'))));
    QByteArrayView packet;
    EXPECT_EQ(limit.next(packet), Obex::Framer::State::Packet);
    EXPECT_EQ(packet.size(), Obex::MaxPacket);
}

TEST(ObexHeaders, EachHeaderIsStepedOverByItsOwnForm)
{
    // A Length whose value holds a 0x01 byte, a Target, a one-byte header, then Name and Body.
    const QByteArray request = packet(Obex::Put, header(0xC3, {}).left(1) + QByteArray("\x00\x00\x01\x00", 4)
                                                     + header(0x46, "\x01\x02\x03") + QByteArray("\x93\x01", 2)
                                                     + name(QStringLiteral("x")) + body("data"));
    std::vector<std::pair<int, QByteArray>> seen;
    ASSERT_TRUE(Obex::walkHeaders(request, 3, [&](const Obex::Header& header) {
        seen.emplace_back(header.id, header.value.toByteArray());
        return true;
    }));
    const std::vector<std::pair<int, QByteArray>> expected = {{0xC3, QByteArray("\x00\x00\x01\x00", 4)},
                                                              {0x46, "\x01\x02\x03"},
                                                              {0x93, "\x01"},
                                                              {0x01, Obex::encodeText(QStringLiteral("x"))},
                                                              {0x48, "data"}};
    EXPECT_EQ(seen, expected);
}

TEST(ObexHeaders, AHeaderRunningPastThePacketOrShorterThanItsPrefixIsRefused)
{
    for (const QByteArray& headers : {QByteArray("\x01\x00\x02", 3), QByteArray("\x01\x00\x09\x00\x41", 5),
                                      QByteArray("\x48\x00", 2), QByteArray("\xC3\x00\x00", 3), QByteArray("\x93", 1)}) {
        EXPECT_FALSE(Obex::walkHeaders(packet(Obex::Put, headers), 3, [](const Obex::Header&) { return true; }))
            << headers.toHex().toStdString();
    }
}

TEST(ObexText, TheWholeUtf16NameIsReadUpToItsTerminator)
{
    struct Case {
        QByteArray value;
        bool readable;
        QString text;
    };
    const QString wide = QStringLiteral("Grüße €") + QString::fromUcs4(U"\U0001F600");
    for (const Case& test : {Case{Obex::encodeText(wide), true, wide},
                             Case{QByteArray("\x00\x41\x00\x00\x00\x42", 6), true, QStringLiteral("A")},
                             Case{QByteArray("\x00\x41", 2), true, QStringLiteral("A")},  // no terminator
                             Case{QByteArray("\xD8\x3D\x00\x41", 4), true, QStringLiteral("\uFFFDA")},
                             Case{QByteArray("\x00\x41\x00", 3), false, QString()}}) {
        QString text;
        EXPECT_EQ(Obex::decodeText(test.value, text), test.readable) << test.value.toHex().toStdString();
        if (test.readable) {
            EXPECT_EQ(text, test.text);
        }
    }
}

TEST(ObexResponses, AreTheBytesPeersExpect)
{
    EXPECT_EQ(Obex::connectResponse().toHex(), "a0000710004000");
    EXPECT_EQ(Obex::response(Obex::Continue).toHex(), "900003");
    EXPECT_EQ(Obex::response(Obex::Success).toHex(), "a00003");
}

}  // namespace
