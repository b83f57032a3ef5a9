// Packing the selection and unpacking archives as a person does it: the File menu's Zip/Unzip
// pop-up, the action key on an archive, and the messages when an archive is no archive.
#include "ProgramFixture.h"
#include "ZipBuilder.h"

#include "fileops/FailureText.h"

#include <QProcess>

#include <sys/stat.h>

namespace {

const QString NotRegular = FailureText::reason(platform::FsError::NotRegularFile);

QString entriesOf(const QString& archive)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), archive});
    unzip.waitForFinished(-1);
    QStringList names = QString::fromUtf8(unzip.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    names.sort();
    return names.join(u' ');
}

TEST(ArchiveScript, TheSelectionIsPackedAndTheArchiveUnpackedBesideItself)
{
    ProgramFixture program;
    program.folder("Docs/sub");
    program.folder("Docs/empty");
    program.file("Docs/a.txt", "a");
    program.file("Docs/sub/b.txt", "b");
    program.folder("Dst");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key * Down\n"                          // Docs selected; Dst current
        "key F1\nchoose Zip/Unzip\nchoose Zip selection...\n"
        "wait idle\n"
        "expect screen == Create ZIP file ==\n"
        "type pack\n"                           // replaces the selected "New archive"
        "key Enter\n"
        "wait idle\n"
        "expect screen pack.zip\n"              // shown in the tree and current
        "key Enter\n"                           // the action key unpacks it beside itself
        "wait idle\n"
        "expect screen pack\n"
        "key Down Enter\n"                      // back on pack.zip, just below the new folder: again
        "wait idle\n"
        "expect screen pack_1\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(entriesOf(program.root() + QStringLiteral("/Dst/pack.zip")),
              QStringLiteral("Docs/a.txt Docs/empty/ Docs/sub/b.txt"));
    QFile unpacked(program.root() + QStringLiteral("/Dst/pack/Docs/sub/b.txt"));
    ASSERT_TRUE(unpacked.open(QIODevice::ReadOnly));
    EXPECT_EQ(unpacked.readAll(), QByteArray("b"));
    EXPECT_TRUE(QDir(program.root() + QStringLiteral("/Dst/pack_1/Docs/empty")).exists());
}

TEST(ArchiveScript, NoArchiveAndDamagedEntriesAreTold)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/bad.zip", "this is no archive");
    ZipBuilder::Entry damaged;
    damaged.name = "broken.txt";
    damaged.data = "x";
    damaged.wrongChecksum = true;
    program.file("A/mixed.zip", ZipBuilder().add("fine.txt", "f").add(damaged).bytes());
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                      // A open; bad.zip
        "key Enter\n"
        "wait idle\n"
        "expect screen An error occured while opening the zip file!\n"
        "key Enter\n"
        "wait idle\n"
        "key Down\n"                            // no folder was left for bad.zip: mixed.zip
        "expect screen >     mixed.zip\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen 1 of 2 entries could not be unpacked; the first: 'broken.txt'.\n"
        "key Enter\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/A/mixed/fine.txt")));
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/A/mixed/broken.txt")));
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/A/bad")));
}

TEST(ArchiveScript, AnArchiveIsNeverMadeInsideTheSelection)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/a.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key * Enter Down\n"                    // Docs selected, opened; a.txt current
        "key F1\nchoose Zip/Unzip\nchoose Zip selection...\n"
        "wait idle\n"
        "expect screen You are trying to create the zip file in a folder that is part of the selection.\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(QDir(program.root() + QStringLiteral("/Docs")).entryList(QDir::Files), QStringList{QStringLiteral("a.txt")});
}

