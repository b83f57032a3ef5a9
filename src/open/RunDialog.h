#pragma once

#include "dialogs/PhoneDialog.h"

class QLineEdit;

// "Run command": a command and its parameters, both empty each time it opens. Run with no
// command says so and stays open with what was typed.
class RunDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit RunDialog(QWidget* parent = nullptr);

    QString command() const { return m_command; }
    QString parameters() const { return m_parameters; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    QString m_command;
    QString m_parameters;
    QLineEdit* m_commandEdit;
    QLineEdit* m_parametersEdit;
};
