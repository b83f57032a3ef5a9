#include "resources/ThemeIcons.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>

namespace {

// One directory of a theme, as its index.theme describes it.
struct ThemeDirectory {
    enum class Type { Fixed, Scalable, Threshold };
    QString path;
    int size = 0;
    int minSize = 0;
    int maxSize = 0;
    int threshold = 2;
    int scale = 1;
    Type type = Type::Threshold;
};

struct Theme {
    bool valid = false;
    QStringList contentFolders;  // the theme's folder in each search path that has one
    QList<ThemeDirectory> directories;
    QStringList parents;
};

// What a theme folder's index.theme says: its directories, in the order of their names, and
// the themes it inherits.
Theme readIndex(const QString& indexFile)
{
    Theme theme;
    QFile file(indexFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return theme;
    std::map<QString, QHash<QString, QString>> sections;
    QHash<QString, QString>* section = nullptr;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = &sections[line.mid(1, line.size() - 2)];
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (section != nullptr && equals > 0)
            section->insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    const auto number = [](const QHash<QString, QString>& values, const QString& key, int fallback) {
        bool ok = false;
        const int value = values.value(key).toInt(&ok);
        return ok ? value : fallback;
    };
    for (const auto& [name, values] : sections) {
        const int size = number(values, QStringLiteral("Size"), 0);
        if (size == 0)
            continue;
        ThemeDirectory directory;
        directory.path = name;
        directory.size = size;
        const QString type = values.value(QStringLiteral("Type"));
        directory.type = type == u"Fixed"      ? ThemeDirectory::Type::Fixed
                         : type == u"Scalable" ? ThemeDirectory::Type::Scalable
                                               : ThemeDirectory::Type::Threshold;
        directory.threshold = number(values, QStringLiteral("Threshold"), 2);
        directory.minSize = number(values, QStringLiteral("MinSize"), size);
        directory.maxSize = number(values, QStringLiteral("MaxSize"), size);
        directory.scale = number(values, QStringLiteral("Scale"), 1);
        theme.directories.append(directory);
    }
    const auto head = sections.find(QStringLiteral("Icon Theme"));
    if (head != sections.end())
        for (const QString& parent : head->second.value(QStringLiteral("Inherits")).split(u','))
            if (!parent.trimmed().isEmpty())
                theme.parents.append(parent.trimmed());
    theme.valid = true;
    return theme;
}

Theme loadTheme(const QString& name)
{
    Theme theme;
    QString indexFile;
    QStringList folders;
    for (const QString& searchPath : QIcon::themeSearchPaths()) {
        const QString folder = searchPath + u'/' + name;
        if (QFileInfo(folder).isDir())
            folders.append(folder);
        if (indexFile.isEmpty() && QFile::exists(folder + QStringLiteral("/index.theme")))
            indexFile = folder + QStringLiteral("/index.theme");
    }
    if (indexFile.isEmpty())
        return theme;
    theme = readIndex(indexFile);
    theme.contentFolders = folders;
    if (theme.parents.isEmpty() && !QIcon::fallbackThemeName().isEmpty())
        theme.parents.append(QIcon::fallbackThemeName());
    if (!theme.parents.contains(QStringLiteral("hicolor")))
        theme.parents.append(QStringLiteral("hicolor"));
    return theme;
}

// The themes read so far; read again when the theme or where themes are looked for changes.
const Theme& themeNamed(const QString& name)
{
    static QString readFor;
    static QHash<QString, Theme> themes;
    const QString now = QIcon::themeName() + u'\n' + QIcon::fallbackThemeName() + u'\n'
                        + QIcon::themeSearchPaths().join(u'\n');
    if (now != readFor) {
        themes.clear();
        readFor = now;
    }
    auto found = themes.find(name);
    if (found == themes.end())
        found = themes.insert(name, loadTheme(name));
    return found.value();
}

struct Entry {
    ThemeDirectory directory;
    QString file;
    bool png = true;
};

// The files of `name` in `themeName`, or else in the first of its parents that has one: PNG
// files first, the last one found first, as Qt's theme engine keeps them.
QList<Entry> findEntries(const QString& themeName, const QString& name, QStringList& visited)
{
    QList<Entry> entries;
    if (themeName.isEmpty() || visited.contains(themeName))
        return entries;
    visited.append(themeName);
    const Theme& theme = themeNamed(themeName);
    if (!theme.valid)
        return entries;
    QList<Entry> others;
    for (const QString& folder : theme.contentFolders) {
        for (const ThemeDirectory& directory : theme.directories) {
            const QString base = folder + u'/' + directory.path + u'/' + name;
            if (QFile::exists(base + QStringLiteral(".png"))) {
                entries.prepend({directory, base + QStringLiteral(".png"), true});
            } else {
                for (const char* suffix : {".svg", ".xpm"}) {
                    if (QFile::exists(base + QLatin1String(suffix))) {
                        others.append({directory, base + QLatin1String(suffix), false});
                        break;
                    }
                }
            }
        }
    }
    entries.append(others);
    if (!entries.isEmpty())
        return entries;
    const QStringList parents = theme.parents;  // a copy: the cache may grow meanwhile
    for (const QString& parent : parents) {
        entries = findEntries(parent, name, visited);
        if (!entries.isEmpty())
            break;
    }
    return entries;
}

bool matchesSize(const ThemeDirectory& directory, int size, int scale)
{
    if (directory.scale != scale)
        return false;
    switch (directory.type) {
    case ThemeDirectory::Type::Fixed: return directory.size == size;
    case ThemeDirectory::Type::Scalable: return directory.minSize <= size && size <= directory.maxSize;
    case ThemeDirectory::Type::Threshold:
        return directory.size - directory.threshold <= size && size <= directory.size + directory.threshold;
    }
    return false;
}

int sizeDistance(const ThemeDirectory& directory, int size, int scale)
{
    const int scaled = size * scale;
    switch (directory.type) {
    case ThemeDirectory::Type::Fixed: return std::abs(directory.size * directory.scale - scaled);
    case ThemeDirectory::Type::Scalable:
        if (scaled < directory.minSize * directory.scale)
            return directory.minSize * directory.scale - scaled;
        if (scaled > directory.maxSize * directory.scale)
            return scaled - directory.maxSize * directory.scale;
        return 0;
    case ThemeDirectory::Type::Threshold:
        if (scaled < (directory.size - directory.threshold) * directory.scale)
            return directory.minSize * directory.scale - scaled;
        if (scaled > (directory.size + directory.threshold) * directory.scale)
            return scaled - directory.maxSize * directory.scale;
        return 0;
    }
    return INT_MAX;
}

// An icon whose every file is a PNG file; each is read once, with the PNG reader only.
class PngThemeEngine : public QIconEngine {
public:
    PngThemeEngine(const QString& name, const QList<Entry>& entries) : m_name(name)
    {
        for (const Entry& entry : entries)
            m_entries.append({entry.directory, entry.file, {}});
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const File* file = fileFor(size, 1);
        if (file == nullptr)
            return {0, 0};
        const int side = std::min(file->directory.size * file->directory.scale, std::min(size.width(), size.height()));
        return {side, side};
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        File* file = fileFor(size, 1);
        return file == nullptr ? QPixmap() : pixmapOf(*file, size, mode);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int integerScale = static_cast<int>(std::ceil(scale));
        File* file = fileFor(size / integerScale, integerScale);
        return file == nullptr ? QPixmap() : pixmapOf(*file, size, mode);
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, scaledPixmap(rect.size() * ratio, mode, state, ratio));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const File& file : m_entries)
            sizes.append(QSize(file.directory.size, file.directory.size));
        return sizes;
    }

