#pragma once

#include "dialogs/PhoneDialog.h"

class QCheckBox;
class QLineEdit;

// "Decrypt file": the password, and whether the encrypted file goes once it is decrypted. The
// password is checked against the file afterwards, not here.
class DecryptFileDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit DecryptFileDialog(QWidget* parent = nullptr);

    QString password() const { return m_password; }
    bool deleteEncrypted() const { return m_deleteEncrypted; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    QString m_password;
    bool m_deleteEncrypted = false;
    QLineEdit* m_passwordEdit;
    QCheckBox* m_deleteBox;
};
