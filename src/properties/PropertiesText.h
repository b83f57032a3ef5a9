#pragma once

#include <QLocale>
#include <QString>
#include <QTimeZone>

// The texts of the properties page: a folder's count and time stamps (a file's size is
// sizeText(bytes, SizeUnits::File)). No widget.
namespace PropertiesText {

// A folder's count: "12 file(s), 3.4 KB", the total as the bands show sizes.
QString folderSize(qint64 files, qint64 bytes);
// A time stamp (milliseconds since 1970 UTC) in `zone`: the locale's short date, a blank and
// its time with seconds. 0 is a time the file system does not keep: "Unknown".
QString time(qint64 msecsSinceEpoch, const QLocale& locale = QLocale(),
             const QTimeZone& zone = QTimeZone::systemTimeZone());

}  // namespace PropertiesText
