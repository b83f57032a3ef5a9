#include "platform/linux/LinuxFileSystem.h"
#include "settings/Settings.h"
#include "tree/FolderTree.h"
#include "tree/SelectionMarks.h"
#include "tree/TreeImageList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QFont>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Marks every item under \Docs and the entry \Loose.txt.
class FakeSelection : public SelectionMarks {
public:
    bool marksContentsOf(const QString& folderPath) const override
    {
        return folderPath.compare(QStringLiteral("\\Docs"), Qt::CaseInsensitive) == 0
            || folderPath.startsWith(QStringLiteral("\\Docs\\"), Qt::CaseInsensitive);
    }
    bool attachItem(const QString& path, TreeNode* node) override
    {
        if (path.compare(QStringLiteral("\\Loose.txt"), Qt::CaseInsensitive) != 0)
            return false;
        attached = node;
        return true;
    }
    void itemsRemoved(const TreeNode* node) override
    {
        if (node == attached)
            attached = nullptr;
    }
    TreeNode* attached = nullptr;
};

class FolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* folders[] = {"Docs/Sub", "Docs2", "Storage", "Windows"};
        for (const char* folder : folders)
            QDir(m_root.path()).mkpath(QString::fromUtf8(folder));
        for (const char* file : {"Docs/Sub/deep.txt", "Docs2/other.txt", "Loose.txt", "LINK.LNK"}) {
            QFile out(m_root.filePath(QString::fromUtf8(file)));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        }
        m_tree.setSelectionMarks(&m_selection);
        m_tree.populate(QString(), nullptr);
    }
    TreeNode* top(const char* name)
    {
        for (int row = 0; TreeNode* node = m_tree.topLevelNode(row); ++row)
            if (node->text == QString::fromUtf8(name) && node != m_tree.treeModel()->root())
                return node;
        return nullptr;
    }
    QStringList topNames()
    {
        QStringList names;
        for (const auto& child : m_tree.treeModel()->root()->children)
            names << child->text;
        return names;
    }

    QTemporaryDir m_root;
    platform::LinuxFileSystem m_fileSystem{platform::PathMapper(QFile::encodeName(m_root.path()))};
    Settings m_settings;
    TreeImageList m_images;
    FakeSelection m_selection;
    FolderTree m_tree{m_fileSystem, m_settings, m_images};
};

TEST_F(FolderTreeTest, MarksOverlaysAndFullPaths)
{
    EXPECT_EQ(topNames(), QStringList({QStringLiteral("Docs"), QStringLiteral("Docs2"), QStringLiteral("LINK.LNK"),
                                       QStringLiteral("Loose.txt"), QStringLiteral("Storage"), QStringLiteral("Windows")}));
    EXPECT_TRUE(top("LINK.LNK")->shortcutOverlay);
    EXPECT_FALSE(top("Loose.txt")->shortcutOverlay);
    EXPECT_TRUE(top("Loose.txt")->marked);
    EXPECT_EQ(m_selection.attached, top("Loose.txt"));
    EXPECT_EQ(top("Storage")->image, TreeImageList::StorageClosed);
    EXPECT_EQ(top("Windows")->image, TreeImageList::WindowsClosed);
    EXPECT_EQ(top("Docs")->image, TreeImageList::FolderClosed);

    // Everything listed under \Docs, at any depth, carries the mark; under \Docs2 nothing does.
    TreeNode* docs = top("Docs");
    m_tree.populate(QStringLiteral("\\Docs"), docs);
    TreeNode* sub = docs->children.at(0).get();
    EXPECT_TRUE(sub->marked);
    m_tree.populate(QStringLiteral("\\Docs\\Sub"), sub);
    EXPECT_TRUE(sub->children.at(0)->marked);
    EXPECT_EQ(m_tree.fullPathOf(sub->children.at(0).get()), QStringLiteral("\\Docs\\Sub\\deep.txt"));
    TreeNode* docs2 = top("Docs2");
    m_tree.populate(QStringLiteral("\\Docs2"), docs2);
    EXPECT_FALSE(docs2->children.at(0)->marked);
    EXPECT_EQ(m_tree.fullPathOf(nullptr), QStringLiteral("\\"));
    EXPECT_EQ(FolderTree::kindOf(nullptr), TreeNode::None);

    // The selection hears of items that go away.
    m_tree.deleteChildren(nullptr);
    EXPECT_EQ(m_selection.attached, nullptr);
}

