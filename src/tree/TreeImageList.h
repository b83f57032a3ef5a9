#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMimeDatabase>
#include <QString>

#include <functional>

// The images of the tree: nine fixed pictures of our own (shortcut overlay, folders, storage
// cards, Windows folders, built-in storage) and, from index 9 on, one entry for each file icon
// met so far, taken from the freedesktop icon theme by MIME type. The list only grows, so an
// index once handed out stays valid for the whole run.
class TreeImageList {
public:
    static constexpr int FixedCount = 9;
    enum Fixed : int {
        ShortcutOverlay = 0,
        FolderClosed = 1,
        FolderOpen = 2,
        CardClosed = 3,
        WindowsClosed = 4,
        CardOpen = 5,
        WindowsOpen = 6,
        StorageClosed = 7,
        StorageOpen = 8
    };
    struct FolderIcons {
        int closed = FolderClosed;
        int open = FolderOpen;
    };

    TreeImageList();

    // The icon a file type names for itself (its DefaultIcon), looked up by the extension
    // without its dot; a null icon when it names none. Each extension is looked up once per
    // run, so a type's new icon shows from the next start on. `key` names the icon for the
    // screen dump.
    using TypeIconSource = std::function<QIcon(const QString& extension, QString& key)>;
    void setTypeIconSource(TypeIconSource source) { m_typeIconSource = std::move(source); }

    // The phone folder paths of the storage cards now mounted ("\Storage Card").
    void setCardPaths(QStringList cardPaths) { m_cardPaths = std::move(cardPaths); }
    bool isCard(const QString& folderPath) const;

    FolderIcons folderIcons(const QString& folderPath) const;
    // The image of a file. Within one population, files of one extension (lower-cased; the
    // whole name when there is none) share one look-up of the icon service.
    int fileImage(const QString& name);
    void beginPopulation() { m_populationCache.clear(); }
    void endPopulation() { m_populationCache.clear(); }

    int count() const { return FixedCount + static_cast<int>(m_systemIcons.size()); }
    QIcon icon(int image, bool shortcutOverlay) const;
    // The name of the theme icon behind an image (for the screen dump and tests).
    QString iconName(int image) const;

private:
    int systemIndexFor(const QString& name);

    QMimeDatabase m_mimeDatabase;
    QStringList m_cardPaths;
    QList<QIcon> m_systemIcons;
    QStringList m_systemIconNames;
    QHash<QString, int> m_indexByIconName;
    QHash<QString, int> m_populationCache;
    TypeIconSource m_typeIconSource;
    QHash<QString, int> m_typeImages;  // extension -> image, or -1 when the type names none
    mutable QHash<int, QIcon> m_overlaid;
};
