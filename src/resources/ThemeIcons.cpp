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
#include <memory>
#include <vector>

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

// The index a theme folder may carry of which of its directories hold each icon name (GTK's
// icon-theme.cache, which Qt reads too), so that a name is looked up without a look at every
// directory. Used only while no directory it lists is newer than it, as Qt uses it.
class IconCache {
public:
    explicit IconCache(const QString& folder) : m_file(folder + QStringLiteral("/icon-theme.cache"))
    {
        const QFileInfo info(m_file.fileName());
        if (!info.exists() || info.lastModified() < QFileInfo(folder).lastModified())
            return;
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        m_size = m_file.size();
        m_data = m_file.map(0, m_size);
        if (m_data == nullptr || m_size < 12 || read16(0) != 1 || read16(2) != 0)
            return;
        const quint32 directories = read32(8);
        const quint32 count = read32(directories);
        for (quint32 i = 0; i < count; ++i) {
            const quint32 offset = read32(directories + 4 + 4 * i);
            if (offset >= m_size
                || info.lastModified() < QFileInfo(folder + u'/' + QString::fromUtf8(text(offset))).lastModified())
                return;
        }
        m_valid = true;
    }
    IconCache(const IconCache&) = delete;
    IconCache& operator=(const IconCache&) = delete;

    bool isValid() const { return m_valid; }

    // The directories that hold `name`, in the index's order.
    QStringList directoriesOf(const QString& name) const
    {
        QStringList found;
        const QByteArray key = name.toUtf8();
        const quint32 hashTable = read32(4);
        const quint32 buckets = read32(hashTable);
        if (!m_valid || buckets == 0)
            return found;
        quint32 icon = read32(hashTable + 4 + 4 * (hash(key.constData()) % buckets));
        for (int steps = 0; icon != 0xffffffff && icon < m_size && steps < 100000; ++steps) {
            if (key == text(read32(icon + 4))) {
                const quint32 directories = read32(8);
                const quint32 images = read32(icon + 8);
                const quint32 count = read32(images);
                for (quint32 i = 0; i < count; ++i)
                    found.append(QString::fromUtf8(text(read32(directories + 4 + 4 * read16(images + 4 + 8 * i)))));
                break;
            }
            icon = read32(icon);
        }
        return found;
    }

private:
    // The name hash of the index's own format, over signed characters.
    static quint32 hash(const char* name)
    {
        quint32 value = static_cast<quint32>(static_cast<signed char>(*name));
        for (const char* p = name + 1; *p != '\0'; ++p)
            value = (value << 5) - value + static_cast<quint32>(static_cast<signed char>(*p));
        return value;
    }
    // Every read is checked against the end: a damaged index reads as zeros, never beyond.
    quint16 read16(quint32 offset) const
    {
        if (m_data == nullptr || offset + 2 > m_size)
            return 0;
        return static_cast<quint16>((m_data[offset] << 8) | m_data[offset + 1]);
    }
    quint32 read32(quint32 offset) const
    {
        if (m_data == nullptr || offset + 4 > m_size)
            return 0;
        return (quint32(m_data[offset]) << 24) | (quint32(m_data[offset + 1]) << 16)
               | (quint32(m_data[offset + 2]) << 8) | quint32(m_data[offset + 3]);
    }
    QByteArray text(quint32 offset) const
    {
        if (m_data == nullptr || offset >= m_size)
            return {};
        const auto* start = reinterpret_cast<const char*>(m_data + offset);
        return QByteArray(start, qstrnlen(start, static_cast<size_t>(m_size - offset)));
    }

    QFile m_file;
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
    bool m_valid = false;
};

struct Theme {
    bool valid = false;
    QStringList contentFolders;                      // the theme's folder in each search path that has one
    std::vector<std::shared_ptr<IconCache>> caches;  // one for each content folder
    QList<ThemeDirectory> directories;
    QStringList parents;
};

