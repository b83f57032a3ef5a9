// Finding files as a person does it: Edit > Find..., the criteria, the results list and its
// menu, and back to the tree.
#include "ProgramFixture.h"
#include "Recorder.h"

#include "settings/RegKey.h"

namespace {

// A small tree with names that a search for "abc" finds, and some it must not.
void makeTree(ProgramFixture& program)
{
    program.folder("Docs/sub");
    program.folder("Docs/abcdir");
    program.folder(".hid");
    program.file("ABC.txt");
    program.file("Docs/xabcx");
    program.file("Docs/notes.txt");
    program.file("Docs/a1c");
    program.file("Docs/sub/abc.md");
    program.file("Docs/.abc_hidden");
    program.file(".hid/abc_in_hidden");
}

TEST(SearchScript, TheCriteriaAndResultsGoBackAndForthWithWhatWasTyped)
{
    ProgramFixture program;
    makeTree(program);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F2\nchoose Find...\n"
        "expect screen == Search criteria ==\n"
        "expect screen [choice] Folder '\\'\n"      // a file at the top: the root is the folder
        "key Enter\n"                               // nothing typed
        "expect screen Please set a search criteria!\n"
        "key Enter\n"
        "expect screen == Search criteria ==\n"
        "type abc\n"
        "key Enter\n"
        "wait idle\n"
        "expect screen Found 5 item(s)\n"
        "expect screen >   ABC.txt | \n"            // found in the root: an empty folder, first row current
        "expect screen xabcx | \\Docs\n"
        "expect screen abcdir | \\Docs\n"
        "expect screen abc.md | \\Docs\\sub\n"
        "expect screen abc_in_hidden | \\.hid\n"   // a hidden folder is searched...
        "expect no screen .abc_hidden\n"            // ...but a hidden item is not listed
        "expect no screen Searching...\n"
        "expect screen keys: [Done] [Menu]\n"
        "key F2\n"
        "expect screen > New search...\n"
        "choose Back to criteria...\n"
        "expect screen [edit] abc (focus)\n"        // shown without the stars it was searched with
        "type *abc*\n"                              // typed with stars: shown without them too
        "key Enter\nwait idle\n"
        "expect screen Found 5 item(s)\n"
        "key F2\nchoose Back to criteria...\n"
        "expect screen [edit] abc (focus)\n"
        "type *.txt\n"                              // a wildcard: used as typed
        "key Enter\nwait idle\n"
        "expect screen Found 2 item(s)\n"
        "expect screen notes.txt | \\Docs\n"
        "key F2\nchoose Back to criteria...\n"
        "expect screen [edit] *.txt (focus)\n"
        "type *a?c*\n"                              // "?" between stars is a wildcard too
        "key Enter\nwait idle\n"
        "expect screen a1c | \\Docs\n"
        "expect screen Found 6 item(s)\n"
        "key F2\nchoose Back to criteria...\n"
        "key Down Down Down Right\n"                // tick "Search hidden files/folders"
        "expect screen [x] Search hidden files/folders (focus)\n"
        "key Up Up Up\n"
        "type abc\n"
        "key Enter\nwait idle\n"
        "expect screen .abc_hidden | \\Docs\n"
        "expect screen Found 6 item(s)\n"
        "key Escape\n"                              // Back does nothing here
        "expect screen == Search results ==\n"
        "key F2\nchoose Back to criteria...\n"
        "type zzz\n"
        "key Enter\nwait idle\n"
        "expect screen Found 0 item(s)\n"
        "key Enter\n"                               // no row: the action key goes back as it was
        "expect screen [edit] *zzz* (focus)\n"
        "key Enter\nwait idle\n"
        "key F1\n"                                  // Done
        "expect screen == Fennick ==\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

TEST(SearchScript, ThePlaceIsTheCurrentFolderOrTheWholePhoneAndNewSearchKeepsIt)
{
    ProgramFixture program;
    makeTree(program);
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key Down\n"                                // Docs, a folder: it is the place
        "key F2\nchoose Find...\n"
        "expect screen [choice] Folder 'Docs'\n"
        "type abc\n"
        "key Enter\nwait idle\n"
        "expect screen Found 3 item(s)\n"
        "expect no screen ABC.txt\n"
        "key F2\nchoose New search...\n"
        "expect screen [edit]  (focus)\n"
        "key Down Left\n"                           // the whole phone
        "expect screen [choice] Phone content (focus)\n"
        "key Down Down Down Left\n"                 // clear "Include subfolders"
        "expect screen [ ] Include subfolders (focus)\n"
        "key Up Up Up Up\n"
        "type abc\n"
        "key Enter\nwait idle\n"
        "expect screen abc.md | \\Docs\\sub\n"      // every folder all the same
        "expect screen Found 5 item(s)\n"
        "key F2\nchoose New search...\n"
        "expect screen [choice] Phone content\n"    // the place stays
        "expect screen [x] Include subfolders\n"    // the options start again
        "key F2\n"));                               // Cancel: back to the tree
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
}

