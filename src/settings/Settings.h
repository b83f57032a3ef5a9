#pragma once

#include "settings/OrderedStringMap.h"
#include "settings/TreeOptions.h"

// The user's settings as the main window holds them while it runs. Commands change only these
// fields; save() writes them to the registry when the main window goes away. The options the
// folder tree reads are a part of their own, so the tree is given those and nothing more.
// Where each is stored, and its default, is in SettingsSchema.
class Settings : public TreeOptions {
public:
    bool marksInBold = true;
    bool statusHidden = false;
    bool checkZipAssociation = true;
    OrderedStringMap favorites;

    // Reads every setting, writing missing ones back with their defaults.
    void load();
    void save() const;
};
