// Unpacking archives made byte by byte: where each entry lands, how names are read, and that
// damaged, hostile and cut-short entries leave nothing that looks whole and nothing outside.
#include "ScopedMount.h"
#include "ZipBuilder.h"

#include "archive/EntryName.h"
#include "archive/Unzip.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using platform::FsError;

TEST(EntryName, NamesAreReadAsTheArchiveSaysOrAsTheirBytesAllow)
{
    const QByteArray korean = QByteArray("\xC7\xD1\xB1\xDB.txt");  // "한글.txt" in code page 949
    const QByteArray latin = QByteArray("caf\xE9.txt");             // not UTF-8, not code page 949 either
    // Code page 949 beyond EUC-KR: Hangul from lead bytes 0x81 to 0xC6 with low trail bytes.
    const QByteArray beyond = QByteArray("\x8C\x63\xB9\xE6\xB0\xA2\xC7\xCF.txt");  // "똠방각하.txt"
    const struct { QByteArray stored; quint16 flags; QByteArray extra; QString name; } cases[] = {
        {"plain.txt", 0, {}, QStringLiteral("plain.txt")},
        {"\xC3\xA9t\xC3\xA9.txt", 1 << 11, {}, QStringLiteral("été.txt")},      // the UTF-8 flag
        {"\xC3\xBC.txt", 0, {}, QStringLiteral("ü.txt")},                        // valid UTF-8 without it
        {korean, 0, {}, QStringLiteral("한글.txt")},                              // code page 949
        {korean, 0, ZipBuilder::unicodePath(korean, "\xE2\x9C\x93.txt"), QStringLiteral("✓.txt")},
        {korean, 0, ZipBuilder::unicodePath("other", "\xE2\x9C\x93.txt"), QStringLiteral("한글.txt")},  // not its field
        {"x", 0, QByteArray("\x75\x70\xFF\x00", 4), QStringLiteral("x")},         // a field longer than what is left
        {"\x8C\x63", 0, {}, QStringLiteral("똠")},
        {beyond, 0, {}, QStringLiteral("똠방각하.txt")},
        {"Gr\x81\xE1" "e.txt", 0, {}, QStringLiteral("Gr곢e.txt")},  // "Grüße.txt" of a DOS tool, read as code page 949
        // Bytes that are neither stand for themselves, as the file layer shows such host names.
        {latin, 0, {}, QStringLiteral("caf\uF7E9.txt")},
        {"d\xE9j\xE0\\r\xE9sum\xE9.txt", 0, {}, QStringLiteral("d\uF7E9j\uF7E0\\r\uF7E9sum\uF7E9.txt")},
    };
    for (const auto& row : cases)
        EXPECT_EQ(EntryName::decode(row.stored, row.flags, row.extra), row.name) << row.stored.toHex().constData();

    const struct { const char* name; QStringList folders; const char* file; bool isFolder; } places[] = {
        {"a/b.txt", {QStringLiteral("a")}, "b.txt", false},
        {"a\\b\\", {QStringLiteral("a"), QStringLiteral("b")}, "", true},
        {"../../evil.txt", {}, "evil.txt", false},
        {"/etc/passwd", {QStringLiteral("etc")}, "passwd", false},
        {"C:\\Windows\\x.dll", {QStringLiteral("Windows")}, "x.dll", false},
        {"a/./../b//c.txt", {QStringLiteral("a"), QStringLiteral("b")}, "c.txt", false},
        {"..", {}, "", false},
    };
    for (const auto& row : places) {
        const EntryName::Placement placement = EntryName::place(QString::fromUtf8(row.name));
        EXPECT_EQ(placement.folders, row.folders) << row.name;
        EXPECT_EQ(placement.file, QString::fromUtf8(row.file)) << row.name;
        EXPECT_EQ(placement.isFolder, row.isFolder) << row.name;
    }
}

class UnzipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("root/out"));
        m_fileSystem = std::make_unique<platform::LinuxFileSystem>(
            platform::PathMapper(QFile::encodeName(m_folder.filePath(QStringLiteral("root")))));
    }
    Unzip::Result extract(const QByteArray& archive)
    {
        const QString path = m_folder.filePath(QStringLiteral("root/a.zip"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(archive);
        file.close();
        platform::OpenFolder out;
        EXPECT_EQ(m_fileSystem->openFolder(QStringLiteral("\\out"), out), FsError::None);
        return Unzip::extract(*m_fileSystem, QFile::encodeName(path), out, nullptr);
    }
    // Every item below root, as relative paths, links marked.
    QStringList everything() const
    {
        QStringList items;
        const QString root = m_folder.filePath(QStringLiteral("root"));
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            items << it.filePath().mid(root.size() + 1) + (it.fileInfo().isSymLink() ? QStringLiteral(" ->") : QString());
        }
        items.sort();
        return items;
    }
    QByteArray content(const char* relative) const
    {
        QFile file(m_folder.filePath(QStringLiteral("root/") + QString::fromUtf8(relative)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_folder;
    std::unique_ptr<platform::LinuxFileSystem> m_fileSystem;
};

TEST_F(UnzipTest, EntriesLandInsideWithFoldersOnTheWayAndTakenNamesNumbered)
{
    ZipBuilder zip;
    zip.add("a/").add("a/b.txt", "b").add("x/b.txt", "one").add("x/b.txt", "two").add("empty.txt")
        .add("../../escape.txt", "caught").add("/abs/p.txt", "p");
    ZipBuilder::Entry link;
    link.name = "link";
    link.data = "/etc/passwd";
    link.unixMode = 0120777;
    zip.add(link);
    const Unzip::Result result = extract(zip.bytes());
    EXPECT_EQ(result.outcome, Unzip::Outcome::Done);
    EXPECT_EQ(result.entries, 8);
    EXPECT_EQ(result.skipped, 0);
    QStringList expected;
    for (const char* item : {"a.zip", "out", "out/a", "out/a/b.txt", "out/abs", "out/abs/p.txt", "out/empty.txt",
                             "out/escape.txt", "out/link", "out/x", "out/x/1_ b.txt", "out/x/b.txt"})
        expected << QString::fromUtf8(item);
    EXPECT_EQ(everything(), expected);
    EXPECT_EQ(content("out/x/b.txt"), QByteArray("one"));
    EXPECT_EQ(content("out/x/1_ b.txt"), QByteArray("two"));
    EXPECT_EQ(content("out/link"), QByteArray("/etc/passwd"));  // a file holding the text, no link
    EXPECT_EQ(content("out/empty.txt"), QByteArray());
}

TEST_F(UnzipTest, DamagedAndHostileArchivesEndClearlyAndLeaveNothingThatLooksWhole)
{
    // A wrong checksum: the entry is read whole, found wrong and not kept; the others are.
    ZipBuilder::Entry bad;
    bad.name = "bad.txt";
    bad.data = "damaged";
    bad.wrongChecksum = true;
    ZipBuilder damaged;
    damaged.add("good.txt", "good").add(bad);
    Unzip::Result result = extract(damaged.bytes());
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.firstSkipped, QStringLiteral("bad.txt"));
    EXPECT_EQ(content("out/good.txt"), QByteArray("good"));
    EXPECT_EQ(content("out/bad.txt"), QByteArray("<missing>"));

    // A name with no form on this disk (it decodes to the private characters that stand for
    // raw bytes, here a NUL) is skipped and counted, never looked for again and again.
    ZipBuilder unplaceable;
    unplaceable.add("\xEF\x9C\x80.txt", "n").add("fine.txt", "f");
    result = extract(unplaceable.bytes());
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(content("out/fine.txt"), QByteArray("f"));

    // A link inside the folder is never gone through.
    const QString outside = m_folder.filePath(QStringLiteral("outside"));
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                        QFile::encodeName(m_folder.filePath(QStringLiteral("root/out/via"))).constData()), 0);
    ZipBuilder through;
    through.add("via/planted.txt", "x");
    result = extract(through.bytes());
    EXPECT_EQ(result.skipped, 1);
    EXPECT_TRUE(QDir(outside).isEmpty());

    // No archive at all, an empty one, and one cut off in the middle of its directory.
    EXPECT_EQ(extract("this is no archive").outcome, Unzip::Outcome::CannotOpen);
    EXPECT_EQ(extract(ZipBuilder().bytes()).outcome, Unzip::Outcome::NoEntries);
    const QByteArray whole = ZipBuilder().add("one.txt", "1").add("two.txt", "2").bytes();
    const Unzip::Result cut = extract(whole.left(whole.size() - 30));
    EXPECT_NE(cut.outcome, Unzip::Outcome::Done);
    for (const QString& item : everything())
        EXPECT_TRUE(item == u"a.zip" || item.startsWith(QStringLiteral("out"))) << item.toStdString();
    EXPECT_TRUE(QDir(outside).isEmpty());
}

