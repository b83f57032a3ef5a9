// Playing keypad scripts on small windows made here: where keys go, modal dialogs and menus
// driven from inside their own loops, `wait idle`, pictures, and how a failure ends the run.
#include "jobs/Idle.h"
#include "app/KeypadScript.h"
#include "app/ScriptRunner.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct PlayResult {
    int exitCode = -1;
    int finishedCount = 0;
    QString out;
    QString err;
    QString failure;
};

PlayResult play(const char* text, QWidget* mainWindow, int idleBoundMs = 10000)
{
    PlayResult run;
    QString error;
    const auto script = KeypadScript::parse(QString::fromUtf8(text), &error);
    EXPECT_TRUE(script) << error.toStdString();
    if (!script)
        return run;
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    ScriptRunner runner(*script, mainWindow, QStringLiteral("t.keys"));
    runner.setIdleBoundMs(idleBoundMs);
    runner.setOutput(&out, &err);
    QEventLoop loop;
    QObject::connect(&runner, &ScriptRunner::finished, &loop, [&](int code) {
        run.exitCode = code;
        ++run.finishedCount;
        loop.quit();
    });
    runner.start();
    loop.exec();
    // Anything still queued by the runner would show up here as a second finish.
    QCoreApplication::processEvents();
    run.out = QString::fromUtf8(out.data());
    run.err = QString::fromUtf8(err.data());
    run.failure = runner.failure();
    return run;
}

// The main window of the tests: a label and a focused control that records the keys it gets
// and hands some of them to a callback (which may open a dialog or a menu).
class TestWindow : public QWidget {
public:
    class KeyTaker : public QWidget {
    public:
        using QWidget::QWidget;
        QStringList keys;
        std::function<bool(int)> onKey;

    protected:
        void keyPressEvent(QKeyEvent* event) override
        {
            keys << QStringLiteral("%1:%2").arg(event->key(), 0, 16).arg(event->text());
            if (onKey && onKey(event->key()))
                return;
            QWidget::keyPressEvent(event);
        }
    };

    TestWindow()
    {
        setWindowTitle(QStringLiteral("Main"));
        resize(240, 320);
        auto* layout = new QVBoxLayout(this);
        label = new QLabel(QStringLiteral("Name: none"), this);
        taker = new KeyTaker(this);
        taker->setFocusPolicy(Qt::StrongFocus);
        taker->setMinimumHeight(200);
        layout->addWidget(label);
        layout->addWidget(taker);
        show();
        taker->setFocus();
    }

    QLabel* label = nullptr;
    KeyTaker* taker = nullptr;
};

TEST(ScriptRunnerTest, KeysReachTheFocusedControlOneByOneInOrder)
{
    TestWindow window;
    const PlayResult run = play("key 1 F9 Up Enter * #\ntype aB é\nkey F1\n", &window);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList expected = {
        QStringLiteral("31:1"), QStringLiteral("1000038:"), QStringLiteral("1000013:"), QStringLiteral("1000004:\r"),
        QStringLiteral("2a:*"), QStringLiteral("23:#"), QStringLiteral("41:a"), QStringLiteral("42:B"),
        QStringLiteral("20: "), QStringLiteral("c9:é"), QStringLiteral("1000030:"),
    };
    EXPECT_EQ(window.taker->keys.join(u' ').toStdString(), expected.join(u' ').toStdString());
    EXPECT_EQ(run.finishedCount, 1);
}

