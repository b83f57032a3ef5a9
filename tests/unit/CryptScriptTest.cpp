// Encrypting and decrypting files as a person does it: File > Crypt... and Decrypt... on the
// current file, the password dialogs, the overwrite question, the progress page, and the
// messages; every check is made on the disk afterwards.
#include "FileContent.h"
#include "ProgramFixture.h"
#include "ScopedMount.h"

#include "crypt/CrfFile.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>

namespace {

// "Hello, phone!\n" encrypted from a file named report.txt with the password "secret", made
// with `openssl enc -des-ede3-cbc -K <key> -iv 0000000000000000` over "corvane\0" and the
// text, the key from Python's hashlib (see CrfFormatTest).
const QByteArray PhoneFile = QByteArray::fromHex(
    "0a0000007200650070006f00720074002e00740078007400080000002dd3edf6be71c0e7e17c0874122206570f75c39271a7dbad");

// The names in a folder under the root, hidden ones included: a temporary left behind shows.
QStringList namesIn(const ProgramFixture& program, const char* folder)
{
    QStringList names = QDir(program.root() + u'/' + QString::fromUtf8(folder))
                            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// Whether `password` opens the ".crf" file `name` in the phone folder `folder`.
bool opens(const ProgramFixture& program, const QString& folder, const QString& name, const QString& password)
{
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(program.root()))};
    platform::OpenFolder open;
    return fileSystem.openFolder(folder, open) == platform::FsError::None
           && CrfFile::checkPassword(fileSystem, open, name, password).outcome == CrfFile::Outcome::Done;
}

// The round trip, each time with the original deleted. It works even where the system's
// OpenSSL configuration loads no provider and asks for FIPS algorithms only, since the program
// takes its algorithms from a library context of its own.
TEST(CryptScript, AFileIsEncryptedAndDecryptedBackEachTimeInPlaceOfTheOther)
{
    ProgramFixture program;
    program.folder("Docs");
    const QByteArray content = QByteArray("the report\n").repeated(300);
    program.file("Docs/report.txt", content);
    FileContent::write(program.path(QStringLiteral("no-default.cnf")),
                       "openssl_conf = init\n[init]\nproviders = providers\nalg_section = algorithms\n"
                       "[providers]\nbase = base\n[base]\nactivate = 1\n[algorithms]\ndefault_properties = fips=yes\n");
    program.setEnvironment(QStringLiteral("OPENSSL_CONF"), program.path(QStringLiteral("no-default.cnf")));

    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down *\n"                 // Docs open; report.txt selected
        "expect screen Sel: 0 folders, 1 files\n"
        "key F1\n"
        "expect screen Crypt...\n"
        "choose Crypt...\n"
        "expect screen == Crypt file ==\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Down Space\n"                   // Delete original if successful
        "expect screen [x] Delete original if successful\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen >     report.crf\n"   // the new item, current
        "expect no screen report.txt\n"
        "expect screen Sel: 0 folders, 0 files\n"
        "key F1\n"
        "expect screen Decrypt...\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, "Docs"), QStringList{QStringLiteral("report.crf")});
    // The name inside, and one block of padding after the data.
    const QByteArray encrypted = program.content("Docs/report.crf");
    EXPECT_EQ(encrypted.left(28), QByteArray::fromHex("0a0000007200650070006f00720074002e0074007800740008000000"));
    EXPECT_EQ(encrypted.size(), 4 + 20 + 4 + 8 + (content.size() / 8 + 1) * 8);

    run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                   // Docs open; report.crf
        "key F1\n"
        "choose Decrypt...\n"
        "expect screen == Decrypt file ==\n"
        "type secret\n"
        "key Down Space\n"                   // Delete crypted file if successful
        "key Enter\n"
        "wait idle\n"
        "expect screen >     report.txt\n"
        "expect no screen report.crf\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, "Docs"), QStringList{QStringLiteral("report.txt")});
    EXPECT_TRUE(program.content("Docs/report.txt") == content);
}

