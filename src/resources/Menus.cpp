#include "resources/Menus.h"

#include "resources/Commands.h"

#include <QHash>

namespace {

MenuItem command(int id, const char16_t* text) { return {MenuItem::Command, id, QString::fromUtf16(text), {}}; }
MenuItem separator() { return {MenuItem::Separator, 0, QString(), {}}; }
MenuItem popup(const char16_t* text, QList<MenuItem> children)
{
    return {MenuItem::Popup, 0, QString::fromUtf16(text), std::move(children)};
}

QHash<int, QList<MenuItem>> buildMenus()
{
    QHash<int, QList<MenuItem>> menus;
    menus.insert(2, {
        popup(u"File", {
            popup(u"Open", {command(Cmd::Open, u"Open\tA"), command(Cmd::OpenWith, u"Open with..."),
                            command(Cmd::Run, u"Run..."), separator(),
                            command(Cmd::ManageFileTypes, u"Manage file types...")}),
            separator(),
            popup(u"New", {command(Cmd::NewFile, u"File..."), command(Cmd::NewFolder, u"Folder...")}),
            command(Cmd::Rename, u"Rename..."),
            popup(u"Delete", {command(Cmd::DeleteCurrent, u"Current file/folder..."),
                              command(Cmd::DeleteSelection, u"Items in selection...")}),
            command(Cmd::Properties, u"Properties...\t5"),
            command(Cmd::Encrypt, u"Encrypt..."),
            separator(),
            popup(u"Send && Receive", {command(Cmd::SendByEmail, u"Send file by email..."),
                                       command(Cmd::SendByMms, u"Send file by MMS..."), separator(),
                                       command(Cmd::SendFile, u"Send file by IR/BT..."),
                                       command(Cmd::SendSelection, u"Send sel. by IR/BT..."), separator(),
                                       command(Cmd::Receive, u"Receive from IR...")}),
            popup(u"Zip/Unzip", {command(Cmd::ZipSelection, u"Zip selection..."),
                                 command(Cmd::ZipAndMail, u"Zip sel. and mail..."), separator(),
                                 command(Cmd::UnzipHere, u"Unzip here"), command(Cmd::UnzipTo, u"Unzip to..."),
                                 separator(), command(Cmd::CheckZipAssociation, u"Check zip association")}),
            separator(),
            command(Cmd::Quit, u"Quit"),
        }),
        popup(u"Edit", {
            command(Cmd::SelectItem, u"Select item\t*"),
            command(Cmd::ClearSelection, u"Clear selection\t#"),
            command(Cmd::SelectAllInFolder, u"Select all in folder..."),
            separator(),
            popup(u"Selection", {command(Cmd::CutSelection, u"Cut selection\t1"),
                                 command(Cmd::CopySelection, u"Copy selection\t2"), separator(),
                                 command(Cmd::PasteSelection, u"Paste selection\t3"),
                                 command(Cmd::PasteShortcut, u"Paste shortcut\t4")}),
            popup(u"Favorites", {command(Cmd::AddFavorite, u"Add current file/folder"),
                                 command(Cmd::Favorites, u"Go to / Manage...\t8")}),
            popup(u"View", {command(Cmd::Refresh, u"Refresh\t6"), command(Cmd::HideStatusBar, u"Hide status bar"),
                            separator(), command(Cmd::PageUp, u"Page up\t7"), command(Cmd::PageDown, u"Page down\t9"),
                            command(Cmd::ParentFolder, u"Parent folder\t0"), separator(),
                            command(Cmd::SortByName, u"Sort by name"), command(Cmd::SortByType, u"Sort by type"),
                            separator(), command(Cmd::MarksAsCheckBoxes, u"Sel. with checkboxes"),
                            command(Cmd::MarksInBold, u"Selection in bold"),
                            command(Cmd::ShowHidden, u"Show hidden files/fold.")}),
            command(Cmd::Find, u"Find..."),
            separator(),
            command(Cmd::About, u"About Fennick..."),
        }),
    });
    menus.insert(121, {popup(u"Menu", {command(Cmd::NewSearch, u"New search..."),
                                       command(Cmd::BackToCriteria, u"Back to criteria..."),
                                       command(Cmd::RevealInTree, u"Reveal in tree"),
                                       command(Cmd::OpenOrExecute, u"Open / Execute\tA")})});
    menus.insert(122, {popup(u"Menu", {command(Cmd::AddToList, u"Add to list..."),
                                       command(Cmd::RemoveFromList, u"Remove from list..."),
                                       command(Cmd::OpenWithInformation, u"Informations..."),
                                       command(Cmd::MenuCancel, u"Cancel")})});
    menus.insert(123, {popup(u"Menu", {command(Cmd::MoveUp, u"Move up"), command(Cmd::MoveDown, u"Move down"),
                                       command(Cmd::RemoveFavorite, u"Remove from list..."),
                                       command(Cmd::MenuCancel, u"Cancel")})});
    menus.insert(124, {popup(u"Menu", {command(Cmd::ChangeApplication, u"Change application..."),
                                       command(Cmd::ChangeIcons, u"Change icons..."),
                                       command(Cmd::MenuCancel, u"Cancel")})});
    menus.insert(125, {popup(u"Menu", {command(Cmd::AddFileType, u"Add file type..."),
                                       command(Cmd::EditFileType, u"Edit file type..."),
                                       command(Cmd::DeleteFileType, u"Delete file type...")})});
    menus.insert(126, {popup(u"Yes", {command(Cmd::AnswerYes, u"Yes"), command(Cmd::AnswerYesToAll, u"Yes to all")}),
                       popup(u"No", {command(Cmd::AnswerNo, u"No"), command(Cmd::AnswerNoToAll, u"No to all")})});
    return menus;
}

const QHash<int, QList<MenuItem>>& allMenus()
{
    static const QHash<int, QList<MenuItem>> menus = buildMenus();
    return menus;
}

void collect(const QList<MenuItem>& items, QList<int>& ids)
{
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Command)
            ids.append(item.commandId);
        collect(item.children, ids);
    }
}

}  // namespace

namespace Menus {

const QList<MenuItem>& menu(int menuId)
{
    static const QList<MenuItem> none;
    auto found = allMenus().constFind(menuId);
    return found == allMenus().constEnd() ? none : found.value();
}

QList<int> menuIds()
{
    QList<int> ids = allMenus().keys();
    std::sort(ids.begin(), ids.end());
    return ids;
}

QList<int> commandIds(int menuId)
{
    QList<int> ids;
    collect(menu(menuId), ids);
    return ids;
}

}  // namespace Menus
