#pragma once

#include "platform/RegistryStore.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace platform {

// ".reg" text, as regedit writes and reads it: pure conversions, no store involved.
namespace RegText {

struct Operation {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    Hive hive = Hive::CurrentUser;
    QString keyPath;  // below the hive; "" is the hive itself
    QString valueName;
    RegValue value;
};

struct ParseResult {
    bool ok = false;
    QList<Operation> operations;
    int errorLine = 0;
    QString error;  // "line N: what"
};

// Reads REGEDIT4 or "Windows Registry Editor Version 5.00" text. Nothing is half-read: an
// error anywhere gives no operations at all. Strings come out as REG_SZ with their NUL.
[[nodiscard]] ParseResult parse(const QString& text);

struct DecodeResult {
    bool ok = false;
    QString text;
    int errorLine = 0;
    QString error;  // "line N: what"
};

// The text of a ".reg" file's bytes: UTF-16 with its byte-order mark (as regedit writes
// version 5.00 files), else UTF-8 (with or without its mark). Bytes that are not valid text in
// that encoding (a REGEDIT4 file saved in a Windows code page, half of a UTF-16 character) are
// refused with their line rather than guessed at or replaced: a guess would store other
// names and values than the file's author meant, without a word.
[[nodiscard]] DecodeResult decodeRegFile(const QByteArray& bytes);

struct Key {
    Hive hive = Hive::CurrentUser;
    QString path;
    QList<QPair<QString, RegValue>> values;
};

// REGEDIT4 text for the keys in the order given. Values whose raw bytes a string or dword
// line cannot carry exactly are written as hex lists, so every value reads back byte for
// byte. A key or value name that no ".reg" line can carry (a line break, or half of a UTF-16
// surrogate pair, which no UTF-8 file can hold) makes it fail and say which: writing it
// anyway would read back as another name, or as other lines altogether.
[[nodiscard]] bool write(const QList<Key>& keys, QString& text, QString* error);

// Whether `name` can stand in a "[KEY]" or "NAME"= line and read back unchanged.
[[nodiscard]] bool isWritableName(const QString& name);

[[nodiscard]] bool hiveFromName(const QString& name, Hive& hive);

}  // namespace RegText

}  // namespace platform
