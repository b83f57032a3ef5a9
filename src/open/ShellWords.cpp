#include "open/ShellWords.h"

namespace ShellWords {

QStringList split(const QString& text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            const qsizetype end = text.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? text.size() : end;
            word += text.mid(i + 1, stop - i - 1);
            i = stop;
        } else if (c == u'"') {
            for (++i; i < text.size() && text.at(i) != u'"'; ++i) {
                if (text.at(i) == u'\\' && i + 1 < text.size() && QStringView(u"\\\"$`").contains(text.at(i + 1)))
                    ++i;
                word += text.at(i);
            }
        } else if (c == u'\\') {
            if (i + 1 < text.size())
                word += text.at(++i);
        } else {
            word += c;
        }
    }
    if (inWord)
        words << word;
    return words;
}

}  // namespace ShellWords
