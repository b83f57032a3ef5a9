#include "resources/Commands.h"

#include <algorithm>
#include <iterator>

namespace Cmd {

namespace {

struct Entry {
    int id;
    const char16_t* text;
};

// The main window's command table, in its order; the keypad key follows a tab.
constexpr Entry MainWindowTable[] = {
    {Quit, u"Quit"},
    {About, u"About Fennick..."},
    {Open, u"Open\tA"},
    {OpenWith, u"Open with..."},
    {Run, u"Run..."},
    {ManageFileTypes, u"Manage file types..."},
    {NewFile, u"File..."},
    {NewFolder, u"Folder..."},
    {Rename, u"Rename..."},
    {DeleteCurrent, u"Current file/folder..."},
    {DeleteSelection, u"Items in selection..."},
    {Properties, u"Properties...\t5"},
    {Encrypt, u"Encrypt..."},
    {SendFileEmail, u"Send file by email..."},
    {SendFileMms, u"Send file by MMS..."},
    {SendFileObex, u"Send file by IR/BT..."},
    {SendSelectionObex, u"Send sel. by IR/BT..."},
    {ReceiveInfrared, u"Receive from IR..."},
    {ZipSelection, u"Zip selection..."},
    {ZipSelectionAndMail, u"Zip sel. and mail..."},
    {UnzipHere, u"Unzip here"},
    {UnzipTo, u"Unzip to..."},
    {CheckZipAssociation, u"Check zip association"},
    {SelectItem, u"Select item\t*"},
    {ClearSelection, u"Clear selection\t#"},
    {SelectAllInFolder, u"Select all in folder..."},
    {CutSelection, u"Cut selection\t1"},
    {CopySelection, u"Copy selection\t2"},
    {PasteSelection, u"Paste selection\t3"},
    {PasteShortcut, u"Paste shortcut\t4"},
    {AddFavorite, u"Add current file/folder"},
    {GoToFavorites, u"Go to / Manage...\t8"},
    {Refresh, u"Refresh\t6"},
    {HideStatusBar, u"Hide status bar"},
    {PageUp, u"Page up\t7"},
    {PageDown, u"Page down\t9"},
    {ParentFolder, u"Parent folder\t0"},
    {SortByName, u"Sort by name"},
    {SortByType, u"Sort by type"},
    {MarksAsCheckboxes, u"Sel. with checkboxes"},
    {MarksInBold, u"Selection in bold"},
    {ShowHidden, u"Show hidden files/fold."},
    {Find, u"Find..."},
    {HandOffPath, u""},
    {HandOffFile, u""},
};

// The commands of the dialogs' "Menu" soft keys and of the question box.
constexpr Entry DialogTable[] = {
    {NewSearch, u"New search..."},
    {BackToCriteria, u"Back to criteria..."},
    {RevealInTree, u"Reveal in tree"},
    {OpenOrExecute, u"Open / Execute\tA"},
    {OpenWithAdd, u"Add to list..."},
    {OpenWithRemove, u"Remove from list..."},
    {OpenWithInformations, u"Informations..."},
    {MenuCancel, u"Cancel"},
    {FavoriteMoveUp, u"Move up"},
    {FavoriteMoveDown, u"Move down"},
    {FavoriteRemove, u"Remove from list..."},
    {FileTypeChangeApplication, u"Change application..."},
    {FileTypeChangeIcons, u"Change icons..."},
    {FileTypeAdd, u"Add file type..."},
    {FileTypeEdit, u"Edit file type..."},
    {FileTypeDelete, u"Delete file type..."},
    {QuestionYes, u"Yes"},
    {QuestionYesToAll, u"Yes to all"},
    {QuestionNo, u"No"},
    {QuestionNoToAll, u"No to all"},
};

template <std::size_t N>
const Entry* find(const Entry (&table)[N], int id)
{
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [id](const Entry& entry) { return entry.id == id; });
    return found == std::end(table) ? nullptr : found;
}

}  // namespace

const QList<int>& mainWindowCommands()
{
    static const QList<int> ids = [] {
        QList<int> list;
        for (const Entry& entry : MainWindowTable)
            list.append(entry.id);
        return list;
    }();
    return ids;
}

QString text(int id)
{
    const Entry* entry = find(MainWindowTable, id);
    if (!entry)
        entry = find(DialogTable, id);
    return entry ? QString::fromUtf16(entry->text) : QString();
}

}  // namespace Cmd
