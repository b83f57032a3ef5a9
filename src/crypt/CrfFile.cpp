#include "crypt/CrfFile.h"

#include "crypt/CrfCipher.h"
#include "crypt/CrfFormat.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <memory>
#include <vector>

using platform::FsError;
using Outcome = CrfFile::Outcome;

namespace {

CrfFile::Result outcome(Outcome value, FsError error = FsError::None)
{
    CrfFile::Result result;
    result.outcome = value;
    result.error = error;
    return result;
}

bool stopped(const JobContext* context) { return context && context->stopRequested(); }

// Fills `buffer` from the file until it is full or the file ends; false on a read error.
bool readUpTo(platform::ReadFile& file, QByteArray& buffer, qint64 wanted)
{
    buffer.resize(static_cast<qsizetype>(wanted));
    qint64 have = 0;
    while (have < wanted) {
        const qint64 got = file.read(buffer.data() + have, wanted - have);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        have += got;
    }
    buffer.truncate(static_cast<qsizetype>(have));
    return true;
}

// An open ".crf" file whose header has been read and whose password has been checked; the
// bytes read past the header are the start of its data.
struct OpenedCrf {
    std::unique_ptr<platform::ReadFile> file;
    CrfFormat::Header header;
    QByteArray start;  // the first bytes of the file, header included
    QByteArray key;
};

CrfFile::Result open(platform::FileSystem& fileSystem, const platform::OpenFolder& folder, const QString& name,
                     const QString& password, OpenedCrf& out)
{
    if (const FsError error = fileSystem.openFileAt(folder, name, out.file); error != FsError::None)
        return outcome(Outcome::FileError, error);
    if (!readUpTo(*out.file, out.start, CrfFormat::MaxHeaderSize))
        return outcome(Outcome::FileError, FsError::IoError);
    if (CrfFormat::parseHeader(out.start, out.header) != CrfFormat::HeaderError::None)
        return outcome(Outcome::NotEncrypted);
    out.key = CrfFormat::deriveKey(password);
    CrfCipher check;
    if (out.key.isEmpty() || !check.start(out.key, CrfCipher::Direction::Decrypt, false))
        return outcome(Outcome::NoCipher);
    QByteArray plain(out.header.checkBlock.size() + CrfCipher::BlockSize, '\0');
    qint64 written = 0;
    if (!check.update(out.header.checkBlock.constData(), out.header.checkBlock.size(), plain.data(), written))
        return outcome(Outcome::NoCipher);
    CrfFile::Result result = outcome(
        CrfFormat::checkMatches(QByteArrayView(plain).first(written)) ? Outcome::Done : Outcome::WrongPassword);
    result.storedName = out.header.storedName;
    return result;
}

// Runs the rest of a file through the cipher into a new file, which is named only when all of
// it is written and on the disk. `first` is data already read from the file.
CrfFile::Result stream(platform::FileSystem& fileSystem, platform::ReadFile& in, QByteArrayView first,
                       CrfCipher& cipher, const platform::OpenFolder& to, const QString& output, bool replace,
                       JobContext* context, const QByteArray& head = QByteArray())
{
    std::unique_ptr<platform::NewFile> out;
    if (const FsError error = fileSystem.createFileAt(to, output, out); error != FsError::None)
        return outcome(Outcome::FileError, error);
    if (!head.isEmpty())
        if (const FsError error = out->write(head.constData(), head.size()); error != FsError::None)
            return outcome(Outcome::FileError, error);
    std::vector<char> buffer(static_cast<size_t>(CrfFile::Piece));
    std::vector<char> result(static_cast<size_t>(CrfFile::Piece + CrfCipher::BlockSize));
    // Runs one piece through the cipher and writes what comes out.
    CrfFile::Result failure;
    const auto put = [&](const char* data, qint64 size) {
        qint64 written = 0;
        if (!cipher.update(data, size, result.data(), written)) {
            failure = outcome(Outcome::NoCipher);
            return false;
        }
        if (const FsError error = out->write(result.data(), written); error != FsError::None) {
            failure = outcome(Outcome::FileError, error);
            return false;
        }
        if (context)
            context->bytesDone.fetch_add(size, std::memory_order_relaxed);
        return true;
    };
    for (qint64 at = 0; at < first.size(); at += CrfFile::Piece)
        if (!put(first.data() + at, std::min(CrfFile::Piece, first.size() - at)))
            return failure;
    for (;;) {
        if (stopped(context))
            return outcome(Outcome::Stopped);
        const qint64 got = in.read(buffer.data(), CrfFile::Piece);
        if (got < 0)
            return outcome(Outcome::FileError, FsError::IoError);
        if (got == 0)
            break;
        if (!put(buffer.data(), got))
            return failure;
    }
    qint64 written = 0;
    // Decrypting, the last block must carry sound padding: data cut short or damaged ends
    // here, and nothing of it is left behind.
    if (!cipher.finish(result.data(), written))
        return outcome(Outcome::DamagedData);
    if (const FsError error = out->write(result.data(), written); error != FsError::None)
        return outcome(Outcome::FileError, error);
    if (const FsError error = out->flush(); error != FsError::None)
        return outcome(Outcome::FileError, error);
    if (const FsError error = out->commit(replace); error != FsError::None)
        return outcome(Outcome::FileError, error);
    return outcome(Outcome::Done);
}

}  // namespace

