#include "properties/PropertiesText.h"

#include "resources/SizeText.h"
#include "resources/StringTable.h"

#include <QDateTime>

namespace PropertiesText {

QString folderSize(qint64 files, qint64 bytes)
{
    return Str::argInt(Str::FileCount, files) + QStringLiteral(", ") + sizeText(bytes);
}

namespace {

// The locale's long time format says the seconds, but also the time zone, which a file's time
// stamp shown in local time does not need: unquoted "t" letters are dropped.
QString timeFormatWithSeconds(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        result += c;
    }
    return result.simplified();
}

}  // namespace

QString time(qint64 msecsSinceEpoch, const QLocale& locale, const QTimeZone& zone)
{
    if (msecsSinceEpoch == 0)
        return Str::text(Str::TimeUnknown);
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, zone);
    return locale.toString(local.date(), QLocale::ShortFormat) + u' '
           + locale.toString(local.time(), timeFormatWithSeconds(locale));
}

}  // namespace PropertiesText
