#pragma once

#include "platform/FileSystem.h"

#include <QString>

class JobContext;

// The size of a folder as its properties show it: every file at any depth, hidden and system
// ones included, and the sum of their sizes. A link counts as an item of its own and is never
// entered. Runs on a worker; stops between two entries of a listing as soon as the context
// asks, so that even a folder of a million files lets its page close at once. No widget.
struct FolderSize {
    qint64 files = 0;
    qint64 bytes = 0;
    bool stopped = false;
    // The first folder that could not be opened or listed, and why; the count stops there
    // rather than passing a part for the whole.
    platform::FsError error = platform::FsError::None;
    QString failedFolder;

    bool complete() const { return !stopped && error == platform::FsError::None; }

    // Counts the folder at `path`; progress goes to the context's itemsDone and bytesDone.
    static FolderSize count(platform::FileSystem& fileSystem, const QString& path, JobContext& context);
};
