#include "filetypes/PeIcons.h"

#include <algorithm>

namespace {

constexpr quint32 GroupIconType = 14;
constexpr quint32 IconType = 3;
constexpr quint32 ResourceDirectoryIndex = 2;
// A Windows section table holds at most this many sections.
constexpr int MostSections = 96;
// The largest icon file put together: far beyond any real icon's images.
constexpr qint64 MostIconFileBytes = 16 * 1024 * 1024;

bool readU16(const QByteArray& bytes, quint64 offset, quint32& out)
{
    if (offset + 2 > static_cast<quint64>(bytes.size()))
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
    out = data[0] | data[1] << 8;
    return true;
}

bool readU32(const QByteArray& bytes, quint64 offset, quint32& out)
{
    if (offset + 4 > static_cast<quint64>(bytes.size()))
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
    out = data[0] | data[1] << 8 | data[2] << 16 | static_cast<quint32>(data[3]) << 24;
    return true;
}

void appendU16(QByteArray& out, quint32 value)
{
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

void appendU32(QByteArray& out, quint32 value)
{
    appendU16(out, value & 0xffff);
    appendU16(out, value >> 16);
}

}  // namespace

bool PeIcons::read(const QByteArray& bytes)
{
    m_bytes = bytes;
    m_sections.clear();
    m_groups.clear();
    m_icons.clear();
    quint32 magic = 0;
    quint32 peOffset = 0;
    if (!readU16(bytes, 0, magic) || magic != 0x5A4D || !readU32(bytes, 0x3C, peOffset))
        return false;
    quint32 signature = 0;
    if (!readU32(bytes, peOffset, signature) || signature != 0x00004550)
        return false;
    const quint64 coff = static_cast<quint64>(peOffset) + 4;
    quint32 sectionCount = 0;
    quint32 optionalSize = 0;
    if (!readU16(bytes, coff + 2, sectionCount) || !readU16(bytes, coff + 16, optionalSize))
        return false;
    const quint64 optional = coff + 20;
    quint32 optionalMagic = 0;
    if (!readU16(bytes, optional, optionalMagic))
        return false;
    quint64 directoryCountAt = 0;
    if (optionalMagic == 0x10b)
        directoryCountAt = optional + 92;
    else if (optionalMagic == 0x20b)
        directoryCountAt = optional + 108;
    else
        return false;
    quint32 directoryCount = 0;
    if (!readU32(bytes, directoryCountAt, directoryCount) || directoryCount <= ResourceDirectoryIndex)
        return false;
    const quint64 resourceEntry = directoryCountAt + 4 + 8 * ResourceDirectoryIndex;
    // The entry must lie inside the optional header the file declares.
    if (resourceEntry + 8 > optional + optionalSize)
        return false;
    quint32 resourceRva = 0;
    if (!readU32(bytes, resourceEntry, resourceRva) || !readU32(bytes, resourceEntry + 4, m_resourceSize)
        || resourceRva == 0 || m_resourceSize == 0)
        return false;

    const quint64 sectionTable = optional + optionalSize;
    for (quint32 i = 0; i < std::min<quint32>(sectionCount, MostSections); ++i) {
        const quint64 at = sectionTable + 40ull * i;
        Section section;
        if (!readU32(bytes, at + 8, section.virtualSize) || !readU32(bytes, at + 12, section.virtualAddress)
            || !readU32(bytes, at + 16, section.rawSize) || !readU32(bytes, at + 20, section.rawOffset))
            return false;
        m_sections.append(section);
    }
    if (!rvaToOffset(resourceRva, 16, m_resourceOffset))
        return false;
    // The directory cannot reach past its section's bytes in the file.
    const quint64 available = static_cast<quint64>(bytes.size()) - m_resourceOffset;
    m_resourceSize = static_cast<quint32>(std::min<quint64>(m_resourceSize, available));

    // The root: one entry per resource type; only group icons and their single icons matter.
    quint32 named = 0;
    quint32 numbered = 0;
    if (!readU16(bytes, m_resourceOffset + 12ull, named) || !readU16(bytes, m_resourceOffset + 14ull, numbered))
        return false;
    for (quint32 i = 0; i < named + numbered; ++i) {
        const quint64 entry = m_resourceOffset + 16ull + 8ull * i;
        if (entry + 8 > static_cast<quint64>(m_resourceOffset) + m_resourceSize)
            break;
        quint32 type = 0;
        quint32 target = 0;
        if (!readU32(bytes, entry, type) || !readU32(bytes, entry + 4, target))
            break;
        if ((type & 0x80000000u) || !(target & 0x80000000u))
            continue;  // a named type, or a type without its directory level
        if (type == GroupIconType)
            readType(target & 0x7fffffffu, m_groups);
        else if (type == IconType)
            readType(target & 0x7fffffffu, m_icons);
    }
    return true;
}

// The numbered resources of one type: the name level, then the first language of each. The
// resource tree has exactly these levels, so a subdirectory pointer found where data belongs
// (a loop, or a deeper tree) is ignored rather than followed.
void PeIcons::readType(quint32 directoryOffset, QHash<int, Span>& into) const
{
    const quint64 end = static_cast<quint64>(m_resourceOffset) + m_resourceSize;
    const quint64 directory = static_cast<quint64>(m_resourceOffset) + directoryOffset;
    quint32 named = 0;
    quint32 numbered = 0;
    if (directory + 16 > end || !readU16(m_bytes, directory + 12, named) || !readU16(m_bytes, directory + 14, numbered))
        return;
    for (quint32 i = 0; i < named + numbered; ++i) {
        const quint64 entry = directory + 16 + 8ull * i;
        if (entry + 8 > end)
            return;
        quint32 id = 0;
        quint32 target = 0;
        (void)readU32(m_bytes, entry, id);
        (void)readU32(m_bytes, entry + 4, target);
        // Only numbers 1 to 65534 name an icon; named resources are not numbered.
        if ((id & 0x80000000u) || id == 0 || id > 65534 || !(target & 0x80000000u)
            || into.contains(static_cast<int>(id)))
            continue;
        const quint64 languages = static_cast<quint64>(m_resourceOffset) + (target & 0x7fffffffu);
        quint32 languageCount = 0;
        quint32 languageNamed = 0;
        if (languages + 16 > end || !readU16(m_bytes, languages + 12, languageNamed)
            || !readU16(m_bytes, languages + 14, languageCount) || languageNamed + languageCount == 0
            || languages + 24 > end)
            continue;
        quint32 dataEntryOffset = 0;
        (void)readU32(m_bytes, languages + 16 + 4, dataEntryOffset);
        if (dataEntryOffset & 0x80000000u)
            continue;
        const quint64 dataEntry = static_cast<quint64>(m_resourceOffset) + dataEntryOffset;
        quint32 rva = 0;
        quint32 size = 0;
        if (dataEntry + 16 > end || !readU32(m_bytes, dataEntry, rva) || !readU32(m_bytes, dataEntry + 4, size))
            continue;
        Span span;
        span.size = size;
        if (!rvaToOffset(rva, size, span.offset))
            continue;
        into.insert(static_cast<int>(id), span);
    }
}

bool PeIcons::rvaToOffset(quint32 rva, quint32 size, quint32& offset) const
{
    for (const Section& section : m_sections) {
        const quint64 start = section.virtualAddress;
        const quint64 extent = std::max(section.virtualSize, section.rawSize);
        if (rva < start || rva >= start + extent)
            continue;
        const quint64 within = rva - start;
        // The bytes must be in the section's raw data and in the file.
        if (within + size > section.rawSize)
            return false;
        const quint64 at = static_cast<quint64>(section.rawOffset) + within;
        if (at + size > static_cast<quint64>(m_bytes.size()))
            return false;
        offset = static_cast<quint32>(at);
        return true;
    }
    return false;
}

QList<int> PeIcons::groupIconIds() const
{
    QList<int> ids = m_groups.keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QByteArray PeIcons::iconFile(int groupId) const
{
    const auto group = m_groups.constFind(groupId);
    if (group == m_groups.cend())
        return {};
    quint32 reserved = 0;
    quint32 type = 0;
    quint32 count = 0;
    const quint64 at = group->offset;
    if (group->size < 6 || !readU16(m_bytes, at, reserved) || !readU16(m_bytes, at + 2, type)
        || !readU16(m_bytes, at + 4, count) || type != 1 || count == 0 || 6ull + 14ull * count > group->size)
        return {};
    QByteArray header;
    QByteArray images;
    appendU16(header, 0);
    appendU16(header, 1);
    appendU16(header, count);
    const quint32 imagesStart = 6 + 16 * count;
    for (quint32 i = 0; i < count; ++i) {
        const quint64 entry = at + 6 + 14ull * i;
        quint32 iconId = 0;
        (void)readU16(m_bytes, entry + 12, iconId);
        const auto icon = m_icons.constFind(static_cast<int>(iconId));
        // A group that names one large image many times must not make a huge icon file.
        if (icon == m_icons.cend() || icon->size == 0 || images.size() + icon->size > MostIconFileBytes)
            return {};
        header.append(m_bytes.mid(static_cast<qsizetype>(entry), 8));  // width .. bit count
        appendU32(header, icon->size);
        appendU32(header, imagesStart + static_cast<quint32>(images.size()));
        images.append(m_bytes.mid(icon->offset, icon->size));
    }
    return header + images;
}
