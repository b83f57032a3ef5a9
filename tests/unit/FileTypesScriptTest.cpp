// The file type manager and "Open with..." as a person uses them: the pages and their menus, the
// folder picker, the questions and notes; the registry and the started programs checked after
// each run, and what was written put to use by opening a file.
#include "PeBuilder.h"
#include "ProgramFixture.h"
#include "Recorder.h"

#include "settings/RegKey.h"

namespace {

using platform::Hive;

platform::RegValue text(const QString& value) { return {platform::RegType::String, RegKey::encodeString(value)}; }

class FileTypesScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The programs live under the root, where the folder picker finds them.
        m_viewer = m_programs.program("viewer");
        program.file("Apps/icons.dll", PeBuilder().icon(1, 16, 0xffff0000).icon(2, 16, 0xff00ff00).group(7, {1}).group(9, {2}).bytes());
        program.file("Apps/other.desktop", "[Desktop Entry]\nType=Application\nName=Other Viewer\nExec=" + QFile::encodeName(m_viewer)
                                               + " --desk %f\n");
        program.folder("Docs");
    }

    ProgramFixture program;
    Recorder m_programs{program.root() + QStringLiteral("/Apps")};
    QString m_viewer;
};

TEST_F(FileTypesScript, TypesAreAddedEditedAndDeletedAndTheirCommandOpensFiles)
{
    program.registry(".pic", "", text(QStringLiteral("PicFile")), Hive::ClassesRoot);
    program.registry(".img", "", text(QStringLiteral("PicFile")), Hive::ClassesRoot);
    program.registry("PicFile", "", text(QStringLiteral("Picture")), Hive::ClassesRoot);
    program.registry("PicFile\\Shell\\Open\\Command", "", text(QStringLiteral("paint %1")), Hive::ClassesRoot);
    program.registry("PicFile\\DefaultIcon", "", text(program.root() + QStringLiteral("/Apps/icons.dll,-9")), Hive::ClassesRoot);
    program.registry(".exe", "", text(QStringLiteral("exefile")), Hive::ClassesRoot);
    program.file("Docs/notes.txt", "words");
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Open\nchoose Manage file types...\n"
        "expect screen == File types ==\n"
        "expect screen .img | Picture\n"
        "expect no screen .exe\n"
        // Add: the checks in their order, then a program chosen with the picker.
        "key F2\nchoose Add file type...\n"
        "expect screen == File type properties ==\n"
        "type txt\n"
        "key Enter\n"
        "expect screen Please select an icon to use for that file type!\n"
        "key Enter\n"
        "key F2\nchoose Change application...\n"
        "expect screen Select the application to open this file type\n"
        "key Right Down Down\n"                   // Apps opened: other.desktop, viewer
        "key Enter\n"
        "expect screen viewer\" %1\n"
        "key Enter\n"
        "expect screen .txt | TXT File\n"
        // Edit: a new icon brings the note, once for this opening of the list.
        "key Up Up Up\n"                          // .pic, above .img and the .zip of Fennick itself
        "key F2\nchoose Edit file type...\n"
        "key F2\nchoose Change icons...\n"
        "key Right Down\n"                        // Apps opened: icons.dll, other.desktop, viewer
        "key Enter\n"
        "key Enter\n"                             // icon 7, the first
        "expect screen New icon will be used next time you restart your phone.\n"
        "key Enter\n"
        "key F2\nchoose Edit file type...\n"
        "key Down Down\n"                         // the icon list
        "key Right\n"                             // icon 9
        "key Enter\n"
        "expect no screen New icon will be used\n"
        "expect screen == File types ==\n"
        // Delete both extensions of one class: the class goes with the second.
        "key F2\nchoose Delete file type...\n"
        "expect screen Are you sure you want to continue?\n"
        "key F1\n"
        "expect no screen .pic\n"
        "key F2\nchoose Delete file type...\n"
        "key F1\n"
        "expect no screen .img\n"
        "key F1\n"                                // Done
        "expect no screen == File types ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const std::string viewer = m_viewer.toStdString();
    EXPECT_EQ(program.storedStrings(".txt", Hive::ClassesRoot), "=txtFile");  // the letter case typed
    EXPECT_EQ(program.storedStrings("txtFile", Hive::ClassesRoot), "=TXT File");
    EXPECT_EQ(program.storedStrings("txtFile\\Shell\\Open\\Command", Hive::ClassesRoot), "=\"" + viewer + "\" %1");
    EXPECT_EQ(program.storedStrings("txtFile\\DefaultIcon", Hive::ClassesRoot), "=" + viewer + ",-1");
    EXPECT_EQ(program.storedStrings(".pic", Hive::ClassesRoot), "<no key>");
    EXPECT_EQ(program.storedStrings("PicFile", Hive::ClassesRoot), "<no key>");
    EXPECT_EQ(program.storedStrings(".exe", Hive::ClassesRoot), "=exefile");

    // The new type opens its files with its program.
    run = program.play(QStringLiteral("wait idle\nkey Down Enter Down Enter\nwait idle\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(m_programs.take(), "viewer|" + (program.root() + QStringLiteral("/Docs/notes.txt")).toStdString());
}

TEST_F(FileTypesScript, ProtectedAndEmptyEntriesAreRefusedAndCancelWritesNothing)
{
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F1\nchoose Open\nchoose Manage file types...\n"
        "key F2\nchoose Add file type...\n"
        "key F2\nchoose Change icons...\n"
        "key Right Down\nkey Enter\n"             // icons.dll: icons 7 and 9
        "expect screen 9\n"
        "key Up Up\n"                             // back to the extension
        "key Enter\n"
        "expect screen You have not filled the file extension!\n"
        "key Enter\n"
        "type .Exe\n"
        "key Enter\n"
        "expect screen This extension is protected. It cannot be changed or created!\n"
        "key Enter\n"
        "key Escape Escape Escape Escape\n"       // Back deletes the typed letters
        "type dat\n"
        "key Enter\n"
        "expect screen You have not filled the command!\n"
        "key Enter\n"
        "key F2\nchoose Cancel\n"
        "expect screen == File types ==\n"
        "key F1\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(program.storedStrings(".dat", Hive::ClassesRoot), "<no key>");
    EXPECT_EQ(program.storedStrings(".Exe", Hive::ClassesRoot), "<no key>");
}

TEST_F(FileTypesScript, OpenWithStartsAListedProgramAndCanMakeItTheTypesDefault)
{
    const char* list = "Software\\Corvane\\Fennick\\OpenWith";
    program.registry(list, "Old", text(program.root() + QStringLiteral("/Apps/gone")));
    program.registry(list, "Mine", text(m_viewer));
    program.file("Docs/photo.jpg", "picture");
    ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down\n"                   // Docs opened, photo.jpg
        "key F1\nchoose Open\nchoose Open with...\n"
        "expect screen == Open with... ==\n"
        "expect no screen gone\n"
        "key F2\nchoose Informations...\n"
        "expect screen the application will run, but the document won't open.\n"
        "key Enter\n"
        "key F2\nchoose Add to list...\n"
        "expect screen == Add application to list ==\n"
        "key Right Down\n"                        // Apps opened: other.desktop, viewer
        "key Enter\n"
        "expect screen Other Viewer\n"
        "key 5\n"                                 // always open .jpg files with it
        "key F1\n"
        "expect screen == File type properties ==\n"
        "expect screen .jpg\n"
        "key Enter\n"
        "wait idle\n"
        "expect no screen == Open with... ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    const QString photo = program.root() + QStringLiteral("/Docs/photo.jpg");
    const QString other = program.root() + QStringLiteral("/Apps/other.desktop");
    EXPECT_EQ(m_programs.take(), "viewer|--desk|" + photo.toStdString());
    EXPECT_EQ(program.storedStrings(list), "App0=" + m_viewer.toStdString() + " App1=" + other.toStdString());
    EXPECT_EQ(program.storedStrings(".jpg", Hive::ClassesRoot), "=jpgFile");
    EXPECT_EQ(program.storedStrings("jpgFile\\Shell\\Open\\Command", Hive::ClassesRoot), "=\"" + other.toStdString() + "\" %1");

    // Removing both programs leaves nothing to open with; Cancel keeps the emptied list, and the
    // type made above now opens the photo with the desktop entry.
    run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down\n"
        "key F1\nchoose Open\nchoose Open with...\n"
        "key F2\nchoose Remove from list...\n"
        "expect screen Are you sure you want to remove it?\n"
        "key F1\n"
        "key F2\nchoose Remove from list...\n"
        "key F1\n"
        "key F1\n"
        "expect screen Please select the application to use!\n"
        "key Enter\n"
        "key F2\nchoose Cancel\n"
        "expect no screen == Open with... ==\n"
        "key Enter\n"
        "wait idle\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(program.storedStrings(list), "");
    EXPECT_EQ(m_programs.take(), "viewer|--desk|" + photo.toStdString());
}

TEST_F(FileTypesScript, AFileWithoutExtensionLetsTheUserNameTheTypeToMake)
{
    program.registry("Software\\Corvane\\Fennick\\OpenWith", "App0", text(m_viewer));
    program.file("Docs/README", "words");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down Enter Down\n"                   // Docs opened, README
        "key F1\nchoose Open\nchoose Open with...\n"
        "key 5 F1\n"
        "expect screen == File type properties ==\n"
        "key Enter\n"                             // nothing to associate yet
        "expect screen You have not filled the file extension!\n"
        "key Enter\n"
        "type md\n"
        "key Enter\n"
        "wait idle\n"
        "expect no screen == Open with... ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(m_programs.take(), "viewer|" + (program.root() + QStringLiteral("/Docs/README")).toStdString());
    EXPECT_EQ(program.storedStrings(".md", Hive::ClassesRoot), "=mdFile");
}

}  // namespace
