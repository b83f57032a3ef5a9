#pragma once

#include "dialogs/PhoneDialog.h"

#include <QStringList>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
namespace platform {
class FileSystem;
}

// "Select folder": a tree of its own over the whole file system, from which the user picks a
// folder, or in file mode a file with one of the given endings (a program). Every expansion
// reads the folder afresh; hidden items show whatever the main window's setting.
class FolderPicker : public PhoneDialog {
    Q_OBJECT
public:
    FolderPicker(platform::FileSystem& fileSystem, const QString& title, const QString& prompt,
                 QWidget* parent = nullptr);

    // File mode: files whose names end in one of `endings` (".exe") are listed and only such a
    // file may be chosen; choosing a folder shows `refusal`. With ".exe" among the endings,
    // programs this system runs are listed too: files the user may execute, ".desktop" files.
    void setFileMode(const QStringList& endings, const QString& refusal);

    // The chosen item's path ("\Storage\Photos"), after the dialog ended with 1.
    QString chosenPath() const { return m_chosen; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    void fill(const QString& folderPath, QTreeWidgetItem* parent);
    QString pathOf(const QTreeWidgetItem* item) const;
    bool wanted(const QString& folderPath, const QString& name) const;

    platform::FileSystem& m_fileSystem;
    QStringList m_endings;
    QString m_refusal;
    QString m_chosen;
    QTreeWidget* m_tree;
};
