#include "archive/ZipCreate.h"

#include "jobs/AsideTask.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

#include <QDateTime>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

#include <ioapi.h>
#include <zip.h>
#include <zlib.h>

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;
using platform::PhonePath::join;
using platform::PhonePath::splitLast;

namespace {

// Compressed data of one entry: in memory while small, spilled to an anonymous temporary file
// beyond that, so that two large files in flight do not fill the memory.
class Compressed {
public:
    static constexpr qsizetype InMemory = 32 << 20;

    void append(const char* data, qsizetype size)
    {
        if (!m_spill && m_memory.size() + size > InMemory) {
            m_spill.reset(std::tmpfile());
            if (m_spill
                && std::fwrite(m_memory.constData(), 1, static_cast<size_t>(m_memory.size()), m_spill.get())
                       != static_cast<size_t>(m_memory.size()))
                m_failed = true;
            m_memory.clear();
            if (!m_spill)
                m_failed = true;
        }
        if (m_spill) {
            if (std::fwrite(data, 1, static_cast<size_t>(size), m_spill.get()) != static_cast<size_t>(size))
                m_failed = true;
        } else {
            m_memory.append(data, size);
        }
    }
    bool failed() const { return m_failed; }
    // Hands the data over in pieces; false when a piece could not be read back.
    bool forEach(const std::function<bool(const char*, qsizetype)>& take)
    {
        if (!m_spill)
            return m_memory.isEmpty() || take(m_memory.constData(), m_memory.size());
        std::rewind(m_spill.get());
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const size_t got = std::fread(buffer.data(), 1, buffer.size(), m_spill.get());
            if (got > 0 && !take(buffer.data(), static_cast<qsizetype>(got)))
                return false;
            if (got < buffer.size())
                return !std::ferror(m_spill.get());
        }
    }

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    QByteArray m_memory;
    std::unique_ptr<std::FILE, Closer> m_spill;
    bool m_failed = false;
};

// The archive's file as minizip's output: writes and seeks go to a new file of the file
// system, and the first failure is kept with its reason. minizip writes a header field by
// field and goes back to fill in an entry's checksum and sizes; the writes of an entry gather
// here and reach the file in one run when the entry is complete (or in large runs for a large
// one), and a step back into what is gathered is made in memory.
struct ArchiveOutput {
    static constexpr qsizetype Gather = 1 << 20;

    platform::NewFile* file;
    FsError error = FsError::None;
    QByteArray gathered{};  // written, not on the file yet
    qint64 gatheredAt = 0;  // where `gathered` goes in the file
    qint64 position = 0;    // where the next write goes
    qint64 fileAt = 0;      // the file's own position
    qint64 end = 0;         // the file's length, with what is gathered

    bool put(const char* data, qint64 size)
    {
        if (error != FsError::None)
            return false;
        if (fileAt != position && file->seek(position, SEEK_SET) < 0) {
            error = FsError::IoError;
            return false;
        }
        error = file->write(data, size);
        fileAt = position + size;
        return error == FsError::None;
    }
    bool flush()
    {
        if (gathered.isEmpty())
            return error == FsError::None;
        const qint64 keep = position;
        position = gatheredAt;
        const bool ok = put(gathered.constData(), gathered.size());
        position = keep;
        gathered.clear();
        return ok;
    }
    bool write(const char* data, qint64 size)
    {
        const qint64 gatheredEnd = gatheredAt + gathered.size();
        if (!gathered.isEmpty() && (position < gatheredAt || position > gatheredEnd) && !flush())
            return false;
        if (gathered.isEmpty())
            gatheredAt = position;
        const qint64 offset = position - gatheredAt;
        const qint64 overlap = std::min<qint64>(size, gathered.size() - offset);
        std::copy_n(data, overlap, gathered.data() + offset);
        const qint64 rest = size - overlap;
        if (rest > 0) {
            if (gathered.size() + rest > Gather && !flush())
                return false;
            if (gathered.isEmpty()) {
                gatheredAt = position + overlap;
                if (rest >= Gather / 2) {  // large data goes as it is, without a copy
                    position += overlap;
                    if (!put(data + overlap, rest))
                        return false;
                    position += rest;
                    end = std::max(end, position);
                    return true;
                }
            }
            if (gathered.capacity() < Gather)
                gathered.reserve(Gather);
            gathered.append(data + overlap, rest);
        }
        position += size;
        end = std::max(end, position);
        return error == FsError::None;
    }

