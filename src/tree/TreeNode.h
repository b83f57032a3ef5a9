#pragma once

#include "platform/ItemKind.h"

#include <QString>

#include <memory>
#include <vector>

// What one item of the folder tree holds. The full path of an item is never stored: it is
// rebuilt from the names of its ancestors, so a rename or a move cannot leave a stale copy.
struct TreeNode {
    using Kind = platform::ItemKind;
    using enum platform::ItemKind;

    // The fields stand largest first: a big folder holds one node per item.
    QString text;                // the bare name, as the enumeration returned it
    TreeNode* parent = nullptr;  // the hidden root node for top-level items
    std::vector<std::unique_ptr<TreeNode>> children;
    int row = 0;    // the index among its siblings, kept by the model
    int image = 0;  // index in the tree image list; the selected image is the same
    Kind kind = None;
    bool childrenFlag = false;     // a folder that would show at least one entry when expanded
    bool shortcutOverlay = false;  // the name ends in ".lnk"
    bool marked = false;           // the item or a folder above it is in the selection

    bool isFolder() const { return kind == Folder; }
};
