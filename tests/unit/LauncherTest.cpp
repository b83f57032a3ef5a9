// Opening files and running commands: which program starts with which arguments, and which of
// the shell's codes a failure gets. Every program here is a recorder, the desktop opener too.
#include "OrdinaryUser.h"
#include "Recorder.h"
#include "TemporaryRegistry.h"

#include "fileops/ShortcutFile.h"
#include "open/Launcher.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings/RegKey.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        for (const char* folder : {"root/Docs", "xdg/config", "xdg/data/applications"})
            ASSERT_TRUE(QDir(m_folder.path()).mkpath(QString::fromUtf8(folder)));
        m_recorder = m_programs.program("recorder");
        m_opener = m_programs.program("opener");
        qputenv("FENNICK_OPENER", QFile::encodeName(m_opener));
        // A desktop of the test's own, where plain text has a default application and
        // nothing else has one.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral("xdg/config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_folder.filePath(QStringLiteral("xdg/config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral("xdg/data"))));
        // Images are named for an application whose program is gone, PDF files for one that
        // runs in a terminal.
        write("xdg/config/mimeapps.list",
              "[Default Applications]\ntext/plain=viewer.desktop;\nimage/png=gone.desktop;\napplication/pdf=console.desktop;\n");
        application("viewer.desktop", "Exec=" + QFile::encodeName(m_recorder) + " %f\n");
        application("gone.desktop", "Exec=/no/such/program %f\n");
        application("console.desktop", "Exec=" + QFile::encodeName(m_recorder) + " %f\nTerminal=true\n");
        qputenv("TERMINAL", "/no/such/terminal");
    }
    void TearDown() override
    {
        for (const char* name : {"FENNICK_OPENER", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "TERMINAL"})
            qunsetenv(name);
    }

    QString path(const char* relative) const { return m_folder.filePath(QString::fromUtf8(relative)); }
    void write(const char* relative, const QByteArray& content)
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative;
        file.write(content);
    }
    void application(const char* id, const QByteArray& lines)
    {
        write((QByteArray("xdg/data/applications/") + id).constData(), "[Desktop Entry]\nType=Application\nName=App\n" + lines);
    }
    void associate(const char* extension, const QString& command)
    {
        const QString type = QStringLiteral("Type") + QString::fromUtf8(extension);
        ASSERT_TRUE(RegKey(platform::Hive::ClassesRoot, QString::fromUtf8(extension)).writeString(QStringLiteral(""), type));
        ASSERT_TRUE(RegKey(platform::Hive::ClassesRoot, type + QStringLiteral("\\Shell\\Open\\Command"))
                        .writeString(QStringLiteral(""), command));
    }

    QTemporaryDir m_folder;
    TemporaryRegistry m_registry;
    Recorder m_programs{m_folder.filePath(QStringLiteral("bin"))};
    QString m_recorder;
    QString m_opener;
    platform::LinuxFileSystem m_fileSystem{platform::PathMapper(QFile::encodeName(m_folder.filePath(QStringLiteral("root"))))};
};

