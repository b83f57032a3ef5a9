// The icons a program module offers, read from files the user names in the file type pages.
#include "filetypes/ModuleIcons.h"
#include "open/DesktopEntry.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// A named pipe in place of a module, of a desktop entry or of the icon file an entry names
// would hold the window in its open until a writer came; each is passed over instead.
TEST(ModuleIcons, PipesInPlaceOfAModuleAnEntryOrItsIconAreNeverWaitedOn)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto path = [&](const char* name) { return folder.filePath(QString::fromUtf8(name)); };
    for (const char* name : {"tool.exe", "viewer.desktop", "icon.png"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(path(name)).constData(), 0644), 0) << name;
    QFile entry(path("editor.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(QByteArray("[Desktop Entry]\nName=Editor\nExec=editor %f\nIcon=") + QFile::encodeName(path("icon.png")) + "\n");
    entry.close();

    EXPECT_TRUE(ModuleIcons::load(path("tool.exe")).isEmpty());
    DesktopEntry viewer;
    EXPECT_FALSE(viewer.load(path("viewer.desktop")));
    DesktopEntry editor;
    ASSERT_TRUE(editor.load(path("editor.desktop")));
    // The entry itself is read; its icon, a pipe, gives way to the icon of its type.
    const QList<ModuleIcons::Icon> icons = ModuleIcons::load(path("editor.desktop"));
    ASSERT_EQ(icons.size(), 1);
    EXPECT_EQ(icons.front().number, 1);
}

}  // namespace