    zlib_filefunc64_def functions()
    {
        zlib_filefunc64_def io{};
        io.opaque = this;
        io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        io.zread_file = [](voidpf, voidpf, void*, uLong) -> uLong { return 0; };
        io.zwrite_file = [](voidpf opaque, voidpf, const void* data, uLong size) -> uLong {
            return static_cast<ArchiveOutput*>(opaque)->write(static_cast<const char*>(data), static_cast<qint64>(size))
                       ? size
                       : 0;
        };
        io.ztell64_file = [](voidpf opaque, voidpf) -> ZPOS64_T {
            return static_cast<ZPOS64_T>(static_cast<ArchiveOutput*>(opaque)->position);
        };
        io.zseek64_file = [](voidpf opaque, voidpf, ZPOS64_T offset, int origin) -> long {
            auto* self = static_cast<ArchiveOutput*>(opaque);
            const qint64 base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                                : origin == ZLIB_FILEFUNC_SEEK_END ? self->end
                                                                   : self->position;
            const qint64 to = base + static_cast<qint64>(offset);
            if (to < 0)
                return -1;
            self->position = to;
            return 0;
        };
        io.zclose_file = [](voidpf opaque, voidpf) -> int {
            return static_cast<ArchiveOutput*>(opaque)->flush() ? 0 : 1;
        };
        io.zerror_file = [](voidpf opaque, voidpf) -> int {
            return static_cast<ArchiveOutput*>(opaque)->error == FsError::None ? 0 : 1;
        };
        return io;
    }
};

// Pieces of this size are deflated apart; this many are in flight for one file.
constexpr qint64 PieceSize = 2 << 20;
constexpr size_t PiecesInFlight = 4;

struct Piece {
    QByteArray data;
    bool ok = true;
    qint64 inputSize = 0;
    uLong crc = 0;  // of the input
};

// Deflate data that it cannot make smaller (already compressed, or random) costs as much as
// any other and gains nothing. A large piece is first tried on a sample (three stretches of it,
// deflated fast); when that gains less than 1/64, the piece goes as stored blocks in the same
// stream (deflate's level 0), which every reader takes as it takes any other block.
constexpr qsizetype SampleFrom = 256 * 1024;
constexpr qsizetype SampleStretch = 16 * 1024;

bool worthDeflating(const QByteArray& input)
{
    if (input.size() < SampleFrom)
        return true;
    z_stream stream{};
    if (deflateInit2(&stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return true;
    char output[4 * SampleStretch];
    stream.next_out = reinterpret_cast<Bytef*>(output);
    stream.avail_out = sizeof output;
    const qsizetype starts[] = {0, input.size() / 2, input.size() - SampleStretch};
    int status = Z_OK;
    for (size_t i = 0; i < std::size(starts) && status == Z_OK; ++i) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData() + starts[i]));
        stream.avail_in = static_cast<uInt>(SampleStretch);
        status = deflate(&stream, i + 1 == std::size(starts) ? Z_FINISH : Z_NO_FLUSH);
    }
    const qsizetype sampled = 3 * SampleStretch;
    const bool gained = status == Z_STREAM_END && static_cast<qsizetype>(stream.total_out) < sampled - sampled / 64;
    deflateEnd(&stream);
    return gained;
}

// Deflates `size` bytes of `input` with `stream` (set up for a raw stream at the level wanted)
// into `piece`: ended by a sync flush that leaves the output at a byte boundary, or, for the
// last piece, by the final block. The checksum of the input is taken here too.
void deflateInto(z_stream& stream, const char* input, qint64 size, bool last, Piece& piece)
{
    piece.inputSize = size;
    piece.crc = crc32_z(crc32(0L, nullptr, 0), reinterpret_cast<const Bytef*>(input), static_cast<size_t>(size));
    piece.data.resize(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(size))) + 64);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
    stream.avail_in = static_cast<uInt>(size);
    qsizetype used = 0;
    int status = Z_OK;
    do {
        if (used == piece.data.size())
            piece.data.resize(piece.data.size() * 2);
        stream.next_out = reinterpret_cast<Bytef*>(piece.data.data() + used);
        stream.avail_out = static_cast<uInt>(piece.data.size() - used);
        status = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
        used = piece.data.size() - stream.avail_out;
    } while (status == Z_OK && (stream.avail_out == 0 || (last && status != Z_STREAM_END)));
    piece.ok = last ? status == Z_STREAM_END : status == Z_OK || status == Z_BUF_ERROR;
    piece.data.truncate(used);
}

