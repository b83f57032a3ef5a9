#pragma once

#include "dialogs/PhoneDialog.h"

class ObexPushAgent;
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
    // Shows the pushes that come over Bluetooth as well: the latest news of either is shown.
    void watch(ObexPushAgent& agent);

protected:
    void changeEvent(QEvent* event) override;

private:
    static QString waitingText();

    ObexReceiver& m_receiver;
    ObexPushAgent* m_agent = nullptr;
    // What the Bluetooth push at hand shows, while the worker has no newer news.
    struct Shown {
        int status = 0;
        QString name;
        qint64 total = 0;
    };
    Shown m_bluetooth;
    bool m_bluetoothShown = false;
    quint64 m_receiverChangesAtBluetooth = 0;
    QLabel* m_status;
    QLabel* m_name;
    QLabel* m_count;
    QString m_cancelLabel;
    quint64 m_shownChanges = 0;
    bool m_asking = false;
};
