#pragma once

#include <QString>

class FolderTree;
struct TreeNode;
namespace platform {
class FileSystem;
}

// The commands that move through the tree as a whole: parent folder, page up and down,
// refresh, and reveal, which opens the tree down to a path and selects the item there.
namespace TreeNavigation {

void parentFolder(FolderTree& tree);
void page(FolderTree& tree, bool up);
// Rereads the current folder (or the folder holding the current item) from the disk.
void refresh(FolderTree& tree);

enum class RevealResult { Shown, Missing, NotInTree };
// A path that does not exist is Missing (and nothing happens); one whose folders cannot all be
// found among the tree's items is NotInTree (the caller tells the user); else Shown.
RevealResult reveal(FolderTree& tree, platform::FileSystem& fileSystem, const QString& path);

// An item counts as expanded with children when the tree shows it open and it has a child.
bool isExpandedWithChildren(const FolderTree& tree, const TreeNode* node);

}  // namespace TreeNavigation