// Deflates one piece of a file as a part of one raw deflate stream: primed with the data just
// before it (up to 32 KB). Pieces placed end to end are the whole stream.
Piece deflatePiece(const QByteArray& before, const QByteArray& input, int level, bool last)
{
    if (level > 0 && !worthDeflating(input))
        level = 0;
    Piece piece;
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {{}, false};
    if (!before.isEmpty() && level > 0)
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(before.constData()),
                             static_cast<uInt>(before.size()));
    deflateInto(stream, input.constData(), input.size(), last, piece);
    deflateEnd(&stream);
    return piece;
}

// One entry made ready for the archive.
struct Prepared {
    FsError error = FsError::None;  // the file could not be read (or stopped: Cancelled)
    Compressed data;
    quint32 crc = 0;
    qint64 size = 0;
    qint64 time = 0;  // ms since 1970
    quint32 mode = 0100644;
};

// Makes entries ready one after another on one thread, keeping what the next one can use: the
// folder of the one before (entries come folder by folder), a buffer to read into and a
// deflate stream, which a tree of many small files would otherwise set up for each.
class Preparer {
public:
    Preparer(platform::FileSystem& fileSystem, int level, JobContext* context)
        : m_fileSystem(fileSystem), m_level(level), m_context(context)
    {
    }
    ~Preparer()
    {
        if (m_streamReady)
            deflateEnd(&m_stream);
    }
    Preparer(const Preparer&) = delete;
    Preparer& operator=(const Preparer&) = delete;

    Prepared prepare(const ZipCreate::Item& item);

private:
    FsError openFolder(const QString& path)
    {
        if (m_folder.isOpen() && m_folderPath == path)
            return FsError::None;
        m_folder.reset();
        const FsError error = m_fileSystem.openFolder(path, m_folder);
        m_folderPath = error == FsError::None ? path : QString();
        return error;
    }
    // The whole of a small file, deflated here with the kept stream.
    Piece deflateWhole(const char* input, qint64 size)
    {
        Piece piece;
        if (!m_streamReady) {
            if (deflateInit2(&m_stream, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
                return {{}, false};
            m_streamReady = true;
        } else if (deflateReset(&m_stream) != Z_OK) {
            return {{}, false};
        }
        deflateInto(m_stream, input, size, true, piece);
        return piece;
    }

    platform::FileSystem& m_fileSystem;
    const int m_level;
    JobContext* const m_context;
    OpenFolder m_folder;
    QString m_folderPath;
    z_stream m_stream{};
    bool m_streamReady = false;
};

Prepared Preparer::prepare(const ZipCreate::Item& item)
{
    Prepared out;
    out.time = QDateTime::currentMSecsSinceEpoch();
    if (item.kind == ZipCreate::Item::Folder) {
        out.mode = 040755;
        return out;
    }
    out.error = openFolder(item.folderPath);
    QByteArray linkText;
    std::unique_ptr<platform::ReadFile> file;
    if (out.error == FsError::None && item.kind == ZipCreate::Item::Link) {
        out.error = m_fileSystem.linkTextAt(m_folder, item.name, linkText);
        out.mode = 0120777;
    } else if (out.error == FsError::None) {
        out.error = m_fileSystem.openFileAt(m_folder, item.name, file);
        if (file)
            out.time = file->birthTime();
    }
    if (out.error != FsError::None)
        return out;

    // The file is read in pieces and each piece deflated on its own thread, primed with the
    // last 32 KB before it, so that one large file keeps both cores busy. A small file is one
    // piece, deflated here.
    std::deque<AsideTask<Piece>> inFlight;
    uLong crc = crc32(0L, nullptr, 0);
    int pieces = 0;
    const auto takeFront = [&] {
        Piece piece = inFlight.front().get();
        inFlight.pop_front();
        if (!piece.ok && out.error == FsError::None)
            out.error = FsError::Other;
        out.data.append(piece.data.constData(), piece.data.size());
        crc = crc32_combine(crc, piece.crc, static_cast<z_off_t>(piece.inputSize));
    };
    QByteArray window;  // the 32 KB before the next piece
    qsizetype linkOffset = 0;
    bool ended = false;
    while (!ended) {
        if (m_context && m_context->stopRequested()) {
            out.error = FsError::Cancelled;
            break;
        }
        QByteArray input(PieceSize, Qt::Uninitialized);
        qint64 got = 0;
        if (file) {
            while (got < PieceSize) {
                const qint64 one = file->read(input.data() + got, PieceSize - got);
                if (one <= 0) {
                    if (one < 0)
                        out.error = FsError::IoError;
                    break;
                }
                got += one;
            }
            if (out.error != FsError::None)
                break;
        } else {
            got = std::min<qint64>(linkText.size() - linkOffset, PieceSize);
            std::copy_n(linkText.constData() + linkOffset, got, input.data());
            linkOffset += got;
        }
        input.truncate(got);
        out.size += got;
        if (m_context)
            m_context->bytesDone += got;
        // A short piece is the last one; after a full piece the next read tells, and an empty
        // last piece only adds the final block.
        ended = got < PieceSize;
        if (ended && inFlight.empty() && pieces == 0) {
            const Piece piece = got >= SampleFrom ? deflatePiece({}, input, m_level, true)
                                                  : deflateWhole(input.constData(), got);
            out.data.append(piece.data.constData(), piece.data.size());
            crc = piece.crc;
            if (!piece.ok)
                out.error = FsError::Other;
            break;
        }
        ++pieces;
        inFlight.emplace_back(
            [window, input, level = m_level, ended] { return deflatePiece(window, input, level, ended); });
        window = input.right(32 * 1024);
        if (inFlight.size() >= PiecesInFlight)
            takeFront();
    }
    while (!inFlight.empty())
        takeFront();
    out.crc = static_cast<quint32>(crc);
    return out;
}

// The bytes of an entry name as the host spells its names. The file layer shows the bytes of
// a host name that is not UTF-8 as private-use characters; written as UTF-8 those would read
// as other characters everywhere else, so each name goes back to its own bytes.
QByteArray hostEntryName(const QString& entryName)
{
    QByteArray bytes;
    const QStringList names = entryName.split(u'/');
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0)
            bytes += '/';
        const QByteArray host = platform::PathMapper::nameToHost(names.at(i));
        bytes += host.isEmpty() ? names.at(i).toUtf8() : host;
    }
    return bytes;
}