// A file encrypted on the phone decrypts here; data cut short, a wrong password, a file that
// is no ".crf" file and a link are refused, and nothing is written or deleted.
TEST(CryptScript, WrongPasswordsDamagedFilesAndLinksAreRefused)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/cut.crf", PhoneFile.chopped(3));
    program.file("Docs/report.crf", PhoneFile);
    program.file("Docs/x.CRF", "This is no encrypted file at all.");
    ASSERT_EQ(::symlink("report.crf", QFile::encodeName(program.root() + QStringLiteral("/Docs/y.crf")).constData()), 0);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                   // Docs open; cut.crf
        "key F1\n"
        "choose Decrypt...\n"
        "type secret\n"
        "key Down Space Enter\n"
        "wait idle\n"
        "expect screen An error occured while decrypting the file.\n"
        "expect screen The encrypted data is damaged or incomplete.\n"
        "key Enter\n"
        "wait idle\n"
        "key Down\n"                         // report.crf
        "key F1\n"
        "choose Decrypt...\n"
        "type Secret\n"
        "key Down Space Enter\n"             // even with Delete crypted file ticked
        "wait idle\n"
        "expect screen Unable to decrypt file. Password is wrong!\n"
        "key Enter\n"
        "key Down\n"                         // x.CRF
        "key F1\n"
        "expect screen Decrypt...\n"
        "choose Decrypt...\n"
        "type secret\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen The file '\\Docs\\x.CRF' is not an encrypted file, or it is damaged.\n"
        "key Enter\n"
        "key Down\n"                         // y.crf, a link
        "key F1\n"
        "choose Decrypt...\n"
        "wait idle\n"
        "expect screen '\\Docs\\y.crf' is a link; choose the file it points at.\n"
        "key Enter\n"
        "key Up Up\n"                        // report.crf, now with the right password
        "key F1\n"
        "choose Decrypt...\n"
        "type secret\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen >     report.txt\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, "Docs"), (QStringList{QStringLiteral("cut.crf"), QStringLiteral("report.crf"),
                                                     QStringLiteral("report.txt"), QStringLiteral("x.CRF"),
                                                     QStringLiteral("y.crf")}));
    EXPECT_EQ(program.content("Docs/report.txt"), QByteArray("Hello, phone!\n"));
    EXPECT_EQ(program.content("Docs/report.crf"), PhoneFile);
}

// Done checks the two fields (in this order: a password, then the same confirmation, letter
// case counting) and leaves the dialog open on the password, all of it selected; Back deletes
// the character before the cursor; Cancel ends the command with nothing written.
TEST(CryptScript, TheCryptDialogWantsAPasswordTwiceAndCancelWritesNothing)
{
    ProgramFixture program;
    program.file("report.txt", "text");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\n"
        "choose Crypt...\n"
        "key Enter\n"
        "expect screen Please enter a password for the crypted file!\n"
        "key Enter\n"
        "expect screen == Crypt file ==\n"
        "type secret\n"
        "key Down\n"
        "type Secret\n"
        "key Enter\n"
        "expect screen Password and confirmation do not match!\n"
        "key Enter\n"
        "type secrets\n"                     // in place of the selected password
        "key Escape\n"                       // Back: "secret"
        "key Down\n"
        "type secret\n"                      // in place of "Secret", selected as the field is reached
        "key F2\n"                           // Cancel
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "key F1\n"
        "choose Crypt...\n"
        "type secrets\n"
        "key Escape Down\n"
        "type secret\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen report.crf\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, ""), (QStringList{QStringLiteral("report.crf"), QStringLiteral("report.txt")}));
    EXPECT_TRUE(opens(program, QStringLiteral("\\"), QStringLiteral("report.crf"), QStringLiteral("secret")));
}

// An original that cannot be deleted (read-only) stays, and the user is told so: the file is
// encrypted all the same.
TEST(CryptScript, AnOriginalThatCannotBeDeletedStaysAndIsTold)
{
    ProgramFixture program;
    program.file("report.txt", "text");
    ASSERT_TRUE(QFile::setPermissions(program.root() + QStringLiteral("/report.txt"), QFile::ReadOwner | QFile::ReadGroup));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\n"
        "choose Crypt...\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Down Space Enter\n"
        "wait idle\n"
        "expect screen Unable to delete file '\\report.txt'!\n"
        "expect screen Permission denied, or the item is read-only.\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen >   report.crf\n"
        "expect screen report.txt\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, ""), (QStringList{QStringLiteral("report.crf"), QStringLiteral("report.txt")}));
    EXPECT_TRUE(opens(program, QStringLiteral("\\"), QStringLiteral("report.crf"), QStringLiteral("secret")));
}

