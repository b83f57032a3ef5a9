#pragma once

#include "dialogs/PhoneDialog.h"

class QLineEdit;

// Asks for the name of a new file or folder, or a new name for an item, and refuses a name
// the file system cannot hold: empty, or with one of \ / : * ? " < > |.
class NameDialog : public PhoneDialog {
    Q_OBJECT
public:
    NameDialog(const QString& name, bool isFile, bool isNew, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    static bool isValidName(const QString& name);

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    // A file's name is selected up to its extension, a folder's whole.
    void selectName();

    QString m_name;
    bool m_isFile;
    QLineEdit* m_edit;
};
