#pragma once

// A whole file's bytes, read or written in one step, for tests that make their fixture files
// and check what the program left on the disk.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace FileContent {

// The file's bytes; empty when it cannot be read.
inline QByteArray read(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// False unless every byte was written.
inline bool write(const QString& file, const QByteArray& content)
{
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(content) == content.size();
}

}  // namespace FileContent
