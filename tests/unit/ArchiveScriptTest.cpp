// Packing the selection and unpacking archives as a person does it: the File menu's Zip/Unzip
// pop-up, the action key on an archive, and the messages when an archive is no archive.
#include "ProgramFixture.h"
#include "ZipBuilder.h"

#include <QProcess>

namespace {

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
        "key Up Enter\n"                        // back on pack.zip, just above the new folder: again
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
        "key Down Down Down\n"                  // bad, bad.zip... to mixed.zip
        "expect screen >     mixed.zip\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen 1 of 2 entries could not be unpacked; the first: 'broken.txt'.\n"
        "key Enter\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(program.root() + QStringLiteral("/A/mixed/fine.txt")));
    EXPECT_FALSE(QFile::exists(program.root() + QStringLiteral("/A/mixed/broken.txt")));
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

}  // namespace
