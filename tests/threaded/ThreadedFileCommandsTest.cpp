// Copy, cut, paste and delete as a user runs them from the menus, against a temporary root on
// the real disk, with links, case twins and injected faults; every check is made on the disk.
// Paste, delete and measuring run on worker threads, hence this binary.
#include "FaultyFileSystem.h"
#include "TemporaryRegistry.h"

#include "app/MainFrame.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/JobDialog.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "settings/RegKey.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Call = FaultyFileSystem::Call;
using platform::FsError;

// One world of files with a main window over it; a fresh one for each case.
class World {
public:
    World()
    {
        EXPECT_TRUE(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("root"));
        QDir(m_folder.path()).mkpath(QStringLiteral("outside"));
        EXPECT_TRUE(m_registry.isOpen());
        TestDialogs::reset();
    }
    ~World()
    {
        m_frame.reset();
        TestDialogs::reset();
    }
    // Opens the window once the files are made.
    void open()
    {
        fileSystem = std::make_unique<FaultyFileSystem>(QFile::encodeName(root()));
        m_frame = std::make_unique<MainFrame>(*fileSystem);
        ASSERT_TRUE(m_frame->create());
        m_frame->resize(240, 320);
    }

    QString root() const { return m_folder.filePath(QStringLiteral("root")); }
    QString outside() const { return m_folder.filePath(QStringLiteral("outside")); }
    QByteArray host(const char* relative) const { return QFile::encodeName(root() + u'/' + QString::fromUtf8(relative)); }

    void folder(const char* relative) { QDir(root()).mkpath(QString::fromUtf8(relative)); }
    void file(const char* relative, const QByteArray& content = "x")
    {
        QFile out(QFile::decodeName(host(relative)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << relative;
        out.write(content);
    }
    void link(const char* relative, const QByteArray& target)
    {
        ASSERT_EQ(::symlink(target.constData(), host(relative).constData()), 0) << relative;
    }

    bool present(const char* relative) const
    {
        struct stat status;
        return ::lstat(host(relative).constData(), &status) == 0;
    }
    bool isLink(const char* relative) const
    {
        struct stat status;
        return ::lstat(host(relative).constData(), &status) == 0 && S_ISLNK(status.st_mode);
    }
    QByteArray linkText(const char* relative) const
    {
        char text[4096];
        const ssize_t length = ::readlink(host(relative).constData(), text, sizeof text);
        return length < 0 ? QByteArray("<no link>") : QByteArray(text, static_cast<qsizetype>(length));
    }
    QByteArray content(const char* relative) const
    {
        QFile in(QFile::decodeName(host(relative)));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<unreadable>");
    }

    // Makes the item at a phone path current, as revealing it does.
    void goTo(const QString& path)
    {
        m_frame->reveal(path);
        ASSERT_EQ(m_frame->tree()->fullPathOf(m_frame->tree()->currentNode()), path);
    }
    void select(const QString& path)
    {
        goTo(path);
        m_frame->dispatch(Cmd::SelectItem);
    }
    // Runs a command with the answers its dialogs will get, in order. A dialog beyond them is
    // recorded and closed, so that a wrong guess fails the test instead of hanging it.
    void command(int id, std::initializer_list<int> answers = {})
    {
        for (int answer : answers)
            TestDialogs::answerNext(answer);
        QTimer watchdog;
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            auto* dialog = qobject_cast<DialogFrame*>(QApplication::activeModalWidget());
            if (dialog && dialog->isRunning() && !qobject_cast<JobDialog*>(dialog)) {
                ADD_FAILURE() << "unexpected dialog: " << dialog->windowTitle().toStdString();
                dialog->end(Cmd::Cancel);
            }
        });
        watchdog.start(200);
        m_frame->dispatch(id);
        EXPECT_EQ(TestDialogs::pendingAnswers(), 0) << "dialogs that never came";
        while (TestDialogs::pendingAnswers() > 0)
            (void)TestDialogs::takeAnswer();
    }
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const TestDialogs::Shown& shown : TestDialogs::shownHistory())
            if (shown.dialogId == 0 || shown.dialogId == 131)
                texts << (shown.text.isEmpty() ? shown.caption : shown.text);
        return texts;
    }
    const Selection& selection() const { return m_frame->selection(); }
    MainFrame& frame() { return *m_frame; }

    std::unique_ptr<FaultyFileSystem> fileSystem;

private:
    QTemporaryDir m_folder;
    TemporaryRegistry m_registry;
    std::unique_ptr<MainFrame> m_frame;
};

