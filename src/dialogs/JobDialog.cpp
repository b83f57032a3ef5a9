#include "dialogs/JobDialog.h"

#include "dialogs/MessageBox.h"
#include "dialogs/ProgressStrip.h"
#include "jobs/Worker.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/SizeText.h"
#include "resources/UnnumberedTexts.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <thread>
#include <vector>

namespace {

// The job that runs now; jobs never overlap, since nothing can be started while one runs.
const JobContext* g_current = nullptr;
bool g_progressShown = false;

// Keeps keys and clicks from the windows under a running job, so that nothing else can be
// started meanwhile; the progress page and the dialogs a job opens (its questions) are modal
// and get their input as usual. Keys typed ahead are kept and delivered in order when the
// job is over, as a phone's keypad buffer does: a quick job then changes nothing for a person
// (or a script) typing on.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override
    {
        qApp->removeEventFilter(this);
        for (auto& [receiver, event] : m_typedAhead)
            if (receiver)
                QCoreApplication::postEvent(receiver, event.release());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel: break;
        default: return false;
        }
        // The open pop-up menu and the modal dialog on top (a question, the progress page)
        // take their keys; a pop-up's parent chain leads to the dialog that opened it.
        if (QApplication::activePopupWidget())
            return false;
        QWidget* modal = QApplication::activeModalWidget();
        for (auto* widget = qobject_cast<QWidget*>(watched); modal && widget; widget = widget->parentWidget())
            if (widget == modal)
                return false;
        if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && !g_progressShown)
            m_typedAhead.emplace_back(watched, static_cast<QKeyEvent*>(event)->clone());
        return true;
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_typedAhead;
};

}  // namespace

JobDialog::JobDialog(const DialogTemplate& page, JobContext& context, JobView* view)
    : PhoneDialog(page), m_context(context), m_view(view)
{
    if (view) {
        setContent(view);
        return;
    }
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    m_item = new QLabel;
    m_item->setWordWrap(true);
    m_item->setTextFormat(Qt::PlainText);
    m_counts = new QLabel;
    m_bar = new ProgressStrip;
    layout->addWidget(m_item);
    layout->addWidget(m_counts);
    layout->addWidget(m_bar);
    layout->addStretch(1);
    setContent(content);
}

bool JobDialog::holdsInput() { return isBusy() && !g_progressShown; }

bool JobDialog::isBusy() { return g_current && !g_current->finished() && !g_current->waitingForUser(); }

void JobDialog::run(QWidget* owner, const QString& title, const Work& work)
{
    run(owner, DialogTemplates::progressPage(title), work, nullptr);
}

void JobDialog::run(QWidget* owner, const DialogTemplate& page, const Work& work, JobView* view)
{
    JobContext context;
    JobDialog dialog(page, context, view);
    // The page takes the focus while it shows; the control that had it gets it back.
    QPointer<QWidget> focused = QApplication::focusWidget();
    QEventLoop loop;
    // While the worker waits for the user's answer, the user is busy, not the job.
    Worker worker(&dialog, [&context] { return context.waitingForUser(); });
    // The worker only posts: it wakes this loop to ask a question or to say it has ended.
    context.setWake([&worker, &loop] { worker.post([&loop] { loop.quit(); }); });

    InputBlocker blocker;
    const JobContext* outer = std::exchange(g_current, &context);
    const bool outerShown = std::exchange(g_progressShown, false);
    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &dialog, [&] {
        // Never over a question the user is reading: the page comes after the answer.
        if (context.waitingForUser()) {
            showTimer.start(100);
            return;
        }
        if (!context.finished() && dialog.showOver(owner)) {
            g_progressShown = true;
            dialog.refresh();
        }
    });
    showTimer.start(ShowAfterMs);
    // Progress is read, never pushed: a fast worker cannot flood the event queue.
    QTimer refreshTimer;
    QObject::connect(&refreshTimer, &QTimer::timeout, &dialog, [&dialog] {
        if (dialog.isVisible())
            dialog.refresh();
    });
    refreshTimer.start(100);

    const bool started = worker.start([&context, &work](std::stop_token) {
        work(context);
        context.finish();
    });
    if (!started) {
        // With no thread to work on, the work ends as a Cancel at once would end it: stopped
        // before it starts, on this thread, where a stopped work asks nothing. The user is told.
        context.stop = true;
        work(context);
        context.finish();
        g_current = outer;
        g_progressShown = outerShown;
        MessageBox::error(owner, Txt::text(Txt::NoWorkThread));
        return;
    }
    while (!context.finished()) {
        if (context.answerPendingQuestion())
            continue;
        if (loop.exec() < 0) {
            // The application is ending and no event loop runs any more: stop the work, and
            // let the worker finish with every question answered as stopped.
            context.requestStop();
            while (!context.finished()) {
                if (!context.answerPendingQuestion())
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }
    worker.join();
    g_current = outer;
    g_progressShown = outerShown;
    if (dialog.isVisible()) {
        dialog.hide();
        if (focused)
            focused->setFocus();
    }
}

bool JobDialog::initialise()
{
    setFocus();
    return true;
}

bool JobDialog::onCommand(int commandId)
{
    // Cancel asks the worker to stop; the page goes when the worker has ended.
    if (commandId == Cmd::DialogCancel || commandId == Cmd::Cancel) {
        requestStop();
        return true;
    }
    return false;
}

void JobDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        requestStop();
        return;
    }
    PhoneDialog::keyPressEvent(event);
}

void JobDialog::reject() { requestStop(); }

void JobDialog::requestStop()
{
    m_context.stop = true;
    if (m_counts)
        m_counts->setText(Txt::text(Txt::Stopping));
}

QString JobDialog::shownText() const { return m_item ? m_item->text() : QString(); }

void JobDialog::refresh()
{
    if (m_view) {
        m_view->refresh(m_context);
        return;
    }
    m_item->setText(m_context.currentItem());
    if (m_context.stopRequested())
        return;
    const qint64 items = m_context.itemsDone.load();
    const qint64 itemsTotal = m_context.itemsTotal.load();
    const qint64 bytes = m_context.bytesDone.load();
    const qint64 bytesTotal = m_context.bytesTotal.load();
    QString counts = itemsTotal > 0 ? Txt::text(Txt::ItemsOfTotal).arg(items).arg(itemsTotal)
                                    : Txt::text(Txt::Items).arg(items);
    if (bytesTotal > 0)
        counts += (u'\n' + Txt::text(Txt::BytesOfTotal))
                      .arg(sizeText(bytes, SizeUnits::Progress), sizeText(bytesTotal, SizeUnits::Progress));
    m_counts->setText(counts);
    const double part = bytesTotal > 0   ? double(bytes) / double(bytesTotal)
                        : itemsTotal > 0 ? double(items) / double(itemsTotal)
                                         : 0.0;
    m_bar->setPart(part);
}
