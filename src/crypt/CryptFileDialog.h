#pragma once

#include "dialogs/PhoneDialog.h"

class QCheckBox;
class QLineEdit;

// "Crypt file": the password twice and whether the original goes once the encrypted file is
// made. Done refuses an empty password and a confirmation that differs (letter case counts),
// and leaves the dialog open on the password, all of it selected.
class CryptFileDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit CryptFileDialog(QWidget* parent = nullptr);

    QString password() const { return m_password; }
    bool deleteOriginal() const { return m_deleteOriginal; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    void selectPassword();

    QString m_password;
    bool m_deleteOriginal = false;
    QLineEdit* m_passwordEdit;
    QLineEdit* m_confirmationEdit;
    QCheckBox* m_deleteBox;
};
