#include "archive/EntryData.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <utility>

#include <zlib.h>

#include <unistd.h>

using platform::FsError;

namespace {

constexpr quint32 Marker32 = 0xFFFFFFFFu;

quint64 little(const char* data, int bytes)
{
    quint64 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(data[i]);
    return value;
}

// Up to `size` bytes at `offset`, read without moving the file's position (-1 on a failure).
qint64 readAt(QFile& file, qint64 offset, char* data, qint64 size)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t one = ::pread(file.handle(), data + got, static_cast<size_t>(size - got),
                                    static_cast<off_t>(offset + got));
        if (one < 0 && errno == EINTR)
            continue;
        if (one < 0)
            return -1;
        if (one == 0)
            break;
        got += one;
    }
    return got;
}

// `size` bytes at `offset`, or an empty array when the file has fewer there.
QByteArray readAt(QFile& file, qint64 offset, qint64 size)
{
    if (offset < 0 || size < 0 || offset > std::numeric_limits<qint64>::max() - size)
        return {};
    QByteArray bytes(size, Qt::Uninitialized);
    return readAt(file, offset, bytes.data(), size) == size ? bytes : QByteArray();
}

}  // namespace

qint64 EntryData::endRecord(QFile& archive)
{
    // The record (22 bytes) is followed by the archive's comment of at most 65,535 bytes, so
    // it starts within the last 22 + 65,535 bytes. The comment may hold the record's
    // signature itself: the record whose comment length reaches the end of the file is the
    // one; failing that (bytes added after the archive), the last that fits.
    constexpr qint64 Record = 22;
    const qint64 size = archive.size();
    const qint64 tail = std::min<qint64>(size, Record + 65535);
    const QByteArray end = readAt(archive, size - tail, tail);
    qint64 last = -1;
    for (qsizetype at = end.size() - Record; at >= 0; --at) {
        at = end.lastIndexOf(QByteArrayLiteral("PK\x05\x06"), at);
        if (at < 0)
            break;
        if (last < 0)
            last = size - tail + at;
        if (at + Record + static_cast<qint64>(little(end.constData() + at + 20, 2)) == end.size())
            return size - tail + at;
    }
    return last;
}

qint64 EntryData::leadingBytes(QFile& archive)
{
    const qint64 endRecord = EntryData::endRecord(archive);
    const QByteArray end = readAt(archive, endRecord, 22);
    if (endRecord < 0 || end.size() != 22)
        return 0;
    quint64 directorySize = little(end.constData() + 12, 4);
    quint64 directoryOffset = little(end.constData() + 16, 4);
    qint64 directoryEnd = endRecord;
    // A 64-bit end record, when there is one, lies between the directory and its locator,
    // which lies just before the end record; its values count where the others hold markers.
    const QByteArray locator = readAt(archive, endRecord - 20, 20);
    if (locator.startsWith("PK\x06\x07")) {
        const QByteArray record = readAt(archive, endRecord - 20 - 56, 56);
        if (!record.startsWith("PK\x06\x06"))
            return 0;
        if (directorySize == Marker32)
            directorySize = little(record.constData() + 40, 8);
        if (directoryOffset == Marker32)
            directoryOffset = little(record.constData() + 48, 8);
        directoryEnd = endRecord - 20 - 56;
    } else if (directorySize == Marker32 || directoryOffset == Marker32) {
        return 0;
    }
    const qint64 leading = directoryEnd - static_cast<qint64>(directorySize) - static_cast<qint64>(directoryOffset);
    return leading > 0 ? leading : 0;
}

