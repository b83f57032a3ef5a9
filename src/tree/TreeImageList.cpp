#include "tree/TreeImageList.h"

#include "platform/PhonePath.h"
#include "resources/Pictures.h"
#include "resources/ThemeIcons.h"

#include <QPainter>

TreeImageList::TreeImageList()
{
    // The first system entry stands for "no particular icon", as index 0 does on the phone.
    m_systemIcons.append(ThemeIcons::fromTheme(QStringLiteral("text-x-generic")));
    m_systemIconNames.append(QStringLiteral("text-x-generic"));
    m_indexByIconName.insert(QStringLiteral("text-x-generic"), 0);
}

bool TreeImageList::isCard(const QString& folderPath) const
{
    for (const QString& card : m_cardPaths)
        if (platform::PhonePath::equals(card, folderPath))
            return true;
    return false;
}

TreeImageList::FolderIcons TreeImageList::folderIcons(const QString& folderPath) const
{
    using platform::PhonePath::equals;
    if (isCard(folderPath))
        return {CardClosed, CardOpen};
    for (const char16_t* windows : {u"\\windows", u"\\Storage\\windows", u"\\IPSM\\windows"})
        if (equals(folderPath, QString::fromUtf16(windows)))
            return {WindowsClosed, WindowsOpen};
    if (equals(folderPath, QStringLiteral("\\IPSM")) || equals(folderPath, QStringLiteral("\\Storage")))
        return {StorageClosed, StorageOpen};
    return {FolderClosed, FolderOpen};
}

int TreeImageList::systemIndexFor(const QString& name)
{
    const QMimeType type = m_mimeDatabase.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QString iconName = type.iconName();
    if (!ThemeIcons::has(iconName))
        iconName = type.genericIconName();
    if (!ThemeIcons::has(iconName))
        iconName = QStringLiteral("text-x-generic");
    auto found = m_indexByIconName.constFind(iconName);
    if (found != m_indexByIconName.constEnd())
        return found.value();
    const int index = static_cast<int>(m_systemIcons.size());
    m_systemIcons.append(ThemeIcons::fromTheme(iconName));
    m_systemIconNames.append(iconName);
    m_indexByIconName.insert(iconName, index);
    return index;
}

int TreeImageList::fileImage(const QString& name)
{
    const QString key = [&name] {
        const qsizetype dot = name.lastIndexOf(u'.');
        return (dot < 0 ? name : name.mid(dot + 1)).toLower();
    }();
    auto cached = m_populationCache.constFind(key);
    if (cached != m_populationCache.constEnd())
        return cached.value();
    int image = -1;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (m_typeIconSource && dot >= 0) {
        auto typeImage = m_typeImages.constFind(key);
        if (typeImage == m_typeImages.constEnd()) {
            QString iconKey;
            const QIcon typeIcon = m_typeIconSource(name.mid(dot + 1), iconKey);
            int index = -1;
            if (!typeIcon.isNull()) {
                index = FixedCount + static_cast<int>(m_systemIcons.size());
                m_systemIcons.append(typeIcon);
                m_systemIconNames.append(iconKey);
            }
            typeImage = m_typeImages.insert(key, index);
        }
        image = typeImage.value();
    }
    if (image < 0)
        image = FixedCount + systemIndexFor(name);
    m_populationCache.insert(key, image);
    return image;
}

QIcon TreeImageList::icon(int image, bool shortcutOverlay) const
{
    QIcon base = image < FixedCount ? Pictures::treeIcon(image)
                                    : m_systemIcons.value(image - FixedCount, m_systemIcons.value(0));
    if (!shortcutOverlay)
        return base;
    auto found = m_overlaid.constFind(image);
    if (found != m_overlaid.constEnd())
        return found.value();
    QIcon overlaid;
    for (int size : {16, 22, 32, 48})
        overlaid.addPixmap(Pictures::withShortcutOverlay(base.pixmap(size, size)));
    m_overlaid.insert(image, overlaid);
    return overlaid;
}

QString TreeImageList::iconName(int image) const
{
    if (image < FixedCount)
        return QStringLiteral("fixed-%1").arg(image);
    return m_systemIconNames.value(image - FixedCount);
}