// Entries whose sizes and place stand in 64-bit fields (as in any archive of 4 GB or more)
// unpack whole: in an archive behind a self-extracting program, and in one that ends with the
// 64-bit end records.
TEST_F(UnzipTest, EntriesWithSixtyFourBitRecordsBehindLeadingBytesUnpackWhole)
{
    ZipBuilder zip;
    ZipBuilder::Entry big;
    big.name = "big.txt";
    big.data = QByteArray("sixty-four ").repeated(500);
    big.zip64 = true;
    ZipBuilder::Entry inner = big;
    inner.name = "sub/inner.txt";
    inner.data = "inner";
    zip.add("plain.txt", "plain").add(big).add(inner);
    for (const bool endRecords : {false, true}) {
        SCOPED_TRACE(endRecords ? "with the 64-bit end records" : "behind a program");
        if (endRecords)
            zip.zip64End().leading(QByteArray());
        else
            zip.leading(QByteArray("MZ self-extracting program ").repeated(40));
        ASSERT_TRUE(QDir(m_folder.filePath(QStringLiteral("root/out"))).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("root/out"))));
        const Unzip::Result result = extract(zip.bytes());
        EXPECT_EQ(result.outcome, Unzip::Outcome::Done);
        EXPECT_EQ(result.skipped, 0);
        EXPECT_EQ(content("out/plain.txt"), QByteArray("plain"));
        EXPECT_EQ(content("out/big.txt"), big.data);
        EXPECT_EQ(content("out/sub/inner.txt"), QByteArray("inner"));
    }
}

// The end record may be followed by a comment of up to 65,535 bytes; an archive with the
// longest is read as Info-ZIP reads it, whoever made it and whatever the comment holds.
TEST_F(UnzipTest, AnArchiveWithTheLongestCommentUnpacks)
{
    const QByteArray longest(65535, 'c');
    // Info-ZIP's own archive (deflated), given the comment after its end record.
    QProcess zip;
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-"), QStringLiteral("-")});
    ASSERT_TRUE(zip.waitForStarted(-1)) << "zip is installed by scripts/bootstrap";
    zip.write(QByteArray("from Info-ZIP ").repeated(100));
    zip.closeWriteChannel();
    ASSERT_TRUE(zip.waitForFinished(-1));
    QByteArray infoZip = zip.readAllStandardOutput();
    ASSERT_TRUE(infoZip.endsWith(QByteArray(2, '\0')));  // no comment of its own
    infoZip[infoZip.size() - 2] = '\xFF';
    infoZip[infoZip.size() - 1] = '\xFF';
    infoZip += longest;

    ZipBuilder big;
    big.add("a.txt", "alpha");
    const struct {
        const char* archive;
        QByteArray bytes;
        const char* file;
        QByteArray content;
        bool infoZipReadsIt;
    } cases[] = {
        {"made by Info-ZIP", infoZip, "out/-", QByteArray("from Info-ZIP ").repeated(100), true},
        {"made here", ZipBuilder(big).comment(longest).bytes(), "out/a.txt", "alpha", true},
        {"with 64-bit end records", ZipBuilder(big).zip64End().comment(longest).bytes(), "out/a.txt", "alpha", true},
        // Info-ZIP takes the signature in the comment for the record; the comment's length in
        // the record tells which one is.
        {"a comment that holds an end record's signature",
         ZipBuilder(big).comment(QByteArray("PK\x05\x06") + longest.left(65531)).bytes(), "out/a.txt", "alpha", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.archive);
        ASSERT_TRUE(QDir(m_folder.filePath(QStringLiteral("root/out"))).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("root/out"))));
        const Unzip::Result result = extract(row.bytes);
        EXPECT_EQ(result.outcome, Unzip::Outcome::Done);
        EXPECT_EQ(result.skipped, 0);
        EXPECT_EQ(content(row.file), row.content);
        if (!row.infoZipReadsIt)
            continue;
        QProcess unzip;  // the archive is sound: Info-ZIP reads it
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-tqq"), m_folder.filePath(QStringLiteral("root/a.zip"))});
        ASSERT_TRUE(unzip.waitForFinished(-1));
        EXPECT_EQ(unzip.exitCode(), 0) << unzip.readAllStandardOutput().toStdString();
    }
}

