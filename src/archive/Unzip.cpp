#include "archive/Unzip.h"

#include "archive/EntryData.h"
#include "archive/EntryName.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "platform/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include <ioapi.h>
#include <unzip.h>

#include <unistd.h>

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;

namespace {

// Closes the archive however the extraction ends.
struct ArchiveCloser {
    void operator()(void* archive) const { unzClose(static_cast<unzFile>(archive)); }
};
using Archive = std::unique_ptr<void, ArchiveCloser>;

// The archive's file as the ZIP library's input: it reads through the one handle that was
// checked to be a regular file, never opening the path again (a name can be swapped for a
// named pipe in between). The library looks for the end record only in the last 65,535 bytes,
// so one followed by a comment of the greatest length would not be found: it is shown the
// file as ending with that record, the comment (which it is never asked for) left out.
struct ArchiveInput {
    // The library reads the directory a few bytes at a time; it is served from a window of the
    // file read in one go, and every read leaves the file's own position where it is.
    static constexpr qint64 Window = 64 * 1024;

    QFile& file;
    qint64 end = 0;
    qint64 position = 0;
    bool failed = false;
    QByteArray window{};
    qint64 windowAt = -1;

    qint64 read(char* data, qint64 want)
    {
        qint64 got = 0;
        while (got < want) {
            const qint64 at = position + got;
            if (windowAt < 0 || at < windowAt || at >= windowAt + window.size()) {
                if (want - got >= Window)
                    break;  // a large read goes to the file itself
                window.resize(std::min<qint64>(Window, end - at));
                const ssize_t count = ::pread(file.handle(), window.data(), static_cast<size_t>(window.size()),
                                              static_cast<off_t>(at));
                if (count < 0) {
                    if (errno == EINTR)
                        continue;
                    windowAt = -1;
                    return -1;
                }
                window.truncate(count);
                windowAt = at;
                if (count == 0)
                    return got;
            }
            const qint64 take = std::min<qint64>(want - got, windowAt + window.size() - at);
            std::copy_n(window.constData() + (at - windowAt), take, data + got);
            got += take;
        }
        while (got < want) {
            const ssize_t count = ::pread(file.handle(), data + got, static_cast<size_t>(want - got),
                                          static_cast<off_t>(position + got));
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                return -1;
            if (count == 0)
                break;
            got += count;
        }
        return got;
    }

    zlib_filefunc64_def functions()
    {
        zlib_filefunc64_def io{};
        io.opaque = this;
        io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf { return opaque; };
        io.zread_file = [](voidpf opaque, voidpf, void* data, uLong size) -> uLong {
            auto* self = static_cast<ArchiveInput*>(opaque);
            const qint64 want = std::min<qint64>(static_cast<qint64>(size), self->end - self->position);
            if (want <= 0)
                return 0;
            const qint64 got = self->read(static_cast<char*>(data), want);
            if (got < 0) {
                self->failed = true;
                return 0;
            }
            self->position += got;
            return static_cast<uLong>(got);
        };
        io.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong { return 0; };
        io.ztell64_file = [](voidpf opaque, voidpf) -> ZPOS64_T {
            return static_cast<ZPOS64_T>(static_cast<ArchiveInput*>(opaque)->position);
        };
        // The offset is unsigned, but the library moves back with it too (a step from the
        // current place that wrapped around), as fseeko would take it: it is read as signed.
        io.zseek64_file = [](voidpf opaque, voidpf, ZPOS64_T offset, int origin) -> long {
            auto* self = static_cast<ArchiveInput*>(opaque);
            const qint64 base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                                : origin == ZLIB_FILEFUNC_SEEK_END ? self->end
                                                                   : self->position;
            const auto step = static_cast<qint64>(offset);
            if ((step > 0 && base > std::numeric_limits<qint64>::max() - step) || base + step < 0)
                return -1;
            self->position = base + step;
            return 0;
        };
        io.zclose_file = [](voidpf, voidpf) -> int { return 0; };
        io.zerror_file = [](voidpf opaque, voidpf) -> int {
            return static_cast<ArchiveInput*>(opaque)->failed ? 1 : 0;
        };
        return io;
    }
};

// An archive that holds no entry at all is a lone end-of-directory record, which the ZIP
// library may refuse to open: it is told apart from a file that is no archive.
bool isEmptyArchive(QFile& file)
{
    const qint64 end = EntryData::endRecord(file);
    if (end < 0 || !file.seek(end))
        return false;
    const QByteArray record = file.read(22);
    return record.size() == 22 && record.at(10) == 0 && record.at(11) == 0;
}

// The folders of the entry before: the next entry usually lies in the same folder, which is
// then not looked up again.
class FolderChain {
public:
    explicit FolderChain(platform::FileSystem& fileSystem, const OpenFolder& root)
        : m_fileSystem(fileSystem), m_root(root)
    {
    }

