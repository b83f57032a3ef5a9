#pragma once

namespace platform {

// What an item the user sees is: a folder or a file, or None where there is no item. The
// order is the order of a listing sorted by type, folders before files.
enum class ItemKind : unsigned char { None, Folder, File };

}  // namespace platform
