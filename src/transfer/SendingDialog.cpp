#include "transfer/SendingDialog.h"

#include "dialogs/SoftKeyBar.h"
#include "fileops/FailureText.h"
#include "jobs/Idle.h"
#include "platform/RegularFile.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/SizeText.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "transfer/ObexClient.h"
#include "transfer/ObexPushSession.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// How long a silent peer is waited for before the transfer is given up.
constexpr int PeerTimeoutMs = 15000;
// How long after Cancel the peer has to take the ABORT before the connection is dropped.
constexpr int AbortGraceMs = 2000;
}  // namespace

SendingDialog::SendingDialog(const QString& address, const QStringList& files, int chunk, QWidget* parent)
    : SendingDialog(Link::Tcp, address, files, chunk, parent)
{
}

SendingDialog::SendingDialog(Link link, const QString& address, const QStringList& files, int chunk, QWidget* parent)
    : PhoneDialog(DialogTemplates::Sending, parent), m_link(link), m_address(address), m_files(files), m_chunk(chunk)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    m_status = new QLabel(Txt::text(Txt::ConnectingToDevice));
    m_name = new QLabel;
    m_bytes = new QLabel;
    m_percent = new QLabel;
    m_bar = new QProgressBar;
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    for (QLabel* label : {m_status, m_name, m_bytes, m_percent}) {
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addWidget(m_bar);
    layout->addStretch(1);
    setContent(content);
    // Through obexd the page waits on the device between obexd's answers, as a person would.
    Idle::registerProbe(this, [this] { return m_push ? m_push->waiting() : m_running; });
}

SendingDialog::~SendingDialog()
{
    m_stop = true;
    m_client.interrupt();
    m_worker.stop();
}

bool SendingDialog::initialise()
{
    m_running = true;
    if (m_link == Link::Bluez) {
        startBluez();
        return true;
    }
    if (!m_worker.start([this](std::stop_token) { work(); })) {
        // Nothing was sent: the page ends as a transfer that never reached the peer, and says why.
        m_finalStatus = Str::ConnectFailed;
        m_finalReason = Txt::text(Txt::NoSendingThread);
        finished();
    }
    return true;
}

bool SendingDialog::onCommand(int commandId)
{
    if (commandId == Cmd::DialogCancel && m_running && m_push) {
        m_closeWhenDone = true;
        m_push->cancel();
        return true;
    }
    if (commandId == Cmd::DialogCancel && m_running) {
        // The page goes once the worker has told the peer and ended.
        m_stop = true;
        m_closeWhenDone = true;
        // A peer that has gone silent would hold the page until its time-out.
        QTimer::singleShot(AbortGraceMs, this, [this] { m_client.interrupt(); });
        return true;
    }
    return false;
}

void SendingDialog::startBluez()
{
    // Only a regular file is offered to obexd, which would otherwise hang in a named pipe's open.
    const auto check = [](const QString& path) {
        QFile file;
        const platform::FsError error = platform::openRegularFile(QFile::encodeName(path), platform::Links::Follow,
                                                                  file);
        return error == platform::FsError::None ? QString() : FailureText::reason(error);
    };
    m_push = new ObexPushSession(m_address, m_files, check, this);
    connect(m_push, &ObexPushSession::fileStarted, this, [this](int index) {
        m_finalTotal = 0;
        show(Str::SendingData, m_files.at(index).section(u'/', -1), -1, 0);
    });
    connect(m_push, &ObexPushSession::progress, this, [this](qint64 transferred, qint64 size) {
        m_finalTotal = size;
        show(0, QString(), transferred, size);
    });
    connect(m_push, &ObexPushSession::finished, this, [this](ObexPushSession::Outcome outcome, const QString& reason) {
        switch (outcome) {
        case ObexPushSession::Outcome::Sent: m_finalStatus = Str::FileSent; break;
        case ObexPushSession::Outcome::ConnectFailed: m_finalStatus = Str::ConnectFailed; break;
        case ObexPushSession::Outcome::NotSent:
            m_finalStatus = Str::SendReadFailed;
            m_finalReason = reason;
            break;
        case ObexPushSession::Outcome::Refused:
        case ObexPushSession::Outcome::Cancelled: m_finalStatus = Str::SendRefused; break;
        }
        finished();
    });
    m_push->start();
}

