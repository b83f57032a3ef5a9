#pragma once

#include "settings/OrderedStringMap.h"

#include <QtGlobal>

// The order of the folder tree's items within a folder. The numbers are those stored.
enum class SortMode : quint32 { ByName = 0, ByType = 1 };

// The settings that decide what the folder tree lists and in which order. The tree reads them
// live, so a command that changes one and re-sorts or rebuilds the tree sees the new value; it
// never sees the settings that belong to the window (marks, status bar, favorites).
struct TreeOptions {
    // The sort mode as stored. A number that names no mode sorts by name and is kept as it is
    // until the user picks a sort, so that a later version's mode survives a run of this one.
    quint32 storedSortMode = 0;
    bool showHidden = false;
    OrderedStringMap hiddenFolders;  // folders left out of the tree, matched without regard to case

    SortMode sortMode() const { return storedSortMode == 1 ? SortMode::ByType : SortMode::ByName; }
    void setSortMode(SortMode mode) { storedSortMode = static_cast<quint32>(mode); }
    bool sortsByType() const { return sortMode() == SortMode::ByType; }
};
