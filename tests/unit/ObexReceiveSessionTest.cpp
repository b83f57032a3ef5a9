// The receive server's protocol over whole packets, with the objects written into a real
// folder: the responses peers rely on, objects one after the other, and what stays on the disk
// when a transfer is refused, aborted or broken.
#include "FileContent.h"
#include "ObexPeer.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/StringTable.h"
#include "transfer/FolderReceiveTarget.h"
#include "transfer/ObexReceiveSession.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace ObexRequests;
using Outcome = ObexReceiveSession::Outcome;

class ObexReceiveSessionTest : public ::testing::Test {
protected:
    ObexReceiveSessionTest()
        : m_fileSystem(QFile::encodeName(m_folder.path())),
          m_target(m_fileSystem, QStringLiteral("\\In"), [this](const QString& path) {
              m_asked << path;
              return m_replace;
          })
    {
        QDir(m_folder.path()).mkdir(QStringLiteral("In"));
    }

    // Sends packets and returns the responses, hex, joined by blanks ("-" for none).
    std::string exchange(std::initializer_list<QByteArray> packets)
    {
        QStringList replies;
        for (const QByteArray& packet : packets) {
            QByteArray reply;
            m_session.handle(packet, reply);
            replies << (reply.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(reply.toHex()));
        }
        return replies.join(u' ').toStdString();
    }
    QString file(const QString& name) const { return m_folder.filePath(QStringLiteral("In/") + name); }
    QStringList listing() const
    {
        return QDir(m_folder.filePath(QStringLiteral("In"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_folder;
    platform::LinuxFileSystem m_fileSystem;
    QStringList m_asked;
    bool m_replace = false;
    FolderReceiveTarget m_target;
    ObexReceiveSession m_session{m_target};
};

TEST_F(ObexReceiveSessionTest, AnswersAsPeersExpectAndWritesObjectsOneAfterTheOther)
{
    EXPECT_EQ(exchange({connect(0x0100),                                       // any peer limit
                        packet(Obex::GetFinal, name(QStringLiteral("x"))),     // no answer
                        packet(Obex::SetPath, {}),                             // no answer
                        packet(Obex::Put, name(QStringLiteral("a.txt")) + header(0xC3, {}).left(1)
                                              + QByteArray("\x00\x00\x00\x06", 4) + body("first ")),
                        packet(Obex::PutFinal, endOfBody("part")),
                        packet(Obex::PutFinal, name(QStringLiteral("b.bin")) + body("xy") + endOfBody({}))}),
              "a0000710004000 - - 900003 a00003 a00003");
    EXPECT_EQ(FileContent::read(file(QStringLiteral("a.txt"))), "first part");
    EXPECT_EQ(FileContent::read(file(QStringLiteral("b.bin"))), "xy");
    EXPECT_EQ(m_session.name(), QStringLiteral("b.bin"));
    EXPECT_EQ(m_session.total(), 12);
    EXPECT_EQ(exchange({disconnect()}), "a00003");
    EXPECT_EQ(m_session.outcome(), Outcome::Disconnected);
    EXPECT_EQ(m_target.newNames(), QStringList({QStringLiteral("a.txt"), QStringLiteral("b.bin")}));
    EXPECT_EQ(exchange({connect()}), "-");  // the session is over
}

TEST_F(ObexReceiveSessionTest, AFinalPutEndsItsObjectWithOrWithoutAnEndOfBody)
{
    // A final PUT with no body is a whole (empty) object; the next PUT is a new one, under its
    // own name. An End-of-Body before the final packet ends the object there.
    EXPECT_EQ(exchange({packet(Obex::PutFinal, name(QStringLiteral("empty"))),
                        packet(Obex::Put, name(QStringLiteral("next")) + endOfBody("1")),
                        packet(Obex::PutFinal, {})}),
              "a00003 900003 a00003");
    EXPECT_EQ(listing(), QStringList({QStringLiteral("empty"), QStringLiteral("next")}));
    EXPECT_EQ(FileContent::read(file(QStringLiteral("empty"))), "");
    EXPECT_EQ(FileContent::read(file(QStringLiteral("next"))), "1");
}

TEST_F(ObexReceiveSessionTest, AnObjectNotCompleteLeavesNothingBehind)
{
    struct Case {
        const char* what;
        QByteArray ending;   // "" for a link that is lost
        const char* reply;
        Outcome outcome;
        int failureText;
    };
    for (const Case& test : {Case{"abort", packet(Obex::Abort, {}), "a00003", Outcome::Cancelled, 0},
                             Case{"goodbye", disconnect(), "a00003", Outcome::Cancelled, 0},
                             Case{"bad header", packet(Obex::Put, QByteArray("\x48\x00\x09xx", 5)), "c00003", Outcome::Failed,
                                  Str::ReceiveBrokenRequest},
                             Case{"lost link", QByteArray(), "-", Outcome::Failed, Str::ReceiveSenderLeft}}) {
        ObexReceiveSession session(m_target);
        QByteArray reply;
        session.handle(packet(Obex::Put, name(QStringLiteral("part.bin")) + body(QByteArray(1000, 'p'))), reply);
        EXPECT_EQ(reply.toHex(), "900003");
        if (test.ending.isEmpty())
            session.linkLost();
        else
            session.handle(test.ending, reply);
        EXPECT_EQ(test.ending.isEmpty() ? "-" : reply.toHex().toStdString(), test.reply) << test.what;
        EXPECT_EQ(session.outcome(), test.outcome) << test.what;
        EXPECT_EQ(session.failureText(), test.failureText) << test.what;
        EXPECT_TRUE(listing().isEmpty()) << test.what << ": " << listing().join(u' ').toStdString();
    }
}

TEST_F(ObexReceiveSessionTest, ASenderThatLeavesBetweenObjectsKeepsWhatArrived)
{
    EXPECT_EQ(exchange({connect(), putWhole(QStringLiteral("a.txt"), "whole")}), "a0000710004000 a00003");
    m_session.linkLost();
    EXPECT_EQ(m_session.outcome(), Outcome::Left);
    EXPECT_EQ(m_session.objectsReceived(), 1);
    EXPECT_EQ(listing(), QStringList({QStringLiteral("a.txt")}));
    EXPECT_EQ(exchange({putWhole(QStringLiteral("b.txt"), "late")}), "-");  // the session is over
}

TEST_F(ObexReceiveSessionTest, BrokenRequestsEndTheSessionWithAnErrorAndWriteNothing)
{
    const struct {
        const char* what;
        QByteArray request;
    } cases[] = {
        {"name shorter than its prefix", packet(Obex::PutFinal, QByteArray("\x01\x00\x02", 3) + endOfBody("x"))},
        {"name past the packet", packet(Obex::PutFinal, QByteArray("\x01\x00\x40\x00\x41", 5))},
        {"name of odd length", packet(Obex::PutFinal, header(Obex::Name, QByteArray("\x00\x41\x00", 3)) + endOfBody("x"))},
    };
    for (const auto& test : cases) {
        ObexReceiveSession session(m_target);
        QByteArray reply;
        session.handle(test.request, reply);
        EXPECT_EQ(reply.toHex(), "c00003") << test.what;
        EXPECT_EQ(session.outcome(), Outcome::Failed);
        EXPECT_EQ(session.failureText(), Str::ReceiveBrokenRequest);
    }
    ObexReceiveSession tooLarge(m_target);
    QByteArray reply;
    tooLarge.brokenStream(true, reply);
    EXPECT_EQ(reply.toHex(), "cd0003");
    EXPECT_TRUE(listing().isEmpty());
}

TEST_F(ObexReceiveSessionTest, NamesFromThePeerStayInsideTheFolder)
{
    m_replace = true;
    for (const char* sent : {"../escape.txt", "..\\..\\up.txt", "/etc/abs.txt", "sub/dir/deep.txt", "..", ""})
        EXPECT_EQ(exchange({putWhole(QString::fromUtf8(sent), "x")}), "a00003") << sent;
    EXPECT_EQ(listing(), QStringList({QStringLiteral("abs.txt"), QStringLiteral("deep.txt"), QStringLiteral("escape.txt"),
                                      QStringLiteral("received"), QStringLiteral("up.txt")}));
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({QStringLiteral("In")}));
    // The second nameless object met the first one's name: the user was asked about it.
    EXPECT_EQ(m_asked, QStringList({QStringLiteral("\\In\\received")}));
}

TEST_F(ObexReceiveSessionTest, AnExistingFileIsReplacedOnlyWhenTheUserAgreesAndOnlyWhenTheNewOneIsWhole)
{
    ASSERT_TRUE(FileContent::write(file(QStringLiteral("a.txt")), "old"));
    EXPECT_EQ(exchange({putWhole(QStringLiteral("a.txt"), "new")}), "c30003");  // refused
    EXPECT_EQ(m_session.outcome(), Outcome::Cancelled);
    EXPECT_EQ(FileContent::read(file(QStringLiteral("a.txt"))), "old");
    EXPECT_EQ(m_asked, QStringList({QStringLiteral("\\In\\a.txt")}));

    m_replace = true;
    ObexReceiveSession session(m_target);
    QByteArray reply;
    session.handle(packet(Obex::Put, name(QStringLiteral("a.txt")) + body("new ")), reply);
    EXPECT_EQ(FileContent::read(file(QStringLiteral("a.txt"))), "old");  // still whole meanwhile
    session.handle(packet(Obex::PutFinal, endOfBody("text")), reply);
    EXPECT_EQ(reply.toHex(), "a00003");
    EXPECT_EQ(FileContent::read(file(QStringLiteral("a.txt"))), "new text");
    EXPECT_TRUE(m_target.newNames().isEmpty());  // replaced, not new: no second tree item
}

TEST_F(ObexReceiveSessionTest, AFolderThatCannotBeWrittenEndsTheObjectWithAnError)
{
    ASSERT_TRUE(QDir(m_folder.filePath(QStringLiteral("In"))).removeRecursively());
    EXPECT_EQ(exchange({putWhole(QStringLiteral("a.txt"), "x")}), "d00003");
    EXPECT_EQ(m_session.outcome(), Outcome::Failed);
    EXPECT_EQ(m_session.failureText(), Str::ReceiveWriteFailed);
}

}  // namespace
