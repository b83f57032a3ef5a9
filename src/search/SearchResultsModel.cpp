#include "search/SearchResultsModel.h"

#include "resources/StringTable.h"

#include <QFileIconProvider>

SearchResultsModel::SearchResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

void SearchResultsModel::append(std::vector<SearchHit>&& hits)
{
    if (hits.empty())
        return;
    const int first = static_cast<int>(m_hits.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(hits.size()) - 1);
    if (m_hits.empty())
        m_hits = std::move(hits);
    else
        m_hits.insert(m_hits.end(), std::make_move_iterator(hits.begin()), std::make_move_iterator(hits.end()));
    endInsertRows();
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_hits.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const SearchHit& item = hit(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case NameColumn: return item.name;
        case FolderColumn: return item.folder;
        case KindColumn: return item.isFolder ? QStringLiteral("0") : QStringLiteral("1");
        default: return {};
        }
    }
    if (role == Qt::DecorationRole && index.column() == NameColumn)
        return iconOf(item);
    return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return Str::text(Str::SearchColumnName);
    case FolderColumn: return Str::text(Str::SearchColumnFolder);
    default: return QString();
    }
}

QIcon SearchResultsModel::iconOf(const SearchHit& item) const
{
    static const QFileIconProvider provider;
    if (item.isFolder)
        return provider.icon(QFileIconProvider::Folder);
    // By the name alone: the file's content is never read for an icon.
    const QMimeType type = m_mimeDatabase.mimeTypeForFile(item.name, QMimeDatabase::MatchExtension);
    const auto cached = m_iconByMimeType.constFind(type.name());
    if (cached != m_iconByMimeType.constEnd())
        return *cached;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = provider.icon(QFileIconProvider::File);
    m_iconByMimeType.insert(type.name(), icon);
    return icon;
}
