#pragma once

#include "dialogs/PhoneDialog.h"

class QCheckBox;
class QTreeWidget;
namespace platform {
class FileSystem;
}

// "Open with...": the user's list of programs, to open the current file with one of them, to
// add and remove programs, and to make the chosen program the default of the file's type
// ("Always open with this app", key 5). The list is written back when the page ends.
class OpenWithDialog : public PhoneDialog {
    Q_OBJECT
public:
    // `extension` is the file's extension without its dot ("" when its name has none).
    OpenWithDialog(platform::FileSystem& fileSystem, const QString& extension, QWidget* parent = nullptr);

    // The chosen program as stored (a host path), after the dialog ended with 1.
    QString chosenProgram() const { return m_chosen; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Adds a row for a program; false when the program is not there to be described.
    bool addRow(const QString& program);
    void selectionChanged();
    void save();

    platform::FileSystem& m_fileSystem;
    QString m_extension;
    QString m_chosen;
    QTreeWidget* m_list;
    QCheckBox* m_always;
};
