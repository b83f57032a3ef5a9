// The keys a phone user presses by habit: a soft key and then Action picks the first item of
// its pop-up, Action accepts a dialog as its accept key does, and Back (or a script that ends
// inside a dialog, which closes it as Back) never accepts anything.
#include "ProgramFixture.h"

namespace {

TEST(PhoneKeysScript, SoftKeyThenActionPicksTheFirstItemOfThePopup)
{
    ProgramFixture program;
    program.folder("A");
    program.folder("B");
    program.file("A/x.txt", "new");
    program.file("B/x.txt", "old");
    program.file("B/y.txt", "old");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"                  // open A; x.txt
        "key F2 Enter\n"                    // Edit > Select item
        "wait idle\n"
        "expect screen Sel: 0 folders, 1 files\n"
        "key 2 Down\n"                      // copy armed; B
        "key 3\n"
        "wait idle\n"
        "expect screen == Confirm ==\n"
        "key F1 Enter\n"                    // Yes > Yes: replace \\B\\x.txt
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "key F2 Down Enter\n"               // Edit > the second item, Clear selection
        "wait idle\n"
        "expect screen Sel: 0 folders, 0 files\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(program.content("B/x.txt"), QByteArray("new"));
}

TEST(PhoneKeysScript, ActionAcceptsTheNameDialogItsMessagesAndTheAboutBox)
{
    ProgramFixture program;
    program.folder("A");
    program.file("A/x.txt");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Enter Down\n"
        "key F1\nchoose New\nchoose Folder...\n"
        "wait idle\n"
        "type Sub\n"
        "key Enter\n"                       // Done
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "expect screen >     Sub\n"
        "key F1\nchoose Rename...\n"
        "wait idle\n"
        "key Backspace Backspace Backspace\n"
        "key Enter\n"                       // an empty name: the message, and the dialog stays
        "wait idle\n"
        "expect screen The given name is not valid.\n"
        "key Enter\n"                       // OK
        "wait idle\n"
        "expect screen == Rename folder ==\n"
        "type Inner\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen >     Inner\n"
        "key F2\nchoose About Fennick...\n"
        "wait idle\n"
        "expect screen == About Fennick ==\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen == Fennick ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(program.root() + QStringLiteral("/A/Inner")).isDir());
    EXPECT_FALSE(program.exists("A/Sub"));
}

// A script that stops while a dialog is open closes it as Back; whatever the dialog asked,
// nothing it would have done on accepting is done.
TEST(PhoneKeysScript, AScriptThatEndsInsideADialogAcceptsNothing)
{
    struct Case {
        const char* what;
        const char* script;
        const char* dialogTitle;
    };
    const Case cases[] = {
        {"new folder", "key F1\nchoose New\nchoose Folder...\nwait idle\ntype Made\n", "New folder"},
        {"rename", "key F1\nchoose Rename...\nwait idle\ntype renamed\n", "Rename file"},
        {"delete question", "key F1\nchoose Delete\nchoose Current file/folder...\nwait idle\n", "Confirm"},
        {"overwrite question", "key Down Enter Down * 2 Up Up 3\nwait idle\n", "Confirm"},
        {"show hidden question", "key F2\nchoose View\nchoose Show hidden files/fold.\nwait idle\n", "Confirm"},
        {"delete selection", "key * Down *\nkey F1\nchoose Delete\nchoose Items in selection...\nwait idle\n",
         "Delete selection..."},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        ProgramFixture program;
        program.file("a.txt", "old");
        program.folder("D");
        program.file("D/a.txt", "new");
        program.file(".secret");
        const ProgramRun run = program.play(QStringLiteral("wait idle\n%1expect screen == %2 ==\n")
                                                .arg(QString::fromUtf8(test.script), QString::fromUtf8(test.dialogTitle)));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList names = QDir(program.root()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        EXPECT_EQ(names.join(u' ').toStdString(), ".secret D a.txt");
        EXPECT_EQ(program.content("a.txt"), QByteArray("old"));
        EXPECT_EQ(program.storedSetting("ShowHidden"), 0u);
    }
}

// Back leaves a dialog whatever control has the focus; only a text field takes it as a
// character less. The dialogs whose Back key reaches their text fields are tried on each kind
// of control they hold, and what the user left has changed nothing.
TEST(PhoneKeysScript, BackCancelsADialogFromAnyControlButATextField)
{
    struct Case {
        const char* control;
        const char* open;       // from Docs open with a.txt current
        const char* focus;      // keys that take the focus to the control
        const char* focused;    // the control with the focus, as the screen shows it
        const char* dialog;
        const char* after;      // the page on top after Back
    };
    const Case cases[] = {
        {"drop-down", "key F2\nchoose Find...\n", "key Down\n", "[choice] Folder 'Docs' (focus)", "Search criteria",
         "Fennick"},
        {"check box", "key F1\nchoose Crypt...\n", "key Down Down\n", "[ ] Delete original if successful (focus)",
         "Crypt file", "Fennick"},
        {"level box", "key *\nkey F1\nchoose Zip/Unzip\nchoose Zip selection...\n", "key Down\n", "[spin] 5 (focus)",
         "Create ZIP file", "Fennick"},
        {"list", "key F1\nchoose Open\nchoose Manage file types...\nwait idle\nkey F2\nchoose Add file type...\n",
         "key Down Down\n", "list: (focus)", "File type properties", "File types"},
        {"text field", "key F1\nchoose Open\nchoose Run...\n", "type ab\n", "[edit] ab (focus)", "Run command",
         "Run command"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.control);
        ProgramFixture program;
        program.folder("Docs");
        program.file("Docs/a.txt", "text");
        const QString script = QStringLiteral("wait idle\nkey Enter Down\n%1wait idle\nexpect screen == %2 ==\n%3"
                                              "expect screen %4\nkey Escape\nwait idle\nexpect screen == %5 ==\ndump\n")
                                   .arg(QString::fromUtf8(test.open), QString::fromUtf8(test.dialog),
                                        QString::fromUtf8(test.focus), QString::fromUtf8(test.focused),
                                        QString::fromUtf8(test.after));
        const ProgramRun run = program.play(script);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
        const QString lastScreen = run.out.mid(run.out.lastIndexOf(QStringLiteral("== ")));
        if (QByteArray(test.control) == "text field") {
            EXPECT_TRUE(lastScreen.contains(QStringLiteral("[edit] a (focus)"))) << lastScreen.toStdString();
        } else {
            // Nothing of the dialog's work was done: no search, no archive, no encrypted file.
            EXPECT_FALSE(lastScreen.contains(QStringLiteral("== %1 ==").arg(QString::fromUtf8(test.dialog))))
                << lastScreen.toStdString();
            EXPECT_FALSE(lastScreen.contains(QStringLiteral("Search results"))) << lastScreen.toStdString();
        }
        const QStringList names = QDir(program.root() + QStringLiteral("/Docs"))
                                      .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_EQ(names, QStringList{QStringLiteral("a.txt")});
        EXPECT_EQ(program.content("Docs/a.txt"), QByteArray("text"));
    }
}

}  // namespace