    // The open folder for `names` below the root, made where missing; a file or a link in
    // the way is no folder (NotAFolder), and no link is ever gone through.
    FsError reach(const QStringList& names, const OpenFolder*& out)
    {
        qsizetype same = 0;
        while (same < names.size() && same < static_cast<qsizetype>(m_chain.size())
               && m_names.at(same) == names.at(same))
            ++same;
        m_chain.resize(static_cast<size_t>(same));
        m_names = m_names.mid(0, same);
        for (qsizetype i = same; i < names.size(); ++i) {
            const OpenFolder& parent = i == 0 ? m_root : *m_chain.back();
            DirEntry existing;
            if (m_fileSystem.entryAt(parent, names.at(i), existing) != FsError::None) {
                if (const FsError error = m_fileSystem.createFolderAt(parent, names.at(i));
                    error != FsError::None && error != FsError::AlreadyExists)
                    return error;
            }
            auto folder = std::make_unique<OpenFolder>();
            if (const FsError error = m_fileSystem.openChild(parent, names.at(i), *folder); error != FsError::None)
                return error;
            m_chain.push_back(std::move(folder));
            m_names << names.at(i);
        }
        out = names.isEmpty() ? &m_root : m_chain.back().get();
        return FsError::None;
    }

private:
    platform::FileSystem& m_fileSystem;
    const OpenFolder& m_root;
    std::vector<std::unique_ptr<OpenFolder>> m_chain;
    QStringList m_names;
};

// The first free name for a file in `folder`: the name itself, else "1_ name", "2_ name" ...
QString freeName(platform::FileSystem& fileSystem, const OpenFolder& folder, const QString& name)
{
    DirEntry existing;
    QString candidate = name;
    // Only a name that is there is taken; one that cannot be looked up at all (no host form)
    // is left for the creation to refuse.
    for (int number = 1; fileSystem.entryAt(folder, candidate, existing) == FsError::None; ++number)
        candidate = QStringLiteral("%1_ %2").arg(number).arg(name);
    return candidate;
}

// The current entry's name as stored, decoded: the sizes first, then the name and extra field
// whole, so that no name is cut short. Nothing when the directory cannot be read there.
std::optional<QString> currentEntryName(unzFile file)
{
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    QByteArray stored(static_cast<qsizetype>(info.size_filename), '\0');
    QByteArray extra(static_cast<qsizetype>(info.size_file_extra), '\0');
    if (unzGetCurrentFileInfo64(file, &info, stored.data(), static_cast<uLong>(stored.size()), extra.data(),
                                static_cast<uLong>(extra.size()), nullptr, 0)
        != UNZ_OK)
        return std::nullopt;
    return EntryName::decode(stored, static_cast<quint16>(info.flag), extra);
}

// Unpacks the file entry whose local header is at `offset` into `folder` under a free form of
// `name`. The checksum is known only once the whole entry has been read: until then the file
// has no name, and one found wrong never gets it. Cancelled when the job was stopped.
FsError writeEntryFile(platform::FileSystem& fileSystem, QFile& archiveFile, qint64 leading, qint64 offset,
                       const OpenFolder& folder, const QString& name, JobContext* context)
{
    EntryData data;
    FsError error = EntryData::open(archiveFile, leading, offset, data);
    if (error != FsError::None)
        return error;
    std::unique_ptr<platform::NewFile> out;
    error = fileSystem.createFileAt(folder, freeName(fileSystem, folder, name), out);
    if (error == FsError::None)
        error = data.unpack(
            [&](const char* bytes, qint64 size) {
                if (context)
                    context->bytesDone += size;
                return out->write(bytes, size);
            },
            [&] { return context && context->stopRequested(); });
    if (error == FsError::None)
        error = out->commit();
    return error;
}

}  // namespace

