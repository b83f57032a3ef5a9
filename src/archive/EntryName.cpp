#include "archive/EntryName.h"

#include "platform/PhonePath.h"

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
            const uLong actual = crc32(0L, reinterpret_cast<const Bytef*>(stored.constData()),
                                       static_cast<uInt>(stored.size()));
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
    // Code page 949 as Windows has it, with the Hangul that EUC-KR lacks (byte pairs that leave
    // EUC-KR's range 0xA1 to 0xFE, led by 0x81 to 0xC6): the converter found under "CP949" is
    // IBM's code page of that number, which reads "\xC7\xD1" but not "\x8C\x63" ("똠").
    QStringDecoder korean("windows-949");
    if (korean.isValid()) {
        const QString name = korean(stored);
        if (!korean.hasError() && !name.isEmpty())
            return name;
    }
    // Bytes that fit neither are kept as the file layer keeps a host name that is not UTF-8,
    // each as the private-use character that stands for it, so that the entry lands under
    // the very bytes it was stored with (as Info-ZIP writes such names on Linux). A backslash
    // stays a separator.
    QStringList names;
    for (const QByteArray& part : stored.split('\\'))
        names << platform::PathMapper::nameFromHost(part);
    return names.join(u'\\');
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
