#pragma once

// Builds ZIP archives byte by byte for tests, so that a test can hold exactly the archive it
// needs: stored entries with any name bytes, flags, extra fields, a wrong checksum, a link, or
// a directory cut short. Only the stored method (no compression) is written.

#include <QByteArray>

#include <zlib.h>

#include <vector>

class ZipBuilder {
public:
    struct Entry {
        QByteArray name;
        QByteArray data;
        quint16 flags = 0;
        QByteArray extra;
        bool wrongChecksum = false;
        quint32 unixMode = 0100644;  // 0120777 for a link, 040755 for a folder
        // Sizes and offset as 64-bit values in a ZIP64 field, their 32-bit fields the marker.
        bool zip64 = false;
    };

    // Bytes before the archive, as a self-extracting program has (offsets stay relative to
    // the archive's start).
    ZipBuilder& leading(const QByteArray& bytes)
    {
        m_leading = bytes;
        return *this;
    }
    // The 64-bit end record and its locator before the end record, as ZIP64 writers add.
    ZipBuilder& zip64End()
    {
        m_zip64End = true;
        return *this;
    }

    // The archive's comment, after the end record (at most 65,535 bytes).
    ZipBuilder& comment(const QByteArray& text)
    {
        m_comment = text;
        return *this;
    }

    ZipBuilder& add(Entry entry)
    {
        m_entries.push_back(std::move(entry));
        return *this;
    }
    ZipBuilder& add(const QByteArray& name, const QByteArray& data = QByteArray())
    {
        Entry entry;
        entry.name = name;
        entry.data = data;
        if (name.endsWith('/'))
            entry.unixMode = 040755;
        return add(entry);
    }

    QByteArray bytes() const
    {
        QByteArray out, directory;
        for (const Entry& entry : m_entries) {
            quint32 checksum = crc32(0L, reinterpret_cast<const Bytef*>(entry.data.constData()),
                                     static_cast<uInt>(entry.data.size()));
            if (entry.wrongChecksum)
                checksum ^= 0xFFFFFFFF;
            const quint32 offset = static_cast<quint32>(out.size());
            const quint32 size = entry.zip64 ? 0xFFFFFFFF : static_cast<quint32>(entry.data.size());
            QByteArray localExtra = entry.extra;
            QByteArray centralExtra = entry.extra;
            if (entry.zip64) {
                put16(localExtra, 0x0001);
                put16(localExtra, 16);
                put64(localExtra, static_cast<quint64>(entry.data.size()));
                put64(localExtra, static_cast<quint64>(entry.data.size()));
                put16(centralExtra, 0x0001);
                put16(centralExtra, 24);
                put64(centralExtra, static_cast<quint64>(entry.data.size()));
                put64(centralExtra, static_cast<quint64>(entry.data.size()));
                put64(centralExtra, offset);
            }
            put32(out, 0x04034b50);
            put16(out, 20);
            put16(out, entry.flags);
            put16(out, 0);  // stored
            put16(out, 0);
            put16(out, 0x21);  // 1980-01-01
            put32(out, checksum);
            put32(out, size);
            put32(out, size);
            put16(out, static_cast<quint16>(entry.name.size()));
            put16(out, static_cast<quint16>(localExtra.size()));
            out += entry.name + localExtra + entry.data;

            put32(directory, 0x02014b50);
            put16(directory, 3 << 8 | 20);  // made on Unix
            put16(directory, 20);
            put16(directory, entry.flags);
            put16(directory, 0);
            put16(directory, 0);
            put16(directory, 0x21);
            put32(directory, checksum);
            put32(directory, size);
            put32(directory, size);
            put16(directory, static_cast<quint16>(entry.name.size()));
            put16(directory, static_cast<quint16>(centralExtra.size()));
            put16(directory, 0);
            put16(directory, 0);
            put16(directory, 0);
            put32(directory, entry.unixMode << 16);
            put32(directory, entry.zip64 ? 0xFFFFFFFF : offset);
            directory += entry.name + centralExtra;
        }
        const quint32 directoryOffset = static_cast<quint32>(out.size());
        out += directory;
        if (m_zip64End) {
            const quint64 record = static_cast<quint64>(out.size());
            put32(out, 0x06064b50);
            put64(out, 44);
            put16(out, 45);
            put16(out, 45);
            put32(out, 0);
            put32(out, 0);
            put64(out, m_entries.size());
            put64(out, m_entries.size());
            put64(out, static_cast<quint64>(directory.size()));
            put64(out, directoryOffset);
            put32(out, 0x07064b50);
            put32(out, 0);
            put64(out, record);
            put32(out, 1);
        }
        put32(out, 0x06054b50);
        put16(out, 0);
        put16(out, 0);
        put16(out, static_cast<quint16>(m_entries.size()));
        put16(out, static_cast<quint16>(m_entries.size()));
        put32(out, static_cast<quint32>(directory.size()));
        put32(out, directoryOffset);
        put16(out, static_cast<quint16>(m_comment.size()));
        return m_leading + out + m_comment;
    }

    // An Info-ZIP Unicode Path extra field for stored name bytes.
    static QByteArray unicodePath(const QByteArray& stored, const QByteArray& utf8)
    {
        QByteArray field;
        put16(field, 0x7075);
        put16(field, static_cast<quint16>(5 + utf8.size()));
        field += '\x01';
        put32(field, static_cast<quint32>(crc32(0L, reinterpret_cast<const Bytef*>(stored.constData()),
                                                static_cast<uInt>(stored.size()))));
        return field + utf8;
    }

private:
    static void put16(QByteArray& out, quint16 value)
    {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    }
    static void put32(QByteArray& out, quint32 value)
    {
        put16(out, static_cast<quint16>(value & 0xFFFF));
        put16(out, static_cast<quint16>(value >> 16));
    }

    static void put64(QByteArray& out, quint64 value)
    {
        put32(out, static_cast<quint32>(value & 0xFFFFFFFF));
        put32(out, static_cast<quint32>(value >> 32));
    }

    std::vector<Entry> m_entries;
    QByteArray m_leading;
    QByteArray m_comment;
    bool m_zip64End = false;
};
