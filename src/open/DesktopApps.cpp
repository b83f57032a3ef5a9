#include "open/DesktopApps.h"

#include "open/DesktopEntry.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStringList>

namespace DesktopApps {

namespace {

// A list of default applications is a few kilobytes; a larger file is not read.
constexpr qint64 MostListBytes = 4 * 1024 * 1024;

// The desktop ids a list file names for any of `types` in the sections that open files.
QStringList namedIn(const QString& listFile, const QStringList& types)
{
    // Read only when it is a regular file: a pipe put in its place must not hold the window.
    QByteArray bytes;
    if (platform::readRegularFile(QFile::encodeName(listFile), platform::Links::Follow, MostListBytes, bytes)
        != platform::FsError::None)
        return {};
    QStringList ids;
    bool opening = false;
    for (const QByteArray& bytesOfLine : bytes.split('\n')) {
        const QString line = QString::fromUtf8(bytesOfLine).trimmed();
        if (line.startsWith(u'[')) {
            opening = line == u"[Default Applications]" || line == u"[Added Associations]" || line == u"[MIME Cache]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!opening || equals <= 0 || !types.contains(line.left(equals).trimmed()))
            continue;
        for (const QString& id : line.mid(equals + 1).split(u';', Qt::SkipEmptyParts))
            ids << id.trimmed();
    }
    return ids;
}

}  // namespace

bool hasDefaultFor(const QByteArray& hostPath)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QFile::decodeName(hostPath));
    if (!type.isValid())
        return false;
    QStringList types = QStringList{type.name()} + type.aliases() + type.allAncestors();
    const QStringList applications = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << folder + QStringLiteral("/mimeapps.list");
    for (const QString& folder : applications)
        lists << folder + QStringLiteral("/mimeapps.list") << folder + QStringLiteral("/mimeinfo.cache");
    for (const QString& list : lists) {
        for (const QString& id : namedIn(list, types)) {
            // A desktop id "vendor-app.desktop" may live as "vendor/app.desktop". An application
            // that cannot start here (its program gone, or no terminal for a terminal program)
            // opens nothing: the desktop's opener would fail with it.
            QStringList names{id};
            if (id.contains(u'-'))
                names << QString(id).replace(u'-', u'/');
            for (const QString& folder : applications) {
                for (const QString& name : names) {
                    DesktopEntry entry;
                    if (entry.load(folder + u'/' + name) && entry.canStart())
                        return true;
                }
            }
        }
    }
    return false;
}

}  // namespace DesktopApps
