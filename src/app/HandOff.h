#pragma once

#include <QByteArray>
#include <QString>

// The hand-off file through which a second start of Fennick gives its command line to the
// running instance: the line as raw UTF-16LE code units, no byte-order mark, no terminating
// NUL. It is written by the sender and deleted by the receiver once acted on.
namespace HandOff {

// The longest command line that is handed over; a longer count is refused unread rather than
// trusted as a buffer size.
inline constexpr qint64 MaxBytes = 64 * 1024;

QString fileName();  // FOLDER/FNTemp.dat in the runtime folder of the instance

QByteArray encode(const QString& commandLine);

// The path in `bytes` when they are exactly the `expectedBytes` that the sender announced
// (and not 0); else a null string, and the file is to be left alone.
QString decode(const QByteArray& bytes, qint64 expectedBytes);

// Writes the file; returns the number of bytes written (0 on failure).
qint64 write(const QString& file, const QString& commandLine);

// Reads `expectedBytes` from the file. On success returns the path and deletes the file; on a
// failed open, a short read or a count over the limit returns a null string and leaves it.
// Only a regular file of this user is read, never through a link: anything else planted under
// the name (a FIFO that would block the window for good, a link to another file) is left
// unread.
QString take(const QString& file, qint64 expectedBytes);

// The command line's PATH is a host path, which may hold bytes that are not UTF-8. It travels
// as text with those bytes (and "\") as the private-use characters that PathMapper gives host
// names, so that the running instance gets back exactly the bytes it was given.
QString pathFromHost(const QByteArray& hostPath);
// The host bytes of such a text; a null array when no host path maps to it.
QByteArray pathToHost(const QString& path);

}  // namespace HandOff
