// "Sending..." with its worker: Cancel during a transfer tells the receiver (the object is not
// kept whole) and the page goes only once the worker has ended; a page destroyed during a
// transfer waits for its worker.
#include "ObexTestReceiver.h"

#include "resources/Commands.h"
#include "transfer/SendingDialog.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Serves events until `done` holds, for a bounded time.
template <typename Done>
bool serveUntil(Done done)
{
    QDeadlineTimer deadline(30000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class ThreadedSendingDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("0123456789abcdef").repeated(64 * 1024));  // 1 MB: many small packets
    }
    QString path() const { return m_folder.filePath(QStringLiteral("big.bin")); }
    // The byte count the page shows.
    static QString shownCount(const SendingDialog& dialog)
    {
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            if (label->text().endsWith(QLatin1String("Kb")) || label->text().endsWith(QLatin1String("bytes")))
                return label->text();
        return {};
    }

    QTemporaryDir m_folder;
};

TEST_F(ThreadedSendingDialog, CancelAbortsTheTransferAndThePageWaitsForItsWorker)
{
    ObexTestReceiver peer;
    SendingDialog dialog(peer.address(), {path()}, 120);
    dialog.setUpdatesEnabled(false);  // Qt paints on a thread pool that ThreadSanitizer cannot follow
    bool cancelled = false;
    bool upAfterCancel = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (cancelled || !shownCount(dialog).endsWith(QLatin1String("Kb")))
            return;
        cancelled = true;
        dialog.sendCommand(Cmd::DialogCancel);
        upAfterCancel = dialog.isRunning();  // until the worker has told the peer and ended
    });
    watch.start(10);
    EXPECT_EQ(dialog.run(nullptr), Cmd::DialogCancel);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(upAfterCancel);
    const std::vector<ObexTestReceiver::Object> objects = peer.objects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_FALSE(objects[0].complete);
    EXPECT_LT(objects[0].data.size(), 1024 * 1024);
}

TEST_F(ThreadedSendingDialog, APageDestroyedDuringATransferStopsAndJoinsItsWorker)
{
    ObexTestReceiver peer;
    {
        SendingDialog dialog(peer.address(), {path(), path()}, 120);
        dialog.setUpdatesEnabled(false);
        ASSERT_TRUE(dialog.showOver(nullptr));
        ASSERT_TRUE(serveUntil([&] { return shownCount(dialog).endsWith(QLatin1String("Kb")); }));
    }
    // The second file never started: the worker saw the stop and ended with the page.
    EXPECT_LE(peer.objects().size(), 1u);
}

}  // namespace
