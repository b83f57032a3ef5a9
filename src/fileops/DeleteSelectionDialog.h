#pragma once

#include "dialogs/PhoneDialog.h"

#include <QStringList>

class QListWidget;

// Lists every path of the selection before it is deleted, so the user checks it first.
class DeleteSelectionDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit DeleteSelectionDialog(const QStringList& paths, QWidget* parent = nullptr);

protected:
    bool initialise() override;

private:
    QListWidget* m_list;
};
