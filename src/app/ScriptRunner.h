#pragma once

#include "app/KeypadScript.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QIODevice;
class QSocketNotifier;
class QWidget;

// Plays a keypad script on the running program. Every step runs from the event loop and
// queues the next, so that a key which opens a modal dialog leaves the following steps to run
// inside the dialog's own loop, where they drive the dialog as a person would.
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    using Script = KeypadScript::Script;

    // `scriptName` names the script in failure messages, normally its file name.
    ScriptRunner(Script script, QWidget* mainWindow, QString scriptName, QObject* parent = nullptr);

    // Queues the first step and returns; finished() follows from the event loop.
    void start();
    // How long `wait idle` may wait before the line fails (10 s unless set).
    void setIdleBoundMs(int milliseconds) { m_idleBoundMs = milliseconds; }
    // Where `dump` prints and where a failure is told; standard output and standard error
    // unless set. The devices must be open for writing and outlive the run.
    void setOutput(QIODevice* dumps, QIODevice* failures);
    // "SCRIPT:LINE: the line: what failed" for the line that failed; empty while none has.
    const QString& failure() const { return m_failure; }

signals:
    // 0 when every line passed, 1 after the first failing line. Emitted once, after any menu
    // and modal dialog left open has been closed, so that the caller can quit the program.
    void finished(int exitCode);

private:
    void runStep();
    void next(int delayMs = 0);
    void settle();
    void fail(const KeypadScript::Step& step, const QString& why, bool withDump = false);
    void finish(int exitCode);
    void closeOpenWindows();
    [[nodiscard]] bool sendKey(const KeypadScript::Key& key);
    void checkIdle();
    void readInput();
    void choose(const KeypadScript::Step& step);
    QWidget* keyTarget() const;
    [[nodiscard]] bool saveShot(const QString& file) const;
    void print(QIODevice* device, bool toStandardError, const QString& text) const;

    Script m_script;
    QPointer<QWidget> m_mainWindow;
    QString m_scriptName;
    QPointer<QIODevice> m_dumpOutput;
    QPointer<QIODevice> m_failureOutput;
    QString m_failure;
    qsizetype m_index = 0;
    qsizetype m_keyIndex = 0;
    int m_settleRounds = 0;
    int m_idleBoundMs = 10000;
    int m_stepIdleBoundMs = 10000;
    QSocketNotifier* m_input = nullptr;
    int m_idleRounds = 0;
    int m_chooseKeys = 0;
    int m_closeRounds = 0;
    int m_exitCode = 0;
    QElapsedTimer m_idleClock;
    bool m_finished = false;
};
