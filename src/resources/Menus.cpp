#include "resources/Menus.h"

#include "resources/Commands.h"
#include "resources/StringTable.h"

#include <QMap>

namespace Menus {

namespace {

// A command entry takes its text from the command table, so that a text lives in one place.
MenuItem item(int commandId) { return MenuItem{commandId, Cmd::text(commandId), {}}; }

MenuItem separator() { return MenuItem{}; }

MenuItem popup(const QString& text, QList<MenuItem> children) { return MenuItem{0, text, std::move(children)}; }

QList<MenuItem> mainMenu()
{
    const MenuItem open = popup(QStringLiteral("Open"), {
                                                            item(Cmd::Open),
                                                            item(Cmd::OpenWith),
                                                            item(Cmd::Run),
                                                            separator(),
                                                            item(Cmd::ManageFileTypes),
                                                        });
    const MenuItem create = popup(QStringLiteral("New"), {item(Cmd::NewFile), item(Cmd::NewFolder)});
    const MenuItem remove = popup(QStringLiteral("Delete"), {item(Cmd::DeleteCurrent), item(Cmd::DeleteSelection)});
    // "&&" is a literal ampersand in a menu text.
    const MenuItem sendReceive = popup(QStringLiteral("Send && Receive"), {
                                                                              item(Cmd::SendFileEmail),
                                                                              item(Cmd::SendFileMms),
                                                                              separator(),
                                                                              item(Cmd::SendFileObex),
                                                                              item(Cmd::SendSelectionObex),
                                                                              separator(),
                                                                              item(Cmd::ReceiveInfrared),
                                                                          });
    const MenuItem zip = popup(QStringLiteral("Zip/Unzip"), {
                                                                item(Cmd::ZipSelection),
                                                                item(Cmd::ZipSelectionAndMail),
                                                                separator(),
                                                                item(Cmd::UnzipHere),
                                                                item(Cmd::UnzipTo),
                                                                separator(),
                                                                item(Cmd::CheckZipAssociation),
                                                            });
    const MenuItem file = popup(Str::text(Str::File), {
                                                          open,
                                                          separator(),
                                                          create,
                                                          item(Cmd::Rename),
                                                          remove,
                                                          item(Cmd::Properties),
                                                          item(Cmd::Encrypt),
                                                          separator(),
                                                          sendReceive,
                                                          zip,
                                                          separator(),
                                                          item(Cmd::Quit),
                                                      });

    const MenuItem selection = popup(QStringLiteral("Selection"), {
                                                                      item(Cmd::CutSelection),
                                                                      item(Cmd::CopySelection),
                                                                      separator(),
                                                                      item(Cmd::PasteSelection),
                                                                      item(Cmd::PasteShortcut),
                                                                  });
    const MenuItem favorites = popup(QStringLiteral("Favorites"), {item(Cmd::AddFavorite), item(Cmd::GoToFavorites)});
    const MenuItem view = popup(QStringLiteral("View"), {
                                                            item(Cmd::Refresh),
                                                            item(Cmd::HideStatusBar),
                                                            separator(),
                                                            item(Cmd::PageUp),
                                                            item(Cmd::PageDown),
                                                            item(Cmd::ParentFolder),
                                                            separator(),
                                                            item(Cmd::SortByName),
                                                            item(Cmd::SortByType),
                                                            separator(),
                                                            item(Cmd::MarksAsCheckboxes),
                                                            item(Cmd::MarksInBold),
                                                            item(Cmd::ShowHidden),
                                                        });
    const MenuItem edit = popup(Str::text(Str::Edit), {
                                                          item(Cmd::SelectItem),
                                                          item(Cmd::ClearSelection),
                                                          item(Cmd::SelectAllInFolder),
                                                          separator(),
                                                          selection,
                                                          favorites,
                                                          view,
                                                          item(Cmd::Find),
                                                          separator(),
                                                          item(Cmd::About),
                                                      });
    return {file, edit};
}

const QMap<int, QList<MenuItem>>& allMenus()
{
    static const QMap<int, QList<MenuItem>> menus = {
        {Main, mainMenu()},
        {SearchResults,
         {item(Cmd::NewSearch), item(Cmd::BackToCriteria), item(Cmd::RevealInTree), item(Cmd::OpenOrExecute)}},
        {OpenWith,
         {item(Cmd::OpenWithAdd), item(Cmd::OpenWithRemove), item(Cmd::OpenWithInformations), item(Cmd::MenuCancel)}},
        {Favorites,
         {item(Cmd::FavoriteMoveUp), item(Cmd::FavoriteMoveDown), item(Cmd::FavoriteRemove), item(Cmd::MenuCancel)}},
        {FileType, {item(Cmd::FileTypeChangeApplication), item(Cmd::FileTypeChangeIcons), item(Cmd::MenuCancel)}},
        {FileTypes, {item(Cmd::FileTypeAdd), item(Cmd::FileTypeEdit), item(Cmd::FileTypeDelete)}},
        {Question,
         {popup(QStringLiteral("Yes"), {item(Cmd::QuestionYes), item(Cmd::QuestionYesToAll)}),
          popup(QStringLiteral("No"), {item(Cmd::QuestionNo), item(Cmd::QuestionNoToAll)})}},
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

QList<int> ids() { return allMenus().keys(); }

}  // namespace Menus