// What a theme folder's index.theme says: its directories, in the order of their names, and
// the themes it inherits. Read over its bytes, keeping only the few keys looked at: hicolor's
// index alone has some 650 sections.
Theme readIndex(const QString& indexFile)
{
    Theme theme;
    QFile file(indexFile);
    if (!file.open(QIODevice::ReadOnly))
        return theme;
    const QByteArray text = file.readAll();
    struct Section {
        QByteArray name;
        ThemeDirectory directory;
        bool hasMinSize = false;
        bool hasMaxSize = false;
    };
    std::vector<Section> sections;
    QByteArray inherits;
    bool inHead = false;
    const auto number = [](QByteArrayView value, int fallback) {
        bool ok = false;
        const int parsed = value.trimmed().toInt(&ok);
        return ok ? parsed : fallback;
    };
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = QByteArrayView(text).sliced(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            const QByteArrayView name = line.sliced(1, line.size() - 2);
            inHead = name == "Icon Theme";
            if (!inHead)
                sections.push_back({name.toByteArray(), {}, false, false});
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArrayView key = line.first(equals).trimmed();
        const QByteArrayView value = line.sliced(equals + 1).trimmed();
        if (inHead) {
            if (key == "Inherits")
                inherits = value.toByteArray();
            continue;
        }
        if (sections.empty())
            continue;
        Section& section = sections.back();
        ThemeDirectory& directory = section.directory;
        if (key == "Size") {
            directory.size = number(value, 0);
        } else if (key == "Type") {
            directory.type = value == "Fixed"      ? ThemeDirectory::Type::Fixed
                             : value == "Scalable" ? ThemeDirectory::Type::Scalable
                                                   : ThemeDirectory::Type::Threshold;
        } else if (key == "Threshold") {
            directory.threshold = number(value, 2);
        } else if (key == "MinSize") {
            directory.minSize = number(value, 0);
            section.hasMinSize = true;
        } else if (key == "MaxSize") {
            directory.maxSize = number(value, 0);
            section.hasMaxSize = true;
        } else if (key == "Scale") {
            directory.scale = number(value, 1);
        }
    }
    std::sort(sections.begin(), sections.end(),
              [](const Section& left, const Section& right) { return left.name < right.name; });
    for (Section& section : sections) {
        ThemeDirectory& directory = section.directory;
        if (directory.size == 0)
            continue;
        directory.path = QString::fromUtf8(section.name);
        if (!section.hasMinSize)
            directory.minSize = directory.size;
        if (!section.hasMaxSize)
            directory.maxSize = directory.size;
        theme.directories.append(directory);
    }
    for (const QByteArray& parent : inherits.split(','))
        if (!parent.trimmed().isEmpty())
            theme.parents.append(QString::fromUtf8(parent.trimmed()));
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
    for (const QString& folder : folders)
        theme.caches.push_back(std::make_shared<IconCache>(folder));
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
    for (size_t i = 0; i < theme.caches.size(); ++i) {
        const QString& folder = theme.contentFolders.at(static_cast<qsizetype>(i));
        QList<const ThemeDirectory*> directories;
        if (theme.caches[i]->isValid()) {
            for (const QString& path : theme.caches[i]->directoriesOf(name))
                for (const ThemeDirectory& directory : theme.directories)
                    if (directory.path == path)
                        directories.append(&directory);
        } else {
            for (const ThemeDirectory& directory : theme.directories)
                directories.append(&directory);
        }
        for (const ThemeDirectory* directory : std::as_const(directories)) {
            const QString base = folder + u'/' + directory->path + u'/' + name;
            if (QFile::exists(base + QStringLiteral(".png"))) {
                entries.prepend({*directory, base + QStringLiteral(".png"), true});
            } else {
                for (const char* suffix : {".svg", ".xpm"}) {
                    if (QFile::exists(base + QLatin1String(suffix))) {
                        others.append({*directory, base + QLatin1String(suffix), false});
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
