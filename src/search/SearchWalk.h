#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace platform {
class FileSystem;
}

// One item a search found: its name, the folder it was found in ("" for the root, else a
// phone path such as "\Docs") and whether it is a folder. Its full path is the folder, "\" and
// the name.
struct SearchHit {
    QString name;
    QString folder;
    bool isFolder = false;

    QString fullPath() const { return folder + u'\\' + name; }
};

// What to look for and where.
struct SearchRequest {
    QString pattern;            // "*" any run, "?" one character, letters without regard to case
    QString root;               // the folder to search: "" for the whole phone
    bool searchSystem = false;  // list items with the system attribute too
    bool searchHidden = false;  // list items with the hidden attribute too
    bool includeSubfolders = true;
};

// The name search itself, without any widget: walks the folders depth first, each folder's
// own finds before those of its sub-folders, in the order the file system lists them, and
// hands the finds to `found` in that order as soon as the walk gets to them. Hidden and system folders are searched whatever
// the options say (the options only decide which finds are listed); links are never entered,
// nor are the kernel's own file systems (proc, sysfs, ...) below the place searched. A folder
// that cannot be listed, or that vanishes during the walk, yields nothing and no message.
class SearchWalk {
public:
    using Found = std::function<void(SearchHit&& hit)>;

    SearchWalk(platform::FileSystem& fileSystem, SearchRequest request);

    // The devices (FileId::device) whose folders are not entered. By default those of the
    // kernel's file systems in this process's mount table; a place that itself lies on one is
    // searched, since the user asked for it.
    void setUnenteredDevices(QList<quint64> devices) { m_unentered = std::move(devices); }
    static QList<quint64> pseudoFileSystemDevices();

    // Runs until the walk is over or `stop` is set. `found` is called on the caller's thread
    // only; a helper thread of the walk's own reads the next folders ahead and has ended when
    // run() returns.
    void run(const std::atomic<bool>& stop, const Found& found);

    // How many folders were read; for the benchmark and tests.
    qint64 foldersSearched() const { return m_folders; }

private:
    platform::FileSystem& m_fileSystem;
    SearchRequest m_request;
    QList<quint64> m_unentered;
    qint64 m_folders = 0;
};