TEST(SearchScript, AFolderRowIsRevealedInTheTreeAndAFileRowIsOpenedWhileTheResultsStay)
{
    ProgramFixture program;
    makeTree(program);
    // Files of type ".pic" open with a program that writes down what it was given; nothing
    // else opens anything.
    Recorder programs{program.path(QStringLiteral("bin"))};
    const QString recorder = programs.program("recorder");
    program.environment(QStringLiteral("FENNICK_OPENER"), programs.program("opener"));
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"})
        program.environment(QString::fromUtf8(variable), program.path(QStringLiteral("xdg")));
    const auto text = [](const QString& value) { return platform::RegValue{platform::RegType::String, RegKey::encodeString(value)}; };
    program.registry(".pic", "", text(QStringLiteral("PicFile")), platform::Hive::ClassesRoot);
    program.registry("PicFile\\Shell\\Open\\Command", "", text(u'"' + recorder + QStringLiteral("\" %1")),
                     platform::Hive::ClassesRoot);
    program.file("Docs/sub/xabcx photo.pic", "picture");
    // Rows come in the order the disk lists them: each search here finds one row, which is
    // current once the search is done.
    const ProgramRun run = program.play(QStringLiteral(
        "wait idle\n"
        "key F2\nchoose Find...\n"
        "type abcdir\n"
        "key Enter\nwait idle\n"
        "expect screen >   abcdir | \\Docs\n"
        "key Enter\n"                               // the action key reveals a folder
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "expect screen >     abcdir\n"              // current, under the opened Docs
        "key F2\nchoose Find...\n"
        "expect screen [choice] Folder 'abcdir'\n"
        "key Down Left Up\n"                        // the whole phone
        "type *photo.pic\n"
        "key Enter\nwait idle\n"
        "key F2\nchoose Open / Execute\n"           // a file is opened, and the results stay
        "wait idle\n"
        "expect screen == Search results ==\n"
        "expect screen >   xabcx photo.pic | \\Docs\\sub\n"
        "key F2\nchoose Back to criteria...\n"
        "type xabc?\n"                              // a file nothing opens: told over the results
        "key Enter\nwait idle\n"
        "key Enter\n"                               // the action key opens the current row
        "wait idle\n"
        "expect screen Unable to open the file. The system returned the error 'File association not available'!\n"
        "key Enter\n"
        "expect screen == Search results ==\n"
        "key F2\nchoose Back to criteria...\n"
        "type abcdir\n"
        "key Enter\nwait idle\n"
        "key F2\nchoose Open / Execute\n"           // a folder row: revealed, as with Reveal
        "wait idle\n"
        "expect screen == Fennick ==\n"
        "expect screen >     abcdir\n"
        "key F2\nchoose Find...\n"
        "key Down Left Up\n"
        "type abc_in\n"
        "key Enter\nwait idle\n"
        "key F2\nchoose Reveal in tree\n"
        "wait idle\n"
        // The tree does not show hidden folders, so it cannot show what is in them: it says so.
        "expect screen Unable to reveal this items in the tree view. Item not found!\n"
        "key Enter\n"
        "expect screen == Fennick ==\n"
        "key F2\nchoose Find...\n"
        "key Down Left Up\n"
        "type ABC.txt\n"
        "key Enter\nwait idle\n"
        "key F2\nchoose Reveal in tree\n"         // a file in the root is "\\ABC.txt"
        "wait idle\n"
        "expect screen >   ABC.txt\n"));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    EXPECT_EQ(programs.take(), "recorder|" + (program.root() + QStringLiteral("/Docs/sub/xabcx photo.pic")).toStdString());
}

}  // namespace
