#pragma once

#include "app/KeypadScript.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QWidget;

// Plays a keypad script on the running program. Every step runs from the event loop and
// queues the next, so that a key which opens a modal dialog leaves the following steps to run
// inside the dialog's own loop, where they drive the dialog as a person would.
class ScriptRunner : public QObject {
    Q_OBJECT
public:
    using Script = KeypadScript::Script;

    ScriptRunner(Script script, QWidget* mainWindow, QString scriptName, QObject* parent = nullptr);

    void start();
    // How long `wait idle` may wait before the line fails.
    void setIdleBoundMs(int milliseconds) { m_idleBoundMs = milliseconds; }

signals:
    // 0 when every line passed, 1 after the first failing line.
    void finished(int exitCode);

private:
    void runStep();
    void next(int delayMs = 0);
    void fail(const KeypadScript::Step& step, const QString& why, bool withDump = false);
    void sendKey(const KeypadScript::Key& key);
    void checkIdle();
    void choose(const KeypadScript::Step& step);
    QWidget* keyTarget() const;
    bool saveShot(const QString& file) const;

    Script m_script;
    QPointer<QWidget> m_mainWindow;
    QString m_scriptName;
    qsizetype m_index = 0;
    int m_idleBoundMs = 10000;
    int m_idleRounds = 0;
    int m_chooseKeys = 0;
    QElapsedTimer m_idleClock;
    bool m_finished = false;
};
