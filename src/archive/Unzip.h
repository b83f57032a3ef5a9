#pragma once

#include "platform/FsError.h"

#include <QByteArray>
#include <QString>

class JobContext;
namespace platform {
class FileSystem;
class OpenFolder;
}  // namespace platform

// Unpacks a whole ZIP archive into an open folder, entry by entry, on a job's worker thread.
// Nothing that looks whole is incomplete: a file is written whole before it gets its name, so
// one cut short (Cancel, a full disk, damaged data, a wrong checksum) never appears. No entry
// leads outside the folder, and no link is made: an entry stored as a link becomes a file
// holding its text. Widget-free.
class Unzip {
public:
    enum class Outcome {
        Done,
        CannotOpen,  // not a ZIP archive, or unreadable (openError says why, when it was the file)
        NoEntries,   // an archive without a first entry
        Stopped,
    };
    struct Result {
        Outcome outcome = Outcome::Done;
        qint64 entries = 0;    // entries in the archive's directory
        qint64 written = 0;    // files and folders made
        qint64 skipped = 0;    // entries that could not be read or written
        QString firstSkipped;  // the name of the first of them
        platform::FsError firstError = platform::FsError::None;
        // Why the archive's file could not be opened: NotRegularFile for a named pipe, a device
        // or a socket, which is never read nor waited on.
        platform::FsError openError = platform::FsError::None;
    };

    // `archive` is a host path, read only when it is a regular file (a link there is followed);
    // `context` (may be null) gets the progress and the stop flag.
    static Result extract(platform::FileSystem& fileSystem, const QByteArray& archive,
                          const platform::OpenFolder& target, JobContext* context);
};