TEST_F(LauncherTest, EachKindOfItemStartsTheRightProgramWithTheRightArguments)
{
    const QString root = path("root");
    write("root/Docs/notes one.txt", "plain words\n");
    write("root/Docs/photo.pic", "ignored");
    write("root/Docs/to notes.lnk", ShortcutFile::encode(QStringLiteral("\"\\Docs\\notes one.txt\" -x")));
    write("root/Docs/tool", "#!/bin/sh\n");
    QFile(root + QStringLiteral("/Docs/tool")).remove();
    QFile::copy(m_recorder, root + QStringLiteral("/Docs/tool"));
    associate(".pic", u'"' + m_recorder + QStringLiteral("\" --show \"%1\" --end"));
    const struct {
        const char* what;
        QString file;
        QString parameters;
        QStringList started;
    } cases[] = {
        {"a type of ours: its command, the path as one word", QStringLiteral("\\Docs\\photo.pic"), QStringLiteral("'p q'"),
         {QStringLiteral("recorder"), QStringLiteral("--show"), root + QStringLiteral("/Docs/photo.pic"), QStringLiteral("--end"),
          QStringLiteral("p q")}},
        {"any other type: the desktop opener", QStringLiteral("\\Docs\\notes one.txt"), QString(),
         {QStringLiteral("opener"), root + QStringLiteral("/Docs/notes one.txt")}},
        {"a shortcut: its target, with the shortcut's arguments", QStringLiteral("\\Docs\\to notes.lnk"), QString(),
         {QStringLiteral("opener"), root + QStringLiteral("/Docs/notes one.txt"), QStringLiteral("-x")}},
        {"a program file runs", QStringLiteral("\\Docs\\tool"), QStringLiteral("a \"b c\""),
         {QStringLiteral("tool"), QStringLiteral("a"), QStringLiteral("b c")}},
        {"a host path runs", m_recorder, QStringLiteral("$HOME"), {QStringLiteral("recorder"), QStringLiteral("$HOME")}},
        {"a folder goes to the desktop", QStringLiteral("\\Docs"), QString(), {QStringLiteral("opener"), root + QStringLiteral("/Docs")}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        Launcher launcher(m_fileSystem);
        ASSERT_EQ(launcher.start(entry.file, entry.parameters), Launcher::Started);
        EXPECT_EQ(m_programs.take(), entry.started.join(u'|').toStdString());
    }

    // A program's name is found on PATH, as a shell finds it.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(this->path("bin")) + ':' + path);
    EXPECT_EQ(Launcher(m_fileSystem).start(QStringLiteral("recorder"), QStringLiteral("1 2")), Launcher::Started);
    qputenv("PATH", path);
    EXPECT_EQ(m_programs.take(), "recorder|1|2");
}

TEST_F(LauncherTest, FailuresGetTheShellsCodesAndStartNothing)
{
    write("root/Docs/data.bin", QByteArray("\x00\x01\x02\xff", 4));
    write("root/Docs/broken.lnk", "99#\"\\Docs\\gone.txt\"");
    write("root/Docs/loop.lnk", ShortcutFile::encode(QStringLiteral("\"\\Docs\\loop.lnk\"")));
    write("root/Docs/dead.lnk", ShortcutFile::encode(QStringLiteral("\"\\Docs\\gone.txt\"")));
    write("root/Docs/a.odd", "x");
    write("root/Docs/picture.png", "x");
    write("root/Docs/paper.pdf", "x");
    write("root/Docs/a.mute", "x");
    associate(".odd", QStringLiteral("/no/such/viewer %1"));
    associate(".mute", path("root/Docs/data.bin") + QStringLiteral(" %1"));
    const struct {
        const char* what;
        QString file;
        int code;
    } cases[] = {
        {"a missing file", QStringLiteral("\\Docs\\gone.txt"), Launcher::FileNotFound},
        {"a missing folder on the way", QStringLiteral("\\Gone\\a.txt"), Launcher::PathNotFound},
        {"a type nothing opens", QStringLiteral("\\Docs\\data.bin"), Launcher::NoAssociation},
        {"a type whose application's program is gone", QStringLiteral("\\Docs\\picture.png"), Launcher::NoAssociation},
        {"a type whose application needs a terminal there is not", QStringLiteral("\\Docs\\paper.pdf"),
         Launcher::NoAssociation},
        {"a damaged shortcut", QStringLiteral("\\Docs\\broken.lnk"), Launcher::FileNotFound},
        {"a shortcut to nothing", QStringLiteral("\\Docs\\dead.lnk"), Launcher::FileNotFound},
        {"a loop of shortcuts", QStringLiteral("\\Docs\\loop.lnk"), Launcher::FileNotFound},
        {"a type whose program is gone", QStringLiteral("\\Docs\\a.odd"), Launcher::PathNotFound},
        {"a program name found nowhere", QStringLiteral("no-such-program-anywhere"), Launcher::FileNotFound},
        {"a type whose program may not run", QStringLiteral("\\Docs\\a.mute"), Launcher::AccessDenied},
        {"an empty command", QString(), Launcher::FileNotFound},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        EXPECT_EQ(Launcher(m_fileSystem).start(entry.file, QString()), entry.code);
    }
    // With a terminal, the terminal program opens it.
    qputenv("TERMINAL", QFile::encodeName(m_recorder));
    EXPECT_EQ(Launcher(m_fileSystem).start(QStringLiteral("\\Docs\\paper.pdf"), QString()), Launcher::Started);
    EXPECT_EQ(m_programs.take(), "opener|" + QFile::encodeName(path("root/Docs/paper.pdf")).toStdString());
    // Without a desktop opener nothing can open a file that has no type of ours.
    qputenv("FENNICK_OPENER", "/no/such/opener");
    EXPECT_EQ(Launcher(m_fileSystem).start(QStringLiteral("\\Docs\\data.bin"), QString()), Launcher::NoAssociation);
    EXPECT_FALSE(m_programs.started());
    // Looking for a type leaves no empty key behind for the file type list to show.
    platform::RegistryStore::KeyId key = 0;
    EXPECT_FALSE(RegKey::store()->openKey(platform::Hive::ClassesRoot, QStringLiteral(".bin"), false, key));
    EXPECT_EQ(Launcher::codeText(Launcher::NoAssociation), QStringLiteral("File association not available"));
    EXPECT_EQ(Launcher::codeText(0), QStringLiteral("Unknown error"));
    EXPECT_EQ(Launcher::codeText(1234), QStringLiteral("Unknown error"));
}

TEST_F(LauncherTest, AFileTheUserMayNotReadIsDenied)
{
    write("root/Docs/secret.txt", "secret");
    QFile(path("root/Docs/secret.txt")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(path("root/Private"));
    QFile(path("root/Private")).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const char* dir : {"", "root", "root/Docs"})
        QFile(path(dir)).setPermissions(QFile::Permissions(0x7755));
    const int code = OrdinaryUser::run([this] {
        const int secret = Launcher(m_fileSystem).start(QStringLiteral("\\Docs\\secret.txt"), QString());
        const int inside = Launcher(m_fileSystem).start(QStringLiteral("\\Private\\a.txt"), QString());
        return secret == Launcher::AccessDenied && inside == Launcher::AccessDenied ? 0 : 1;
    });
    if (code == OrdinaryUser::Unavailable)
        GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(code, 0);
}

TEST_F(LauncherTest, OpenWithStartsTheChosenProgramOrDesktopEntryWithTheFile)
{
    const QString root = path("root");
    write("root/Docs/my notes.txt", "words");
    write("root/Docs/a.pic", "picture");
    QFile::copy(m_recorder, root + QStringLiteral("/Docs/tool"));
    write("root/Docs/viewer.desktop",
          "[Desktop Entry]\nName=Viewer\nExec=" + QFile::encodeName(m_recorder) + " --view %U\n");
    write("root/Docs/broken.desktop", "[Desktop Entry]\nName=Nothing to run\n");
    // A type whose program is a desktop entry, named by its phone path.
    associate(".pic", QStringLiteral("\"\\Docs\\viewer.desktop\" %1"));
    const QString notes = root + QStringLiteral("/Docs/my notes.txt");
    const struct {
        const char* what;
        QString program;
        QString file;
        int code;
        std::string started;
    } cases[] = {
        {"a program by its host path", m_recorder, QStringLiteral("\\Docs\\my notes.txt"), Launcher::Started,
         "recorder|" + notes.toStdString()},
        {"a program by its phone path", QStringLiteral("\\Docs\\tool"), notes, Launcher::Started, "tool|" + notes.toStdString()},
        {"a desktop entry", QStringLiteral("\\Docs\\viewer.desktop"), QStringLiteral("\\Docs\\my notes.txt"),
         Launcher::Started, "recorder|--view|file://" + QUrl::fromLocalFile(notes).path(QUrl::FullyEncoded).toStdString()},
        {"a desktop entry without Exec", QStringLiteral("\\Docs\\broken.desktop"), notes, Launcher::AccessDenied, ""},
        {"a program that is gone", QStringLiteral("\\Docs\\gone"), notes, Launcher::FileNotFound, ""},
        {"a desktop entry that is gone", QStringLiteral("\\Gone\\x.desktop"), notes, Launcher::PathNotFound, ""},
        {"no program", QString(), notes, Launcher::FileNotFound, ""},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        EXPECT_EQ(Launcher(m_fileSystem).startWith(entry.program, entry.file), entry.code);
        if (entry.code == Launcher::Started) {
            EXPECT_EQ(m_programs.take(), entry.started);
        }
    }
    EXPECT_FALSE(m_programs.started());
    ASSERT_EQ(Launcher(m_fileSystem).start(QStringLiteral("\\Docs\\a.pic"), QString()), Launcher::Started);
    EXPECT_EQ(m_programs.take(), "recorder|--view|file://" + (root + QStringLiteral("/Docs/a.pic")).toStdString());
}

}  // namespace