TEST_F(FolderTreeTest, MarksShowInBoldOrAsTickedBoxes)
{
    FolderTreeModel* model = m_tree.treeModel();
    const QModelIndex loose = model->indexOf(top("Loose.txt"));
    const QModelIndex storage = model->indexOf(top("Storage"));
    EXPECT_TRUE(model->data(loose, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(model->data(loose, Qt::CheckStateRole).isValid());
    model->setMarksInBold(false);
    EXPECT_EQ(model->data(loose, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model->data(storage, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(model->data(loose, Qt::FontRole).isValid());
    EXPECT_TRUE(top("Loose.txt")->marked);  // the selection itself is unchanged
}

TEST_F(FolderTreeTest, CardsComeAndGoInNameOrder)
{
    m_tree.cardInserted(QStringLiteral("\\Storage Card"));
    EXPECT_EQ(topNames().indexOf(QStringLiteral("Storage Card")), topNames().indexOf(QStringLiteral("Storage")) + 1);
    EXPECT_EQ(topNames().indexOf(QStringLiteral("Windows")), topNames().indexOf(QStringLiteral("Storage Card")) + 1);
    m_tree.cardRemoved(QStringLiteral("\\storage card"));
    EXPECT_FALSE(topNames().contains(QStringLiteral("Storage Card")));
    m_tree.cardRemoved(QStringLiteral("\\Nothing"));
    EXPECT_EQ(topNames().size(), 6);
}

// The status line takes a folder's counts from the listing the tree has just made instead of
// listing it again; they must be what a count of its own would give (hidden entries only when
// shown, folders the "Folders" key keeps out of the tree still counted), and only while they
// describe the tree.
TEST_F(FolderTreeTest, AFreshListingGivesTheStatusLineItsCountsOnce)
{
    for (const char* folder : {"Docs2/Kept", "Docs2/Excluded", "Docs2/.hiddenFolder"})
        QDir(m_root.path()).mkpath(QString::fromUtf8(folder));
    QFile hidden(m_root.filePath(QStringLiteral("Docs2/.hidden")));
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    m_settings.hiddenFolders.append(QStringLiteral("Folder0"), QStringLiteral("\\Docs2\\Excluded"));
    const QString path = QStringLiteral("\\Docs2");
    TreeNode* docs2 = top("Docs2");
    const QModelIndex index = m_tree.treeModel()->indexOf(docs2);
    const auto relist = [&](bool showHidden) {
        m_tree.collapse(index);
        m_settings.showHidden = showHidden;
        m_tree.expand(index);
    };
    const struct { bool showHidden; qint64 folders, files; } cases[] = {{false, 2, 1}, {true, 3, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.showHidden);
        relist(c.showHidden);
        qint64 folders = -1, files = -1;
        ASSERT_TRUE(m_tree.takeListingCounts(path, c.showHidden, folders, files));
        EXPECT_EQ(folders, c.folders);
        EXPECT_EQ(files, c.files);
        EXPECT_FALSE(m_tree.takeListingCounts(path, c.showHidden, folders, files));  // once only
    }
    qint64 folders = 0, files = 0;
    relist(false);
    EXPECT_FALSE(m_tree.takeListingCounts(QStringLiteral("\\Docs"), false, folders, files));  // another folder
    relist(false);
    EXPECT_FALSE(m_tree.takeListingCounts(path, true, folders, files));  // another setting
    relist(false);
    m_tree.removeNode(docs2->children.front().get());  // the tree no longer shows the listing
    EXPECT_FALSE(m_tree.takeListingCounts(path, false, folders, files));
}

// Names are sorted on keys folded once; the order must stay that of comparing without regard
// to case, accented and non-Latin letters included, with folders first when sorting by type.
TEST_F(FolderTreeTest, SortingIgnoresCaseAsAComparisonWithoutCaseDoes)
{
    const char* names[] = {"beta", "Alpha", "alpha2", "\u00c4rger", "\u00e4b", "Zeta", "_x", "10", "9",
                           "\u03a9mega", "\u03c9b", "STRASSE", "stra\u00dfe", "ABC", "abc",
                           // longer than the part of a name the sort keeps at hand
                           "abcdefghijkl", "ABCDEFGHIJKLm", "abcdefghijklA", "file-000000010.txt",
                           "FILE-000000009.txt", "File-000000009.txT"};
    QDir(m_root.path()).mkpath(QStringLiteral("Mixed/Folder b"));
    for (const char* name : names) {
        QFile out(m_root.filePath(QStringLiteral("Mixed/") + QString::fromUtf8(name)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << name;
    }
    for (SortMode sortMode : {SortMode::ByName, SortMode::ByType}) {
        SCOPED_TRACE(static_cast<int>(sortMode));
        m_settings.setSortMode(sortMode);
        m_tree.deleteChildren(nullptr);
        m_tree.populate(QString(), nullptr);
        TreeNode* mixed = top("Mixed");
        ASSERT_TRUE(mixed);
        m_tree.expand(m_tree.treeModel()->indexOf(mixed));
        std::vector<const TreeNode*> shown;
        for (const auto& child : mixed->children)
            shown.push_back(child.get());
        ASSERT_EQ(shown.size(), std::size(names) + 1);
        for (size_t i = 1; i < shown.size(); ++i) {
            const TreeNode* a = shown[i - 1];
            const TreeNode* b = shown[i];
            if (sortMode == SortMode::ByType && a->kind != b->kind)
                EXPECT_LT(a->kind, b->kind);
            else
                EXPECT_LE(a->text.compare(b->text, Qt::CaseInsensitive), 0)
                    << a->text.toString().toStdString() << " before " << b->text.toString().toStdString();
        }
    }
}

// The mount watcher sees a card mounted on a folder the tree has already listed and opened.
TEST_F(FolderTreeTest, ACardMountedOnAListedFolderShowsOnceAndClosed)
{
    TreeNode* docs = top("Docs");
    m_tree.expand(m_tree.treeModel()->indexOf(docs));
    ASSERT_FALSE(docs->children.empty());
    m_tree.setCurrentNode(docs->children.front().get());  // \Docs\Sub

    m_images.setCardPaths({QStringLiteral("\\Docs")});
    m_tree.cardInserted(QStringLiteral("\\Docs"));
    EXPECT_EQ(topNames().count(QStringLiteral("Docs")), 1);
    TreeNode* card = top("Docs");
    ASSERT_TRUE(card);
    // What the folder held before is covered by the card: nothing of it stays, and opening
    // the item lists the card.
    EXPECT_TRUE(card->children.empty());
    EXPECT_TRUE(card->childrenFlag);
    EXPECT_FALSE(m_tree.isExpanded(m_tree.treeModel()->indexOf(card)));
    EXPECT_EQ(card->image, m_images.folderIcons(QStringLiteral("\\Docs")).closed);
    EXPECT_EQ(m_tree.currentNode(), card);
}

// Wherever the cursor was inside a card that goes, it lands on the card's nearest remaining
// neighbour: the item that takes the card's place, or the one before when the card was last.
TEST_F(FolderTreeTest, RemovingACardMovesTheCursorToItsNearestNeighbour)
{
    struct Case {
        const char* card;
        const char* currentPath;  // under the card, "" for the card itself
        const char* neighbour;
    };
    const Case cases[] = {
        {"Docs", "Sub/deep.txt", "Docs2"},
        {"Docs", "", "Docs2"},
        {"Windows", "", "Storage"},
        {"Docs2", "other.txt", "LINK.LNK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card);
        m_tree.deleteChildren(nullptr);
        m_tree.populate(QString(), nullptr);
        TreeNode* item = top(c.card);
        ASSERT_TRUE(item);
        for (const QString& name : QString::fromUtf8(c.currentPath).split(u'/', Qt::SkipEmptyParts)) {
            m_tree.expand(m_tree.treeModel()->indexOf(item));
            TreeNode* next = nullptr;
            for (const auto& child : item->children)
                if (child->text == name)
                    next = child.get();
            ASSERT_TRUE(next) << name.toStdString();
            item = next;
        }
        m_tree.setCurrentNode(item);
        m_tree.cardRemoved(u'\\' + QString::fromUtf8(c.card));
        EXPECT_FALSE(topNames().contains(QString::fromUtf8(c.card)));
        ASSERT_TRUE(m_tree.currentNode());
        EXPECT_EQ(m_tree.currentNode()->text, QString::fromUtf8(c.neighbour));
    }
}

TEST_F(FolderTreeTest, SingleItemsAreAddedInTheirSortedPlaceAndSelected)
{
    QFile out(m_root.filePath(QStringLiteral("Docs2/aaa.txt")));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.close();
    TreeNode* docs2 = top("Docs2");
    m_tree.expand(m_tree.treeModel()->indexOf(docs2));  // lists it
    ASSERT_EQ(docs2->children.size(), 2u);
    QFile more(m_root.filePath(QStringLiteral("Docs2/0first.txt")));
    ASSERT_TRUE(more.open(QIODevice::WriteOnly));
    more.close();
    TreeNode* added = m_tree.populateSingle(QStringLiteral("\\Docs2\\0first.txt"), docs2);
    ASSERT_TRUE(added);
    EXPECT_EQ(docs2->children.front().get(), added);  // in its sorted place
    EXPECT_EQ(m_tree.currentNode(), added);
    EXPECT_FALSE(m_tree.populateSingle(QStringLiteral("\\Docs2\\missing"), docs2));
    EXPECT_FALSE(docs2->childrenFlag);
    m_settings.setSortMode(SortMode::ByName);
    m_tree.sortAll();
    EXPECT_EQ(docs2->children.front().get(), added);

    // In a closed folder, the folder opens and shows the item in its place.
    QFile third(m_root.filePath(QStringLiteral("Docs/Sub/1.txt")));
    ASSERT_TRUE(third.open(QIODevice::WriteOnly));
    third.close();
    TreeNode* docs = top("Docs");
    m_tree.expand(m_tree.treeModel()->indexOf(docs));
    TreeNode* sub = docs->children.at(0).get();
    TreeNode* shown = m_tree.populateSingle(QStringLiteral("\\Docs\\Sub\\1.txt"), sub);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text, QStringLiteral("1.txt"));
    EXPECT_EQ(sub->children.front().get(), shown);
    EXPECT_EQ(m_tree.currentNode(), shown);
}

TEST_F(FolderTreeTest, TheCurrentRowIsAlwaysDrawnHighlighted)
{
    m_tree.resize(240, 300);
    m_tree.show();
    // The colour at the free right end of a row: the highlight, or the plain background.
    const auto rowColour = [this](const TreeNode* node) {
        const QRect row = m_tree.visualRect(m_tree.treeModel()->indexOf(node));
        return m_tree.viewport()->grab().toImage().pixel(m_tree.viewport()->width() - 4, row.center().y());
    };
    const QRgb plain = rowColour(top("Windows"));

    // At start the tree takes the focus and makes its first row current by itself.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(&m_tree, &focusIn);
    ASSERT_EQ(m_tree.currentNode(), top("Docs"));
    EXPECT_TRUE(m_tree.selectionModel()->isSelected(m_tree.currentIndex()));
    EXPECT_NE(rowColour(top("Docs")), plain);

    // The current row goes away: its neighbour becomes current, and highlighted.
    m_tree.setCurrentNode(top("Docs2"));
    m_tree.removeNode(top("Docs2"));
    ASSERT_NE(m_tree.currentNode(), nullptr);
    EXPECT_TRUE(m_tree.selectionModel()->isSelected(m_tree.currentIndex()));
    EXPECT_EQ(m_tree.selectionModel()->selectedRows().size(), 1);

    // However the current row is moved, the highlight moves with it.
    m_tree.selectionModel()->setCurrentIndex(m_tree.treeModel()->indexOf(top("Storage")), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(m_tree.selectionModel()->selectedRows(), QModelIndexList{m_tree.currentIndex()});
    EXPECT_NE(rowColour(top("Storage")), plain);
    EXPECT_EQ(rowColour(top("Docs")), plain);
}

}  // namespace
