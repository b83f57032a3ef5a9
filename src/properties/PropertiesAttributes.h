#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <array>

// The attribute boxes of the properties page: which bit each shows, whether the user may
// change it, and what Done writes. No widget.
namespace PropertiesAttributes {

struct Box {
    int controlId;
    const char* label;
    quint32 bit;
    bool editable;
};

// In the order the page lists them. "In rom" and "Encrypted" show one bit: the platform used
// it for both, so the two always agree.
inline constexpr std::array<Box, 10> Boxes = {{
    {1014, "Read-only", platform::Attr::ReadOnly, true},
    {1015, "Hidden", platform::Attr::Hidden, true},
    {1016, "Archive", platform::Attr::Archive, true},
    {1017, "System", platform::Attr::System, false},
    {1018, "In rom", platform::Attr::InRom, false},
    {1019, "Temporary", platform::Attr::Temporary, false},
    {1020, "Compressed", platform::Attr::Compressed, false},
    {1024, "Encrypted", platform::Attr::InRom, false},
    {1021, "Rom module", 0x2000, false},
    {1022, "Rom st. ref.", 0x1000, false},
}};

struct BoxState {
    bool checked = false;
    bool enabled = false;
};

// How box `index` of `Boxes` shows for an item. A name that starts with "." is hidden by the
// name itself: its Hidden box is ticked and cannot be cleared, since clearing it would change
// nothing short of a rename.
BoxState stateOf(std::size_t index, const QString& name, quint32 attributes);

// What Done asks of the file system: the editable bits (Hidden left out for a dot name) and
// their values from the boxes. Every other attribute of the item stays as it is.
struct Change {
    quint32 mask = 0;
    quint32 values = 0;
};
Change changeFrom(const QString& name, bool readOnly, bool hidden, bool archive);

}  // namespace PropertiesAttributes
