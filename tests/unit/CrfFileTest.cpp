// Encrypting files into ".crf" files and back on the real disk. The reference files are made
// by the `openssl enc` command line over the check text and the content, so what this
// program writes is compared with bytes it did not make, and files it did not make must
// decrypt here.
#include "FileContent.h"
#include "ScopedMount.h"

#include "crypt/CrfFile.h"
#include "crypt/CrfFormat.h"
#include "jobs/JobContext.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Outcome = CrfFile::Outcome;
using platform::FsError;

// The keys of the passwords, from Python's hashlib (see CrfFormatTest).
const char* const SecretKey = "4d54864f86d740a5c47c7e0202e38c237a17b87f1735717d";
const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80 k\xC3\xA9y");
const char* const EmojiKey = "2ce3f81f49fde0728a9326d154bb978371bb82997f98b388";

// `openssl enc -des-ede3-cbc -K KEY -iv 0000000000000000 [-nopad]` over `plain`.
QByteArray opensslEncrypt(const char* key, const QByteArray& plain, bool padding = true)
{
    QStringList arguments{QStringLiteral("enc"), QStringLiteral("-des-ede3-cbc"), QStringLiteral("-K"),
                          QString::fromLatin1(key), QStringLiteral("-iv"), QStringLiteral("0000000000000000")};
    if (!padding)
        arguments << QStringLiteral("-nopad");
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), arguments);
    openssl.write(plain);
    openssl.closeWriteChannel();
    openssl.waitForFinished(-1);
    EXPECT_EQ(openssl.exitCode(), 0) << "openssl enc: " << openssl.readAllStandardError().toStdString();
    return openssl.readAllStandardOutput();
}

// The length and UTF-16LE units of a stored name.
QByteArray nameBytes(const QString& name)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(name.size()), bytes.data());
    for (const QChar c : name)
        bytes += QByteArray(1, static_cast<char>(c.unicode() & 0xff)) + QByteArray(1, static_cast<char>(c.unicode() >> 8));
    return bytes;
}

// A whole ".crf" file made without this program's cipher: the header, then openssl's stream
// over the check text and the content.
QByteArray referenceFile(const QString& name, const char* key, const QByteArray& content)
{
    return nameBytes(name) + QByteArray("\x08\x00\x00\x00", 4) + opensslEncrypt(key, CrfFormat::checkText() + content);
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

class CrfFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        fileSystem = std::make_unique<platform::LinuxFileSystem>(platform::PathMapper(QFile::encodeName(m_root.path())));
        ASSERT_EQ(fileSystem->openFolder(QStringLiteral("\\"), root), FsError::None);
    }
    QString path(const QString& name) const { return m_root.filePath(name); }
    void write(const QString& name, const QByteArray& content) { ASSERT_TRUE(FileContent::write(path(name), content)); }
    QByteArray read(const QString& name) const { return FileContent::read(path(name)); }
    // Every name in the folder, hidden ones included: a temporary left behind would show.
    QStringList names() const
    {
        QStringList all = QDir(m_root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        all.sort();
        return all;
    }
    CrfFile::Result encrypt(const QString& source, const QString& output, const QString& password = QStringLiteral("secret"),
                            bool replace = false, JobContext* context = nullptr)
    {
        return CrfFile::encrypt(*fileSystem, root, source, root, output, password, replace, context);
    }
    CrfFile::Result decrypt(const QString& encrypted, const QString& output, const QString& password = QStringLiteral("secret"),
                            bool replace = false)
    {
        return CrfFile::decrypt(*fileSystem, root, encrypted, root, output, password, replace, nullptr);
    }

    QTemporaryDir m_root;
    std::unique_ptr<platform::LinuxFileSystem> fileSystem;
    platform::OpenFolder root;
};

// Sizes around the block and the phone's 1000-byte pieces, and one that spans several of our
// pieces; an empty file is one block of padding, 1000 bytes are 1008.
TEST_F(CrfFileTest, FilesAreThoseOpensslMakesAndOpensslsFilesDecrypt)
{
    const struct {
        qsizetype size;
        QString password;
        const char* key;
    } cases[] = {
        {0, QStringLiteral("secret"), SecretKey},       {1, QStringLiteral("secret"), SecretKey},
        {8, QStringLiteral("secret"), SecretKey},       {1000, QStringLiteral("secret"), SecretKey},
        {1008, QStringLiteral("secret"), SecretKey},    {CrfFile::Piece * 2 + 3, QStringLiteral("secret"), SecretKey},
        {999, Emoji, EmojiKey},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.size);
        const QByteArray content = randomBytes(row.size, static_cast<quint32>(row.size));
        const QString name = QStringLiteral("file %1.bin").arg(row.size);
        write(name, content);
        const QByteArray reference = referenceFile(name, row.key, content);
        EXPECT_EQ(reference.size(), 4 + 2 * name.size() + 4 + 8 + (row.size / 8 + 1) * 8);

        ASSERT_EQ(encrypt(name, QStringLiteral("ours.crf"), row.password).outcome, Outcome::Done);
        EXPECT_TRUE(read(QStringLiteral("ours.crf")) == reference);

        write(QStringLiteral("theirs.crf"), reference);
        const CrfFile::Result result = decrypt(QStringLiteral("theirs.crf"), QStringLiteral("back.bin"), row.password);
        ASSERT_EQ(result.outcome, Outcome::Done);
        EXPECT_EQ(result.storedName, name);
        EXPECT_TRUE(read(QStringLiteral("back.bin")) == content);
        for (const QString& made : {name, QStringLiteral("ours.crf"), QStringLiteral("theirs.crf"), QStringLiteral("back.bin")})
            ASSERT_TRUE(QFile::remove(path(made)));
        EXPECT_TRUE(names().isEmpty());
    }
}

