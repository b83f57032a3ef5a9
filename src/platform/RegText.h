#pragma once

#include "platform/RegistryStore.h"

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
// error anywhere gives no operations at all.
ParseResult parse(const QString& text);

// The text of a ".reg" file's bytes: UTF-16 with its byte-order mark (as regedit writes
// version 5.00 files), else UTF-8.
QString decodeRegFile(const QByteArray& bytes);

struct Key {
    Hive hive = Hive::CurrentUser;
    QString path;
    QList<QPair<QString, RegValue>> values;
};

// REGEDIT4 text for the keys in the order given. Values whose raw bytes a string or dword
// line cannot carry exactly are written as hex lists, so every value reads back byte for byte.
QString write(const QList<Key>& keys);

bool hiveFromName(const QString& name, Hive& hive);

}  // namespace RegText

}  // namespace platform