CrfFile::Result CrfFile::encrypt(platform::FileSystem& fileSystem, const platform::OpenFolder& from,
                                 const QString& source, const platform::OpenFolder& to, const QString& output,
                                 const QString& password, bool replace, JobContext* context)
{
    // A name longer than the phone's buffer would make a file that no reader accepts.
    if (!CrfFormat::isBareName(source) || source.size() > qsizetype(CrfFormat::MaxNameLength))
        return outcome(Outcome::FileError, FsError::InvalidName);
    const QByteArray key = CrfFormat::deriveKey(password);
    CrfCipher cipher;
    if (key.isEmpty() || !cipher.start(key, CrfCipher::Direction::Encrypt))
        return outcome(Outcome::NoCipher);
    std::unique_ptr<platform::ReadFile> in;
    if (const FsError error = fileSystem.openFileAt(from, source, in); error != FsError::None)
        return outcome(Outcome::FileError, error);
    if (context) {
        context->setCurrentItem(source);
        context->bytesTotal = in->size();
    }
    // The check text is the first block of the same stream as the data.
    const QByteArray check = CrfFormat::checkText();
    QByteArray checkBlock(check.size() + CrfCipher::BlockSize, '\0');
    qint64 written = 0;
    if (!cipher.update(check.constData(), check.size(), checkBlock.data(), written) || written != check.size())
        return outcome(Outcome::NoCipher);
    checkBlock.truncate(static_cast<qsizetype>(written));
    return stream(fileSystem, *in, {}, cipher, to, output, replace, context,
                  CrfFormat::headerBytes(source, checkBlock));
}

CrfFile::Result CrfFile::checkPassword(platform::FileSystem& fileSystem, const platform::OpenFolder& folder,
                                       const QString& name, const QString& password)
{
    OpenedCrf opened;
    return open(fileSystem, folder, name, password, opened);
}

CrfFile::Result CrfFile::decrypt(platform::FileSystem& fileSystem, const platform::OpenFolder& from,
                                 const QString& encrypted, const platform::OpenFolder& to, const QString& output,
                                 const QString& password, bool replace, JobContext* context)
{
    OpenedCrf opened;
    Result result = open(fileSystem, from, encrypted, password, opened);
    if (result.outcome != Outcome::Done)
        return result;
    if (context) {
        context->setCurrentItem(encrypted);
        context->bytesTotal = opened.file->size();
        context->bytesDone = opened.header.size;
    }
    // The data continues the stream of the check block: its last block is the data's
    // initial vector.
    CrfCipher cipher;
    if (!cipher.start(opened.key, CrfCipher::Direction::Decrypt, true,
                      opened.header.checkBlock.right(CrfCipher::BlockSize)))
        return outcome(Outcome::NoCipher);
    const QString storedName = result.storedName;
    result = stream(fileSystem, *opened.file, QByteArrayView(opened.start).sliced(opened.header.size), cipher, to,
                    output, replace, context);
    result.storedName = storedName;
    return result;
}
