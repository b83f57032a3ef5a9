// Packing a tree into an archive (the entries are compressed on two threads) and reading it
// back with our own unpacking and with Info-ZIP's unzip.
#include "FaultyFileSystem.h"
#include "HostProgram.h"

#include "archive/Unzip.h"
#include "archive/ZipCreate.h"
#include "jobs/JobContext.h"
#include "jobs/Worker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using platform::FsError;

class ThreadedZipCreate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        for (const char* folder : {"root/Docs/sub", "root/Docs/empty", "root/out"})
            QDir(m_folder.path()).mkpath(QString::fromUtf8(folder));
        file("Docs/a.txt", QByteArray("top a ").repeated(1000));
        file("Docs/sub/a.txt", "inner a");
        file("Docs/\xC3\xBC.txt", "umlaut");
        QByteArray random(300 * 1024, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
        file("b.bin", random);
        ASSERT_EQ(::symlink("a.txt", QFile::encodeName(root() + QStringLiteral("/Docs/link")).constData()), 0);
        fileSystem = std::make_unique<FaultyFileSystem>(QFile::encodeName(root()));
    }
    QString root() const { return m_folder.filePath(QStringLiteral("root")); }
    void file(const char* relative, const QByteArray& content)
    {
        QFile out(root() + u'/' + QString::fromUtf8(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    QByteArray content(const QString& relative) const
    {
        QFile in(root() + u'/' + relative);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<missing>");
    }
    QByteArray archive() const { return QFile::encodeName(root() + QStringLiteral("/a.zip")); }
    std::vector<ZipCreate::Item> items()
    {
        std::vector<ZipCreate::Item> list;
        TreeWalk::Failure failure;
        EXPECT_TRUE(ZipCreate::collect(*fileSystem, {QStringLiteral("\\Docs"), QStringLiteral("\\b.bin")}, list, failure));
        return list;
    }
    Unzip::Result unpack()
    {
        platform::OpenFolder out;
        EXPECT_EQ(fileSystem->openFolder(QStringLiteral("\\out"), out), FsError::None);
        return Unzip::extract(*fileSystem, archive(), out, nullptr);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<FaultyFileSystem> fileSystem;
};

TEST_F(ThreadedZipCreate, WithNoThreadToBeHadTheArchiveIsMadeWholeOnTheCallersThread)
{
    JobContext context;
    ZipCreate::Result result;
    {
        RefuseThreadStarts refuse;
        result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, &context, {});
    }
    ASSERT_EQ(result.outcome, ZipCreate::Outcome::Done);
    EXPECT_EQ(result.written, 6);
    EXPECT_EQ(unpack().skipped, 0);
    EXPECT_EQ(content(QStringLiteral("out/Docs/a.txt")), content(QStringLiteral("Docs/a.txt")));
    EXPECT_EQ(content(QStringLiteral("out/b.bin")), content(QStringLiteral("b.bin")));
}

TEST_F(ThreadedZipCreate, AnArchiveOfATreeReadsBackWhole)
{
    JobContext context;
    const ZipCreate::Result result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, &context, {});
    ASSERT_EQ(result.outcome, ZipCreate::Outcome::Done);
    EXPECT_EQ(result.written, 6);  // a.txt, sub/a.txt, ü.txt, the link, the empty folder, b.bin
    const Unzip::Result back = unpack();
    EXPECT_EQ(back.skipped, 0);
    EXPECT_EQ(content(QStringLiteral("out/Docs/a.txt")), content(QStringLiteral("Docs/a.txt")));
    EXPECT_EQ(content(QStringLiteral("out/Docs/sub/a.txt")), QByteArray("inner a"));
    EXPECT_EQ(content(QStringLiteral("out/Docs/ü.txt")), QByteArray("umlaut"));
    EXPECT_EQ(content(QStringLiteral("out/Docs/link")), QByteArray("a.txt"));  // the link's text
    EXPECT_TRUE(QDir(root() + QStringLiteral("/out/Docs/empty")).exists());
    EXPECT_EQ(content(QStringLiteral("out/b.bin")), content(QStringLiteral("b.bin")));
    EXPECT_EQ(context.itemsDone.load(), 6);

    // Info-ZIP reads it as sound, with UTF-8 names, the empty folder and the link as a link.
    HostProgram unzip =
        HostProgram::run(QStringLiteral("unzip"), {QStringLiteral("-Z"), QStringLiteral("-l"), QFile::decodeName(archive())});
    ASSERT_TRUE(unzip.started) << "unzip is installed by scripts/bootstrap";
    const QString listing = QString::fromUtf8(unzip.output);
    EXPECT_EQ(unzip.exitCode, 0) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Docs/ü.txt"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Docs/empty/"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("lrwxrwxrwx"))) << listing.toStdString();
    unzip = HostProgram::run(QStringLiteral("unzip"), {QStringLiteral("-tq"), QFile::decodeName(archive())});
    ASSERT_TRUE(unzip.started);
    EXPECT_EQ(unzip.exitCode, 0) << unzip.output.toStdString();
}

