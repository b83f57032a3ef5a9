#include "transfer/ReceiveDialog.h"

#include "dialogs/SoftKeyBar.h"
#include "jobs/Idle.h"
#include "resources/DialogTemplates.h"
#include "resources/SizeText.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "transfer/BacklightHold.h"
#include "transfer/ObexPushAgent.h"
#include "transfer/ObexReceiver.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

ReceiveDialog::ReceiveDialog(ObexReceiver& receiver, const QString& folderShown, QWidget* parent)
    : PhoneDialog(DialogTemplates::Receiving, parent), m_receiver(receiver)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    const auto label = [&](const QString& text) {
        auto* shown = new QLabel(text);
        shown->setTextFormat(Qt::PlainText);
        shown->setWordWrap(true);
        layout->addWidget(shown);
        return shown;
    };
    label(folderShown);
    m_status = label(waitingText());
    m_name = label(QString());
    m_count = label(QString());
    layout->addStretch(1);
    setContent(content);

    // The byte count is read, never pushed: a fast peer cannot flood the event queue.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &ReceiveDialog::refresh);
    timer->start(100);
    Idle::registerProbe(this, [this] {
        return m_receiver.busy() || m_shownChanges != m_receiver.changes() || BacklightHold::isAsking()
               || (m_agent && m_agent->busy());
    });
}

void ReceiveDialog::refresh()
{
    // A question from the worker is asked over this page, which stays up behind it.
    if (!m_asking) {
        m_asking = true;
        (void)m_receiver.context().answerPendingQuestion();
        m_asking = false;
    }
    const quint64 changes = m_receiver.changes();
    // A push over Bluetooth is shown until the worker has news of its own.
    const bool bluetooth = m_bluetoothShown && changes == m_receiverChangesAtBluetooth;
    const int status = bluetooth ? m_bluetooth.status : m_receiver.status();
    m_status->setText(status ? Str::text(status) : waitingText());
    m_name->setText(bluetooth ? m_bluetooth.name : m_receiver.name());
    // Each sender counts from zero; nothing is shown before its first byte.
    const qint64 total = bluetooth ? m_bluetooth.total : m_receiver.total();
    m_count->setText(total > 0 ? sizeText(total, SizeUnits::Transfer) : QString());
    // The key ends the page either way; it reads "Done" once a sender's transfer has ended, and
    // "Cancel" again while the next one sends.
    if (softKeyBar()) {
        if (m_cancelLabel.isEmpty())
            m_cancelLabel = softKeyBar()->label(SoftKeyBar::Left);
        const bool transferEnded = status != 0 && status != Str::ReceivingFileStatus;
        softKeyBar()->setLabel(SoftKeyBar::Left, transferEnded ? Str::text(Str::TransferDone) : m_cancelLabel);
    }
    m_shownChanges = changes;
}

void ReceiveDialog::watch(ObexPushAgent& agent)
{
    m_agent = &agent;
    connect(&agent, &ObexPushAgent::receiving, this, [this](const QString& name) {
        m_bluetooth = {Str::ReceivingFileStatus, name, 0};
        m_bluetoothShown = true;
        m_receiverChangesAtBluetooth = m_receiver.changes();
        refresh();
    });
    connect(&agent, &ObexPushAgent::progress, this, [this](qint64 transferred) {
        m_bluetooth.total = transferred;
        refresh();
    });
    connect(&agent, &ObexPushAgent::ended, this, [this](bool received) {
        m_bluetooth.status = received ? Str::FileReceived : Str::TransferCancelled;
        refresh();
    });
}

QString ReceiveDialog::waitingText() { return Txt::text(Txt::WaitingForFile); }

void ReceiveDialog::changeEvent(QEvent* event)
{
    // The display is not kept lit while another program is in front; a question of our own
    // over this page is no reason to let it go dark.
    if (event->type() == QEvent::ActivationChange) {
        if (QApplication::activeWindow())
            BacklightHold::resume();
        else
            BacklightHold::pause();
    }
    PhoneDialog::changeEvent(event);
}
