#pragma once

// Builds small Windows PE files with icon resources, byte by byte, for the tests of the icon
// reader: a DOS header, a PE32 header with one ".rsrc" section, and a resource tree of single
// icons (type 3) and group icons (type 14) in the layout the resource compiler writes.

#include <QByteArray>
#include <QList>

#include <map>
#include <utility>

class PeBuilder {
public:
    static constexpr quint32 SectionFileOffset = 0x200;
    static constexpr quint32 SectionRva = 0x1000;

    // A square 32-bit icon image as a DIB (header, colours, AND mask), filled with one colour.
    static QByteArray iconImage(int size, quint32 argb)
    {
        QByteArray out;
        u32(out, 40);
        u32(out, size);
        u32(out, size * 2);  // colour and mask together
        u16(out, 1);
        u16(out, 32);
        u32(out, 0);
        u32(out, 0);
        u32(out, 0);
        u32(out, 0);
        u32(out, 0);
        u32(out, 0);
        for (int i = 0; i < size * size; ++i)
            u32(out, argb);
        const int maskRow = ((size + 31) / 32) * 4;
        out.append(QByteArray(maskRow * size, '\0'));
        return out;
    }

    // A single icon of a number with its image.
    PeBuilder& icon(int id, int size, quint32 argb)
    {
        m_icons[id] = {size, iconImage(size, argb)};
        return *this;
    }
    // A group icon of a number made of single icons.
    PeBuilder& group(int id, const QList<int>& iconIds)
    {
        m_groups[id] = iconIds;
        return *this;
    }

    QByteArray bytes() const
    {
        // The resource types with their numbered entries and the data of each.
        std::map<int, std::map<int, QByteArray>> types;
        for (const auto& [id, icon] : m_icons)
            types[3][id] = icon.second;
        for (const auto& [id, members] : m_groups) {
            QByteArray directory;
            u16(directory, 0);
            u16(directory, 1);
            u16(directory, static_cast<quint32>(members.size()));
            for (const int member : members) {
                const auto found = m_icons.find(member);
                const int size = found == m_icons.end() ? 16 : found->second.first;
                directory.append(static_cast<char>(size));
                directory.append(static_cast<char>(size));
                directory.append('\0');
                directory.append('\0');
                u16(directory, 1);
                u16(directory, 32);
                u32(directory, found == m_icons.end() ? 0 : static_cast<quint32>(found->second.second.size()));
                u16(directory, static_cast<quint32>(member));
            }
            types[14][id] = directory;
        }

        // Sizes of each level, so that every offset is known before anything is written.
        quint32 entries = 0;
        for (const auto& [type, items] : types)
            entries += static_cast<quint32>(items.size());
        const quint32 rootSize = 16 + 8 * static_cast<quint32>(types.size());
        const quint32 typeDirsSize = 16 * static_cast<quint32>(types.size()) + 8 * entries;
        const quint32 languageDirsStart = rootSize + typeDirsSize;
        const quint32 dataEntriesStart = languageDirsStart + 24 * entries;
        quint32 blobsStart = dataEntriesStart + 16 * entries;

        QByteArray root, typeDirs, languageDirs, dataEntries, blobs;
        directoryHeader(root, static_cast<quint32>(types.size()));
        quint32 typeOffset = rootSize;
        quint32 index = 0;
        for (const auto& [type, items] : types) {
            u32(root, static_cast<quint32>(type));
            u32(root, 0x80000000u | typeOffset);
            directoryHeader(typeDirs, static_cast<quint32>(items.size()));
            for (const auto& [id, data] : items) {
                u32(typeDirs, static_cast<quint32>(id));
                u32(typeDirs, 0x80000000u | (languageDirsStart + 24 * index));
                directoryHeader(languageDirs, 1);
                u32(languageDirs, 0x409);
                u32(languageDirs, dataEntriesStart + 16 * index);
                u32(dataEntries, SectionRva + blobsStart + static_cast<quint32>(blobs.size()));
                u32(dataEntries, static_cast<quint32>(data.size()));
                u32(dataEntries, 0);
                u32(dataEntries, 0);
                blobs.append(data);
                while (blobs.size() % 4)
                    blobs.append('\0');
                ++index;
            }
            typeOffset += 16 + 8 * static_cast<quint32>(items.size());
        }
        const QByteArray section = root + typeDirs + languageDirs + dataEntries + blobs;

        QByteArray out(SectionFileOffset, '\0');
        out[0] = 'M';
        out[1] = 'Z';
        put32(out, 0x3C, 0x40);
        QByteArray headers;
        headers.append("PE\0\0", 4);
        u16(headers, 0x14c);  // i386
        u16(headers, 1);      // one section
        u32(headers, 0);
        u32(headers, 0);
        u32(headers, 0);
        u16(headers, 224);     // optional header: 96 bytes and 16 directories
        u16(headers, 0x2102);  // a DLL
        QByteArray optional(224, '\0');
        put16(optional, 0, 0x10b);
        put32(optional, 92, 16);
        put32(optional, 96 + 8 * 2, SectionRva);
        put32(optional, 96 + 8 * 2 + 4, static_cast<quint32>(section.size()));
        headers.append(optional);
        QByteArray sectionHeader(40, '\0');
        sectionHeader.replace(0, 5, ".rsrc");
        put32(sectionHeader, 8, static_cast<quint32>(section.size()));
        put32(sectionHeader, 12, SectionRva);
        put32(sectionHeader, 16, static_cast<quint32>(section.size()));
        put32(sectionHeader, 20, SectionFileOffset);
        headers.append(sectionHeader);
        out.replace(0x40, headers.size(), headers);
        return out + section;
    }

    // Little-endian writes into a buffer, also for tests that damage a file on purpose.
    static void put16(QByteArray& out, qsizetype at, quint32 value)
    {
        out[at] = static_cast<char>(value & 0xff);
        out[at + 1] = static_cast<char>((value >> 8) & 0xff);
    }
    static void put32(QByteArray& out, qsizetype at, quint32 value)
    {
        put16(out, at, value & 0xffff);
        put16(out, at + 2, value >> 16);
    }

private:
    static void u16(QByteArray& out, quint32 value)
    {
        out.append(static_cast<char>(value & 0xff));
        out.append(static_cast<char>((value >> 8) & 0xff));
    }
    static void u32(QByteArray& out, quint32 value)
    {
        u16(out, value & 0xffff);
        u16(out, value >> 16);
    }
    static void directoryHeader(QByteArray& out, quint32 numbered)
    {
        out.append(QByteArray(12, '\0'));
        u16(out, 0);
        u16(out, numbered);
    }

    std::map<int, std::pair<int, QByteArray>> m_icons;
    std::map<int, QList<int>> m_groups;
};
