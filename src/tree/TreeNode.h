#pragma once

#include "platform/ItemKind.h"
#include "tree/NodeName.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

// What one item of the folder tree holds. The full path of an item is never stored: it is
// rebuilt from the names of its ancestors, so a rename or a move cannot leave a stale copy.
// A big folder holds one node per item, so a node is kept small: 48 bytes, taken from a pool
// rather than one allocation each.
struct TreeNode {
    using Kind = platform::ItemKind;
    using enum platform::ItemKind;

    // The children of a folder, in the order shown. Most items of a big folder are files,
    // which have none: an empty list is one null pointer rather than an empty vector.
    class Children {
    public:
        using List = std::vector<std::unique_ptr<TreeNode>>;
        using iterator = List::iterator;
        using const_iterator = List::const_iterator;

        size_t size() const { return m_list ? m_list->size() : 0; }
        bool empty() const { return !m_list || m_list->empty(); }
        iterator begin() { return list().begin(); }
        iterator end() { return list().end(); }
        const_iterator begin() const { return view().begin(); }
        const_iterator end() const { return view().end(); }
        std::unique_ptr<TreeNode>& operator[](size_t i) { return (*m_list)[i]; }
        const std::unique_ptr<TreeNode>& operator[](size_t i) const { return (*m_list)[i]; }
        const std::unique_ptr<TreeNode>& at(size_t i) const { return view().at(i); }
        const std::unique_ptr<TreeNode>& front() const { return view().front(); }
        const std::unique_ptr<TreeNode>& back() const { return view().back(); }
        void push_back(std::unique_ptr<TreeNode> node) { list().push_back(std::move(node)); }
        void reserve(size_t size) { list().reserve(size); }
        void resize(size_t size) { list().resize(size); }
        iterator insert(const_iterator place, std::unique_ptr<TreeNode> node)
        {
            return list().insert(place, std::move(node));
        }
        iterator erase(const_iterator place) { return list().erase(place); }
        void clear() { m_list.reset(); }

    private:
        List& list()
        {
            if (!m_list)
                m_list = std::make_unique<List>();
            return *m_list;
        }
        const List& view() const
        {
            static const List none;
            return m_list ? *m_list : none;
        }
        std::unique_ptr<List> m_list;
    };

    NodeName text;               // the bare name, as the enumeration returned it
    TreeNode* parent = nullptr;  // the hidden root node for top-level items
    Children children;
    int row = 0;       // the index among its siblings, kept by the model
    qint16 image = 0;  // index in the tree image list; the selected image is the same
    Kind kind = None;
    bool childrenFlag : 1 = false;     // a folder that would show at least one entry when expanded
    bool shortcutOverlay : 1 = false;  // the name ends in ".lnk"
    bool marked : 1 = false;           // the item or a folder above it is in the selection

    bool isFolder() const { return kind == Folder; }
    // An image list holds a few dozen images.
    void setImage(int index) { image = static_cast<qint16>(index); }

    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size);
};
