#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace platform {

// The value of the extended attribute user.DOSATTRIB as Samba keeps it, so that a folder
// shared with Windows machines through Samba shows the same hidden, system and archive bits
// here as there. Two forms exist: the text "0x22" (Samba 3, and what we write when there is
// nothing to keep), and Samba's NDR record: a NUL-terminated copy of that text (empty from
// version 4 on), a 16-bit version, the same number again as the record's 16-bit switch, and
// from the next 4-byte boundary the fields of that version, little-endian. Pure functions.
class SambaDosAttrib {
public:
    // The DOS attribute bits of a value; nothing when the value holds none (an unknown form,
    // a record cut short, or a record that says its attribute field is not valid).
    static std::optional<quint32> parse(const char* data, qsizetype size);
    static std::optional<quint32> parse(const QByteArray& value) { return parse(value.constData(), value.size()); }

    // The value to store for `attributes` in place of `existing` (empty when there is none):
    // a record of version 3 to 5 without the text copy keeps everything else it holds (Samba's
    // creation time) and changes just its attribute field; anything else becomes the text form.
    static QByteArray withAttributes(const QByteArray& existing, quint32 attributes);

    // The text form, "0x" and lower-case hex digits, as Samba writes it.
    static QByteArray text(quint32 attributes);

private:
    // Where the 32-bit attribute field of an NDR record starts, and whether the record marks it
    // valid; nothing for a value that is no record we know.
    struct Field {
        qsizetype offset = 0;
        qsizetype flagsOffset = -1;  // the "valid fields" word of versions 3 to 5
        bool textCopyEmpty = false;
    };
    static std::optional<Field> locate(const char* data, qsizetype size);
};

}  // namespace platform
