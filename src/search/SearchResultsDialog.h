#pragma once

#include "dialogs/PhoneDialog.h"
#include "jobs/Worker.h"
#include "search/SearchWalk.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class QLabel;
class QTreeView;
class SearchResultsModel;
namespace platform {
class FileSystem;
}

// "Search results": runs the search on a worker thread of its own while the list fills, and
// stays usable meanwhile: rows can be looked at and opened, and "Stop" ends the search with
// what it found so far (the key then reads "Done" and leaves). It ends with 10 (leave), 40029
// (reveal resultPath() in the tree), 40030 (new search) or 40031 (back to the criteria). The
// worker never touches a widget: its finds reach the list in batches through the event loop,
// and the dialog stops it and waits for it before it goes away.
class SearchResultsDialog : public PhoneDialog {
    Q_OBJECT
public:
    // Opens a found file (a phone path); a folder is revealed instead.
    using OpenFile = std::function<void(const QString& phonePath)>;

    SearchResultsDialog(platform::FileSystem& fileSystem, SearchRequest request, OpenFile openFile,
                        QWidget* parent = nullptr);
    ~SearchResultsDialog() override;

    // The path chosen for "Reveal in tree" or "Open / Execute".
    QString resultPath() const { return m_resultPath; }
    bool isSearching() const { return m_searching; }
    int foundCount() const { return m_foundCount; }
    SearchResultsModel* results() const { return m_model; }
    QTreeView* list() const { return m_list; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Worker side: keeps a find for the next batch, and asks for a batch to be taken unless
    // one is asked for already, so a fast walk cannot flood the event queue.
    void deliver(SearchHit&& hit);
    // Beside the walk: loads what the rows' icons need, then lets the finds into the list.
    void loadIconSources();
    // User-interface side.
    void takeFinds();
    void finished();
    // The search has ended and every find is in the list: the page shows it is done.
    void completeSearch();
    void stopSearch();
    void updateMenuState();
    // The row the user is on; -1 for none.
    int selectedRow() const;

    platform::FileSystem& m_fileSystem;
    SearchRequest m_request;
    OpenFile m_openFile;
    SearchResultsModel* m_model;
    QTreeView* m_list;
    QLabel* m_count;
    QLabel* m_searchingText;
    QString m_resultPath;
    int m_foundCount = 0;
    bool m_searching = false;

    std::atomic<bool> m_stop = false;
    std::mutex m_inboxMutex;
    std::vector<SearchHit> m_inbox;    // finds not taken into the list yet
    bool m_batchAsked = false;         // a call to takeFinds() is queued
    bool m_iconSourcesLoaded = false;  // finds wait in the inbox until then
    // User-interface side: finds taken from the worker and not in the list yet. They go in a
    // limited number at a time, so that a flood of finds never holds the window up.
    std::deque<SearchHit> m_backlog;
    bool m_backlogAsked = false;
    bool m_workerEnded = false;
    // Last, so that it stops before the members it reads go.
    Worker m_worker{this};
};
