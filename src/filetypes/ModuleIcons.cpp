#include "filetypes/ModuleIcons.h"

#include "filetypes/PeIcons.h"
#include "open/DesktopEntry.h"
#include "platform/RegularFile.h"
#include "resources/ThemeIcons.h"

#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>

namespace {

// Reading stops here: no program file that carries icons for a file type is this large, and
// the whole module is held in memory while its resources are read.
constexpr qint64 MostModuleBytes = 256ll * 1024 * 1024;
// An icon file of a desktop entry is a picture of some kilobytes.
constexpr qint64 MostIconBytes = 16ll * 1024 * 1024;

QIcon desktopIcon(const QString& path)
{
    if (path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive)) {
        DesktopEntry entry;
        if (entry.load(path) && !entry.icon().isEmpty()) {
            if (entry.icon().startsWith(u'/')) {
                // Read here, and only when regular: an icon named by its path would otherwise
                // be opened when it is painted, on the user-interface thread.
                QByteArray bytes;
                QPixmap picture;
                if (platform::readRegularFile(QFile::encodeName(entry.icon()), platform::Links::Follow, MostIconBytes,
                                              bytes)
                        == platform::FsError::None
                    && picture.loadFromData(bytes))
                    return QIcon(picture);
            } else {
                const QIcon themed = ThemeIcons::fromTheme(entry.icon());
                if (!themed.isNull())
                    return themed;
            }
        }
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    QIcon icon = ThemeIcons::fromTheme(type.iconName());
    if (icon.isNull())
        icon = ThemeIcons::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = ThemeIcons::fromTheme(QStringLiteral("application-x-executable"));
    return icon;
}

}  // namespace

namespace ModuleIcons {

QList<Icon> load(const QString& module)
{
    QString path = module.trimmed();
    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
        path = path.mid(1, path.size() - 2);
    // Opened without waiting and only when regular: a module named by the user may be a pipe.
    QFile file;
    if (path.isEmpty()
        || platform::openRegularFile(QFile::encodeName(path), platform::Links::Follow, file) != platform::FsError::None)
        return {};
    QList<Icon> icons;
    PeIcons pe;
    if (file.size() <= MostModuleBytes && file.peek(2) == "MZ" && pe.read(file.readAll())) {
        for (const int number : pe.groupIconIds()) {
            const QImage image = QImage::fromData(pe.iconFile(number), "ICO");
            if (!image.isNull())
                icons.append({number, QIcon(QPixmap::fromImage(image))});
        }
        return icons;
    }
    icons.append({1, desktopIcon(path)});
    return icons;
}

}  // namespace ModuleIcons
