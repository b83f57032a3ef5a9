#pragma once

#include "dialogs/PhoneDialog.h"

class ObexReceiver;
class QLabel;

// "Receiving...": the folder files go to, the state of the session, the name of the file and
// the bytes received. It watches the session worker, asks its overwrite questions while it
// stays up, and turns its Cancel key into "Done" once a sender's transfer is over.
class ReceiveDialog : public PhoneDialog {
    Q_OBJECT
public:
    // `folderShown` is the destination as shown, with its trailing "\".
    ReceiveDialog(ObexReceiver& receiver, const QString& folderShown, QWidget* parent = nullptr);

    // Reads the worker's state; asks a question that waits first.
    void refresh();

protected:
    void changeEvent(QEvent* event) override;

private:
    static QString waitingText();

    ObexReceiver& m_receiver;
    QLabel* m_status;
    QLabel* m_name;
    QLabel* m_count;
    QString m_cancelLabel;
    quint64 m_shownChanges = 0;
    bool m_asking = false;
};