void SendingDialog::work()
{
    // What the page shows next is kept under a lock, and one call to refresh() at a time is on
    // its way to take it, so a fast peer does not flood the user-interface thread with a call
    // per packet.
    const auto post = [this](int status, const QString& name, qint64 count, qint64 total) {
        bool ask = false;
        {
            std::lock_guard lock(m_mutex);
            if (status)
                m_next.status = status;
            if (!name.isEmpty())
                m_next.name = name;
            m_next.count = count;
            m_next.total = total;
            ask = !std::exchange(m_refreshAsked, true);
        }
        if (ask)
            m_worker.post([this] { refresh(); });
    };
    ObexClient& client = m_client;
    int status = Str::FileSent;
    qint64 total = 0;
    QString reason;
    if (client.connect(m_address, PeerTimeoutMs) != ObexClient::Outcome::Sent) {
        status = Str::ConnectFailed;
    } else {
        for (const QString& path : m_files) {
            if (m_stop)
                break;
            const QString name = path.section(u'/', -1);
            post(Str::SendingData, name, -1, 0);
            // Only a regular file is sent: a named pipe would hold the worker in its open, and
            // a device could be read without end.
            QFile file;
            if (const platform::FsError error = platform::openRegularFile(QFile::encodeName(path),
                                                                          platform::Links::Follow, file);
                error != platform::FsError::None) {
                status = Str::SendReadFailed;
                reason = FailureText::reason(error);
                break;
            }
            total = file.size();
            const ObexClient::Outcome outcome = client.put(
                name, static_cast<quint32>(std::min<qint64>(total, 0xFFFFFFFF)),
                [&file](char* bytes, qint64 size) { return file.read(bytes, size); }, m_chunk,
                [&](qint64 count) { post(0, QString(), count == 0 ? 1 : count, total); }, m_stop);
            if (outcome == ObexClient::Outcome::Refused) {
                status = Str::SendRefused;
                break;
            }
            if (outcome != ObexClient::Outcome::Sent) {
                status = Str::SendReadFailed;
                break;
            }
        }
        client.disconnect();
    }
    {
        std::lock_guard lock(m_mutex);
        m_finalStatus = status;
        m_finalTotal = total;
        m_finalReason = reason;
        m_workerDone = true;
    }
    m_worker.post([this] { refresh(); });
}

void SendingDialog::refresh()
{
    Progress next;
    bool done = false;
    {
        std::lock_guard lock(m_mutex);
        next = m_next;
        m_next.status = 0;
        m_next.name.clear();
        m_refreshAsked = false;
        done = m_workerDone;
    }
    show(next.status, next.name, next.count, next.total);
    if (done && m_running)
        finished();
}

void SendingDialog::show(int status, const QString& name, qint64 count, qint64 total)
{
    if (status)
        m_status->setText(Str::text(status));
    if (!name.isEmpty())
        m_name->setText(name);
    if (count >= 0) {
        m_bytes->setText(sizeText(count, SizeUnits::Transfer));
        if (total > 0 && count > 0) {
            const int percent = static_cast<int>(std::min<qint64>(100, count * 100 / total));
            m_percent->setText(Txt::text(Txt::Percent).arg(percent));
            m_bar->setValue(percent);
        }
    }
}

void SendingDialog::finished()
{
    m_worker.join();
    m_running = false;
    const int status = m_finalStatus;  // the worker has ended: no lock needed
    const qint64 total = m_finalTotal;
    if (m_closeWhenDone) {
        end(Cmd::DialogCancel);
        return;
    }
    m_status->setText(Str::text(status));
    if (!m_finalReason.isEmpty())
        m_bytes->setText(m_finalReason);
    if (status == Str::FileSent && total > 0) {
        m_percent->setText(QStringLiteral("100 %"));
        m_bar->setValue(100);
    }
    if (status != Str::ConnectFailed)
        softKeyBar()->setLabel(SoftKeyBar::Left, Str::text(Str::TransferDone));
}
