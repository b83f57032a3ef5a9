#pragma once

#include "fileops/TreeWalk.h"
#include "platform/FsError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class JobContext;
namespace platform {
class FileSystem;
}

// Packs items into a new ZIP archive on a job's worker thread. Every entry in the archive is
// whole: files are compressed apart (two at a time, and a large one in pieces on several
// threads, to use both cores) and appended in order only once complete, so after Cancel or a
// failure the archive holds the entries finished before it and nothing cut short. Names keep their path below the folder that holds the
// selected item ("Docs/a.txt"), written as the host's bytes: UTF-8 with the flag that says so,
// or a host name that is not UTF-8 as its own bytes without the flag, as Info-ZIP writes it on
// Linux (never the private-use characters that stand for such bytes here); an empty folder
// is a folder entry; a link is stored as a link (its target text, with the link's mode), never
// followed. Sizes and counts are 64-bit (ZIP64 where needed). Widget-free.
class ZipCreate {
public:
    struct Item {
        enum Kind { File, Folder, Link };
        QString entryName;   // "Docs/a.txt"; a folder's ends with "/"
        QString folderPath;  // the phone path of the folder that holds it
        QString name;        // its name there
        Kind kind = File;
    };
    enum class Outcome { Done, Failed, Stopped, CannotCreate };
    struct Result {
        Outcome outcome = Outcome::Done;
        qint64 written = 0;  // entries in the archive
        qint64 skipped = 0;  // unreadable files the user chose to leave out
        QString failedItem;
        platform::FsError error = platform::FsError::None;
        bool listingFailed = false;  // a selected folder could not be listed: nothing was written
    };
    // Asked (on the worker thread) for a file that cannot be read, with the reason: true leaves
    // it out and goes on, false stops the archive there.
    using AskUnreadable = std::function<bool(const QString& path, platform::FsError reason)>;

    // What the selected items put into an archive, walking selected folders (links are not
    // entered). False, with the failure, when a folder cannot be listed.
    static bool collect(platform::FileSystem& fileSystem, const QStringList& paths, std::vector<Item>& items,
                        TreeWalk::Failure& failure);

    // Writes the archive at the phone path `archive`, which must not exist. It is written as a
    // file without a name (a hidden temporary where the file system cannot make one) and takes
    // its own only when closed, so a program killed while packing leaves nothing.
    static Result write(platform::FileSystem& fileSystem, const QString& archive, const std::vector<Item>& items,
                        int level, JobContext* context, const AskUnreadable& askUnreadable);
};