TEST(ArchiveScript, UnzipToAndAHandedOverArchiveAskWhereThroughThePicker)
{
    ProgramFixture program;
    program.folder("A");
    program.folder("B");
    program.folder("B/.hidden");
    const QByteArray archive = ZipBuilder().add("x.txt", "x").bytes();
    program.file("A/pack.zip", archive);
    QFile outside(program.path(QStringLiteral("mail.zip")));  // outside the root, as a mail attachment is
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write(archive);
    outside.close();

    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                      // A open; pack.zip
        "key F1\nchoose Zip/Unzip\nchoose Unzip to...\n"
        "wait idle\n"
        "expect screen == Unzip to... ==\n"
        "expect screen Select destination where to extract the ZIP file:\n"
        "key Down\n"                            // B
        "key Right\n"                           // opened: its hidden folder shows too
        "expect screen .hidden\n"
        "key Enter\n"                           // Done
        "wait idle\n"
        "expect screen >   + pack\n"));          // the new folder, revealed in B
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/B/pack/x.txt")));

    // An archive handed over at start: the same question; Back leaves everything as it was.
    run = program.play(QStringLiteral("wait idle\nexpect screen == Unzip to... ==\nkey Escape\nwait idle\ndump\n"),
                       {outside.fileName()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/A/mail")));
    run = program.play(QStringLiteral("wait idle\nkey Enter\nwait idle\n"), {outside.fileName()});  // A, the first
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/A/mail/x.txt")));
}

// A named pipe called "a.zip" is no archive: each way to unpack it says so, with the reason,
// and waits for nothing (no writer ever comes); the program goes on.
TEST(ArchiveScript, ANamedPipeCalledZipIsRefusedWithItsReasonAndNothingWaits)
{
    ProgramFixture program;
    program.folder("A");
    ASSERT_EQ(::mkfifo(QFile::encodeName(program.root() + QStringLiteral("/A/a.zip")).constData(), 0644), 0);
    const QString handedOver = program.path(QStringLiteral("mail.zip"));  // outside the root
    ASSERT_EQ(::mkfifo(QFile::encodeName(handedOver).constData(), 0644), 0);
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                      // A open; a.zip
        "key Enter\n"                           // the action key: unzip here
        "wait idle\n"
        "expect screen An error occured while opening the zip file!\n"
        "expect screen 'a.zip': %1\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "key F1\nchoose Zip/Unzip\nchoose Unzip to...\n"
        "wait idle\n"
        "key Enter\n"                           // Done: the picker's first folder
        "wait idle\n"
        "expect screen 'a.zip': %1\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen == Fennick ==\n").arg(NotRegular));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();

    run = program.play(QStringLiteral("wait idle\n"
                                      "expect screen == Unzip to... ==\n"
                                      "key Enter\n"
                                      "wait idle\n"
                                      "expect screen 'mail.zip': %1\n"
                                      "key Enter\n"
                                      "wait idle\n"
                                      "expect screen == Fennick ==\n").arg(NotRegular),
                       {handedOver});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    // No folder made for what could not be read is left behind.
    for (const char* folder : {"/A/a", "/a", "/mail", "/A/mail"})
        EXPECT_FALSE(QFile::exists(program.root() + QString::fromUtf8(folder))) << folder;
}

// Packing a named pipe: the question about the file that cannot be read says why, and so does
// the message when the user stops there.
TEST(ArchiveScript, PackingANamedPipeTellsTheReason)
{
    ProgramFixture program;
    program.file("a.txt", "a");
    ASSERT_EQ(::mkfifo(QFile::encodeName(program.root() + QStringLiteral("/pipe")).constData(), 0644), 0);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down *\n"                          // a.txt, then pipe selected
        "key F1\nchoose Zip/Unzip\nchoose Zip selection...\n"
        "wait idle\n"
        "type pack\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen File '\\pipe' can't be opened for reading.\n"
        "expect screen %1\n"
        "key F1\n"                              // Yes: no archive without it
        "wait idle\n"
        "expect screen One or more files failed to be zipped!\n"
        "expect screen '\\pipe': %1\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen == Fennick ==\n").arg(NotRegular));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

}  // namespace
