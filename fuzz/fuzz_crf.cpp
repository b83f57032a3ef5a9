// Feeds arbitrary bytes to the reader of ".crf" headers, and decrypts them as a ".crf" file
// with the password "secret" (the seeds are files of that password, so their mutations reach
// the data). An accepted header must write back to the same bytes and name a bare file; a
// decryption must write its output whole under the stored name, or nothing at all.
#include "crypt/CrfFile.h"
#include "crypt/CrfFormat.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CrfFormat::Header header;
    const bool accepted = CrfFormat::parseHeader(bytes, header) == CrfFormat::HeaderError::None;
    if (accepted
        && (header.size > CrfFormat::MaxHeaderSize || header.size > bytes.size()
            || !CrfFormat::isBareName(header.storedName)
            || CrfFormat::headerBytes(header.storedName, header.checkBlock) != bytes.left(header.size)))
        std::abort();

    // One folder for the whole run: the file is written afresh for each input.
    static QTemporaryDir folder;
    static platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(folder.path()))};
    static platform::OpenFolder root;
    if (!root.isOpen() && fileSystem.openFolder(QStringLiteral("\\"), root) != platform::FsError::None)
        std::abort();
    QFile in(folder.filePath(QStringLiteral("in.crf")));
    if (!in.open(QIODevice::WriteOnly | QIODevice::Truncate) || in.write(bytes) != bytes.size())
        return 0;
    in.close();
    const CrfFile::Result result = CrfFile::decrypt(fileSystem, root, QStringLiteral("in.crf"), root,
                                                    QStringLiteral("out"), QStringLiteral("secret"), false, nullptr);
    const QStringList left = QDir(folder.path())
                                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const bool done = result.outcome == CrfFile::Outcome::Done;
    if ((done && !accepted)
        || left
               != (done ? QStringList{QStringLiteral("in.crf"), QStringLiteral("out")}
                        : QStringList{QStringLiteral("in.crf")}))
        std::abort();
    if (done) {
        // Whole blocks in, the padding off: between 1 and 8 bytes fewer than the data part.
        const qint64 out = QFileInfo(folder.filePath(QStringLiteral("out"))).size();
        const qint64 dataPart = bytes.size() - header.size;
        if (dataPart % 8 != 0 || out >= dataPart || out < dataPart - 8)
            std::abort();
        QFile::remove(folder.filePath(QStringLiteral("out")));
    }
    return 0;
}
