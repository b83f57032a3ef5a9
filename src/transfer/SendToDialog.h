#pragma once

#include "dialogs/PhoneDialog.h"
#include "transfer/ObexPeers.h"

#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QCheckBox;
class QTreeWidget;

// "Send to...": the devices that answer now, to push files to. While the page is open a worker
// knocks at each known peer every second; one that answers arrives in the list and one that
// stops answering leaves it. A list of one device selects it. Star toggles low speed (small
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
    void probe(const QList<ObexPeers::Peer>& peers);
    // On the user-interface thread: a peer answered, or stopped answering.
    void arrived(const ObexPeers::Peer& peer);
    void departed(const QString& address);
    void send();

    QStringList m_files;
    QTreeWidget* m_list;
    QCheckBox* m_lowSpeed;
    std::thread m_prober;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;  // guarded by m_mutex
    bool m_settled = false;  // the answers of the first knock round are in the list
};
