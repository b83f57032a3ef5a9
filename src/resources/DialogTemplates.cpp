#include "resources/DialogTemplates.h"

#include <QMap>

namespace DialogTemplates {

namespace {

const QMap<int, DialogTemplate>& allTemplates()
{
    static const QMap<int, DialogTemplate> templates = [] {
        constexpr BackKeyMode Forward = BackKeyMode::ForwardToEdit;
        constexpr BackKeyMode Overridden = BackKeyMode::Overridden;
        constexpr BackKeyMode None = BackKeyMode::None;
        // id, title, bar, Back key, tells a full-screen failure, tells a bar failure
        const QList<DialogTemplate> list = {
            {NewItem, QStringLiteral("New file/folder"), 2, Forward, false, false},
            {Receiving, QStringLiteral("Receiving..."), 3, None, false, false},
            {Sending, QStringLiteral("Sending..."), 3, None, false, false},
            {Properties, QStringLiteral("Properties"), 2, None, false, false},
            // The about box has no title of its own; it borrows its menu item's words.
            {About, QStringLiteral("About Fennick"), 4, None, false, false},
            {DeleteSelection, QStringLiteral("Delete selection..."), 5, None, false, true},
            {SearchCriteria, QStringLiteral("Search criteria"), 7, Forward, true, true},
            {SearchResults, QStringLiteral("Search results"), 8, Overridden, true, true},
            {CreateZip, QStringLiteral("Create ZIP file"), 2, Forward, true, true},
            {ZipProgress, QStringLiteral("Zip/Unzip progress..."), 3, Overridden, true, true},
            {SelectFolder, QStringLiteral("Select folder"), 2, None, false, false},
            {OpenWith, QStringLiteral("Open with..."), 9, None, true, true},
            {RunCommand, QStringLiteral("Run command"), 10, Forward, false, false},
            {Favorites, QStringLiteral("Favorites"), 11, None, true, true},
            {SendTo, QStringLiteral("Send to..."), 12, None, false, false},
            {FileType, QStringLiteral("File type properties"), 13, Forward, true, false},
            {FileTypes, QStringLiteral("File types"), 14, None, false, false},
            // The question box sets its title when it runs.
            {Question, QString(), 15, None, false, false},
            {Crypt, QStringLiteral("Crypt file"), 2, Forward, true, true},
            {Decrypt, QStringLiteral("Decrypt file"), 2, Forward, true, true},
            {SendEmail, QStringLiteral("Send file by email..."), 2, None, true, true},
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

QList<int> ids()
{
    return allTemplates().keys();
}

}  // namespace DialogTemplates