// Lists a folder into items below `prefix`: files and links as they are, folders walked, an
// empty folder as an entry of its own.
bool collectFolder(platform::FileSystem& fileSystem, const OpenFolder& folder, const QString& prefix,
                   std::vector<ZipCreate::Item>& items, TreeWalk::Failure& failure)
{
    std::vector<DirEntry> entries;
    if (const FsError error = fileSystem.list(folder, false,
                                              [&](const DirEntry& entry) {
                                                  entries.push_back(entry);
                                                  return true;
                                              });
        error != FsError::None) {
        failure = {TreeWalk::Step::List, folder.path(), error};
        return false;
    }
    if (entries.empty()) {
        items.push_back(
            {prefix, splitLast(folder.path()).folder, splitLast(folder.path()).name, ZipCreate::Item::Folder});
        return true;
    }
    for (const DirEntry& entry : entries) {
        if (entry.kind != DirEntry::Folder) {
            items.push_back({prefix + entry.name, folder.path(), entry.name,
                             entry.kind == DirEntry::Link ? ZipCreate::Item::Link : ZipCreate::Item::File});
            continue;
        }
        OpenFolder inner;
        if (const FsError error = fileSystem.openChild(folder, entry.name, inner); error != FsError::None) {
            failure = {TreeWalk::Step::List, join(folder.path(), entry.name), error};
            return false;
        }
        if (!collectFolder(fileSystem, inner, prefix + entry.name + u'/', items, failure))
            return false;
    }
    return true;
}

}  // namespace

