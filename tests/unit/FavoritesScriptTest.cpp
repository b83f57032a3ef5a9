// Favorites as a person keeps them: added from the Edit menu, listed with key 8, moved and
// removed from the list's menu, gone to; the registry checked after each run.
#include "ProgramFixture.h"
#include "Recorder.h"

#include "settings/RegKey.h"

namespace {

platform::RegValue text(const QString& value) { return {platform::RegType::String, RegKey::encodeString(value)}; }

TEST(FavoritesScript, AddedPlacesAreListedMovedRemovedAndGoneTo)
{
    ProgramFixture program;
    Recorder programs(program.path(QStringLiteral("bin")));
    program.folder("Docs");
    program.folder("Music");
    program.file("Docs/a.pic", "picture");
    program.registry(".pic", "", text(QStringLiteral("PicFile")), platform::Hive::ClassesRoot);
    program.registry("PicFile\\Shell\\Open\\Command", "", text(programs.program("viewer") + QStringLiteral(" %1")),
                     platform::Hive::ClassesRoot);
    // A favorite whose place is gone is not listed but stays stored with its number.
    program.registry("Software\\Corvane\\Fennick\\Favorites", "Favorite0", text(QStringLiteral("\\Gone")));
    program.registry("Software\\Corvane\\Fennick\\Favorites", "Favorite1", text(QStringLiteral("\\Docs\\a.pic")));
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F2\nchoose Favorites\nchoose Add current file/folder\n"    // Docs
        "key Down\n"
        "key F2\nchoose Favorites\nchoose Add current file/folder\n"    // Music
        "key 8\n"
        "expect screen == Favorites ==\n"
        "expect no screen Gone\n"
        "key Down\n"                              // Docs, below a.pic
        "key F2\nchoose Move up\n"
        "key F2\nchoose Remove from list...\n"
        "expect screen Are you sure you want to remove this favorite?\n"
        "key F1\n"                                // Yes: a.pic takes the first row
        "expect no screen Docs | \\Docs\n"
        "key F1\n"                                // Go to: the file opens with its program
        "wait idle\n"
        "expect no screen == Favorites ==\n"
        "key Up\n"                                // away from Music
        "key 8 Down Enter\n"                      // Music: the action key goes to it too
        "wait idle\n"
        "expect no screen == Favorites ==\n"
        "dump\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(program.storedStrings("Software\\Corvane\\Fennick\\Favorites"),
              "Favorite0=\\Gone Favorite1=\\Docs\\a.pic Favorite2=\\Music");
    EXPECT_TRUE(run.out.contains(QStringLiteral(">   Music"))) << run.out.toStdString();  // gone to
    EXPECT_EQ(programs.take(), "viewer|" + (program.root() + QStringLiteral("/Docs/a.pic")).toStdString());
}

TEST(FavoritesScript, GoToWithoutFavoritesSaysSoAndStays)
{
    ProgramFixture program;
    program.folder("Docs");
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key 8\n"
        "key F1\n"
        "expect screen Please select a favorite to got to!\n"
        "key Enter\n"
        "expect screen == Favorites ==\n"
        "key F2\nchoose Cancel\n"
        "expect no screen == Favorites ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

}  // namespace