// Large files are deflated in pieces on several threads: the pieces must join into one stream
// that every common reader accepts, whether a file ends inside a piece or exactly at its end.
TEST_F(ThreadedZipCreate, ArchivesWithLargeFilesAreSoundToEveryCommonReader)
{
    QByteArray prose;
    for (int line = 0; prose.size() < (4 << 20) + 12345; ++line)
        prose += "line " + QByteArray::number(line % 977) + " of a long text, repeated with small changes\n";
    file("Docs/long.txt", prose);
    file("Docs/exact.txt", prose.left(4 << 20));  // two whole pieces, then nothing
    QByteArray random(3 << 20, '\0');
    QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
    file("Docs/noise.bin", random);
    for (const int level : {0, 1, 9}) {
        SCOPED_TRACE(level);
        QFile::remove(QFile::decodeName(archive()));
        QDir(root() + QStringLiteral("/out")).removeRecursively();
        QDir(root()).mkdir(QStringLiteral("out"));
        ASSERT_EQ(ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), level, nullptr, {}).outcome,
                  ZipCreate::Outcome::Done);
        ASSERT_EQ(unpack().skipped, 0);
        for (const char* name : {"Docs/long.txt", "Docs/exact.txt", "Docs/noise.bin"})
            EXPECT_EQ(content(QStringLiteral("out/") + QString::fromUtf8(name)), content(QString::fromUtf8(name))) << name;

        // Each reader decompresses every entry and checks its CRC (all are installed by
        // scripts/bootstrap).
        const QString path = QFile::decodeName(archive());
        const QList<QStringList> readers = {
            {QStringLiteral("unzip"), QStringLiteral("-tq"), path},
            {QStringLiteral("7zz"), QStringLiteral("t"), QStringLiteral("-bd"), path},
            {QStringLiteral("bsdtar"), QStringLiteral("-xOf"), path},
            {QStringLiteral("python3"), QStringLiteral("-m"), QStringLiteral("zipfile"), QStringLiteral("-t"), path},
        };
        for (const QStringList& reader : readers) {
            const HostProgram process = HostProgram::run(reader.first(), reader.mid(1));
            ASSERT_TRUE(process.started) << reader.first().toStdString();
            EXPECT_EQ(process.exitCode, 0) << reader.first().toStdString() << ": " << process.errors.toStdString();
        }
    }
}

// Data that does not compress is stored rather than deflated, piece by piece: a file whose
// first part is random and whose rest is text still reads back whole everywhere, and its text
// is compressed all the same.
TEST_F(ThreadedZipCreate, TextAfterRandomDataInOneFileIsStillCompressed)
{
    QByteArray random(10 << 20, '\0');
    QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
    QByteArray prose;
    for (int line = 0; prose.size() < (18 << 20); ++line)
        prose += "line " + QByteArray::number(line % 5003) + " of a text after the noise\n";
    file("Docs/mixed.bin", random + prose);
    ASSERT_EQ(ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, nullptr, {}).outcome,
              ZipCreate::Outcome::Done);
    EXPECT_LT(QFileInfo(QFile::decodeName(archive())).size(), random.size() + prose.size() / 4);
    ASSERT_EQ(unpack().skipped, 0);
    EXPECT_TRUE(content(QStringLiteral("out/Docs/mixed.bin")) == random + prose);
    for (const QStringList& reader : {QStringList{QStringLiteral("unzip"), QStringLiteral("-tq")},
                                      QStringList{QStringLiteral("bsdtar"), QStringLiteral("-xOf")}}) {
        const HostProgram process = HostProgram::run(reader.first(), {reader.at(1), QFile::decodeName(archive())});
        ASSERT_TRUE(process.started) << reader.first().toStdString();
        EXPECT_EQ(process.exitCode, 0) << reader.first().toStdString();
    }
}

// Entries are made ready on several threads at once: many small files in several folders still
// go into the archive in the order they were listed, each with its own content.
TEST_F(ThreadedZipCreate, ManySmallFilesKeepTheirOrderAndContent)
{
    for (int folder = 0; folder < 3; ++folder) {
        QDir(root()).mkpath(QStringLiteral("Docs/f%1").arg(folder));
        for (int index = 0; index < 60; ++index)
            file(QStringLiteral("Docs/f%1/s%2.txt").arg(folder).arg(index).toUtf8().constData(),
                 QByteArray::number(folder * 1000 + index).repeated(index + 1));
    }
    const std::vector<ZipCreate::Item> list = items();
    ASSERT_EQ(ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), list, 5, nullptr, {}).outcome,
              ZipCreate::Outcome::Done);
    const HostProgram unzip = HostProgram::run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), QFile::decodeName(archive())});
    ASSERT_TRUE(unzip.started);
    QStringList expected;
    for (const ZipCreate::Item& item : list)
        expected << item.entryName;
    EXPECT_EQ(QString::fromUtf8(unzip.output).split(u'\n', Qt::SkipEmptyParts), expected);
    ASSERT_EQ(unpack().skipped, 0);
    for (int folder = 0; folder < 3; ++folder)
        for (int index = 0; index < 60; index += 7)
            EXPECT_EQ(content(QStringLiteral("out/Docs/f%1/s%2.txt").arg(folder).arg(index)),
                      QByteArray::number(folder * 1000 + index).repeated(index + 1));
}

