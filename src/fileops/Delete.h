#pragma once

#include <QString>
#include <QStringList>

class QWidget;
namespace platform {
class FileSystem;
}

// Deleting for good (there is no recycle bin), as a job with progress and Cancel. A folder
// goes with everything in it, depth first, files before their folder; a link goes itself,
// never what it points at.
class Delete {
public:
    Delete(platform::FileSystem& fileSystem, QWidget* owner) : m_fileSystem(fileSystem), m_owner(owner) {}

    // Deletes the items at `paths` from the last to the first and stops at the first that
    // resists, or at Cancel. Returns how many went (counted from the end). `expectedItems`
    // (0 when unknown) sizes the progress bar.
    int deleteItems(const QStringList& paths, qint64 expectedItems = 0);

    // What the user must be told, in order: the item inside a folder that resisted, then the
    // item the user asked to delete; empty after success or Cancel.
    const QStringList& messages() const { return m_messages; }

private:
    platform::FileSystem& m_fileSystem;
    QWidget* m_owner;
    QStringList m_messages;
};
