#pragma once

#include "tree/TreeNode.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <functional>

// The item model behind the folder tree: a hidden root node whose children are the top-level
// items. It stores only TreeNodes and knows nothing of the file system; FolderTree fills it.
class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Gives the icon for an image index, with or without the shortcut overlay.
    using IconSource = std::function<QIcon(int image, bool shortcutOverlay)>;

    explicit FolderTreeModel(QObject* parent = nullptr);

    void setIconSource(IconSource source);
    // Bold marks, or check boxes.
    void setMarksInBold(bool bold);
    bool marksInBold() const { return m_marksInBold; }

    TreeNode* root() { return &m_root; }
    const TreeNode* root() const { return &m_root; }
    TreeNode* node(const QModelIndex& index) const;   // the root for an invalid index
    QModelIndex indexOf(const TreeNode* node) const;  // invalid for the root

    // Takes new children for `parent`, in the order given, after its existing ones.
    void appendChildren(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes);
    // Merges sorted new children into the sorted children of `parent` by a strict weak order;
    // of children that compare equal, those it had come first.
    void mergeChildren(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes,
                       const std::function<bool(const TreeNode&, const TreeNode&)>& less);
    // Inserts new children in order, each after the number of present children `places` gives
    // for it (a sequence that never falls).
    void insertChildrenAt(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes,
                          const std::vector<quint32>& places);
    // Inserts one child at `row`.
    void insertChild(TreeNode* parent, int row, std::unique_ptr<TreeNode> node);
    // Deletes every child of `parent`; `beforeRemoval` hears about each one first.
    void removeChildren(TreeNode* parent, const std::function<void(const TreeNode*)>& beforeRemoval = {});
    void removeChild(TreeNode* parent, int row, const std::function<void(const TreeNode*)>& beforeRemoval = {});
    // Reorders the children of `parent` by a strict weak order, keeping equal ones in order.
    void sortChildren(TreeNode* parent, const std::function<bool(const TreeNode&, const TreeNode&)>& less);
    // Tells the views that a node's text, image, flags or mark changed.
    void nodeChanged(TreeNode* node);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static void renumber(TreeNode* parent, size_t from = 0);
    // Runs `reorder`, which changes the order of the children of `parent` (and may add some),
    // as one layout change that keeps every persistent index on its node.
    void reorderChildren(TreeNode* parent, const std::function<void()>& reorder);

    TreeNode m_root;
    IconSource m_iconSource;
    bool m_marksInBold = true;
};