// A disk that fills up half-way through an entry: that entry is skipped and counted, nothing of
// it is left behind, and the entries after it that fit are still written.
TEST_F(UnzipTest, AFullDiskSkipsTheEntryThatDoesNotFitAndLeavesNoPartOfIt)
{
    ScopedMount small(QFile::encodeName(m_folder.filePath(QStringLiteral("root/out"))), "tmpfs", "size=256k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    ZipBuilder zip;
    zip.add("first.txt", "first").add("big.bin", QByteArray(1024 * 1024, 'z')).add("last.txt", "last");
    const Unzip::Result result = extract(zip.bytes());
    EXPECT_EQ(result.outcome, Unzip::Outcome::Done);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.firstSkipped, QStringLiteral("big.bin"));
    EXPECT_EQ(result.firstError, FsError::DiskFull);
    QStringList expected{QStringLiteral("a.zip"), QStringLiteral("out"), QStringLiteral("out/first.txt"),
                         QStringLiteral("out/last.txt")};
    EXPECT_EQ(everything(), expected);  // hidden temporaries included
    EXPECT_EQ(content("out/last.txt"), QByteArray("last"));
}

// What Info-ZIP writes when it streams (sizes in a data descriptor after the data, bit 3) and
// when it packs a tree (UTF-8 names, folder entries), unpacked whole.
TEST_F(UnzipTest, ArchivesMadeByInfoZipUnpack)
{
    QProcess zip;
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-"), QStringLiteral("-")});
    ASSERT_TRUE(zip.waitForStarted(-1)) << "zip is installed by scripts/bootstrap";
    zip.write(QByteArray("streamed data ").repeated(1000));
    zip.closeWriteChannel();
    ASSERT_TRUE(zip.waitForFinished(-1));
    const QByteArray streamed = zip.readAllStandardOutput();
    ASSERT_EQ(zip.exitCode(), 0);
    ASSERT_TRUE(static_cast<quint8>(streamed.at(6)) & 0x08);  // the data descriptor's flag
    Unzip::Result result = extract(streamed);
    EXPECT_EQ(result.skipped, 0);
    EXPECT_EQ(content("out/-"), QByteArray("streamed data ").repeated(1000));

    const QString tree = m_folder.filePath(QStringLiteral("tree"));
    ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/Docs/empty")));
    QFile file(tree + QStringLiteral("/Docs/\u00e9t\u00e9.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("summer");
    file.close();
    zip.setWorkingDirectory(tree);
    zip.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-"), QStringLiteral("Docs")});
    ASSERT_TRUE(zip.waitForFinished(-1));
    result = extract(zip.readAllStandardOutput());
    EXPECT_EQ(result.skipped, 0);
    EXPECT_EQ(content("out/Docs/\xC3\xA9t\xC3\xA9.txt"), QByteArray("summer"));
    EXPECT_TRUE(QDir(m_folder.filePath(QStringLiteral("root/out/Docs/empty"))).exists());
}

// Archives of one tree made by other tools, each in its own way (ZIP64 records, data
// descriptors after the data, UTF-8 names with or without the flag, folder entries), all
// unpack into that same tree.
TEST_F(UnzipTest, ArchivesMadeByOtherToolsUnpackIntoTheSameTree)
{
    const QString tree = m_folder.filePath(QStringLiteral("tree"));
    ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/Docs/empty")));
    ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/Docs/sub")));
    const auto write = [&](const QString& relative, const QByteArray& data) {
        QFile file(tree + u'/' + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    };
    write(QStringLiteral("Docs/\u00e9t\u00e9.txt"), "summer");
    write(QStringLiteral("Docs/sub/long.txt"), QByteArray("a line of a longer text\n").repeated(100000));
    write(QStringLiteral("Docs/sub/zero"), QByteArray());
    QStringList expected;
    QDirIterator it(tree, QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        expected << QStringLiteral("out/") + it.next().mid(tree.size() + 1);
    expected << QStringLiteral("a.zip") << QStringLiteral("out");
    expected.sort();

    const QString made = m_folder.filePath(QStringLiteral("made.zip"));
    // Python writing where it cannot seek back puts the sizes after the data; ZIP64 forced.
    const QString python = QStringLiteral(
        "import os, sys, zipfile\n"
        "class Pipe:\n"
        "    def write(self, b): return sys.stdout.buffer.write(b)\n"
        "    def flush(self): sys.stdout.buffer.flush()\n"
        "with zipfile.ZipFile(Pipe(), 'w', zipfile.ZIP_DEFLATED) as z:\n"
        "    for folder, subs, files in sorted(os.walk('Docs')):\n"
        "        if not subs and not files: z.writestr(folder + '/', b'')\n"
        "        for name in files:\n"
        "            with open(os.path.join(folder, name), 'rb') as f, z.open(os.path.join(folder, name), 'w', force_zip64=True) as e:\n"
        "                e.write(f.read())\n");
    const struct {
        const char* maker;
        QStringList command;
        bool toStandardOutput;
    } makers[] = {
        {"Info-ZIP, ZIP64 forced", {QStringLiteral("zip"), QStringLiteral("-q"), QStringLiteral("-r"), QStringLiteral("-fz"), made, QStringLiteral("Docs")}, false},
        {"7-Zip", {QStringLiteral("7zz"), QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-bd"), QStringLiteral("-bso0"), made, QStringLiteral("Docs")}, false},
        {"bsdtar", {QStringLiteral("bsdtar"), QStringLiteral("--format"), QStringLiteral("zip"), QStringLiteral("-cf"), made, QStringLiteral("Docs")}, false},
        {"Python, streamed", {QStringLiteral("python3"), QStringLiteral("-c"), python}, true},
    };
    for (const auto& maker : makers) {
        SCOPED_TRACE(maker.maker);
        QFile::remove(made);
        QProcess process;
        process.setWorkingDirectory(tree);
        if (maker.toStandardOutput)
            process.setStandardOutputFile(made);
        process.start(maker.command.first(), maker.command.mid(1));
        ASSERT_TRUE(process.waitForFinished(-1)) << "installed by scripts/bootstrap";
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        QFile archive(made);
        ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
        ASSERT_TRUE(QDir(m_folder.filePath(QStringLiteral("root/out"))).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("root/out"))));
        const Unzip::Result result = extract(archive.readAll());
        EXPECT_EQ(result.outcome, Unzip::Outcome::Done);
        EXPECT_EQ(result.skipped, 0);
        EXPECT_EQ(everything(), expected);
        EXPECT_EQ(content("out/Docs/\xC3\xA9t\xC3\xA9.txt"), QByteArray("summer"));
        EXPECT_EQ(content("out/Docs/sub/long.txt"), QByteArray("a line of a longer text\n").repeated(100000));
    }
}

}  // namespace