bool ZipCreate::collect(platform::FileSystem& fileSystem, const QStringList& paths, std::vector<Item>& items,
                        TreeWalk::Failure& failure)
{
    for (const QString& path : paths) {
        const auto [folderPath, name] = splitLast(path);
        OpenFolder parent;
        DirEntry entry;
        FsError error = fileSystem.openFolder(folderPath, parent);
        if (error == FsError::None)
            error = fileSystem.entryAt(parent, name, entry);
        if (error != FsError::None) {
            failure = {TreeWalk::Step::Open, path, error};
            return false;
        }
        if (entry.kind != DirEntry::Folder) {
            items.push_back({name, folderPath, name, entry.kind == DirEntry::Link ? Item::Link : Item::File});
            continue;
        }
        OpenFolder folder;
        if (error = fileSystem.openChild(parent, name, folder); error != FsError::None) {
            failure = {TreeWalk::Step::List, path, error};
            return false;
        }
        if (!collectFolder(fileSystem, folder, name + u'/', items, failure))
            return false;
    }
    return true;
}

namespace {

// Entries made ready ahead of the one being written, in order, on two threads of their own,
// while the writer makes ready the next entry itself whenever neither has taken it yet: both
// cores work, and no thread is started per entry. The window bounds what waits to be written.
class PreparedAhead {
public:
    PreparedAhead(platform::FileSystem& fileSystem, const std::vector<ZipCreate::Item>& items, int level,
                  JobContext* context)
        : m_fileSystem(fileSystem),
          m_items(items),
          m_level(level),
          m_context(context),
          m_own(fileSystem, level, context),
          m_ready(items.size())
    {
        for (int lane = 0; lane < Lanes; ++lane)
            m_lanes.emplace_back([this] { runLane(); });
    }
    ~PreparedAhead() { drain(); }
    PreparedAhead(const PreparedAhead&) = delete;
    PreparedAhead& operator=(const PreparedAhead&) = delete;

    // The next entry in order, made ready here or waited for.
    Prepared takeNext()
    {
        std::unique_lock lock(m_mutex);
        const size_t index = m_taken;
        std::unique_ptr<Prepared> prepared;
        if (m_claimed == index) {
            ++m_claimed;
            lock.unlock();
            prepared = std::make_unique<Prepared>(m_own.prepare(m_items[index]));
            lock.lock();
        } else {
            m_changed.wait(lock, [&] { return m_ready[index] != nullptr; });
            prepared = std::move(m_ready[index]);
        }
        ++m_taken;
        m_changed.notify_all();
        return std::move(*prepared);
    }
    // Takes no more entries, and waits for those in the making (told to stop through the
    // context, if any).
    void drain()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_changed.notify_all();
        }
        for (AsideTask<void>& lane : m_lanes)
            lane.get();
        m_lanes.clear();
    }

private:
    static constexpr int Lanes = 2;
    static constexpr size_t Window = 16;

    void runLane()
    {
        Preparer preparer(m_fileSystem, m_level, m_context);
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_quit || m_claimed >= m_items.size() || m_claimed < m_taken + Window; });
            if (m_quit || m_claimed >= m_items.size())
                return;
            const size_t index = m_claimed++;
            lock.unlock();
            auto prepared = std::make_unique<Prepared>(preparer.prepare(m_items[index]));
            lock.lock();
            m_ready[index] = std::move(prepared);
            m_changed.notify_all();
        }
    }

    platform::FileSystem& m_fileSystem;
    const std::vector<ZipCreate::Item>& m_items;
    const int m_level;
    JobContext* const m_context;
    Preparer m_own;  // the writer's, for an entry no lane has taken

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Prepared>> m_ready;  // by index, until taken
    size_t m_claimed = 0;                            // entries before it are taken by a lane or the writer
    size_t m_taken = 0;                              // entries before it went to the writer
    bool m_quit = false;
    // Last: the lanes end before what they use goes.
    std::vector<AsideTask<void>> m_lanes;
};

// The entry's time stamp and mode as the archive keeps them.
zip_fileinfo entryInfo(const Prepared& prepared, ZipCreate::Item::Kind kind)
{
    zip_fileinfo info{};
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(prepared.time);
    info.tmz_date.tm_sec = static_cast<uInt>(time.time().second());
    info.tmz_date.tm_min = static_cast<uInt>(time.time().minute());
    info.tmz_date.tm_hour = static_cast<uInt>(time.time().hour());
    info.tmz_date.tm_mday = static_cast<uInt>(time.date().day());
    info.tmz_date.tm_mon = static_cast<uInt>(time.date().month() - 1);
    info.tmz_date.tm_year = static_cast<uInt>(time.date().year());
    info.external_fa = static_cast<uLong>(prepared.mode) << 16 | (kind == ZipCreate::Item::Folder ? 0x10 : 0);
    return info;
}

