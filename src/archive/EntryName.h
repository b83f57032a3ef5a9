#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The names of ZIP entries: how stored bytes become a name, and where a name is placed inside
// the folder an archive is unpacked into. Pure; tested byte for byte.
namespace EntryName {

// The stored bytes as text: UTF-8 when the archive says so (general-purpose flag bit 11, or an
// Info-ZIP Unicode Path extra field whose checksum matches the stored bytes) or when the bytes
// are valid UTF-8 (Linux tools store UTF-8 without the flag); otherwise code page 949 (the
// whole of Windows' code page, Unified Hangul Code), as the phone's archives were written;
// bytes that fit neither stand for themselves, as private-use characters of the file layer,
// so that such an entry is unpacked under the same host bytes.
QString decode(const QByteArray& stored, quint16 flags, const QByteArray& extraField);

// Where an entry lands: the folders on the way and the file's name, all single names. "/" and
// "\" both separate; empty, "." and ".." components and a leading drive ("C:") are dropped, so
// that no name can lead outside the folder it is unpacked into ("../x" lands as "x", "/etc/x"
// as "etc/x"). A name ending in a separator is a folder entry; one with no name left is empty.
struct Placement {
    QStringList folders;
    QString file;  // empty for a folder entry
    bool isFolder = false;
    bool isEmpty() const { return folders.isEmpty() && file.isEmpty(); }
};
Placement place(const QString& name);

}  // namespace EntryName
