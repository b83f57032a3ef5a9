#pragma once

#include "dialogs/PhoneDialog.h"

class QLineEdit;
class QSpinBox;

// "Create ZIP file": the archive's name and its compression level, 0 to 9.
class CreateZipDialog : public PhoneDialog {
    Q_OBJECT
public:
    CreateZipDialog(const QString& name, int level, QWidget* parent = nullptr);

    QString name() const { return m_name; }
    int level() const { return m_level; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    QString m_name;
    int m_level;
    QLineEdit* m_edit;
    QSpinBox* m_levelBox;
};
