#pragma once

#include <span>

// One keypad key of the main window: the command it stands for, whether the command is
// posted (queued behind waiting events) or run at once, and whether the key is taken only
// while the command's own enabling rule holds. A key that is not taken is left to the tree.
struct KeypadKey {
    int key;  // a Qt::Key
    int commandId;
    bool posted;
    bool whenEnabled;
};

namespace KeypadKeys {

std::span<const KeypadKey> all();

}  // namespace KeypadKeys
