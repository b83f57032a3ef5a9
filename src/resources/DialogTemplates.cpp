#include "resources/DialogTemplates.h"

#include "resources/SoftKeyBars.h"

#include <QMap>

namespace DialogTemplates {

namespace {

const QMap<int, DialogTemplate>& allTemplates()
{
    static const QMap<int, DialogTemplate> templates = [] {
        constexpr BackKeyMode Forward = BackKeyMode::ForwardToEdit;
        constexpr BackKeyMode Overridden = BackKeyMode::Overridden;
        constexpr BackKeyMode None = BackKeyMode::None;
        namespace Bar = SoftKeyBars;
        // id, title, bar, Back key, tells a full-screen failure, tells a bar failure
        const QList<DialogTemplate> list = {
            {NewItem, QStringLiteral("New file/folder"), Bar::DoneCancel, Forward, false, false},
            {Receiving, QStringLiteral("Receiving..."), Bar::CancelOnly, None, false, false},
            {Sending, QStringLiteral("Sending..."), Bar::CancelOnly, None, false, false},
            {Properties, QStringLiteral("Properties"), Bar::DoneCancel, None, false, false},
            // The about box has no title of its own; it borrows its menu item's words.
            {About, QStringLiteral("About Fennick"), Bar::DoneOnly, None, false, false},
            {DeleteSelection, QStringLiteral("Delete selection..."), Bar::DeleteCancel, None, false, true},
            {SearchCriteria, QStringLiteral("Search criteria"), Bar::FindCancel, Forward, true, true},
            {SearchResults, QStringLiteral("Search results"), Bar::SearchResults, Overridden, true, true},
            {CreateZip, QStringLiteral("Create ZIP file"), Bar::DoneCancel, Forward, true, true},
            {ZipProgress, QStringLiteral("Zip/Unzip progress..."), Bar::CancelOnly, Overridden, true, true},
            {SelectFolder, QStringLiteral("Select folder"), Bar::DoneCancel, None, false, false},
            {OpenWith, QStringLiteral("Open with..."), Bar::OpenWith, None, true, true},
            {RunCommand, QStringLiteral("Run command"), Bar::RunCancel, Forward, false, false},
            {Favorites, QStringLiteral("Favorites"), Bar::Favorites, None, true, true},
            {SendTo, QStringLiteral("Send to..."), Bar::SendCancel, None, false, false},
            {FileType, QStringLiteral("File type properties"), Bar::FileType, Forward, true, false},
            {FileTypes, QStringLiteral("File types"), Bar::FileTypes, None, false, false},
            // The question box sets its title when it runs.
            {Question, QString(), Bar::Question, None, false, false},
            {Crypt, QStringLiteral("Crypt file"), Bar::DoneCancel, Forward, true, true},
            {Decrypt, QStringLiteral("Decrypt file"), Bar::DoneCancel, Forward, true, true},
            {SendEmail, QStringLiteral("Send file by email..."), Bar::DoneCancel, None, true, true},
        };
        QMap<int, DialogTemplate> map;
        for (const DialogTemplate& entry : list)
            map.insert(entry.id, entry);
        return map;
    }();
    return templates;
}

}  // namespace

const DialogTemplate* find(int id)
{
    const auto& templates = allTemplates();
    const auto found = templates.constFind(id);
    return found == templates.constEnd() ? nullptr : &found.value();
}

DialogTemplate progressPage(const QString& title)
{
    return DialogTemplate{0, title, SoftKeyBars::CancelOnly, BackKeyMode::Overridden, false, false};
}

QList<int> ids() { return allTemplates().keys(); }

}  // namespace DialogTemplates
