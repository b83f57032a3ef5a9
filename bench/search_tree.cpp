// Runs one whole-phone search in the real results page, offscreen, from the moment "Find"
// hands over to the page until its left key reads "Done", and prints one line:
//   found N rows in T ms; first row on screen after F ms; longest stall S ms; D folders
// "First row on screen" is the first paint of the list after a row is in it; the stall is the
// longest the window's event loop went without turning, from Find to Done (LongestStall.h),
// and in brackets the longest once rows were coming in (the page already up).
// Usage: search_tree HOST_ROOT PATTERN
#include "LongestStall.h"

#include "platform/linux/LinuxFileSystem.h"
#include "search/SearchResultsDialog.h"
#include "search/SearchResultsModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

#include <cstdio>
#include <memory>

namespace {

// Notes when the list's viewport is first painted with a row in it.
class FirstRowPaint : public QObject {
public:
    FirstRowPaint(const SearchResultsDialog& dialog, const QElapsedTimer& clock) : m_dialog(dialog), m_clock(clock) {}
    qint64 at = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (at < 0 && event->type() == QEvent::Paint && m_dialog.results()->rowCount() > 0)
            at = m_clock.nsecsElapsed();
        return QObject::eventFilter(watched, event);
    }

private:
    const SearchResultsDialog& m_dialog;
    const QElapsedTimer& m_clock;
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HOST_ROOT PATTERN\n", argv[0]);
        return 64;
    }
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    SearchRequest request;
    request.pattern = QString::fromLocal8Bit(argv[2]);
    request.root = QString();  // the whole phone, as "Phone content" searches it

    QElapsedTimer clock;
    // Ticks of the window's loop once rows are coming, to tell the stalls of filling the list
    // from the one-off work of putting the page up.
    qint64 lastTick = -1;
    qint64 longestWhileFilling = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    qint64 done = 0;
    int rows = 0;
    qint64 firstRow = -1;
    const double stall = longestStall([&] {
        clock.start();
        SearchResultsDialog dialog(fileSystem, request, {});
        FirstRowPaint paint(dialog, clock);
        dialog.list()->viewport()->installEventFilter(&paint);
        if (!dialog.showOver(nullptr))
            return;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (lastTick >= 0)
                longestWhileFilling = std::max(longestWhileFilling, now - lastTick);
            if (dialog.results()->rowCount() > 0)
                lastTick = now;
        });
        ticker.start(5);
        while (dialog.isSearching())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        done = clock.nsecsElapsed();
        ticker.stop();
        // The last rows are painted too before the page counts as done.
        QApplication::processEvents();
        rows = dialog.results()->rowCount();
        firstRow = paint.at;
        dialog.list()->viewport()->removeEventFilter(&paint);
    });
    std::printf("found %d rows in %.1f ms; first row on screen after %.1f ms; longest stall %.1f ms"
                " (%.1f ms while the list filled)\n",
                rows, double(done) / 1e6, double(firstRow) / 1e6, stall, double(longestWhileFilling) / 1e6);
    return rows > 0 ? 0 : 1;
}
