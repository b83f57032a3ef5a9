#pragma once

#include "settings/OrderedStringMap.h"

// The settings that decide what the folder tree lists and in which order. The tree reads them
// live, so a command that changes one and re-sorts or rebuilds the tree sees the new value; it
// never sees the settings that belong to the window (marks, status bar, favorites).
struct TreeOptions {
    int sortMode = 0;  // 1 sorts by type; any other value by name, and is kept as is
    bool showHidden = false;
    OrderedStringMap hiddenFolders;  // folders left out of the tree, matched without regard to case

    bool sortsByType() const { return sortMode == 1; }
};
