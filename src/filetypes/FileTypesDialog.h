#pragma once

#include "dialogs/PhoneDialog.h"
#include "settings/FileTypes.h"

class QTreeWidget;
class QTreeWidgetItem;
namespace platform {
class FileSystem;
}

// "File types": the associations of HKEY_CLASSES_ROOT as they were when the page opened, each
// with its extension and description, to add, edit and delete them. The properties page writes
// each change; this list only follows it.
class FileTypesDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit FileTypesDialog(platform::FileSystem& fileSystem, QWidget* parent = nullptr);

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    void addRow(const FileType& type);
    FileType typeOf(const QTreeWidgetItem* row) const;
    void showType(QTreeWidgetItem* row, const FileType& type);
    void updateMenuState();
    void add();
    void edit();
    void remove();

    platform::FileSystem& m_fileSystem;
    QTreeWidget* m_list;
    // The note that a new icon shows from the next start is told once per opening.
    bool m_iconNoteDue = true;
};
