#pragma once

#include "platform/FsError.h"

#include <QtGlobal>

#include <functional>

class QFile;

// The data of one archive entry, found and unpacked from the archive's own records. The ZIP
// library walks the directory, but the one Debian ships reads 64-bit sizes and offsets (ZIP64)
// as their 32-bit markers on 64-bit machines, so an entry of 4 GB or more, or one beyond the
// first 4 GB of an archive, would be cut short or not found; here they are read whole.
class EntryData {
public:
    // Where the archive's end-of-directory record starts, searched over the whole stretch the
    // format allows (a comment of up to 65,535 bytes after it); -1 when there is none.
    static qint64 endRecord(QFile& archive);

    // The archive's leading bytes before its first record (a self-extracting program), from its
    // end records; 0 when they cannot be read.
    static qint64 leadingBytes(QFile& archive);

    // Reads the entry whose directory record starts at `record` (as the ZIP library counts,
    // without the leading bytes). IoError when the records are damaged, NotSupported for an
    // encrypted entry or a compression other than deflate or none.
    static platform::FsError open(QFile& archive, qint64 leading, qint64 record, EntryData& out);

    // Unpacks the data, handing it to `write` piece by piece; checks the size and checksum at
    // the end (IoError when they are wrong or the data is damaged). `stopped` is asked between
    // pieces: Cancelled.
    platform::FsError unpack(const std::function<platform::FsError(const char*, qint64)>& write,
                             const std::function<bool()>& stopped) const;

    quint64 size() const { return m_size; }

private:
    QFile* m_archive = nullptr;
    qint64 m_data = 0;  // where the data starts in the file
    quint64 m_compressed = 0;
    quint64 m_size = 0;
    quint32 m_crc = 0;
    int m_method = 0;
};
