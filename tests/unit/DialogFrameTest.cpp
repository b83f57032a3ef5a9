// The dialog frame every dialog shares, driven with the keys a user presses: how a dialog ends,
// what the Back key does, and what a failed set-up tells.
#include "DialogKeys.h"
#include "dialogs/PhoneDialog.h"
#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A dialog with one edit field, as the new-item and crypt dialogs have.
class EditDialog : public PhoneDialog {
public:
    EditDialog(int dialogId, const QString& text)
        : PhoneDialog(dialogId)
    {
        auto* body = new QWidget;
        auto* layout = new QVBoxLayout(body);
        m_edit = new QLineEdit(text);
        layout->addWidget(m_edit);
        setContent(body);
    }
    QLineEdit* m_edit = nullptr;
};

// A dialog that takes some commands itself before the common rule sees them.
class HandlingDialog : public PhoneDialog {
public:
    HandlingDialog()
        : PhoneDialog(DialogTemplates::DeleteSelection)
    {
    }
    QList<int> taken;

protected:
    bool onCommand(int commandId) override
    {
        if (commandId == Cmd::DialogCancel) {
            taken.append(commandId);
            return true;
        }
        if (commandId == Cmd::QuestionYes) {
            taken.append(commandId);
            end(Cmd::Yes);
            return true;
        }
        return false;
    }
};

class DialogFrameTest : public testing::Test {
protected:
    DialogFrameTest() { owner.setGeometry(20, 30, PhonePage::DefaultWidth, PhonePage::DefaultHeight); }
    void SetUp() override { TestDialogs::reset(); }
    void TearDown() override { TestDialogs::reset(); }

    // A page-sized window for the dialogs to cover.
    QWidget owner;
};

}  // namespace

TEST_F(DialogFrameTest, SoftKeysAndBackKeyEndDialogsAsTheirBarsAndTemplatesSay)
{
    struct Case {
        int dialogId;
        QList<Qt::Key> keys;
        int expected;
    };
    const Case cases[] = {
        {DialogTemplates::NewItem, {Qt::Key_F2}, Cmd::DialogCancel},           // bar 2 "Cancel"
        {DialogTemplates::NewItem, {Qt::Key_F1}, Cmd::Ok},                     // bar 2 "Done"
        {DialogTemplates::NewItem, {Qt::Key_Escape}, Cmd::Cancel},             // no text field: Back ends it
        {DialogTemplates::Properties, {Qt::Key_Escape}, Cmd::Cancel},          // Back ends it with 2
        {DialogTemplates::Properties, {Qt::Key_F2}, Cmd::DialogCancel},
        {DialogTemplates::DeleteSelection, {Qt::Key_F1}, Cmd::Ok},             // bar 5 "Delete"
        {DialogTemplates::Receiving, {Qt::Key_F1}, Cmd::DialogCancel},         // bar 3, its one key
        {DialogTemplates::Receiving, {Qt::Key_F2}, StillOpen},                 // bar 3 has no right key
        {DialogTemplates::SearchResults, {Qt::Key_Escape}, StillOpen},         // Back overridden
        {DialogTemplates::SearchResults, {Qt::Key_F1}, StillOpen},             // "Stop" sends 10
        {DialogTemplates::RunCommand, {Qt::Key_5, Qt::Key_Up}, StillOpen},     // other keys do nothing
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "dialog " << test.dialogId << " expecting " << test.expected);
        PhoneDialog dialog(test.dialogId);
        EXPECT_EQ(runPressing([&] { return dialog.run(&owner); }, test.keys), test.expected);
    }
}

// Up and Down go from control to control, as on the phone, where the control in focus has no
// use for them; the focus wraps round at either end.
TEST_F(DialogFrameTest, UpAndDownGoFromControlToControl)
{
    PhoneDialog dialog(DialogTemplates::Crypt);
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    auto* box = new QCheckBox(QStringLiteral("box"));
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addWidget(box);
    dialog.setContent(body);
    QTimer::singleShot(0, &dialog, [&] {
        const auto press = [&](Qt::Key key, const QString& text = QString()) { TestDialogs::pressKey(&dialog, key, text); };
        press(Qt::Key_Down);
        press(Qt::Key_2, QStringLiteral("2"));    // into the second field
        press(Qt::Key_Down);
        press(Qt::Key_Space, QStringLiteral(" "));  // ticks the box
        press(Qt::Key_Down);                         // round to the first field
        press(Qt::Key_1, QStringLiteral("1"));
        press(Qt::Key_Up);
        press(Qt::Key_Up);
        press(Qt::Key_3, QStringLiteral("3"));    // the second field again
        dialog.done(StillOpen);
    });
    EXPECT_EQ(dialog.run(&owner), StillOpen);
    EXPECT_EQ(first->text(), QStringLiteral("1"));
    EXPECT_EQ(second->text(), QStringLiteral("23"));
    EXPECT_TRUE(box->isChecked());
}

