#include "platform/linux/SambaDosAttrib.h"

#include <QtEndian>

#include <cstring>

namespace platform {

namespace {

// The "attribute is valid" bit of the valid-fields word of record versions 3 to 5.
constexpr quint32 AttributeValid = 0x1;

bool isText(const char* data, qsizetype size)
{
    return size >= 2 && data[0] == '0' && (data[1] == 'x' || data[1] == 'X');
}

qsizetype alignUp(qsizetype offset, qsizetype alignment) { return (offset + alignment - 1) / alignment * alignment; }

}  // namespace

std::optional<SambaDosAttrib::Field> SambaDosAttrib::locate(const char* data, qsizetype size)
{
    const void* nul = std::memchr(data, 0, static_cast<size_t>(size));
    if (!nul)
        return std::nullopt;
    const qsizetype textLength = static_cast<const char*>(nul) - data;
    const qsizetype versionAt = alignUp(textLength + 1, 2);
    if (versionAt + 4 > size)
        return std::nullopt;
    const quint16 version = qFromLittleEndian<quint16>(data + versionAt);
    const quint16 level = qFromLittleEndian<quint16>(data + versionAt + 2);
    if (version != level)
        return std::nullopt;
    const qsizetype body = alignUp(versionAt + 4, 4);
    Field field;
    field.textCopyEmpty = textLength == 0;
    switch (version) {
    case 0xFFFF:  // the text form converted to a record: just the attribute
    case 1: field.offset = body; break;
    case 2:  // flags first, then the attribute
        field.offset = body + 4;
        break;
    case 3:
    case 4:
    case 5:  // the valid-fields word first, then the attribute
        field.flagsOffset = body;
        field.offset = body + 4;
        break;
    default: return std::nullopt;
    }
    if (field.offset + 4 > size)
        return std::nullopt;
    return field;
}

std::optional<quint32> SambaDosAttrib::parse(const char* data, qsizetype size)
{
    if (isText(data, size)) {
        // Hex digits up to the end or to the NUL that ends the record's text copy.
        quint32 bits = 0;
        qsizetype i = 2;
        for (; i < size && data[i] != '\0'; ++i) {
            const char c = data[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0 || i >= 10)  // not hex, or more than 8 digits
                return std::nullopt;
            bits = bits << 4 | static_cast<quint32>(digit);
        }
        if (i == 2)
            return std::nullopt;
        return bits;
    }
    const std::optional<Field> field = locate(data, size);
    if (!field)
        return std::nullopt;
    if (field->flagsOffset >= 0 && !(qFromLittleEndian<quint32>(data + field->flagsOffset) & AttributeValid))
        return std::nullopt;
    return qFromLittleEndian<quint32>(data + field->offset);
}

QByteArray SambaDosAttrib::text(quint32 attributes) { return "0x" + QByteArray::number(attributes, 16); }

QByteArray SambaDosAttrib::withAttributes(const QByteArray& existing, quint32 attributes)
{
    if (!existing.isEmpty() && !isText(existing.constData(), existing.size())) {
        const std::optional<Field> field = locate(existing.constData(), existing.size());
        if (field && field->flagsOffset >= 0 && field->textCopyEmpty) {
            QByteArray updated = existing;
            qToLittleEndian<quint32>(attributes, updated.data() + field->offset);
            const quint32 flags = qFromLittleEndian<quint32>(updated.constData() + field->flagsOffset);
            qToLittleEndian<quint32>(flags | AttributeValid, updated.data() + field->flagsOffset);
            return updated;
        }
    }
    return text(attributes);
}

}  // namespace platform
