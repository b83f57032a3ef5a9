#include "resources/KeypadKeys.h"

#include "resources/Commands.h"

#include <Qt>

namespace KeypadKeys {

std::span<const KeypadKey> all()
{
    // Star and pound have keyboard stand-ins (F8, F9) for keyboards where they need Shift.
    static const KeypadKey keys[] = {
        // The action key unpacks an archive beside itself, and opens any other file.
        {Qt::Key_Return, Cmd::UnzipHere, true, true},
        {Qt::Key_Enter, Cmd::UnzipHere, true, true},
        {Qt::Key_Return, Cmd::Open, true, true},
        {Qt::Key_Enter, Cmd::Open, true, true},
        {Qt::Key_0, Cmd::ParentFolder, true, false},
        {Qt::Key_1, Cmd::CutSelection, false, true},
        {Qt::Key_2, Cmd::CopySelection, false, true},
        {Qt::Key_3, Cmd::PasteSelection, false, true},
        {Qt::Key_4, Cmd::PasteShortcut, false, true},
        {Qt::Key_5, Cmd::Properties, true, false},
        {Qt::Key_6, Cmd::Refresh, false, false},
        {Qt::Key_7, Cmd::PageUp, false, false},
        {Qt::Key_8, Cmd::GoToFavorites, true, false},
        {Qt::Key_9, Cmd::PageDown, false, false},
        {Qt::Key_Asterisk, Cmd::SelectItem, false, false},
        {Qt::Key_F8, Cmd::SelectItem, false, false},
        {Qt::Key_NumberSign, Cmd::ClearSelection, false, true},
        {Qt::Key_F9, Cmd::ClearSelection, false, true},
    };
    return keys;
}

}  // namespace KeypadKeys