TEST_F(DialogFrameTest, ActionKeyIsTheAcceptKeyWhereTheBarHasOne)
{
    struct Case {
        const char* what;
        int dialogId;
        bool withEdit;
        bool acceptDisabled;
        int expected;
    };
    const Case cases[] = {
        {"name field focused", DialogTemplates::NewItem, true, false, Cmd::Ok},    // bar 2 "Done"
        {"nothing to focus", DialogTemplates::About, false, false, Cmd::Ok},       // bar 4 "Done"
        {"run command", DialogTemplates::RunCommand, true, false, Cmd::Ok},         // bar 10 "Run"
        {"favorites", DialogTemplates::Favorites, false, false, Cmd::Ok},           // bar 11 "Go to"
        {"accept key disabled", DialogTemplates::NewItem, true, true, StillOpen},
        {"only Cancel", DialogTemplates::Receiving, false, false, StillOpen},       // bar 3
        {"Stop and Menu", DialogTemplates::SearchResults, false, false, StillOpen}, // bar 8
        {"Yes and No pop-ups", DialogTemplates::Question, false, false, StillOpen}, // bar 15
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::unique_ptr<PhoneDialog> dialog = test.withEdit ? std::make_unique<EditDialog>(test.dialogId, QStringLiteral("a"))
                                                            : std::make_unique<PhoneDialog>(test.dialogId);
        QTimer::singleShot(0, dialog.get(), [&] {
            if (test.acceptDisabled)
                dialog->softKeyBar()->setEnabled(SoftKeyBar::Left, false);
        });
        EXPECT_EQ(runPressing([&] { return dialog->run(&owner); }, {Qt::Key_Return}), test.expected);
    }

    // A control that uses the key itself keeps it: a line break in a multi-line field.
    PhoneDialog notes(DialogTemplates::NewItem);
    auto* text = new QPlainTextEdit;
    notes.setContent(text);
    EXPECT_EQ(runPressing([&] { return notes.run(&owner); }, {Qt::Key_Return}), StillOpen);
    EXPECT_EQ(text->toPlainText(), QStringLiteral("\n"));
}

TEST_F(DialogFrameTest, OnlyCommandsOneToSevenEndADialog)
{
    const struct {
        int command;
        int expected;
    } cases[] = {
        {0, StillOpen}, {Cmd::Ok, Cmd::Ok}, {Cmd::Cancel, Cmd::Cancel}, {Cmd::Retry, Cmd::Retry},
        {Cmd::Yes, Cmd::Yes}, {Cmd::No, Cmd::No}, {8, StillOpen}, {Cmd::Stop, StillOpen}, {Cmd::Quit, StillOpen},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << "command " << test.command);
        PhoneDialog dialog(DialogTemplates::Properties);
        QTimer::singleShot(0, &dialog, [&dialog, &test] {
            dialog.sendCommand(test.command);
            if (dialog.isVisible())
                dialog.done(StillOpen);
        });
        EXPECT_EQ(dialog.run(&owner), test.expected);
    }
}

TEST_F(DialogFrameTest, DialogsOwnHandlerComesBeforeTheCommonRule)
{
    HandlingDialog dialog;
    // "Cancel" is taken by the dialog and does not end it; then the dialog ends itself on a
    // command of its own.
    bool openAfterCancel = false;
    QTimer::singleShot(0, &dialog, [&dialog, &openAfterCancel] {
        TestDialogs::pressKey(&dialog, Qt::Key_F2);
        openAfterCancel = dialog.isVisible();
        dialog.sendCommand(Cmd::QuestionYes);
    });
    EXPECT_EQ(dialog.run(&owner), Cmd::Yes);
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(dialog.taken, (QList<int>{Cmd::DialogCancel, Cmd::QuestionYes}));
}

