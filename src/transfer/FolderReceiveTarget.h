#pragma once

#include "platform/FileSystem.h"
#include "transfer/ReceiveTarget.h"

#include <QStringList>

#include <functional>
#include <memory>

// Received objects as files of one folder: each is written to a nameless temporary there and
// takes its name when complete, so a refused, aborted, broken or cancelled transfer leaves
// nothing, and a file being replaced stays whole until its successor is.
class FolderReceiveTarget : public ReceiveTarget {
public:
    // Asks whether the item at a phone path may be replaced; true for yes.
    using AskReplace = std::function<bool(const QString& path)>;

    // `folder` is a phone path ("" or "\" for the root).
    FolderReceiveTarget(platform::FileSystem& fileSystem, const QString& folder, AskReplace askReplace);

    Begin begin(const QString& name) override;
    [[nodiscard]] bool write(const char* data, qint64 size) override;
    [[nodiscard]] bool commit() override;
    void discard() override;

    // The names that did not exist before and do now, in the order they arrived.
    const QStringList& newNames() const { return m_newNames; }
    // The phone path of a name in the folder.
    QString pathOf(const QString& name) const;

private:
    platform::FileSystem& m_fileSystem;
    QString m_folderPath;
    AskReplace m_askReplace;
    platform::OpenFolder m_folder;
    std::unique_ptr<platform::NewFile> m_file;
    QString m_name;
    bool m_replace = false;
    QStringList m_newNames;
};
