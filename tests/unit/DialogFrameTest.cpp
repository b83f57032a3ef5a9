#include "dialogs/MessageBox.h"
#include "dialogs/PhoneDialog.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "resources/Menus.h"
#include "resources/SoftKeyBars.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Presses keys on whatever is on top once the dialog's loop runs: offscreen a modal dialog is
// not activated by itself, so the keys go to the dialog's focus widget directly.
void pressLater(PhoneDialog& dialog, QList<int> keys)
{
    QTimer::singleShot(0, &dialog, [&dialog, keys] {
        for (int key : keys) {
            QWidget* target = QApplication::activePopupWidget();
            if (!target)
                target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &press);
        }
        // Whatever the keys did, a dialog still open after them is reported as 99.
        if (dialog.isVisible())
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.done(99); });
    });
}

class DialogFrame : public ::testing::Test {
protected:
    void SetUp() override { TestDialogs::reset(); }
    void TearDown() override { TestDialogs::reset(); }
};

TEST_F(DialogFrame, CancelAndBackEndABarTwoDialogAsTheTableSays)
{
    {
        PhoneDialog properties(114);  // bar 2, Back ends the dialog
        EXPECT_EQ(properties.softKeyBar()->label(SoftKeyBar::Right), QStringLiteral("Cancel"));
        pressLater(properties, {Qt::Key_F2});
        EXPECT_EQ(properties.run(nullptr), Cmd::DialogCancel);
    }
    {
        PhoneDialog properties(114);
        pressLater(properties, {Qt::Key_Escape});
        EXPECT_EQ(properties.run(nullptr), Cmd::Cancel);
    }
    {
        PhoneDialog properties(114);
        pressLater(properties, {Qt::Key_F1});
        EXPECT_EQ(properties.run(nullptr), Cmd::Ok);
    }
    {
        // In the name dialog Back deletes a character of the edit and the dialog stays.
        PhoneDialog name(101);
        auto* edit = new QLineEdit(QStringLiteral("abc"));
        name.setContent(edit);
        // The frame selects the edit's text as it comes up; put the cursor at the end first.
        QTimer::singleShot(0, edit, [edit] { edit->end(false); });
        pressLater(name, {Qt::Key_Escape});
        EXPECT_EQ(name.run(nullptr), 99);
        EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    }
    {
        // The search results take Back away and do nothing with it.
        PhoneDialog results(120);
        pressLater(results, {Qt::Key_Escape});
        EXPECT_EQ(results.run(nullptr), 99);
    }
}

TEST_F(DialogFrame, OnlyCommandsOneToSevenEndADialog)
{
    const struct { int command; int result; } cases[] = {{0, 99}, {8, 99}, {40001, 99}, {1, 1}, {6, 6}, {7, 7}};
    for (const auto& row : cases) {
        PhoneDialog dialog(114);
        QTimer::singleShot(0, &dialog, [&dialog, row] {
            dialog.sendCommand(row.command);
            if (dialog.isVisible())
                dialog.done(99);
        });
        EXPECT_EQ(dialog.run(nullptr), row.result) << row.command;
    }
}

TEST_F(DialogFrame, FailedStartsEndWithOneOrTwoAndTellOnlyWhereTheTableSays)
{
    const struct { int dialog; TestDialogs::InitFailure step; int code; const char* told; } cases[] = {
        {119, TestDialogs::InitFailure::FullScreen, 1, "Debug: Init dialog failed"},
        {119, TestDialogs::InitFailure::SoftKeyBar, 2, "Debug: Dialog failed"},
        {118, TestDialogs::InitFailure::FullScreen, 1, nullptr},   // 118 tells only the second
        {118, TestDialogs::InitFailure::SoftKeyBar, 2, "Debug: Dialog failed"},
        {129, TestDialogs::InitFailure::SoftKeyBar, 2, nullptr},   // 129 tells only the first
        {101, TestDialogs::InitFailure::FullScreen, 1, nullptr},   // the name dialog ends silently
    };
    for (const auto& row : cases) {
        TestDialogs::reset();
        TestDialogs::failNextInit(row.step);
        TestDialogs::answerNext(Cmd::Ok);  // for the Debug box, if one comes
        PhoneDialog dialog(row.dialog);
        EXPECT_EQ(dialog.run(nullptr), row.code) << row.dialog;
        if (row.told) {
            EXPECT_EQ(TestDialogs::lastShown(), QString::fromUtf8(row.told)) << row.dialog;
        } else {
            EXPECT_EQ(TestDialogs::lastDialogId(), 0) << row.dialog;
        }
    }
}

TEST_F(DialogFrame, QuestionBoxesAnswerYesOrNo)
{
    MessageBox yes(QStringLiteral("Confirm"), QStringLiteral("Sure?"), MessageBox::Question, true);
    pressLater(yes, {Qt::Key_F1});
    EXPECT_EQ(yes.run(nullptr), MessageBox::Yes);
    MessageBox no(QStringLiteral("Confirm"), QStringLiteral("Sure?"), MessageBox::Question, true);
    pressLater(no, {Qt::Key_F2});
    EXPECT_EQ(no.run(nullptr), MessageBox::No);
    TestDialogs::answerNext(Cmd::Cancel);  // Back: unanswered counts as No
    EXPECT_EQ(MessageBox::question(nullptr, QStringLiteral("Really?")), MessageBox::No);
    EXPECT_EQ(TestDialogs::lastShown(), QStringLiteral("Confirm: Really?"));
}

TEST(SoftKeys, BarsAndMenusAreWholeAndOpenFromTheirKeys)
{
    for (int id : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15}) {
        const SoftKeyBarData* bar = SoftKeyBars::bar(id);
        ASSERT_TRUE(bar) << id;
        EXPECT_FALSE(Menus::menu(bar->menuId).isEmpty()) << id;
        for (const SoftKey* key : {&bar->left, &bar->right}) {
            if (key->isDropDown()) {
                EXPECT_LT(key->popupIndex, Menus::menu(bar->menuId).size()) << id;
            }
            // Every "Cancel" soft key sends 7, never 2.
            if (key->label == u"Cancel") {
                EXPECT_EQ(key->commandId, Cmd::DialogCancel) << id;
            }
        }
    }
    EXPECT_FALSE(SoftKeyBars::bar(6));

    // Each command of menu 2 appears once.
    QList<int> ids = Menus::commandIds(2);
    const qsizetype count = ids.size();
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::unique(ids.begin(), ids.end()) - ids.begin(), count);

    SoftKeyBar bar;
    bar.setBar(1);
    int chosen = 0;
    QObject::connect(&bar, &SoftKeyBar::commandTriggered, [&chosen](int id) { chosen = id; });
    bar.press(SoftKeyBar::Left);
    QMenu* file = bar.popup(0);
    ASSERT_TRUE(file && file->isVisible());
    file->actions().last()->trigger();  // Quit
    EXPECT_EQ(chosen, Cmd::Quit);
    file->close();
}

}  // namespace