Unzip::Result Unzip::extract(platform::FileSystem& fileSystem, const QByteArray& archivePath, const OpenFolder& target,
                             JobContext* context)
{
    Result result;
    // The user pointed at the archive, so a link there is followed; but only a regular file is
    // read, and the open never waits (a named pipe would hold it until a writer came).
    QFile archiveFile;
    result.openError = platform::openRegularFile(archivePath, platform::Links::Follow, archiveFile);
    if (result.openError != FsError::None) {
        result.outcome = Outcome::CannotOpen;
        return result;
    }
    const qint64 endRecord = EntryData::endRecord(archiveFile);
    ArchiveInput input{archiveFile, endRecord >= 0 ? endRecord + 22 : archiveFile.size()};
    zlib_filefunc64_def io = input.functions();
    Archive archive(unzOpen2_64("", &io));
    if (!archive) {
        result.outcome = isEmptyArchive(archiveFile) ? Outcome::NoEntries : Outcome::CannotOpen;
        return result;
    }
    unzFile file = static_cast<unzFile>(archive.get());
    const qint64 leading = EntryData::leadingBytes(archiveFile);
    unz_global_info64 global;
    if (unzGetGlobalInfo64(file, &global) != UNZ_OK || unzGoToFirstFile(file) != UNZ_OK) {
        result.outcome = Outcome::NoEntries;
        return result;
    }
    result.entries = static_cast<qint64>(global.number_entry);
    if (context)
        context->itemsTotal = result.entries;

    FolderChain folders(fileSystem, target);
    const auto skip = [&](const QString& name, FsError error) {
        if (result.skipped++ == 0) {
            result.firstSkipped = name;
            result.firstError = error;
        }
    };
    int step = UNZ_OK;
    for (; step == UNZ_OK; step = unzGoToNextFile(file)) {
        if (context && context->stopRequested()) {
            result.outcome = Outcome::Stopped;
            return result;
        }
        if (context)
            ++context->itemsDone;
        const std::optional<QString> name = currentEntryName(file);
        if (!name) {
            skip(QString(), FsError::IoError);
            continue;
        }
        const EntryName::Placement placement = EntryName::place(*name);
        if (context)
            context->setCurrentItem(*name);
        if (placement.isEmpty())
            continue;  // a name with nothing left to place ("/", "../")
        const OpenFolder* folder = nullptr;
        if (const FsError error = folders.reach(placement.folders, folder); error != FsError::None) {
            skip(*name, error);
            continue;
        }
        if (placement.isFolder) {
            ++result.written;
            continue;
        }
        const FsError error = writeEntryFile(fileSystem, archiveFile, leading,
                                             static_cast<qint64>(unzGetOffset64(file)), *folder, placement.file,
                                             context);
        if (error == FsError::Cancelled) {
            result.outcome = Outcome::Stopped;
            return result;
        }
        if (error != FsError::None) {
            skip(*name, error);
            continue;
        }
        ++result.written;
    }
    // A directory that breaks off part-way leaves the entries after it unread: they count.
    if (step != UNZ_END_OF_LIST_OF_FILE)
        skip(QString(), FsError::IoError);
    return result;
}
