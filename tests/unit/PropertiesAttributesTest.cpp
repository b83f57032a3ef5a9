// How the attribute boxes of the properties page show an item, and what Done asks to write.
#include "properties/PropertiesAttributes.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// One character a box, in the page's order (Read-only, Hidden, Archive, System, In rom,
// Temporary, Compressed, Encrypted, Rom module, Rom st. ref.): "x" ticked, "-" not; "e" the
// user may change it.
std::string shown(const QString& name, quint32 attributes, bool enabled)
{
    std::string text;
    for (std::size_t i = 0; i < PropertiesAttributes::Boxes.size(); ++i) {
        const PropertiesAttributes::BoxState state = PropertiesAttributes::stateOf(i, name, attributes);
        text += enabled ? (state.enabled ? 'e' : '-') : (state.checked ? 'x' : '-');
    }
    return text;
}

TEST(PropertiesAttributes, EveryBitHasItsBox)
{
    const struct { const char* name; quint32 attributes; const char* ticked; const char* editable; } cases[] = {
        {"a.txt", Attr::Normal, "----------", "eee-------"},
        {"a.txt", Attr::ReadOnly | Attr::System, "x--x------", "eee-------"},
        {"a.txt", Attr::Hidden | Attr::Archive, "-xx-------", "eee-------"},
        // One bit for "in ROM" and "encrypted": the two boxes always agree.
        {"rom.bin", Attr::InRom | Attr::ReadOnly, "x---x--x--", "eee-------"},
        {"Docs", Attr::Directory | Attr::Temporary | Attr::Compressed, "-----xx---", "eee-------"},
        {"mod.dll", 0x2000 | 0x1000, "--------xx", "eee-------"},
        // Hidden by its name: ticked, and not to be cleared without a rename.
        {".profile", Attr::Hidden, "-x--------", "e-e-------"},
    };
    for (const auto& row : cases) {
        const QString name = QString::fromUtf8(row.name);
        EXPECT_EQ(shown(name, row.attributes, false), row.ticked) << row.name << " " << row.attributes;
        EXPECT_EQ(shown(name, row.attributes, true), row.editable) << row.name << " " << row.attributes;
    }
}

TEST(PropertiesAttributes, DoneWritesOnlyTheEditableBits)
{
    const struct { const char* name; bool readOnly, hidden, archive; quint32 mask, values; } cases[] = {
        {"a.txt", true, true, false, Attr::ReadOnly | Attr::Hidden | Attr::Archive, Attr::ReadOnly | Attr::Hidden},
        {"a.txt", false, false, true, Attr::ReadOnly | Attr::Hidden | Attr::Archive, Attr::Archive},
        // The box of a dot name is never written, whatever it shows.
        {".x", false, false, true, Attr::ReadOnly | Attr::Archive, Attr::Archive},
        {".x", true, true, false, Attr::ReadOnly | Attr::Archive, Attr::ReadOnly},
    };
    for (const auto& row : cases) {
        const PropertiesAttributes::Change change =
            PropertiesAttributes::changeFrom(QString::fromUtf8(row.name), row.readOnly, row.hidden, row.archive);
        EXPECT_EQ(change.mask, row.mask) << row.name;
        EXPECT_EQ(change.values, row.values) << row.name;
        // System, the ROM bits and the directory bit are never part of a change.
        EXPECT_EQ(change.mask & ~(Attr::ReadOnly | Attr::Hidden | Attr::Archive), 0u);
    }
}

}  // namespace