    QIconEngine* clone() const override { return new PngThemeEngine(*this); }
    QString key() const override { return QStringLiteral("PngThemeEngine"); }
    QString iconName() override { return m_name; }
    bool isNull() override { return m_entries.isEmpty(); }

private:
    struct File {
        ThemeDirectory directory;
        QString path;
        QPixmap base;
    };

    // The file Qt's theme engine picks: the first whose directory is made for the size, or
    // else the first of those nearest to it.
    File* fileFor(const QSize& size, int scale)
    {
        const int side = std::min(size.width(), size.height());
        for (File& file : m_entries)
            if (matchesSize(file.directory, side, scale))
                return &file;
        File* nearest = nullptr;
        int nearestDistance = INT_MAX;
        for (File& file : m_entries) {
            const int distance = sizeDistance(file.directory, side, scale);
            if (distance < nearestDistance) {
                nearestDistance = distance;
                nearest = &file;
            }
        }
        return nearest;
    }

    // The file's picture, made smaller (never larger) to fit `size`, as the style shows it in
    // `mode`.
    static QPixmap pixmapOf(File& file, const QSize& size, QIcon::Mode mode)
    {
        if (file.base.isNull()) {
            QImageReader reader(file.path, "png");
            reader.setAutoDetectImageFormat(false);
            file.base = QPixmap::fromImage(reader.read());
        }
        QSize fitted = file.base.size();
        if (!fitted.isNull() && (fitted.width() > size.width() || fitted.height() > size.height()))
            fitted.scale(size, Qt::KeepAspectRatio);
        const QString key = QStringLiteral("fennick_theme_%1_%2_%3_%4x%5")
                                .arg(file.base.cacheKey())
                                .arg(static_cast<int>(mode))
                                .arg(QGuiApplication::palette().cacheKey())
                                .arg(fitted.width())
                                .arg(fitted.height());
        QPixmap pixmap;
        if (QPixmapCache::find(key, &pixmap))
            return pixmap;
        pixmap = file.base.size() == fitted ? file.base
                                            : file.base.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
            QStyleOption option(0);
            option.palette = QGuiApplication::palette();
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        QPixmapCache::insert(key, pixmap);
        return pixmap;
    }

    QString m_name;
    QList<File> m_entries;
};

}  // namespace

namespace ThemeIcons {

QIcon fromTheme(const QString& name)
{
    QStringList visited;
    QList<Entry> entries = findEntries(QIcon::themeName(), name, visited);
    if (entries.isEmpty())
        entries = findEntries(QIcon::fallbackThemeName(), name, visited);
    const bool allPng = std::all_of(entries.cbegin(), entries.cend(), [](const Entry& entry) { return entry.png; });
    if (entries.isEmpty() || !allPng)
        return QIcon::fromTheme(name);
    return QIcon(new PngThemeEngine(name, entries));
}

bool has(const QString& name)
{
    QStringList visited;
    if (!findEntries(QIcon::themeName(), name, visited).isEmpty()
        || !findEntries(QIcon::fallbackThemeName(), name, visited).isEmpty())
        return true;
    // Qt's last resort: a picture of that name in a fallback search path.
    for (const QString& folder : QIcon::fallbackSearchPaths())
        for (const char* suffix : {".png", ".svg", ".xpm"})
            if (QFile::exists(folder + u'/' + name + QLatin1String(suffix)))
                return true;
    return false;
}

}  // namespace ThemeIcons