TEST(ScriptRunnerTest, WhatAKeyPostedHasRunBeforeTheNextLine)
{
    TestWindow window;
    window.taker->onKey = [&](int key) {
        if (key != Qt::Key_P)
            return false;
        // As the main window posts a command for a key, to run once the key is handled.
        QMetaObject::invokeMethod(&window, [&] { window.label->setText(QStringLiteral("Name: posted")); },
                                  Qt::QueuedConnection);
        return true;
    };
    const PlayResult run = play("key p\nexpect screen Name: posted\n", &window);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST(ScriptRunnerTest, AKeyThatOpensAModalDialogLeavesTheNextLinesToDriveIt)
{
    TestWindow window;
    int dialogsOpened = 0;
    window.taker->onKey = [&](int key) {
        if (key != Qt::Key_N)
            return false;
        ++dialogsOpened;
        QDialog dialog(&window);
        dialog.setWindowTitle(QStringLiteral("New name"));
        auto* edit = new QLineEdit(&dialog);
        auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(edit);
        layout->addWidget(ok);
        edit->setFocus();
        if (dialog.exec() == QDialog::Accepted)
            window.label->setText(QStringLiteral("Name: ") + edit->text());
        return true;
    };
    const PlayResult run = play(
        "key n\n"
        "expect screen == New name ==\n"
        "type Report 7\n"
        "expect screen [edit] Report 7 (focus)\n"
        "key Enter\n"
        "expect screen == Main ==\n"
        "expect screen Name: Report 7\n"
        "expect no screen [edit]\n",
        &window);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_EQ(window.label->text(), QStringLiteral("Name: Report 7"));
    // The typing went to the dialog, not to the window beneath.
    EXPECT_EQ(window.taker->keys.join(u' ').toStdString(), "4e:n");
}

TEST(ScriptRunnerTest, AMenuOpenedByAKeyTakesTheArrowKeysAndChooseFindsItsItem)
{
    TestWindow window;
    QStringList chosen;
    window.taker->onKey = [&](int key) {
        if (key != Qt::Key_M)
            return false;
        QMenu menu(&window);
        for (const char* item : {"Open", "Rename", "Delete"})
            menu.addAction(QString::fromUtf8(item));
        menu.actions().at(1)->setEnabled(false);
        if (QAction* action = menu.exec(window.mapToGlobal(QPoint(20, 20))))
            chosen << action->text();
        return true;
    };
    PlayResult run = play("key m Down\nexpect screen > Open\nkey Enter\nkey m\nchoose Delete\nexpect no screen menu:\n", &window);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(chosen.join(u',').toStdString(), "Open,Delete");

    run = play("key m\nchoose Rename\n", &window);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.failure.startsWith(QStringLiteral("t.keys:2: choose Rename: the item is disabled"))) << run.failure.toStdString();
}

TEST(ScriptRunnerTest, AFailedExpectEndsWithOneNamingTheLineAndShowingTheScreen)
{
    TestWindow window;
    const struct { const char* script; const char* failure; } cases[] = {
        {"dump\n# a comment\nexpect screen nothing like this\ndump\n",
         "t.keys:3: expect screen nothing like this: the screen does not show it"},
        {"dump\nexpect no screen Name: none   # it is there\ndump\n",
         "t.keys:2: expect no screen Name: none: the screen shows it"},
    };
    for (const auto& row : cases) {
        const PlayResult run = play(row.script, &window);
        EXPECT_EQ(run.exitCode, 1) << row.script;
        EXPECT_EQ(run.finishedCount, 1) << row.script;
        EXPECT_EQ(run.failure.toStdString(), row.failure);
        EXPECT_EQ(run.err.toStdString(), std::string(row.failure) + "\n== Main ==\nName: none\n");
        // The dump before the failing line ran; the one after it did not.
        EXPECT_EQ(run.out.toStdString(), "== Main ==\nName: none\n");
    }
}

TEST(ScriptRunnerTest, ADialogLeftOpenIsClosedBeforeTheRunEnds)
{
    TestWindow window;
    bool execReturned = false;
    QPointer<QDialog> shown;
    window.taker->onKey = [&](int key) {
        if (key != Qt::Key_N)
            return false;
        QDialog dialog(&window);
        dialog.setWindowTitle(QStringLiteral("Left open"));
        shown = &dialog;
        (void)dialog.exec();
        execReturned = true;
        return true;
    };
    const struct { const char* script; int exitCode; } cases[] = {
        {"key n\nexpect screen == Left open ==\n", 0},  // the last line passes inside the dialog
        {"key n\nexpect screen == Main ==\n", 1},       // the last line fails inside the dialog
    };
    for (const auto& row : cases) {
        execReturned = false;
        const PlayResult run = play(row.script, &window);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.script << run.err.toStdString();
        EXPECT_EQ(run.finishedCount, 1);
        // The caller can end the program: no dialog loop is left running.
        EXPECT_TRUE(execReturned) << row.script;
        EXPECT_TRUE(shown.isNull()) << row.script;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

TEST(ScriptRunnerTest, WaitIdleWaitsForABusyProbeAndFailsAfterTheBound)
{
    TestWindow window;
    {
        QObject owner;
        bool busy = true;
        Idle::registerProbe(&owner, [&busy] { return busy; });
        QTimer::singleShot(200, &window, [&] {
            busy = false;
            window.label->setText(QStringLiteral("Name: done"));
        });
        const PlayResult run = play("wait idle\nexpect screen Name: done\n", &window);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_FALSE(busy);
    }
    {
        QObject owner;
        Idle::registerProbe(&owner, [] { return true; });
        EXPECT_FALSE(Idle::isIdle());
        const PlayResult run = play("key 1\nwait idle\ndump\n", &window, 100);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.failure.toStdString(), "t.keys:2: wait idle: still busy after 100 ms");
        EXPECT_TRUE(run.out.isEmpty());
    }
    // The probe went with its owner.
    EXPECT_TRUE(Idle::isIdle());
    EXPECT_EQ(play("wait idle\n", &window, 100).exitCode, 0);
}

TEST(ScriptRunnerTest, ShotSavesTheWindowWithAnOpenMenuOverIt)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TestWindow window;
    window.taker->onKey = [&](int key) {
        if (key != Qt::Key_M)
            return false;
        QMenu menu(&window);
        menu.addAction(QStringLiteral("A long item that covers the window"));
        (void)menu.exec(window.mapToGlobal(QPoint(0, 0)));
        return true;
    };
    const QByteArray script = QStringLiteral("shot %1/plain.png\nkey m\nshot %1/menu.png\nkey Escape\nshot %1/missing/x.png\n")
                                  .arg(folder.path()).toUtf8();
    const PlayResult run = play(script.constData(), &window);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.failure.startsWith(QStringLiteral("t.keys:5: shot "))) << run.failure.toStdString();
    EXPECT_TRUE(run.failure.endsWith(QStringLiteral(": cannot write the picture"))) << run.failure.toStdString();

    const QImage plain(folder.filePath(QStringLiteral("plain.png")));
    const QImage withMenu(folder.filePath(QStringLiteral("menu.png")));
    ASSERT_FALSE(plain.isNull());
    ASSERT_FALSE(withMenu.isNull());
    EXPECT_EQ(plain.size(), window.grab().size());
    EXPECT_EQ(withMenu.size(), plain.size());
    // The menu stands at the window's top left corner.
    EXPECT_NE(plain.copy(0, 0, 20, 10), withMenu.copy(0, 0, 20, 10));
    EXPECT_EQ(plain.copy(0, plain.height() - 10, 20, 10), withMenu.copy(0, plain.height() - 10, 20, 10));
}

