#include "archive/EntryName.h"

#include <QStringDecoder>

#include <zlib.h>

namespace EntryName {

namespace {

constexpr quint16 Utf8Flag = 1 << 11;
constexpr quint16 UnicodePathTag = 0x7075;

quint16 read16(const QByteArray& bytes, qsizetype at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes.at(at)) | static_cast<quint8>(bytes.at(at + 1)) << 8);
}

quint32 read32(const QByteArray& bytes, qsizetype at)
{
    return read16(bytes, at) | static_cast<quint32>(read16(bytes, at + 2)) << 16;
}

// The UTF-8 name of an Info-ZIP Unicode Path field that belongs to these stored bytes; a null
// string when there is none, or when it was made for another name (its checksum differs).
QString unicodePath(const QByteArray& stored, const QByteArray& extra)
{
    // Each field: tag (2), size (2), data; every length is checked against what is left.
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const quint16 tag = read16(extra, at);
        const quint16 size = read16(extra, at + 2);
        if (at + 4 + size > extra.size())
            return QString();
        if (tag == UnicodePathTag && size >= 5 && extra.at(at + 4) == 1) {
            const quint32 checksum = read32(extra, at + 5);
            const uLong actual = crc32(0L, reinterpret_cast<const Bytef*>(stored.constData()), static_cast<uInt>(stored.size()));
            if (checksum == actual) {
                QStringDecoder utf8(QStringDecoder::Utf8);
                const QString name = utf8(extra.mid(at + 9, size - 5));
                if (!utf8.hasError() && !name.isEmpty())
                    return name;
            }
        }
        at += 4 + size;
    }
    return QString();
}

}  // namespace

QString decode(const QByteArray& stored, quint16 flags, const QByteArray& extraField)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    if (flags & Utf8Flag)
        return utf8(stored);
    if (const QString unicode = unicodePath(stored, extraField); !unicode.isNull())
        return unicode;
    const QString asUtf8 = utf8(stored);
    if (!utf8.hasError())
        return asUtf8;
    QStringDecoder korean("CP949");
    if (korean.isValid()) {
        const QString name = korean(stored);
        if (!korean.hasError() && !name.isEmpty())
            return name;
    }
    return asUtf8;  // with replacement characters where bytes fit nothing
}

Placement place(const QString& name)
{
    Placement placement;
    QStringList parts = QString(name).replace(u'\\', u'/').split(u'/');
    placement.isFolder = name.endsWith(u'/') || name.endsWith(u'\\');
    QStringList kept;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty() || part == u"." || part == u"..")
            continue;
        // "C:" at the start is a drive, which has no place on this system.
        if (kept.isEmpty() && part.size() == 2 && part.at(1) == u':' && part.at(0).isLetter())
            continue;
        kept << part;
    }
    if (!placement.isFolder && !kept.isEmpty())
        placement.file = kept.takeLast();
    placement.folders = kept;
    return placement;
}

}  // namespace EntryName
