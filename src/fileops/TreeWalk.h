#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>

#include <memory>

class FileCopies;
class JobContext;

// The walks over whole trees that copy, move, delete and measure items, done in open folders
// (each folder is found once; its items by their names alone). A link is one item: no walk
// ever enters one. The first failure stops a walk and is kept with the item that failed and
// why, for the one message the user sees. Widget-free; runs on a job's worker thread.
class TreeWalk {
public:
    // What a failing step was doing, for choosing the words of its message.
    enum class Step { None, List, CopyFile, CreateFolder, DeleteFile, DeleteFolder, Open, Sync };
    struct Failure {
        Step step = Step::None;
        QString path;  // the phone path of the item that failed
        platform::FsError error = platform::FsError::None;
    };
    struct Totals {
        qint64 bytes = 0;
        qint64 files = 0;
        qint64 folders = 0;
    };

    // `context` (may be null) gets the progress and is asked whether to stop.
    TreeWalk(platform::FileSystem& fileSystem, JobContext* context);
    ~TreeWalk();

    // Copies the item `name` of `from` to `targetName` in `to`: a link as a link with the same
    // target text, a file with its data, a folder with everything in it. Without `replace` an
    // existing target is a failure; with it, a file or a link at the target is replaced and
    // a folder of that name is merged into, its files replaced. Everything that did not exist
    // before is remembered for undoCreated().
    [[nodiscard]] bool copyItem(const platform::OpenFolder& from, const QString& name, platform::DirEntry::Kind kind,
                                const platform::OpenFolder& to, const QString& targetName, bool replace, bool flush);
    // Deletes the item `name` of `folder`: a link or a file itself, a folder with everything
    // in it, depth first, files before their folder. A `stoppable` delete ends between two
    // items when asked to stop (a Cancelled failure); the source of a move is not stoppable,
    // so that it is never left half deleted.
    [[nodiscard]] bool deleteItem(const platform::OpenFolder& folder, const QString& name,
                                  platform::DirEntry::Kind kind, bool stoppable);
    // Adds up everything below an open folder: every file and folder at any depth, hidden
    // ones included; a link counts as a file of its own.
    [[nodiscard]] bool measure(const platform::OpenFolder& folder, Totals& totals);

    // Removes, newest first, what copyItem created (a stopped move leaves no partial target).
    void undoCreated();
    void forgetCreated() { m_created.clear(); }

    const Failure& failure() const { return m_failure; }
    bool stopped() const;

private:
    // `newFolder`: `to` was made by this walk, so nothing in it can be in the way.
    bool copyInto(const platform::OpenFolder& from, const QString& name, platform::DirEntry::Kind kind,
                  const platform::OpenFolder& to, const QString& targetName, bool replace, bool flush, bool newFolder);
    bool copyFolder(const platform::OpenFolder& from, const QString& name, const platform::OpenFolder& to,
                    const QString& targetName, bool flush, bool inNewFolder);
    // Waits for the files copied two at a time; false (with the first failure) when one failed.
    bool settleCopies();
    bool deleteContents(const platform::OpenFolder& folder, bool stoppable);
    bool fail(Step step, const QString& path, platform::FsError error);
    bool checkStop(const QString& path);
    // The names and kinds of a folder's entries, read whole before anything in it changes.
    bool listAll(const platform::OpenFolder& folder, bool withSizes, std::vector<platform::DirEntry>& entries);

    platform::FileSystem& m_fileSystem;
    JobContext* m_context;
    Failure m_failure;
    struct Created {
        QString path;
        bool isFolder;
    };
    std::vector<Created> m_created;
    std::unique_ptr<FileCopies> m_copies;
};
