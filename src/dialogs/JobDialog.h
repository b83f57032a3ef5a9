#pragma once

#include "dialogs/PhoneDialog.h"
#include "jobs/JobContext.h"

#include <functional>

class ProgressStrip;
class QLabel;

// The content of a progress page that a job shows instead of the plain one: it reads the
// job's counters whenever the page is refreshed.
class JobView : public QWidget {
public:
    virtual void refresh(const JobContext& context) = 0;
};

// Runs one long task on a worker thread while the window stays alive: it keeps repainting,
// takes no other command (as under a modal dialog), and after about a second shows a progress
// page with a Cancel key. A question from the worker is asked here and its answer handed back.
// The call returns only when the worker has ended, so whatever the worker wrote may be read
// afterwards without locks. When no thread can be had, the work ends as if cancelled at once
// and the user is told.
class JobDialog : public PhoneDialog {
    Q_OBJECT
public:
    using Work = std::function<void(JobContext&)>;

    // How long work may run before its progress page shows.
    static constexpr int ShowAfterMs = 1000;

    // Runs `work` and waits for it; `title` heads the progress page.
    static void run(QWidget* owner, const QString& title, const Work& work);
    // The same with a dialog template of its own and a view for the page's content (which the
    // page takes over).
    static void run(QWidget* owner, const DialogTemplate& page, const Work& work, JobView* view);

    // True while a job works, not while it waits for the user's answer: what a keypad
    // script's `wait idle` waits for.
    static bool isBusy();
    // True while a job runs and its progress page is not up yet: keys are then held back.
    static bool holdsInput();

    // Closing the page from outside (a script that ends, a signal) asks the work to stop,
    // as Cancel does; the page goes when the worker has ended.
    void reject() override;

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    void keyPressEvent(QKeyEvent* event) override;
    QString shownText() const override;

private:
    JobDialog(const DialogTemplate& page, JobContext& context, JobView* view);
    void refresh();
    void requestStop();

    JobContext& m_context;
    QLabel* m_item = nullptr;
    QLabel* m_counts = nullptr;
    ProgressStrip* m_bar = nullptr;
    JobView* m_view = nullptr;
};