// The links every case below starts from: to a file, to a folder inside the root, to one
// outside it, to the folder that holds the link (".") and to nothing.
void makeLinks(World& world)
{
    world.folder("Data/Sub");
    world.file("Data/f.txt", "file");
    world.file("Data/Sub/inner.txt", "inner");
    world.folder("Links");
    world.link("Links/toFile", "../Data/f.txt");
    world.link("Links/toFolder", "../Data/Sub");
    world.link("Links/toOutside", QFile::encodeName(world.outside()));
    world.link("Links/toDot", ".");
    world.link("Links/dangling", "nowhere");
    world.folder("Dst");
    QFile keep(world.outside() + QStringLiteral("/keep.txt"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("outside");
}

// What a link points at is never touched through it.
void expectTargetsWhole(const World& world)
{
    EXPECT_EQ(world.content("Data/f.txt"), QByteArray("file"));
    EXPECT_EQ(world.content("Data/Sub/inner.txt"), QByteArray("inner"));
    QFile keep(world.outside() + QStringLiteral("/keep.txt"));
    EXPECT_TRUE(keep.exists());
}

const char* const LinkNames[] = {"toFile", "toFolder", "toOutside", "toDot", "dangling"};
const QByteArray LinkTexts[] = {"../Data/f.txt", "../Data/Sub", QByteArray(), ".", "nowhere"};

TEST(ThreadedFileCommands, ALinkIsOneItemWhereverItIsAndWhateverItPointsAt)
{
    enum Way { DeleteAsCurrent, DeleteInSelection, DeleteItsFolder, Cut, Copy, CutItsFolder };
    for (const Way way : {DeleteAsCurrent, DeleteInSelection, DeleteItsFolder, Cut, Copy, CutItsFolder}) {
        World world;
        makeLinks(world);
        world.open();
        const auto phone = [](const char* name) { return QStringLiteral("\\Links\\") + QString::fromUtf8(name); };
        switch (way) {
        case DeleteAsCurrent:
            for (const char* name : LinkNames) {
                world.goTo(phone(name));
                world.command(Cmd::DeleteCurrent, {Cmd::Yes});
            }
            break;
        case DeleteInSelection:
            for (const char* name : LinkNames)
                world.select(phone(name));
            world.command(Cmd::DeleteSelection, {Cmd::Ok});
            break;
        case DeleteItsFolder:
            world.goTo(QStringLiteral("\\Links"));
            world.command(Cmd::DeleteCurrent, {Cmd::Yes});
            break;
        case Cut:
        case Copy:
            for (const char* name : LinkNames)
                world.select(phone(name));
            world.command(way == Cut ? Cmd::CutSelection : Cmd::CopySelection);
            world.goTo(QStringLiteral("\\Dst"));
            world.command(Cmd::PasteSelection);
            break;
        case CutItsFolder:
            world.select(QStringLiteral("\\Links"));
            world.command(Cmd::CutSelection);
            world.goTo(QStringLiteral("\\Dst"));
            world.command(Cmd::PasteSelection);
            break;
        }
        SCOPED_TRACE(static_cast<int>(way));
        EXPECT_EQ(world.shownTexts().filter(QStringLiteral("Unable")), QStringList());
        expectTargetsWhole(world);
        EXPECT_TRUE(world.present("Data/Sub"));
        for (size_t i = 0; i < std::size(LinkNames); ++i) {
            const QByteArray name = LinkNames[i];
            const QByteArray text = LinkTexts[i].isNull() ? QFile::encodeName(world.outside()) : LinkTexts[i];
            const bool moved = way == Cut || way == CutItsFolder;
            const bool kept = way == Copy;
            EXPECT_EQ(world.isLink("Links/" + name), kept) << name.constData();
            if (moved || kept) {
                const QByteArray at = way == CutItsFolder ? "Dst/Links/" + name : "Dst/" + name;
                EXPECT_TRUE(world.isLink(at)) << at.constData();
                EXPECT_EQ(world.linkText(at), text) << at.constData();
            }
        }
        EXPECT_EQ(world.present("Links"), way != DeleteItsFolder && way != CutItsFolder);
    }
}

TEST(ThreadedFileCommands, ALinkToAFolderIsAPlaceToPasteIntoButNotAWayIntoTheSelection)
{
    World world;
    makeLinks(world);
    world.open();
    world.select(QStringLiteral("\\Data\\f.txt"));
    world.command(Cmd::CopySelection);
    world.goTo(QStringLiteral("\\Links\\toFolder"));
    world.command(Cmd::PasteSelection);
    EXPECT_EQ(world.content("Data/Sub/f.txt"), QByteArray("file"));

    // \Data selected and pasted into a link that leads inside it: refused before anything is
    // done, however the path reads.
    world.command(Cmd::ClearSelection);
    world.select(QStringLiteral("\\Data"));
    world.command(Cmd::CopySelection);
    world.goTo(QStringLiteral("\\Links\\toFolder"));
    world.command(Cmd::PasteSelection, {Cmd::Ok});
    EXPECT_EQ(world.shownTexts().last(), QStringLiteral("You can't paste an item within itself!"));
    EXPECT_FALSE(world.present("Data/Sub/Data"));
}

TEST(ThreadedFileCommands, CuttingAFileOntoALinkBackToItKeepsTheData)
{
    World world;
    world.folder("Data");
    world.file("Data/f.txt", "only copy");
    world.folder("Back");
    world.link("Back/f.txt", "../Data/f.txt");
    world.folder("Data2");
    world.file("Data2/g.txt", "g");
    world.link("Via", "Data2");
    world.open();
    world.select(QStringLiteral("\\Data\\f.txt"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Back"));
    world.command(Cmd::PasteSelection, {Cmd::Yes});  // overwrite the link
    EXPECT_FALSE(world.present("Data/f.txt"));
    EXPECT_FALSE(world.isLink("Back/f.txt"));
    EXPECT_EQ(world.content("Back/f.txt"), QByteArray("only copy"));

    // And cutting into the folder the file is in, reached through a link, is the same folder.
    world.command(Cmd::ClearSelection);
    world.select(QStringLiteral("\\Data2\\g.txt"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Via"));
    world.command(Cmd::PasteSelection, {Cmd::Ok});
    EXPECT_EQ(world.shownTexts().last(), QStringLiteral("Source and destination are the same!"));
    EXPECT_EQ(world.content("Data2/g.txt"), QByteArray("g"));
}

TEST(ThreadedFileCommands, CaseTwinsAreTwoItems)
{
    World world;
    world.folder("One");
    world.file("One/A.txt", "upper");
    world.folder("Two");
    world.file("Two/a.txt", "lower");
    world.folder("Src/Docs");
    world.file("Src/Docs/a.txt", "new");
    world.folder("Dst/Docs");
    world.file("Dst/Docs/A.txt", "kept");
    world.folder("Twins");
    world.file("Twins/A.txt", "A");
    world.file("Twins/a.txt", "a");
    world.open();

    // Pasted into one folder, neither replaces the other, and nothing is asked.
    world.select(QStringLiteral("\\One\\A.txt"));
    world.select(QStringLiteral("\\Two\\a.txt"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Dst"));
    world.command(Cmd::PasteSelection);
    EXPECT_EQ(world.content("Dst/A.txt"), QByteArray("upper"));
    EXPECT_EQ(world.content("Dst/a.txt"), QByteArray("lower"));

    // A merge adds a.txt beside A.txt.
    world.select(QStringLiteral("\\Src\\Docs"));
    world.command(Cmd::CopySelection);
    world.goTo(QStringLiteral("\\Dst"));
    world.command(Cmd::PasteSelection, {Cmd::Yes});
    EXPECT_EQ(world.content("Dst/Docs/A.txt"), QByteArray("kept"));
    EXPECT_EQ(world.content("Dst/Docs/a.txt"), QByteArray("new"));

    // Deselecting one twin leaves the other selected; deleting the selection spares it.
    world.command(Cmd::ClearSelection);
    world.select(QStringLiteral("\\Twins\\A.txt"));
    world.select(QStringLiteral("\\Twins\\a.txt"));
    world.select(QStringLiteral("\\Twins\\a.txt"));  // deselects a.txt only
    ASSERT_EQ(world.selection().count(), 1);
    world.command(Cmd::DeleteSelection, {Cmd::Ok});
    EXPECT_FALSE(world.present("Twins/A.txt"));
    EXPECT_EQ(world.content("Twins/a.txt"), QByteArray("a"));
}

TEST(ThreadedFileCommands, AFolderThatCannotBeListedStopsTheWalkAndIsNamed)
{
    for (const bool cut : {false, true}) {
        World world;
        world.folder("Src/Tree/Deep/Deeper");
        world.file("Src/Tree/a.txt", "a");
        world.file("Src/Tree/Deep/Deeper/z.txt", "z");
        world.folder("Dst");
        world.open();
        world.select(QStringLiteral("\\Src\\Tree"));
        world.fileSystem->fault = [](Call call, const QString& path) {
            return call == Call::List && path == u"\\Src\\Tree\\Deep\\Deeper" ? FsError::AccessDenied : FsError::None;
        };
        world.command(cut ? Cmd::CutSelection : Cmd::CopySelection);
        world.goTo(QStringLiteral("\\Dst"));
        world.command(Cmd::PasteSelection, {Cmd::Ok, Cmd::Ok});
        const QStringList texts = world.shownTexts();
        ASSERT_EQ(texts.size(), 2) << texts.join(u'|').toStdString();
        EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Unable to list folder '\\Src\\Tree\\Deep\\Deeper'!")));
        EXPECT_TRUE(texts[0].contains(QStringLiteral("Permission denied")));
        EXPECT_TRUE(texts[1].startsWith(cut ? QStringLiteral("Unable to cut and paste folder '\\Src\\Tree'!")
                                            : QStringLiteral("Unable to copy folder '\\Src\\Tree'!")));
        EXPECT_EQ(world.content("Src/Tree/Deep/Deeper/z.txt"), QByteArray("z"));  // nothing deleted
        EXPECT_EQ(world.selection().count(), 1);

        // Deleting meets the same folder: the tree stays with what was not reached.
        world.goTo(QStringLiteral("\\Src\\Tree"));
        world.command(Cmd::DeleteCurrent, {Cmd::Yes, Cmd::Ok, Cmd::Ok});
        EXPECT_TRUE(world.shownTexts().last().startsWith(QStringLiteral("Unable to delete file '\\Src\\Tree'!")));
        EXPECT_EQ(world.content("Src/Tree/Deep/Deeper/z.txt"), QByteArray("z"));
    }
}

TEST(ThreadedFileCommands, AMoveWhoseSourceResistsKeepsBothAndSaysSo)
{
    World world;
    world.folder("Src/Tree");
    world.file("Src/Tree/a.txt", "a");
    world.file("Src/Tree/b.txt", "b");
    world.file("Src/c.txt", "c");
    world.folder("Dst");
    world.open();
    world.fileSystem->fault = [](Call call, const QString& path) {
        return call == Call::Delete && path == u"\\Src\\Tree\\b.txt" ? FsError::AccessDenied : FsError::None;
    };
    world.select(QStringLiteral("\\Src\\Tree"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Dst"));
    world.command(Cmd::PasteSelection, {Cmd::Ok, Cmd::Ok});
    const QStringList texts = world.shownTexts();
    ASSERT_EQ(texts.size(), 2) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Unable to delete file '\\Src\\Tree\\b.txt'!")));
    EXPECT_TRUE(texts[1].startsWith(
        QStringLiteral("File '\\Src\\Tree' has been copied to destination but can't be deleted from source folder!")));
    EXPECT_EQ(world.content("Dst/Tree/a.txt"), QByteArray("a"));
    EXPECT_EQ(world.content("Dst/Tree/b.txt"), QByteArray("b"));
    EXPECT_EQ(world.content("Src/Tree/b.txt"), QByteArray("b"));
    EXPECT_EQ(world.selection().count(), 1);  // the entry stays, and so does its item

    // A copy that cannot be put on the disk deletes nothing of its source.
    world.fileSystem->fault = [](Call call, const QString&) { return call == Call::Sync ? FsError::IoError : FsError::None; };
    world.command(Cmd::ClearSelection);
    world.goTo(QStringLiteral("\\Src\\c.txt"));
    world.select(QStringLiteral("\\Src\\c.txt"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Dst"));
    world.command(Cmd::PasteSelection, {Cmd::Ok});
    EXPECT_EQ(world.content("Src/c.txt"), QByteArray("c"));
}

TEST(ThreadedFileCommands, DeletingAFolderDropsTheEntriesInsideIt)
{
    World world;
    world.folder("Data/Sub");
    world.file("Data/Sub/x.txt");
    world.file("Data/y.txt");
    world.file("z.txt");
    world.open();
    world.select(QStringLiteral("\\Data\\Sub\\x.txt"));
    world.select(QStringLiteral("\\Data\\y.txt"));
    world.select(QStringLiteral("\\z.txt"));
    world.goTo(QStringLiteral("\\Data"));
    world.command(Cmd::DeleteCurrent, {Cmd::Yes});
    EXPECT_FALSE(world.present("Data"));
    ASSERT_EQ(world.selection().count(), 1);
    EXPECT_EQ(world.selection().at(0).path, QStringLiteral("\\z.txt"));
}

// A delete of the selection that stops at an entry that resists: the entries deleted before it
// leave the selection and the tree; it and the entries not reached stay selected and shown, and
// copy stays armed for them.
TEST(ThreadedFileCommands, ADeleteOfTheSelectionThatStopsKeepsWhatIsLeft)
{
    const struct {
        const char* resisting;
        QStringList kept;
    } cases[] = {
        {"\\Docs\\b.txt", {QStringLiteral("\\Docs\\a.txt"), QStringLiteral("\\Docs\\b.txt")}},  // 1 of 3 deleted
        {"\\Docs\\c.txt", {QStringLiteral("\\Docs\\a.txt"), QStringLiteral("\\Docs\\b.txt"),
                            QStringLiteral("\\Docs\\c.txt")}},                                      // 0 of 3
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.resisting);
        World world;
        world.folder("Docs");
        for (const char* name : {"Docs/a.txt", "Docs/b.txt", "Docs/c.txt"})
            world.file(name);
        world.open();
        const QString resisting = QString::fromUtf8(test.resisting);
        world.fileSystem->fault = [resisting](Call call, const QString& path) {
            return call == Call::Delete && path == resisting ? FsError::AccessDenied : FsError::None;
        };
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            world.select(QStringLiteral("\\Docs\\") + QString::fromUtf8(name));
        world.command(Cmd::CopySelection);
        world.command(Cmd::DeleteSelection, {Cmd::Ok, Cmd::Ok});

        const QStringList texts = world.shownTexts();
        ASSERT_EQ(texts.size(), 1) << texts.join(u'|').toStdString();
        EXPECT_TRUE(texts[0].startsWith(QStringLiteral("Unable to delete file '%1'!").arg(resisting)))
            << texts[0].toStdString();
        QStringList selected;
        for (int i = 0; i < world.selection().count(); ++i) {
            const SelectionEntry& entry = world.selection().at(i);
            selected << entry.path;
            EXPECT_TRUE(entry.item && entry.item->marked) << entry.path.toStdString();
        }
        EXPECT_EQ(selected, test.kept);
        EXPECT_EQ(world.selection().pendingOp(), PendingOp::Copy);
        // The tree shows exactly what is left on the disk.
        const TreeNode* docs = world.frame().tree()->topLevelNode(0);
        ASSERT_TRUE(docs);
        QStringList shown;
        for (const auto& child : docs->children)
            shown << QStringLiteral("\\Docs\\") + child->text;
        EXPECT_EQ(shown, test.kept);
        EXPECT_TRUE(world.present("Docs/a.txt"));
        EXPECT_TRUE(world.present("Docs/b.txt"));
        EXPECT_EQ(world.present("Docs/c.txt"), test.kept.size() == 3);
    }
}

// Cancel on the progress page of a move: every source stays whole and nothing of the move is
// left at the destination.
TEST(ThreadedFileCommands, CancelOfAMoveLeavesTheSourceWholeAndNoPartialTarget)
{
    World world;
    world.folder("Src/Tree/Inner");
    world.file("Src/Tree/a.txt", "a");
    world.file("Src/Tree/Inner/b.txt", "b");
    world.folder("Dst");
    world.open();
    world.select(QStringLiteral("\\Src\\Tree"));
    world.command(Cmd::CutSelection);
    world.goTo(QStringLiteral("\\Dst"));
    world.fileSystem->gateCopies = true;
    bool pageSeen = false;
    bool typedAhead = false;
    int countWhileRunning = -1;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* page = qobject_cast<JobDialog*>(QApplication::activeModalWidget());
        if (!typedAhead && world.fileSystem->copiesWaiting > 0) {
            // "#" pressed while the move runs starts nothing now: it waits for the job.
            typedAhead = true;
            QKeyEvent press(QEvent::KeyPress, Qt::Key_NumberSign, Qt::NoModifier, QStringLiteral("#"));
            QCoreApplication::sendEvent(world.frame().tree(), &press);
            countWhileRunning = world.selection().count();
        }
        if (page && page->isVisible() && world.fileSystem->copiesWaiting > 0 && !pageSeen) {
            pageSeen = true;
            page->softKeyBar()->press(SoftKeyBar::Left);  // Cancel
        }
    });
    watcher.start(20);
    world.command(Cmd::PasteSelection);
    watcher.stop();
    EXPECT_TRUE(pageSeen);
    EXPECT_EQ(countWhileRunning, 1);
    EXPECT_EQ(world.content("Src/Tree/a.txt"), QByteArray("a"));
    EXPECT_EQ(world.content("Src/Tree/Inner/b.txt"), QByteArray("b"));
    EXPECT_FALSE(world.present("Dst/Tree"));
    EXPECT_EQ(world.selection().count(), 1);
    EXPECT_EQ(world.shownTexts().filter(QStringLiteral("Unable")), QStringList());
    // The key typed during the job is delivered once it is over.
    QCoreApplication::processEvents();
    EXPECT_EQ(world.selection().count(), 0);
}

}  // namespace