TEST_F(CrfFileTest, AWrongPasswordIsRefusedBeforeAnythingIsWritten)
{
    write(QStringLiteral("a.crf"), referenceFile(QStringLiteral("a.txt"), SecretKey, "content"));
    for (const QString& wrong : {QStringLiteral("Secret"), QString(), QStringLiteral("secret ")}) {
        const CrfFile::Result checked = CrfFile::checkPassword(*fileSystem, root, QStringLiteral("a.crf"), wrong);
        EXPECT_EQ(checked.outcome, Outcome::WrongPassword);
        EXPECT_EQ(decrypt(QStringLiteral("a.crf"), QStringLiteral("a.txt"), wrong).outcome, Outcome::WrongPassword);
        EXPECT_EQ(names(), QStringList{QStringLiteral("a.crf")});
    }
    const CrfFile::Result right = CrfFile::checkPassword(*fileSystem, root, QStringLiteral("a.crf"), QStringLiteral("secret"));
    EXPECT_EQ(right.outcome, Outcome::Done);
    EXPECT_EQ(right.storedName, QStringLiteral("a.txt"));
}

// Whatever is wrong with a ".crf" file, decrypting it leaves no output and no temporary, and
// an older file of the output's name as it was.
TEST_F(CrfFileTest, DamagedFilesLeaveNothingBehind)
{
    const QByteArray whole = referenceFile(QStringLiteral("a.txt"), SecretKey, randomBytes(100, 1));
    const qsizetype header = 4 + 2 * 5 + 4 + 8;
    // Data whose last block decrypts to a zero byte, where the padding length belongs.
    const QByteArray badPadding =
        whole.left(header - 8) + opensslEncrypt(SecretKey, CrfFormat::checkText() + QByteArray(16, '\0'), false);
    const struct {
        const char* what;
        QByteArray bytes;
        Outcome outcome;
    } cases[] = {
        {"data cut short", whole.chopped(3), Outcome::DamagedData},
        {"a block too few", whole.chopped(8), Outcome::DamagedData},
        {"garbage after the data", whole + "12345", Outcome::DamagedData},
        {"garbage after the header", whole.left(header) + "Not the data of this file.", Outcome::DamagedData},
        {"no data at all", whole.left(header), Outcome::DamagedData},
        {"wrong padding", badPadding, Outcome::DamagedData},
        {"header cut short", whole.left(header - 1), Outcome::NotEncrypted},
        {"plain text", QByteArray("This is no encrypted file at all."), Outcome::NotEncrypted},
        {"a stored name that leaves the folder", nameBytes(QStringLiteral("..\\a")) + whole.mid(4 + 2 * 5),
         Outcome::NotEncrypted},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        write(QStringLiteral("x.CRF"), row.bytes);
        for (const bool replace : {false, true}) {
            if (replace)
                write(QStringLiteral("a.txt"), "older");
            EXPECT_EQ(decrypt(QStringLiteral("x.CRF"), QStringLiteral("a.txt"), QStringLiteral("secret"), replace).outcome,
                      row.outcome);
            EXPECT_EQ(names(), replace ? QStringList({QStringLiteral("a.txt"), QStringLiteral("x.CRF")})
                                       : QStringList{QStringLiteral("x.CRF")});
        }
        EXPECT_EQ(read(QStringLiteral("a.txt")), QByteArray("older"));
        ASSERT_TRUE(QFile::remove(path(QStringLiteral("a.txt"))));
    }
}

