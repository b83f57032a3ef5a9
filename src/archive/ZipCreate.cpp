#include "archive/ZipCreate.h"

#include "jobs/AsideTask.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

#include <QDateTime>

#include <cstdio>
#include <deque>
#include <memory>

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
// system, and the first failure is kept with its reason.
struct ArchiveOutput {
    platform::NewFile* file;
    FsError error = FsError::None;

    zlib_filefunc64_def functions()
    {
        zlib_filefunc64_def io{};
        io.opaque = this;
        io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        io.zread_file = [](voidpf, voidpf, void*, uLong) -> uLong { return 0; };
        io.zwrite_file = [](voidpf opaque, voidpf, const void* data, uLong size) -> uLong {
            auto* self = static_cast<ArchiveOutput*>(opaque);
            if (self->error != FsError::None)
                return 0;
            self->error = self->file->write(static_cast<const char*>(data), static_cast<qint64>(size));
            return self->error == FsError::None ? size : 0;
        };
        io.ztell64_file = [](voidpf opaque, voidpf) -> ZPOS64_T {
            const qint64 at = static_cast<ArchiveOutput*>(opaque)->file->seek(0, SEEK_CUR);
            return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
        };
        io.zseek64_file = [](voidpf opaque, voidpf, ZPOS64_T offset, int origin) -> long {
            const int whence = origin == ZLIB_FILEFUNC_SEEK_SET   ? SEEK_SET
                               : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END
                                                                  : SEEK_CUR;
            return static_cast<ArchiveOutput*>(opaque)->file->seek(static_cast<qint64>(offset), whence) < 0 ? -1 : 0;
        };
        io.zclose_file = [](voidpf, voidpf) -> int { return 0; };
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
};

// Deflates one piece of a file as a part of one raw deflate stream: primed with the data just
// before it (up to 32 KB), and ended by a sync flush that leaves the output at a byte boundary,
// or, for the last piece, by the final block. Pieces placed end to end are the whole stream.
Piece deflatePiece(const QByteArray& before, const QByteArray& input, int level, bool last)
{
    Piece piece;
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {{}, false};
    if (!before.isEmpty() && level > 0)
        deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(before.constData()),
                             static_cast<uInt>(before.size()));
    piece.data.resize(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(input.size()))) + 64);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = static_cast<uInt>(input.size());
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
    deflateEnd(&stream);
    piece.data.truncate(used);
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

Prepared prepare(platform::FileSystem& fileSystem, const ZipCreate::Item& item, int level, JobContext* context)
{
    Prepared out;
    out.time = QDateTime::currentMSecsSinceEpoch();
    if (item.kind == ZipCreate::Item::Folder) {
        out.mode = 040755;
        return out;
    }
    OpenFolder folder;
    out.error = fileSystem.openFolder(item.folderPath, folder);
    QByteArray linkText;
    std::unique_ptr<platform::ReadFile> file;
    if (out.error == FsError::None && item.kind == ZipCreate::Item::Link) {
        out.error = fileSystem.linkTextAt(folder, item.name, linkText);
        out.mode = 0120777;
    } else if (out.error == FsError::None) {
        out.error = fileSystem.openFileAt(folder, item.name, file);
        if (file)
            out.time = file->birthTime();
    }
    if (out.error != FsError::None)
        return out;

    // The file is read in pieces and each piece deflated on its own thread, primed with the
    // last 32 KB before it, so that one large file keeps both cores busy. A small file is one
    // piece, deflated here.
    std::deque<AsideTask<Piece>> inFlight;
    const auto takeFront = [&] {
        Piece piece = inFlight.front().get();
        inFlight.pop_front();
        if (!piece.ok && out.error == FsError::None)
            out.error = FsError::Other;
        out.data.append(piece.data.constData(), piece.data.size());
    };
    uLong crc = crc32(0L, nullptr, 0);
    QByteArray window;  // the 32 KB before the next piece
    qsizetype linkOffset = 0;
    bool ended = false;
    while (!ended) {
        if (context && context->stopRequested()) {
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
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(input.constData()), static_cast<size_t>(got));
        out.size += got;
        if (context)
            context->bytesDone += got;
        // A short piece is the last one; after a full piece the next read tells, and an empty
        // last piece only adds the final block.
        ended = got < PieceSize;
        if (ended && inFlight.empty()) {
            Piece piece = deflatePiece(window, input, level, true);
            out.data.append(piece.data.constData(), piece.data.size());
            if (!piece.ok)
                out.error = FsError::Other;
            break;
        }
        inFlight.emplace_back([window, input, level, ended] { return deflatePiece(window, input, level, ended); });
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

// Entries compressed ahead of the one being written, in order: two ahead, so both cores work
// while the archive takes the one at hand; the window bounds what is in flight.
class PreparedAhead {
public:
    PreparedAhead(platform::FileSystem& fileSystem, const std::vector<ZipCreate::Item>& items, int level,
                  JobContext* context)
        : m_fileSystem(fileSystem), m_items(items), m_level(level), m_context(context)
    {
        launch();
    }
    // The next entry in order, waited for.
    Prepared takeNext()
    {
        Prepared prepared = m_pending.front().get();
        m_pending.pop_front();
        launch();
        return prepared;
    }
    // Waits for what is still in flight (told to stop through the context, if any).
    void drain()
    {
        for (AsideTask<Prepared>& task : m_pending)
            (void)task.get();
        m_pending.clear();
    }

private:
    static constexpr size_t Ahead = 2;

    void launch()
    {
        while (m_pending.size() < Ahead + 1 && m_next < m_items.size()) {
            const ZipCreate::Item& item = m_items[m_next++];
            m_pending.emplace_back([this, &item] { return prepare(m_fileSystem, item, m_level, m_context); });
        }
    }

    platform::FileSystem& m_fileSystem;
    const std::vector<ZipCreate::Item>& m_items;
    const int m_level;
    JobContext* const m_context;
    std::deque<AsideTask<Prepared>> m_pending;
    size_t m_next = 0;
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

// Appends one compressed entry whole; false when the archive could not take it.
bool appendEntry(zipFile zip, const ZipCreate::Item& item, Prepared& prepared, int level)
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
    return status == ZIP_OK && closed == ZIP_OK;
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
        if (!appendEntry(zip, item, prepared, level)) {
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
