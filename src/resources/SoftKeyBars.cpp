#include "resources/SoftKeyBars.h"

#include "resources/Commands.h"
#include "resources/StringTable.h"

#include <QList>

namespace SoftKeyBars {

namespace {

SoftKey plain(const QString& label, int command) { return {label, command, -1}; }
SoftKey dropDown(const QString& label, int popup) { return {label, 0, popup}; }
QString text(const char* label) { return QString::fromLatin1(label); }

QList<SoftKeyBarData> buildBars()
{
    const SoftKey done = plain(text("Done"), Cmd::Ok);
    const SoftKey cancel = plain(text("Cancel"), Cmd::DialogCancel);
    const SoftKey menu = dropDown(text("Menu"), 0);
    return {
        {1, 2, dropDown(Str::text(Str::File), 0), dropDown(Str::text(Str::Edit), 1)},
        {2, 2, done, cancel},
        {3, 2, cancel, {}},
        {4, 2, done, {}},
        {5, 2, plain(text("Delete"), Cmd::Ok), cancel},
        {7, 2, plain(text("Find"), Cmd::Ok), cancel},
        {8, 121, plain(text("Stop"), Cmd::Stop), menu},
        {9, 122, plain(text("Open"), Cmd::Ok), menu},
        {10, 2, plain(text("Run"), Cmd::Ok), cancel},
        {11, 123, plain(text("Go to"), Cmd::Ok), menu},
        {12, 2, plain(text("Send"), Cmd::Ok), cancel},
        {13, 124, done, menu},
        {14, 125, done, menu},
        {15, 126, dropDown(text("Yes"), 0), dropDown(text("No"), 1)},
    };
}

}  // namespace

const SoftKeyBarData* bar(int barId)
{
    static const QList<SoftKeyBarData> bars = buildBars();
    for (const SoftKeyBarData& data : bars)
        if (data.id == barId)
            return &data;
    return nullptr;
}

}  // namespace SoftKeyBars