// A failed or stopped encryption leaves no output and no temporary, and an older file of the
// output's name, which the user agreed to replace, as it was.
TEST_F(CrfFileTest, FailuresAndAStopLeaveEveryFileAsItWas)
{
    write(QStringLiteral("a.txt"), "source");
    write(QStringLiteral("a.crf"), "older");
    JobContext stopped;
    stopped.stop = true;
    EXPECT_EQ(encrypt(QStringLiteral("a.txt"), QStringLiteral("a.crf"), QStringLiteral("secret"), true, &stopped).outcome,
              Outcome::Stopped);
    ASSERT_EQ(::symlink("a.txt", QFile::encodeName(path(QStringLiteral("link.txt"))).constData()), 0);
    const CrfFile::Result link = encrypt(QStringLiteral("link.txt"), QStringLiteral("a.crf"), QStringLiteral("secret"), true);
    EXPECT_EQ(link.outcome, Outcome::FileError);
    EXPECT_EQ(link.error, FsError::AccessDenied);  // a link is never read through
    // A read-only older file is not replaced, as on the phone.
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("a.crf")), QFile::ReadOwner));
    const CrfFile::Result locked = encrypt(QStringLiteral("a.txt"), QStringLiteral("a.crf"), QStringLiteral("secret"), true);
    EXPECT_EQ(locked.error, FsError::AccessDenied);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("a.crf"), QStringLiteral("a.txt"), QStringLiteral("link.txt")}));
    EXPECT_EQ(read(QStringLiteral("a.crf")), QByteArray("older"));
    EXPECT_EQ(read(QStringLiteral("a.txt")), QByteArray("source"));

    // Without leave to replace, an existing name stops the encryption at its very end.
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("a.crf")), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(encrypt(QStringLiteral("a.txt"), QStringLiteral("a.crf")).error, FsError::AlreadyExists);
    EXPECT_EQ(read(QStringLiteral("a.crf")), QByteArray("older"));
    EXPECT_EQ(encrypt(QStringLiteral("a.txt"), QStringLiteral("a.crf"), QStringLiteral("secret"), true).outcome, Outcome::Done);
    EXPECT_EQ(read(QStringLiteral("a.crf")), referenceFile(QStringLiteral("a.txt"), SecretKey, "source"));
}

// A source that fails to read part-way: /proc/self/mem is a regular file of this process that
// fails to read at offset 0.
TEST_F(CrfFileTest, AnUnreadableSourceLeavesNothing)
{
    platform::LinuxFileSystem whole{platform::PathMapper("/")};
    platform::OpenFolder self;
    ASSERT_EQ(whole.openFolder(QStringLiteral("\\proc\\self"), self), FsError::None);
    const CrfFile::Result result =
        CrfFile::encrypt(whole, self, QStringLiteral("mem"), root, QStringLiteral("mem.crf"), QStringLiteral("p"), false, nullptr);
    EXPECT_EQ(result.outcome, Outcome::FileError);
    EXPECT_EQ(result.error, FsError::IoError);
    EXPECT_TRUE(names().isEmpty());
}

// A disk that fills up during the write: nothing is left, and the older files stay whole.
// It needs a small tmpfs, which only a machine that lets us mount can give.
TEST_F(CrfFileTest, AFullDiskLeavesNothingAndTheOlderFilesWhole)
{
    ASSERT_TRUE(QDir(m_root.path()).mkdir(QStringLiteral("small")));
    ScopedMount small(QFile::encodeName(path(QStringLiteral("small"))), "tmpfs", "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    platform::OpenFolder folder;
    ASSERT_EQ(fileSystem->openFolder(QStringLiteral("\\small"), folder), FsError::None);
    write(QStringLiteral("small/a.txt"), randomBytes(150 * 1024, 3));
    write(QStringLiteral("small/a.crf"), "older");
    const CrfFile::Result encrypted = CrfFile::encrypt(*fileSystem, folder, QStringLiteral("a.txt"), folder,
                                                       QStringLiteral("a.crf"), QStringLiteral("p"), true, nullptr);
    EXPECT_EQ(encrypted.outcome, Outcome::FileError);
    EXPECT_EQ(encrypted.error, FsError::DiskFull);
    EXPECT_EQ(read(QStringLiteral("small/a.crf")), QByteArray("older"));
    const auto smallNames = [&] {
        return QDir(path(QStringLiteral("small"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    EXPECT_EQ(smallNames(), (QStringList{QStringLiteral("a.crf"), QStringLiteral("a.txt")}));

    ASSERT_TRUE(QFile::remove(path(QStringLiteral("small/a.crf"))));
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("small/a.txt"))));
    write(QStringLiteral("small/b.crf"), referenceFile(QStringLiteral("a.txt"), SecretKey, randomBytes(100 * 1024, 4)));
    write(QStringLiteral("small/filler"), randomBytes(100 * 1024, 5));
    write(QStringLiteral("small/a.txt"), "older");
    const CrfFile::Result decrypted = CrfFile::decrypt(*fileSystem, folder, QStringLiteral("b.crf"), folder,
                                                       QStringLiteral("a.txt"), QStringLiteral("secret"), true, nullptr);
    EXPECT_EQ(decrypted.outcome, Outcome::FileError);
    EXPECT_EQ(decrypted.error, FsError::DiskFull);
    EXPECT_EQ(read(QStringLiteral("small/a.txt")), QByteArray("older"));
    EXPECT_EQ(smallNames(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.crf"), QStringLiteral("filler")}));
}

}  // namespace
