#include "resources/Menus.h"

#include "resources/Commands.h"
#include "resources/StringTable.h"

#include <QMap>

namespace Menus {

namespace {

// A command entry takes its text from the command table, so that a text lives in one place.
MenuItem item(int commandId)
{
    return MenuItem{commandId, Cmd::text(commandId), {}};
}

MenuItem separator()
{
    return MenuItem{};
}

MenuItem popup(const QString& text, QList<MenuItem> children)
{
    return MenuItem{0, text, std::move(children)};
}

QList<MenuItem> mainMenu()
{
    using namespace Cmd;
    const MenuItem file = popup(Str::text(Str::File), {
        popup(QStringLiteral("Open"), {item(Open), item(OpenWith), item(Run), separator(), item(ManageFileTypes)}),
        separator(),
        popup(QStringLiteral("New"), {item(NewFile), item(NewFolder)}),
        item(Rename),
        popup(QStringLiteral("Delete"), {item(DeleteCurrent), item(DeleteSelection)}),
        item(Properties),
        item(Encrypt),
        separator(),
        // "&&" is a literal ampersand in a menu text.
        popup(QStringLiteral("Send && Receive"), {item(SendFileEmail), item(SendFileMms), separator(), item(SendFileObex),
                                                  item(SendSelectionObex), separator(), item(ReceiveInfrared)}),
        popup(QStringLiteral("Zip/Unzip"), {item(ZipSelection), item(ZipSelectionAndMail), separator(), item(UnzipHere),
                                            item(UnzipTo), separator(), item(CheckZipAssociation)}),
        separator(),
        item(Quit),
    });
    const MenuItem edit = popup(Str::text(Str::Edit), {
        item(SelectItem),
        item(ClearSelection),
        item(SelectAllInFolder),
        separator(),
        popup(QStringLiteral("Selection"), {item(CutSelection), item(CopySelection), separator(), item(PasteSelection),
                                            item(PasteShortcut)}),
        popup(QStringLiteral("Favorites"), {item(AddFavorite), item(GoToFavorites)}),
        popup(QStringLiteral("View"), {item(Refresh), item(HideStatusBar), separator(), item(PageUp), item(PageDown),
                                       item(ParentFolder), separator(), item(SortByName), item(SortByType), separator(),
                                       item(MarksAsCheckboxes), item(MarksInBold), item(ShowHidden)}),
        item(Find),
        separator(),
        item(About),
    });
    return {file, edit};
}

const QMap<int, QList<MenuItem>>& allMenus()
{
    using namespace Cmd;
    static const QMap<int, QList<MenuItem>> menus = {
        {Main, mainMenu()},
        {SearchResults, {item(NewSearch), item(BackToCriteria), item(RevealInTree), item(OpenOrExecute)}},
        {OpenWith, {item(OpenWithAdd), item(OpenWithRemove), item(OpenWithInformations), item(MenuCancel)}},
        {Favorites, {item(FavoriteMoveUp), item(FavoriteMoveDown), item(FavoriteRemove), item(MenuCancel)}},
        {FileType, {item(FileTypeChangeApplication), item(FileTypeChangeIcons), item(MenuCancel)}},
        {FileTypes, {item(FileTypeAdd), item(FileTypeEdit), item(FileTypeDelete)}},
        {Question, {popup(QStringLiteral("Yes"), {item(QuestionYes), item(QuestionYesToAll)}),
                    popup(QStringLiteral("No"), {item(QuestionNo), item(QuestionNoToAll)})}},
    };
    return menus;
}

}  // namespace

const QList<MenuItem>* menu(int id)
{
    const auto& menus = allMenus();
    const auto found = menus.constFind(id);
    return found == menus.constEnd() ? nullptr : &found.value();
}

QList<int> ids()
{
    return allMenus().keys();
}

}  // namespace Menus
