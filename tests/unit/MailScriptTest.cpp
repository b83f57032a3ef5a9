// Sending by e-mail and MMS as a person does it: the Send & Receive and Zip/Unzip pop-ups of
// the File menu, the account list, the question before packing, and the composer that gets
// the message (a recorder here; nothing is ever sent).
#include "ProgramFixture.h"
#include "Recorder.h"

#include "settings/RegKey.h"

#include <QProcess>

namespace {

platform::RegValue text(const QString& value) { return {platform::RegType::String, RegKey::encodeString(value)}; }

class MailScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.registry("Software\\Corvane\\Fennick", "Composer", text(m_programs.program("composer") + QStringLiteral(" --utf8")));
        program.environment(QStringLiteral("HOME"), program.root() + QStringLiteral("/home"));
        program.folder("home");
    }
    void account(const char* store, const char* name, const char* address)
    {
        const QByteArray key = QByteArray("Software\\Corvane\\Fennick\\Accounts\\") + store;
        program.registry(key.constData(), "DisplayName", text(QString::fromUtf8(name)));
        program.registry(key.constData(), "Account", text(QString::fromUtf8(address)));
    }
    std::string host(const char* relative) const { return (program.root() + u'/' + QString::fromUtf8(relative)).toStdString(); }

    ProgramFixture program;
    Recorder m_programs{program.path(QStringLiteral("bin"))};
};

TEST_F(MailScript, AFileGoesToTheComposerByMmsAndByTheChosenAccount)
{
    program.file("pic.jpg", "picture");
    account("1", "Work", "me@work.example");
    const ProgramRun one = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"                               // pic.jpg (below home)
        "key F1\nchoose Send & Receive\nchoose Send file by MMS...\n"
        "wait idle\n"
        "key F1\nchoose Send & Receive\nchoose Send file by email...\n"   // one account: no list
        "wait idle\n"));
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString() << one.out.toStdString();
    // Each start is recorded before the next replaces it: take them in a run of their own.
    EXPECT_EQ(m_programs.take(), "composer|--utf8|--subject|Send a file|--attach|" + host("pic.jpg"));

    account("2", "Home", "me@home.example");
    const ProgramRun two = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"
        "key F1\nchoose Send & Receive\nchoose Send file by email...\n"
        "expect screen == Send file by email... ==\n"
        "expect screen Home (me@home.example)\n"
        "key Down Down\n"                          // Home
        "key Enter\n"
        "wait idle\n"));
    ASSERT_EQ(two.exitCode, 0) << two.err.toStdString() << two.out.toStdString();
    EXPECT_EQ(m_programs.take(), "composer|--utf8|--subject|Send a file|--attach|" + host("pic.jpg"));
}

TEST_F(MailScript, WithoutAnAccountOrAComposerNothingStartsAndTheUserIsTold)
{
    program.file("note.txt", "note");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"
        "key F1\nchoose Send & Receive\nchoose Send file by email...\n"
        "expect screen No email account found!\n"
        "key Enter\n"
        "expect screen Unable to open the email message form!\n"
        "key Enter\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    program.registry("Software\\Corvane\\Fennick", "Composer", text(QStringLiteral("no-such-composer-anywhere")));
    const ProgramRun zipped = program.play(QStringLiteral(
        "wait idle\n"
        "key Down *\n"                            // note.txt
        "key F1\nchoose Zip/Unzip\nchoose Zip sel. and mail...\n"
        "key F1\n"                                 // Yes
        "wait idle\n"
        "expect screen Unable to open the email message form!\n"));
    ASSERT_EQ(zipped.exitCode, 0) << zipped.err.toStdString() << zipped.out.toStdString();
    EXPECT_FALSE(m_programs.started());
}

TEST_F(MailScript, TheSelectionIsPackedIntoATemporaryArchiveThatIsAttached)
{
    program.folder("Docs/sub");
    program.file("Docs/a.txt", "a");
    program.file("Docs/sub/b.txt", "b");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key *\n"                                  // Docs
        "key F1\nchoose Zip/Unzip\nchoose Zip sel. and mail...\n"
        "expect screen \\home\\Fennick attachments\n"
        "key F2\n"                                 // No: nothing happens
        "key F1\nchoose Zip/Unzip\nchoose Zip sel. and mail...\n"
        "key F1\n"
        "wait idle\n"
        "key F1\nchoose Zip/Unzip\nchoose Zip sel. and mail...\n"   // again: the old archive goes first
        "key F1\n"
        "wait idle\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(m_programs.take(), "composer|--utf8|--attach|" + host("home/Fennick attachments/Attach.zip"));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), program.root() + QStringLiteral("/home/Fennick attachments/Attach.zip")});
    ASSERT_TRUE(unzip.waitForFinished(-1));
    QStringList names = QString::fromUtf8(unzip.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    names.sort();
    EXPECT_EQ(names.join(u' ').toStdString(), "Docs/a.txt Docs/sub/b.txt");

    // The folder of the archive may not be a part of what is packed.
    const ProgramRun refused = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"                               // home
        "key *\n"
        "key F1\nchoose Zip/Unzip\nchoose Zip sel. and mail...\n"
        "key F1\n"
        "expect screen You can't have this folder in the selection!\n"
        "expect screen \\home\\Fennick attachments\n"));
    ASSERT_EQ(refused.exitCode, 0) << refused.err.toStdString() << refused.out.toStdString();
}

}  // namespace