TEST_F(DialogFrameTest, BackKeyDeletesBeforeTheCursorOnlyWhereItIsForwarded)
{
    struct Case {
        int dialogId;
        QString text;
        int cursor;
        QString expectedText;
        int expectedCode;
    };
    const Case cases[] = {
        {DialogTemplates::NewItem, QStringLiteral("abc"), 3, QStringLiteral("ab"), StillOpen},
        {DialogTemplates::NewItem, QStringLiteral("abc"), 1, QStringLiteral("bc"), StillOpen},
        {DialogTemplates::NewItem, QStringLiteral("abc"), 0, QStringLiteral("abc"), StillOpen},
        {DialogTemplates::Crypt, QString(), 0, QString(), StillOpen},
        {DialogTemplates::Properties, QStringLiteral("abc"), 3, QStringLiteral("abc"), Cmd::Cancel},
        {DialogTemplates::SearchResults, QStringLiteral("abc"), 3, QStringLiteral("abc"), StillOpen},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "dialog " << test.dialogId << " text " << test.text.toStdString());
        EditDialog dialog(test.dialogId, test.text);
        // The user has moved the cursor once the dialog is up.
        QTimer::singleShot(0, &dialog, [&] { dialog.m_edit->setCursorPosition(test.cursor); });
        EXPECT_EQ(runPressing([&] { return dialog.run(&owner); }, {Qt::Key_Escape}), test.expectedCode);
        EXPECT_EQ(dialog.m_edit->text(), test.expectedText);
    }
    // Pressed again and again, the Back key empties the field and still keeps the dialog open.
    EditDialog dialog(DialogTemplates::NewItem, QStringLiteral("ab"));
    EXPECT_EQ(runPressing([&] { return dialog.run(&owner); }, {Qt::Key_Escape, Qt::Key_Escape, Qt::Key_Escape}),
              StillOpen);
    EXPECT_EQ(dialog.m_edit->text(), QString());
}

TEST_F(DialogFrameTest, FailedSetUpEndsWithOneOrTwoAndTellsItWhereTheTableSays)
{
    // The dialogs that tell a failed set-up; 118 tells only the bar's failure, 129 only the
    // full-screen one.
    const QList<int> telling = {118, 119, 120, 122, 123, 125, 127, 129, 132, 133, 135};
    const QList<int> dialogIds = DialogTemplates::ids();
    ASSERT_GE(dialogIds.size(), 20);
    for (int dialogId : dialogIds) {
        for (const TestDialogs::InitStep step : {TestDialogs::InitStep::FullScreen, TestDialogs::InitStep::SoftKeyBar}) {
            const bool fullScreen = step == TestDialogs::InitStep::FullScreen;
            SCOPED_TRACE(testing::Message() << "dialog " << dialogId << (fullScreen ? " full screen" : " bar"));
            const bool tells = telling.contains(dialogId) && !(dialogId == 118 && fullScreen)
                               && !(dialogId == 129 && !fullScreen);
            TestDialogs::reset();
            TestDialogs::failNextInit(step);
            TestDialogs::answerNext(Cmd::Ok); // for the "Debug" box, should one come

            PhoneDialog dialog(dialogId);
            EXPECT_EQ(dialog.run(&owner), fullScreen ? Cmd::Ok : Cmd::Cancel);

            if (tells) {
                ASSERT_EQ(TestDialogs::shownCount(), 1);
                EXPECT_EQ(TestDialogs::lastShown().caption, QStringLiteral("Debug"));
                EXPECT_EQ(TestDialogs::lastShown().text,
                          fullScreen ? QStringLiteral("Init dialog failed") : QStringLiteral("Dialog failed"));
                EXPECT_EQ(TestDialogs::lastShown().leftKey, QStringLiteral("OK"));
                EXPECT_EQ(TestDialogs::pendingAnswers(), 0);
            } else {
                EXPECT_EQ(TestDialogs::shownCount(), 0);
                EXPECT_EQ(TestDialogs::pendingAnswers(), 1);
            }
        }
    }
}

TEST_F(DialogFrameTest, DialogWithoutATemplateEndsAtItsBarStepInsteadOfHanging)
{
    PhoneDialog dialog(999);
    EXPECT_EQ(dialog.run(&owner), Cmd::Cancel);
    EXPECT_EQ(TestDialogs::shownCount(), 0);
}

TEST_F(DialogFrameTest, DialogCoversItsOwnersWindowExactly)
{
    // A window of another size, as --size gives, and a child widget of it as the owner.
    owner.setGeometry(50, 60, 320, 480);
    auto* child = new QWidget(&owner);
    PhoneDialog dialog(DialogTemplates::Favorites);
    QRect shownAt;
    bool modalAndVisible = false;
    QTimer::singleShot(0, &dialog, [&] {
        shownAt = dialog.geometry();
        modalAndVisible = dialog.isVisible() && dialog.isModal();
        dialog.done(StillOpen);
    });
    EXPECT_EQ(dialog.run(child), StillOpen);
    EXPECT_TRUE(modalAndVisible);
    EXPECT_EQ(shownAt, owner.geometry());
    EXPECT_EQ(dialog.page()->title(), QStringLiteral("Favorites"));
}
