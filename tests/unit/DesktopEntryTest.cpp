// Starting a ".desktop" program as the desktop does: its Exec line, quoting and field codes.
#include "open/DesktopEntry.h"

#include <gtest/gtest.h>

namespace {

TEST(DesktopEntry, TheExecLineBecomesTheProgramAndItsArguments)
{
    const QString file = QStringLiteral("/home/me/my notes.txt");
    // The expected words joined by "|"; FILE and URL stand for the file's path and URL.
    const struct {
        const char* exec;
        const char* expected;
    } cases[] = {
        {"editor %f", "editor|FILE"},
        {"editor %F", "editor|FILE"},
        {"editor --new %u", "editor|--new|URL"},
        {"editor %U --x", "editor|URL|--x"},
        {"editor", "editor|FILE"},                                  // no file code: the file is added
        {"editor --title=%c %f", "editor|--title=Note Editor|FILE"},
        {"editor %i %f", "editor|--icon|accessories-text-editor|FILE"},
        {"editor %k %f", "editor|/apps/editor.desktop|FILE"},
        {"editor 100%% %f", "editor|100%|FILE"},
        {"editor %d %D %n %N %v %m %f", "editor|FILE"},             // deprecated codes vanish
        {"\"/opt/my editor/bin\" \"%f\" %f", "/opt/my editor/bin|%f|FILE"},  // no codes in quotes
        {"sh -c \"echo \\\"\\$1\\\"\" %f", "sh|-c|echo \"$1\"|FILE"},
        {"editor\\s%f", "editor|FILE"},                           // "\s" is a blank in a value
        {"editor \"unterminated %f", ""},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.exec);
        DesktopEntry desktop;
        ASSERT_TRUE(desktop.parse(QByteArray("[Desktop Entry]\nName=Note Editor\nName[de]=Notizen\n"
                                             "Icon=accessories-text-editor\nExec=")
                                  + entry.exec + "\n"));
        const QString expected = QString::fromUtf8(entry.expected)
                                     .replace(QStringLiteral("FILE"), file)
                                     .replace(QStringLiteral("URL"), QStringLiteral("file:///home/me/my%20notes.txt"));
        EXPECT_EQ(desktop.command(file, QStringLiteral("/apps/editor.desktop")).join(u'|'), expected);
    }
}

TEST(DesktopEntry, OnlyTheDesktopEntryGroupCounts)
{
    DesktopEntry desktop;
    ASSERT_TRUE(desktop.parse("# comment\n[Desktop Action new]\nExec=wrong\nName=Wrong\n"
                              "[Desktop Entry]\nName=Viewer\nExec=viewer %f\n"));
    EXPECT_EQ(desktop.name(), QStringLiteral("Viewer"));
    EXPECT_EQ(desktop.exec(), QStringLiteral("viewer %f"));
    EXPECT_FALSE(desktop.parse("[Desktop Action new]\nExec=wrong\n"));
    EXPECT_FALSE(desktop.parse("[Desktop Entry]\nName=No program\n"));
    EXPECT_FALSE(desktop.parse(QByteArray("\x00\xff\xfe", 3)));
}

}  // namespace
