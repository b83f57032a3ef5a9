#pragma once

#include "dialogs/PhoneDialog.h"
#include "jobs/Worker.h"
#include "transfer/ObexClient.h"

#include <QStringList>

#include <atomic>
#include <mutex>

class ObexPushSession;
class QLabel;
class QProgressBar;

// "Sending...": pushes files to one OBEX peer on a worker thread and shows the status, the
// file, the bytes sent and the share of the file. Cancel stops the transfer after the packet
// on its way (the peer is told) and closes the page once the worker has ended; after the
// last file the key says Done. A Bluetooth device that BlueZ knows gets the files through
// obexd instead, with the same texts; Cancel then cancels obexd's transfer.
class SendingDialog : public PhoneDialog {
    Q_OBJECT
public:
    // How the files travel: OBEX over TCP to a "host:port", or through obexd to a Bluetooth
    // address.
    enum class Link { Tcp, Bluez };

    // `files` are host paths, sent in order; `chunk` bounds the data of one packet.
    SendingDialog(const QString& address, const QStringList& files, int chunk, QWidget* parent = nullptr);
    SendingDialog(Link link, const QString& address, const QStringList& files, int chunk, QWidget* parent = nullptr);
    ~SendingDialog() override;

    // The string id of the final status (file sent, cannot connect, refused, cannot read).
    int finalStatus() const { return m_finalStatus; }
    const QString& finalReason() const { return m_finalReason; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    // The files through obexd, on this thread.
    void startBluez();
    void work();
    // Shown on the user-interface thread: a status (0: none), the file's name (empty: none),
    // the count sent (-1: none) of the file's total.
    void show(int status, const QString& name, qint64 count, qint64 total);
    // Shows what the worker has done since the last call, and the end once it has ended.
    void refresh();
    void finished();

    Link m_link;
    QString m_address;
    QStringList m_files;
    ObexPushSession* m_push = nullptr;
    int m_chunk;
    QLabel* m_status;
    QLabel* m_name;
    QLabel* m_bytes;
    QLabel* m_percent;
    QProgressBar* m_bar;
    ObexClient m_client;  // the worker's; the page only interrupts it
    std::atomic<bool> m_stop{false};
    bool m_running = false;
    bool m_closeWhenDone = false;
    struct Progress {
        int status = 0;
        QString name;
        qint64 count = -1;
        qint64 total = 0;
    };
    std::mutex m_mutex;  // guards m_next, m_refreshAsked, m_workerDone, and the final status until the worker has ended
    Progress m_next;
    bool m_refreshAsked = false;  // a call to refresh() is on its way
    bool m_workerDone = false;
    int m_finalStatus = 0;
    qint64 m_finalTotal = 0;
    // Why a file could not be read, shown under the final status; empty otherwise.
    QString m_finalReason;
    // Last, so that it stops before the members it reads go.
    Worker m_worker{this};
};
