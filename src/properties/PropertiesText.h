#pragma once

#include <QLocale>
#include <QString>
#include <QTimeZone>

// The texts of the properties page: sizes and time stamps. No widget.
namespace PropertiesText {

// A file's size: "%d bytes" below 1024, "%.1f KB" up to 1048576 bytes inclusive, "%.2f MB"
// above. 64-bit: a 5 GiB file is not shown as 1 GiB.
QString fileSize(qint64 bytes);
// A folder's count: "12 file(s), 3.4 KB", the total as the bands show sizes.
QString folderSize(qint64 files, qint64 bytes);
// A time stamp (milliseconds since 1970 UTC) in `zone`: the locale's short date, a blank and
// its time with seconds. 0 is a time the file system does not keep: "Unknown".
QString time(qint64 msecsSinceEpoch, const QLocale& locale = QLocale(),
             const QTimeZone& zone = QTimeZone::systemTimeZone());

}  // namespace PropertiesText
