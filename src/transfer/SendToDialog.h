#pragma once

#include "dialogs/PhoneDialog.h"
#include "jobs/Worker.h"
#include "transfer/BluezDevices.h"
#include "transfer/ObexPeers.h"

#include <QStringList>

class QCheckBox;
class QTreeWidget;

// "Send to...": the devices that answer now, to push files to. While the page is open a worker
// knocks at each known peer every second; one that answers arrives in the list and one that
// stops answering leaves it. The paired devices that BlueZ knows to take pushed files come first,
// whether or not they are connected now (obexd connects them). A list of one device selects it. Star toggles low speed (small
// packets, for old devices). Send runs "Sending..." for the files; the list then fills again.
class SendToDialog : public PhoneDialog {
    Q_OBJECT
public:
    // `files` are the host paths to send.
    explicit SendToDialog(const QStringList& files, QWidget* parent = nullptr);
    ~SendToDialog() override;

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startProbing();
    void stopProbing();
    void probe(std::stop_token token, const QList<ObexPeers::Peer>& peers);
    // On the user-interface thread: a peer answered, or stopped answering.
    void arrived(const ObexPeers::Peer& peer);
    void departed(const QString& address);
    // BlueZ answered: its devices replace those it listed before.
    void listBluez(const QList<BluezDevices::Device>& devices);
    void send();

    QStringList m_files;
    QTreeWidget* m_list;
    QCheckBox* m_lowSpeed;
    bool m_settled = false;  // the answers of the first knock round are in the list
    BluezDevices m_bluez;
    // Knocks for as long as the page is open: once its first round is in, it rests.
    Worker m_prober{this, [this] { return m_settled; }};
};
