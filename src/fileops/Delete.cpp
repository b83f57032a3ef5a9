#include "fileops/Delete.h"

#include "dialogs/JobDialog.h"
#include "fileops/FailureText.h"
#include "fileops/TreeWalk.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;
using platform::PhonePath::splitLast;

int Delete::deleteItems(const QStringList& paths, qint64 expectedItems)
{
    m_messages.clear();
    int deleted = 0;
    JobDialog::run(m_owner, Txt::text(Txt::Deleting), [&](JobContext& context) {
        context.itemsTotal = expectedItems;
        TreeWalk walk(m_fileSystem, &context);
        for (qsizetype i = paths.size() - 1; i >= 0; --i) {
            if (context.stopRequested())
                return;
            const QString& path = paths.at(i);
            const auto [folder, name] = splitLast(path);
            OpenFolder parent;
            DirEntry item;
            FsError error = m_fileSystem.openFolder(folder, parent);
            if (error == FsError::None)
                error = m_fileSystem.entryAt(parent, name, item);
            // The item's own kind decides, not what it shows: a link to a folder is a link.
            if (error == FsError::None && walk.deleteItem(parent, name, item.kind, true)) {
                ++deleted;
                continue;
            }
            if (error == FsError::None) {
                const TreeWalk::Failure& failure = walk.failure();
                if (failure.error == FsError::Cancelled)
                    return;
                error = failure.error;
                if (failure.path != path)
                    m_messages << FailureText::ofWalk(failure, Str::DeleteFileFailed);
            }
            m_messages << FailureText::message(Str::DeleteFileFailed, path, error);
            return;
        }
    });
    return deleted;
}
