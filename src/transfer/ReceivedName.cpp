#include "transfer/ReceivedName.h"

#include <QRegularExpression>
#include <QStringList>

namespace ReceivedName {

namespace {

// The longest start of `text` whose UTF-8 takes at most `bytes`, never splitting a pair.
QString fitting(const QString& text, int bytes)
{
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size();
        const qsizetype units = pair ? 2 : 1;
        const int size = static_cast<int>(text.mid(end, units).toUtf8().size());
        if (used + size > bytes)
            break;
        used += size;
        end += units;
    }
    return text.left(end);
}

}  // namespace

QString neutralise(const QString& sent)
{
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    QString name;
    const QStringList parts = sent.split(separators, Qt::SkipEmptyParts);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part)
        if (*part != u"." && *part != u"..") {
            name = *part;
            break;
        }
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'_';
    if (name.isEmpty())
        return QString::fromUtf16(Fallback);
    if (name.toUtf8().size() <= MaxBytes)
        return name;
    // The extension says what the file is; it is kept when it is short enough to leave room.
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const int extensionBytes = static_cast<int>(extension.toUtf8().size());
    if (!extension.isEmpty() && extensionBytes <= 32)
        return fitting(name.left(dot), MaxBytes - extensionBytes) + extension;
    return fitting(name, MaxBytes);
}

}  // namespace ReceivedName
