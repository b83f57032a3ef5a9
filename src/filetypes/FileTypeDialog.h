#pragma once

#include "dialogs/PhoneDialog.h"
#include "settings/FileTypes.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
namespace platform {
class FileSystem;
}

// "File type properties": the extension, the open command, the icon (chosen among the icons of
// a module) and "Accept download in IE" of one file type. "Done" checks what was entered and
// writes the association itself; the caller then only shows the result.
class FileTypeDialog : public PhoneDialog {
    Q_OBJECT
public:
    // `type` fills the page; with `fixedExtension` the extension cannot be changed (editing an
    // existing type, or making a program a type's default from "Open with...").
    FileTypeDialog(platform::FileSystem& fileSystem, const FileType& type, bool fixedExtension,
                   QWidget* parent = nullptr);

    // What was saved, after the dialog ended with 1.
    const FileType& type() const { return m_type; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadIcons(const QString& preselect);
    // A program or icon source chosen with the folder picker, as a host path; empty when none.
    QString pickFile(const QStringList& endings);
    bool saveIfValid();

    platform::FileSystem& m_fileSystem;
    FileType m_type;
    QString m_module;
    QLineEdit* m_extensionEdit;
    QLineEdit* m_commandEdit;
    QListWidget* m_icons;
    QCheckBox* m_acceptDownload;
};
