#include "fileops/ShortcutFile.h"

namespace ShortcutFile {

namespace {
// No shortcut points further than this; a larger count is refused, not trusted.
constexpr qsizetype MaxTarget = 4096;
}  // namespace

QByteArray encode(const QString& target) { return QByteArray::number(target.size()) + '#' + target.toUtf8(); }

bool decode(const QByteArray& bytes, QString& target)
{
    const qsizetype hash = bytes.indexOf('#');
    if (hash <= 0 || hash > 5)
        return false;
    bool ok = false;
    const qsizetype count = bytes.left(hash).toLongLong(&ok);
    if (!ok || count < 0 || count > MaxTarget)
        return false;
    // Line ends after the target are allowed, as text editors add them.
    const QString text = QString::fromUtf8(bytes.mid(hash + 1)).trimmed();
    if (text.size() != count)
        return false;
    target = text;
    return true;
}

}  // namespace ShortcutFile
