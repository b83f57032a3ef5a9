#include "transfer/SendToDialog.h"

#include "dialogs/MessageBox.h"
#include "jobs/Idle.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "transfer/SendingDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace {
constexpr int AddressRole = Qt::UserRole;
// True on a row of a device that BlueZ knows, reached through obexd.
constexpr int BluezRole = Qt::UserRole + 1;
// Packet data for ordinary devices and for old ones.
constexpr int NormalChunk = 8192;
constexpr int LowSpeedChunk = 120;
// How long a peer has to answer a knock.
constexpr int KnockTimeoutMs = 500;
}  // namespace

SendToDialog::SendToDialog(const QStringList& files, QWidget* parent)
    : PhoneDialog(DialogTemplates::SendTo, parent), m_files(files)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 4);
    m_list = new QTreeWidget;
    m_list->setRootIsDecorated(false);
    m_list->setHeaderHidden(true);
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);
    // The box and its text apart, so that the text wraps on a narrow screen.
    auto* lowSpeedRow = new QHBoxLayout;
    lowSpeedRow->setContentsMargins(4, 0, 4, 0);
    m_lowSpeed = new QCheckBox;
    m_lowSpeed->setFocusPolicy(Qt::NoFocus);
    auto* lowSpeedText = new QLabel(Txt::text(Txt::LowSpeed));
    lowSpeedText->setWordWrap(true);
    lowSpeedText->setBuddy(m_lowSpeed);
    lowSpeedRow->addWidget(m_lowSpeed, 0, Qt::AlignTop);
    lowSpeedRow->addWidget(lowSpeedText, 1);
    layout->addLayout(lowSpeedRow);
    setContent(content);
    connect(&m_bluez, &BluezDevices::listed, this, &SendToDialog::listBluez);
    // A script waits for the first knock at every peer, and for BlueZ, before it reads the list.
    Idle::registerProbe(this, [this] { return !m_settled || m_bluez.asking(); });
}

SendToDialog::~SendToDialog() { stopProbing(); }

bool SendToDialog::initialise()
{
    m_list->setFocus();
    startProbing();
    return true;
}

void SendToDialog::startProbing()
{
    m_bluez.ask();
    m_settled = false;
    // The registry is read here, on the user-interface thread that owns it.
    const bool started = m_prober.start(
        [this, peers = ObexPeers::list()](std::stop_token token) { probe(token, peers); });
    // With no thread to knock on, no device answers: the list stays empty, and a script
    // waiting for it does not wait for ever.
    if (!started)
        m_settled = true;
}

void SendToDialog::stopProbing() { m_prober.stop(); }

void SendToDialog::probe(std::stop_token token, const QList<ObexPeers::Peer>& peers)
{
    std::map<QString, bool> present;
    do {
        for (const ObexPeers::Peer& peer : peers) {
            const bool answers = ObexPeers::answers(peer.address, KnockTimeoutMs);
            bool& known = present[peer.address];
            if (answers != known) {
                known = answers;
                if (answers)
                    m_prober.post([this, peer] { arrived(peer); });
                else
                    m_prober.post([this, address = peer.address] { departed(address); });
            }
        }
        // Posted after the round's arrivals, so it is seen after them.
        m_prober.post([this] { m_settled = true; });
    } while (Worker::sleepFor(token, std::chrono::seconds(1)));
}

void SendToDialog::arrived(const ObexPeers::Peer& peer)
{
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < m_list->topLevelItemCount() && !row; ++i)
        if (m_list->topLevelItem(i)->data(0, AddressRole).toString() == peer.address)
            row = m_list->topLevelItem(i);
    if (!row) {
        row = new QTreeWidgetItem(m_list);
        row->setData(0, AddressRole, peer.address);
    }
    row->setText(0, peer.label());
    row->setIcon(0,
                 QIcon::fromTheme(peer.bluetooth ? QStringLiteral("bluetooth") : QStringLiteral("network-wireless")));
    if (m_list->topLevelItemCount() == 1)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void SendToDialog::listBluez(const QList<BluezDevices::Device>& devices)
{
    for (int i = m_list->topLevelItemCount() - 1; i >= 0; --i)
        if (m_list->topLevelItem(i)->data(0, BluezRole).toBool())
            delete m_list->takeTopLevelItem(i);
    int at = 0;
    for (const BluezDevices::Device& device : devices) {
        auto* row = new QTreeWidgetItem;
        row->setData(0, AddressRole, device.address);
        row->setData(0, BluezRole, true);
        row->setText(0, Str::arg(Str::ByBluetooth, device.alias));
        row->setIcon(0, QIcon::fromTheme(QStringLiteral("bluetooth")));
        m_list->insertTopLevelItem(at++, row);
    }
    if (m_list->topLevelItemCount() == 1)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void SendToDialog::departed(const QString& address)
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i)->data(0, AddressRole).toString() == address) {
            delete m_list->takeTopLevelItem(i);
            return;
        }
    }
}

bool SendToDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Star toggles low speed; the list would take it to open every row.
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Asterisk || key == Qt::Key_F8) {
            m_lowSpeed->toggle();
            return true;
        }
    }
    return PhoneDialog::eventFilter(watched, event);
}

bool SendToDialog::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    send();
    return true;
}

void SendToDialog::send()
{
    const QTreeWidgetItem* row = m_list->currentItem();
    if (!row) {
        MessageBox::error(this, Str::text(Str::SelectDevice));
        return;
    }
    const QString address = row->data(0, AddressRole).toString();
    const SendingDialog::Link link = row->data(0, BluezRole).toBool() ? SendingDialog::Link::Bluez
                                                                      : SendingDialog::Link::Tcp;
    const int chunk = m_lowSpeed->isChecked() ? LowSpeedChunk : NormalChunk;
    // The knocking stops while the files go, and the list fills again afterwards.
    stopProbing();
    {
        SendingDialog sending(link, address, m_files, chunk);
        sending.run(this);
    }
    m_list->clear();
    startProbing();
}