// An existing file of the output's name is replaced only after Yes: No and Back leave it, and
// the item that shows afterwards is the one the tree had.
TEST(CryptScript, AnExistingFileIsReplacedOnlyAfterYes)
{
    ProgramFixture program;
    program.folder("Docs");
    program.file("Docs/report.crf", "older");
    program.file("Docs/report.txt", "newer");
    const QString encrypt = QStringLiteral(
        "key F1\n"
        "choose Crypt...\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen == Confirm ==\n"
        "expect screen File '\\Docs\\report.crf' already exists. Do you want to overwrite it?\n");
    const ProgramRun run = program.play(QStringLiteral("wait idle\nkey Enter Down Down\n")  // report.txt
                                        + encrypt + QStringLiteral("key F2\nwait idle\nexpect screen == Fennick ==\n")
                                        + encrypt + QStringLiteral("key Escape\nwait idle\nexpect screen == Fennick ==\n")
                                        + encrypt + QStringLiteral("key F1\nwait idle\ndump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const QString lastScreen = run.out.mid(run.out.lastIndexOf(QStringLiteral("== Fennick ==")));
    EXPECT_EQ(lastScreen.count(QStringLiteral("report.crf")), 1) << lastScreen.toStdString();
    EXPECT_TRUE(lastScreen.contains(QStringLiteral(">     report.crf"))) << lastScreen.toStdString();
    EXPECT_EQ(namesIn(program, "Docs"), (QStringList{QStringLiteral("report.crf"), QStringLiteral("report.txt")}));
    EXPECT_TRUE(opens(program, QStringLiteral("\\Docs"), QStringLiteral("report.crf"), QStringLiteral("secret")));
    EXPECT_EQ(program.content("Docs/report.txt"), QByteArray("newer"));
}

// A ".crf" file that holds its own name is decrypted in its place, and kept although the
// user asked for the encrypted file to go: it is the decrypted one now.
TEST(CryptScript, AFileThatHoldsItsOwnNameIsDecryptedInItsPlaceAndKept)
{
    ProgramFixture program;
    program.folder("made");
    program.file("made/self.crf", "inside");
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(program.root()))};
    platform::OpenFolder made;
    ASSERT_EQ(fileSystem.openFolder(QStringLiteral("\\made"), made), platform::FsError::None);
    ASSERT_EQ(CrfFile::encrypt(fileSystem, made, QStringLiteral("self.crf"), made, QStringLiteral("out"),
                               QStringLiteral("p"), false, nullptr).outcome, CrfFile::Outcome::Done);
    ASSERT_TRUE(QFile::rename(program.root() + QStringLiteral("/made/out"), program.root() + QStringLiteral("/self.crf")));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"                         // made, then self.crf
        "key F1\n"
        "choose Decrypt...\n"
        "type p\n"
        "key Down Space Enter\n"
        "wait idle\n"
        "expect screen File '\\self.crf' already exists. Do you want to overwrite it?\n"
        "key F1\n"
        "wait idle\n"
        "expect screen >   self.crf\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(program.content("self.crf"), QByteArray("inside"));
}

// A disk that fills up during the write: the failure is told with its reason, and nothing is
// left but the source. Needs a small tmpfs, which root can mount.
TEST(CryptScript, AFullDiskIsToldAndLeavesTheSourceAlone)
{
    ProgramFixture program;
    program.folder("Full");
    const QByteArray full = QFile::encodeName(program.root() + QStringLiteral("/Full"));
    const ScopedMount small(full, "tmpfs", "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    const QByteArray content(150 * 1024, 'b');
    program.file("Full/big.bin", content);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                   // Full open; big.bin
        "key F1\n"
        "choose Crypt...\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Down Space Enter\n"             // with Delete original ticked
        "wait idle\n"
        "expect screen An error occured while crypting the file.\n"
        "expect screen The disk is full.\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen >     big.bin\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, "Full"), QStringList{QStringLiteral("big.bin")});
    EXPECT_TRUE(program.content("Full/big.bin") == content);
}

// A large file shows the progress page with a Cancel key; Cancel stops within the file and
// leaves everything as it was, the original included although it was to be deleted.
TEST(CryptScript, ALargeFileShowsProgressAndCancelLeavesEverythingAsItWas)
{
    ProgramFixture program;
    {
        // A gigabyte the disk does not have to hold: a file with a hole. The cipher takes
        // tens of seconds over it, far longer than the second before the page shows.
        QFile big(program.root() + QStringLiteral("/big.bin"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64(1) << 30));
    }
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\n"
        "choose Crypt...\n"
        "type secret\n"
        "key Down\n"
        "type secret\n"
        "key Down Space Enter\n"
        "expect screen == Crypting... ==\n"  // waits for the page, which comes after a second
        "expect screen big.bin\n"
        "key F1\n"                           // Cancel
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "expect screen >   big.bin\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(namesIn(program, ""), (QStringList{QStringLiteral("big.bin")}));
    EXPECT_EQ(QFileInfo(program.root() + QStringLiteral("/big.bin")).size(), qint64(1) << 30);
}

}  // namespace
