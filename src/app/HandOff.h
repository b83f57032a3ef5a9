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
QString take(const QString& file, qint64 expectedBytes);

}  // namespace HandOff
