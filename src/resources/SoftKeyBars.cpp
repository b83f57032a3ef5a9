#include "resources/SoftKeyBars.h"

#include "resources/Commands.h"
#include "resources/Menus.h"
#include "resources/StringTable.h"

#include <QMap>

QString SoftKeyButton::labelText() const { return labelStringId != 0 ? Str::text(labelStringId) : label; }

namespace SoftKeyBars {

namespace {

SoftKeyButton plain(const QString& label, int commandId)
{
    SoftKeyButton button;
    button.label = label;
    button.commandId = commandId;
    return button;
}

SoftKeyButton dropDown(const QString& label, int popupIndex, int placeholderId = 0)
{
    SoftKeyButton button;
    button.label = label;
    button.commandId = placeholderId;
    button.dropDown = true;
    button.popupIndex = popupIndex;
    return button;
}

SoftKeyButton dropDownFromString(int labelStringId, int popupIndex, int placeholderId)
{
    SoftKeyButton button = dropDown(QString(), popupIndex, placeholderId);
    button.labelStringId = labelStringId;
    return button;
}

const QMap<int, SoftKeyBarData>& allBars()
{
    static const QMap<int, SoftKeyBarData> bars = [] {
        const QString done = QStringLiteral("Done");
        const QString cancel = QStringLiteral("Cancel");
        const QString menu = QStringLiteral("Menu");
        const int whole = SoftKeyButton::WholeMenu;
        const QList<SoftKeyBarData> list = {
            {Main,
             Menus::Main,
             {dropDownFromString(Str::File, 0, Cmd::FileButton), dropDownFromString(Str::Edit, 1, Cmd::EditButton)}},
            {DoneCancel, Menus::Main, {plain(done, Cmd::Ok), plain(cancel, Cmd::DialogCancel)}},
            {CancelOnly, Menus::Main, {plain(cancel, Cmd::DialogCancel)}},
            {DoneOnly, Menus::Main, {plain(done, Cmd::Ok)}},
            {DeleteCancel, Menus::Main, {plain(QStringLiteral("Delete"), Cmd::Ok), plain(cancel, Cmd::DialogCancel)}},
            {FindCancel, Menus::Main, {plain(QStringLiteral("Find"), Cmd::Ok), plain(cancel, Cmd::DialogCancel)}},
            {SearchResults, Menus::SearchResults, {plain(QStringLiteral("Stop"), Cmd::Stop), dropDown(menu, whole)}},
            {OpenWith, Menus::OpenWith, {plain(QStringLiteral("Open"), Cmd::Ok), dropDown(menu, whole)}},
            {RunCancel, Menus::Main, {plain(QStringLiteral("Run"), Cmd::Ok), plain(cancel, Cmd::DialogCancel)}},
            {Favorites, Menus::Favorites, {plain(QStringLiteral("Go to"), Cmd::Ok), dropDown(menu, whole)}},
            {SendCancel, Menus::Main, {plain(QStringLiteral("Send"), Cmd::Ok), plain(cancel, Cmd::DialogCancel)}},
            {FileType, Menus::FileType, {plain(done, Cmd::Ok), dropDown(menu, whole)}},
            {FileTypes, Menus::FileTypes, {plain(done, Cmd::Ok), dropDown(menu, whole)}},
            {Question, Menus::Question, {dropDown(QStringLiteral("Yes"), 0), dropDown(QStringLiteral("No"), 1)}},
        };
        QMap<int, SoftKeyBarData> map;
        for (const SoftKeyBarData& data : list)
            map.insert(data.id, data);
        return map;
    }();
    return bars;
}

}  // namespace

const SoftKeyBarData* bar(int id)
{
    const auto& bars = allBars();
    const auto found = bars.constFind(id);
    return found == bars.constEnd() ? nullptr : &found.value();
}

QList<int> ids() { return allBars().keys(); }

}  // namespace SoftKeyBars