FsError EntryData::open(QFile& archive, qint64 leading, qint64 record, EntryData& out)
{
    const qint64 archiveSize = archive.size();
    const QByteArray header = readAt(archive, leading + record, 46);
    if (!header.startsWith("PK\x01\x02"))
        return FsError::IoError;
    const char* h = header.constData();
    const quint64 flags = little(h + 8, 2);
    out.m_method = static_cast<int>(little(h + 10, 2));
    out.m_crc = static_cast<quint32>(little(h + 16, 4));
    out.m_compressed = little(h + 20, 4);
    out.m_size = little(h + 24, 4);
    const qint64 nameSize = static_cast<qint64>(little(h + 28, 2));
    const qint64 extraSize = static_cast<qint64>(little(h + 30, 2));
    quint64 local = little(h + 42, 4);
    // The 64-bit values stand in the ZIP64 field in this order, each only where its 32-bit
    // field holds the marker.
    const QByteArray extra = readAt(archive, leading + record + 46 + nameSize, extraSize);
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const quint64 id = little(extra.constData() + at, 2);
        const qsizetype length = static_cast<qsizetype>(little(extra.constData() + at + 2, 2));
        const qsizetype end = std::min(at + 4 + length, extra.size());
        if (id == 0x0001) {
            qsizetype field = at + 4;
            for (quint64* value : {&out.m_size, &out.m_compressed, &local}) {
                if (*value != Marker32)
                    continue;
                if (field + 8 > end)
                    return FsError::IoError;
                *value = little(extra.constData() + field, 8);
                field += 8;
            }
        }
        at = end;
    }
    if (flags & 1)
        return FsError::NotSupported;  // encrypted: there is no password to read it with
    if (out.m_method != 0 && out.m_method != Z_DEFLATED)
        return FsError::NotSupported;
    if (local > static_cast<quint64>(archiveSize))
        return FsError::IoError;
    const QByteArray localHeader = readAt(archive, leading + static_cast<qint64>(local), 30);
    if (!localHeader.startsWith("PK\x03\x04"))
        return FsError::IoError;
    out.m_data = leading + static_cast<qint64>(local) + 30
                 + static_cast<qint64>(little(localHeader.constData() + 26, 2))
                 + static_cast<qint64>(little(localHeader.constData() + 28, 2));
    if (out.m_compressed > static_cast<quint64>(archiveSize) || out.m_data > archiveSize
        || static_cast<qint64>(out.m_compressed) > archiveSize - out.m_data
        || (out.m_method == 0 && out.m_compressed != out.m_size))
        return FsError::IoError;
    out.m_archive = &archive;
    return FsError::None;
}

FsError EntryData::unpack(const std::function<FsError(const char*, qint64)>& write,
                          const std::function<bool()>& stopped) const
{
    if (!m_archive)
        return FsError::IoError;
    qint64 at = m_data;
    z_stream stream{};
    if (m_method == Z_DEFLATED && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return FsError::Other;
    // Buffers no larger than the entry needs, and left unfilled: an archive of many small files
    // would otherwise spend its time clearing fresh memory for each.
    static constexpr quint64 Piece = 1 << 18;
    const auto buffer = [](quint64 size) {
        const size_t length = static_cast<size_t>(std::clamp<quint64>(size, 1, Piece));
        return std::pair(std::unique_ptr<char[]>(new char[length]), length);
    };
    const auto [inputData, inputSize] = buffer(m_compressed);
    const auto [outputData, outputSize] = buffer(m_size);
    quint64 left = m_compressed;
    quint64 made = 0;
    uLong crc = crc32(0L, nullptr, 0);
    FsError error = FsError::None;
    bool ended = m_method != Z_DEFLATED && m_size == 0;
    const auto take = [&](const char* data, qint64 size) {
        made += static_cast<quint64>(size);
        if (made > m_size)
            return FsError::IoError;  // more than the entry claims: damaged, or made to fill the disk
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(data), static_cast<size_t>(size));
        return write(data, size);
    };
    while (error == FsError::None && !ended) {
        if (stopped()) {
            error = FsError::Cancelled;
            break;
        }
        const qint64 want = static_cast<qint64>(std::min<quint64>(left, inputSize));
        const qint64 got = want > 0 ? readAt(*m_archive, at, inputData.get(), want) : 0;
        at += std::max<qint64>(got, 0);
        if (got < 0 || (got == 0 && m_method != Z_DEFLATED)) {
            error = FsError::IoError;
            break;
        }
        left -= static_cast<quint64>(got);
        if (m_method != Z_DEFLATED) {
            error = take(inputData.get(), got);
            ended = left == 0;
            continue;
        }
        stream.next_in = reinterpret_cast<Bytef*>(inputData.get());
        stream.avail_in = static_cast<uInt>(got);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(outputData.get());
            stream.avail_out = static_cast<uInt>(outputSize);
            const int status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && got > 0)) {
                error = FsError::IoError;
                break;
            }
            const qint64 produced = static_cast<qint64>(outputSize - stream.avail_out);
            if (produced > 0)
                error = take(outputData.get(), produced);
            ended = status == Z_STREAM_END;
        } while (error == FsError::None && !ended && stream.avail_out == 0);
        if (error == FsError::None && !ended && got == 0)
            error = FsError::IoError;  // the data ends before its stream does
    }
    if (m_method == Z_DEFLATED)
        inflateEnd(&stream);
    if (error == FsError::None && (made != m_size || static_cast<quint32>(crc) != m_crc))
        error = FsError::IoError;
    return error;
}