// Appends one compressed entry whole, on the file; false when the archive could not take it.
bool appendEntry(zipFile zip, ArchiveOutput& output, const ZipCreate::Item& item, Prepared& prepared, int level)
{
    const zip_fileinfo info = entryInfo(prepared, item.kind);
    const QByteArray entryName = hostEntryName(item.entryName);
    const int zip64 = prepared.size >= 0xFFFFFFFFLL ? 1 : 0;
    // Unix as the maker, so that readers take the mode (a link's in particular) from it,
    // and the name's bytes as the host's; the flag says the name is UTF-8.
    // A folder has no data: stored, since an empty deflated stream is not empty.
    const int method = item.kind == ZipCreate::Item::Folder ? 0 : Z_DEFLATED;
    int status = zipOpenNewFileInZip4_64(zip, entryName.constData(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                         level, 1, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, 3 << 8 | 20,
                                         QByteArrayView(entryName).isValidUtf8() ? 1 << 11 : 0, zip64);
    if (status == ZIP_OK && !prepared.data.forEach([&](const char* data, qsizetype size) {
            return zipWriteInFileInZip(zip, data, static_cast<unsigned>(size)) == ZIP_OK;
        }))
        status = ZIP_ERRNO;
    const int closed = zipCloseFileInZipRaw64(zip, static_cast<ZPOS64_T>(prepared.size), prepared.crc);
    return status == ZIP_OK && closed == ZIP_OK && output.flush();
}

}  // namespace

ZipCreate::Result ZipCreate::write(platform::FileSystem& fileSystem, const QString& archive,
                                   const std::vector<Item>& items, int level, JobContext* context,
                                   const AskUnreadable& askUnreadable)
{
    Result result;
    const auto [folderPath, name] = splitLast(archive);
    OpenFolder folder;
    std::unique_ptr<platform::NewFile> file;
    DirEntry existing;
    result.error = fileSystem.openFolder(folderPath, folder);
    if (result.error == FsError::None && fileSystem.entryAt(folder, name, existing) == FsError::None)
        result.error = FsError::AlreadyExists;
    if (result.error == FsError::None)
        result.error = fileSystem.createFileAt(folder, name, file);
    ArchiveOutput output{file.get()};
    zlib_filefunc64_def io = output.functions();
    zipFile zip = result.error == FsError::None ? zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &io) : nullptr;
    if (!zip) {
        result.outcome = Outcome::CannotCreate;
        return result;
    }
    if (context)
        context->itemsTotal = static_cast<qint64>(items.size());

    PreparedAhead ahead(fileSystem, items, level, context);
    for (size_t index = 0; index < items.size() && result.outcome == Outcome::Done; ++index) {
        const Item& item = items[index];
        if (context)
            context->setCurrentItem(item.entryName);
        Prepared prepared = ahead.takeNext();
        if (prepared.error == FsError::Cancelled || (context && context->stopRequested())) {
            result.outcome = Outcome::Stopped;
            break;
        }
        if (prepared.error != FsError::None) {
            const QString path = join(item.folderPath, item.name);
            if (askUnreadable && askUnreadable(path, prepared.error)) {
                ++result.skipped;
                continue;
            }
            result.outcome = Outcome::Failed;
            result.failedItem = path;
            result.error = prepared.error;
            break;
        }
        if (!appendEntry(zip, output, item, prepared, level)) {
            result.outcome = Outcome::Failed;
            result.failedItem = join(item.folderPath, item.name);
            result.error = output.error == FsError::None ? FsError::IoError : output.error;
            break;
        }
        ++result.written;
        if (context)
            ++context->itemsDone;
    }
    // What is still being compressed is stopped and waited for before the archive closes.
    if (context && result.outcome != Outcome::Done)
        context->stop = true;
    ahead.drain();
    const bool closed = zipClose(zip, nullptr) == ZIP_OK;
    if (!closed && result.outcome == Outcome::Done) {
        result.outcome = Outcome::Failed;
        result.error = output.error == FsError::None ? FsError::IoError : output.error;
    }
    // The entries finished so far make a sound archive, which keeps them (as a stopped job
    // leaves them); one that could not be closed is dropped. The name may have been taken
    // meanwhile: the file there stays.
    if (!closed || file->commit() != FsError::None) {
        if (result.outcome == Outcome::Done)
            result.outcome = Outcome::CannotCreate;
    }
    return result;
}
