#include "properties/PropertiesAttributes.h"

namespace PropertiesAttributes {

namespace {
bool hiddenByName(const QString& name) { return name.startsWith(u'.'); }
}  // namespace

BoxState stateOf(std::size_t index, const QString& name, quint32 attributes)
{
    const Box& box = Boxes.at(index);
    BoxState state;
    state.checked = (attributes & box.bit) != 0;
    state.enabled = box.editable && !(box.bit == platform::Attr::Hidden && hiddenByName(name));
    return state;
}

Change changeFrom(const QString& name, bool readOnly, bool hidden, bool archive)
{
    using namespace platform;
    Change change;
    change.mask = Attr::ReadOnly | Attr::Archive | (hiddenByName(name) ? 0 : Attr::Hidden);
    change.values = (readOnly ? Attr::ReadOnly : 0) | (archive ? Attr::Archive : 0) | (hidden ? Attr::Hidden : 0);
    change.values &= change.mask;
    return change;
}

}  // namespace PropertiesAttributes