// Pop-ups that overlap are pictured as a person sees them: the one shown or raised last on
// top, whatever order Qt keeps its windows in, and the dump lists them in that order. Both
// orders are tried, so that a picture that follows any fixed order of its own gets one wrong.
TEST(ScriptRunnerTest, ShotDrawsOverlappingPopupsInTheOrderTheyWereShown)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TestWindow window;
    QMenu first(&window);
    QMenu second(&window);
    for (int i = 0; i < 6; ++i) {
        first.addAction(QStringLiteral("First menu, item %1").arg(i));
        second.addAction(QStringLiteral("SECOND %1").arg(i));
    }
    enum Order { FirstThenSecond, SecondThenFirst, BothThenFirstRaised };
    for (const Order order : {FirstThenSecond, SecondThenFirst, BothThenFirstRaised}) {
        SCOPED_TRACE(static_cast<int>(order));
        QMenu* top = order == FirstThenSecond ? &second : &first;
        window.taker->onKey = [&](int key) {
            if (key != Qt::Key_M)
                return false;
            // The second stands a little lower and to the right: the two overlap.
            const QPoint corner = window.mapToGlobal(QPoint(10, 10));
            if (order == SecondThenFirst) {
                second.popup(corner + QPoint(30, 20));
                first.popup(corner);
            } else {
                first.popup(corner);
                second.popup(corner + QPoint(30, 20));
            }
            if (order == BothThenFirstRaised)
                first.raise();
            return true;
        };
        const QString file = folder.filePath(QStringLiteral("shot%1.png").arg(static_cast<int>(order)));
        const QByteArray script = QStringLiteral("key m\nshot %1\ndump\n").arg(file).toUtf8();
        const PlayResult run = play(script.constData(), &window);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage picture(file);
        ASSERT_FALSE(picture.isNull());
        // Where the two overlap, the picture shows the top one.
        const QRect overlap = first.geometry().intersected(second.geometry());
        ASSERT_FALSE(overlap.isEmpty());
        const QImage expected = top->grab().toImage().copy(QRect(overlap.topLeft() - top->pos(), overlap.size()));
        const QImage shown = picture.copy(QRect(overlap.topLeft() - window.geometry().topLeft(), overlap.size()));
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
        // The dump lists them in the same order, from the bottom one up.
        const qsizetype firstAt = run.out.indexOf(QStringLiteral("First menu, item 0"));
        const qsizetype secondAt = run.out.indexOf(QStringLiteral("SECOND 0"));
        ASSERT_GE(firstAt, 0);
        ASSERT_GE(secondAt, 0);
        EXPECT_EQ(secondAt > firstAt, top == &second) << run.out.toStdString();
    }
}

TEST(ScriptRunnerTest, AGoneMainWindowFailsTheNextLine)
{
    auto* window = new TestWindow;
    window->taker->onKey = [window](int key) {
        if (key == Qt::Key_Q)
            window->deleteLater();
        return true;
    };
    const PlayResult run = play("key q\ndump\n", window);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.failure.toStdString(), "t.keys:2: dump: the main window is gone");
}

}  // namespace