TEST_F(ThreadedZipCreate, AnUnreadableFileIsLeftOutOrEndsTheArchiveWithWholeEntriesOnly)
{
    fileSystem->fault = [](FaultyFileSystem::Call call, const QString& path) {
        return call == FaultyFileSystem::Call::OpenFile && path == u"\\Docs\\sub\\a.txt" ? FsError::AccessDenied
                                                                                        : FsError::None;
    };
    QStringList asked;
    QStringList filesMeanwhile;
    ZipCreate::Result result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, nullptr, [&](const QString& path, FsError reason) {
        asked << path;
        EXPECT_EQ(reason, FsError::AccessDenied);
        filesMeanwhile = QDir(root()).entryList(QDir::Files | QDir::Hidden);
        return true;  // leave it out
    });
    // Half-way, the archive has no name yet: a program killed now would leave nothing.
    EXPECT_EQ(filesMeanwhile, QStringList{QStringLiteral("b.bin")});
    EXPECT_EQ(result.outcome, ZipCreate::Outcome::Done);
    EXPECT_EQ(asked, QStringList{QStringLiteral("\\Docs\\sub\\a.txt")});
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.written, 5);

    // Stopping there instead: the archive keeps the entries finished before it, each whole.
    ASSERT_TRUE(QFile::remove(QFile::decodeName(archive())));
    result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, nullptr, [](const QString&, FsError) { return false; });
    EXPECT_EQ(result.outcome, ZipCreate::Outcome::Failed);
    EXPECT_EQ(result.failedItem, QStringLiteral("\\Docs\\sub\\a.txt"));
    const Unzip::Result back = unpack();
    EXPECT_EQ(back.skipped, 0);
    EXPECT_EQ(back.entries, result.written);
    EXPECT_FALSE(QFile::exists(root() + QStringLiteral("/out/Docs/sub/a.txt")));

    // An archive is never written over an existing file, and leaves no hidden one behind.
    fileSystem->fault = nullptr;
    result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, nullptr, {});
    EXPECT_EQ(result.outcome, ZipCreate::Outcome::CannotCreate);
    EXPECT_FALSE(QDir(root()).entryList(QDir::Hidden | QDir::Files).join(u' ').contains(QStringLiteral("fennick")));
}

// A host name that is not UTF-8 goes into the archive as its own bytes, without the UTF-8
// flag, as Info-ZIP stores it on Linux, and is unpacked under the same bytes.
TEST_F(ThreadedZipCreate, ANameThatIsNotUtf8KeepsItsBytesBothWays)
{
    const QByteArray name = "r\xE9sum\xE9.txt";  // Latin-1
    const QByteArray made = QFile::encodeName(root() + QStringLiteral("/Docs/")) + name;
    const QByteArray unpacked = QFile::encodeName(root() + QStringLiteral("/out/Docs/")) + name;
    // The temporary folder is removed by names Qt has decoded, which these bytes do not survive.
    struct Remover {
        std::vector<QByteArray> paths;
        ~Remover()
        {
            for (const QByteArray& path : paths)
                ::unlink(path.constData());
        }
    } remover{{made, unpacked}};
    {
        QFile out;
        const int descriptor = ::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(descriptor, 0);
        ASSERT_TRUE(out.open(descriptor, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        out.write("latin");
    }
    ASSERT_EQ(ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 5, nullptr, {}).outcome,
              ZipCreate::Outcome::Done);

    const HostProgram unzip = HostProgram::run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), QFile::decodeName(archive())});
    ASSERT_TRUE(unzip.started) << "unzip is installed by scripts/bootstrap";
    const QList<QByteArray> listed = unzip.output.split('\n');
    EXPECT_TRUE(listed.contains("Docs/" + name)) << QByteArray(listed.join(' ')).toHex(' ').constData();
    EXPECT_TRUE(listed.contains("Docs/\xC3\xBC.txt"));  // UTF-8 names stay UTF-8

    EXPECT_EQ(unpack().skipped, 0);
    QFile back;
    const int descriptor = ::open(unpacked.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0) << "unpacked under other bytes";
    ASSERT_TRUE(back.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_EQ(back.readAll(), QByteArray("latin"));
}

TEST_F(ThreadedZipCreate, AStopLeavesASoundArchive)
{
    JobContext context;
    context.stop = true;
    const ZipCreate::Result result = ZipCreate::write(*fileSystem, QStringLiteral("\\a.zip"), items(), 9, &context, {});
    EXPECT_EQ(result.outcome, ZipCreate::Outcome::Stopped);
    EXPECT_EQ(result.written, 0);
    EXPECT_EQ(unpack().outcome, Unzip::Outcome::NoEntries);  // an empty archive, not a broken one
}

}  // namespace
