#include "search/SearchResultsModel.h"

#include "resources/StringTable.h"

#include <QFileIconProvider>
#include <QImageReader>

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
    m_iconOfRow.resize(m_hits.size(), -1);
    endInsertRows();
}

void SearchResultsModel::loadIconSources()
{
    (void)QImageReader::supportedImageFormats();
    (void)QMimeDatabase().mimeTypeForFile(QStringLiteral("a.txt"), QMimeDatabase::MatchExtension);
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
        return iconOf(index.row());
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

QIcon SearchResultsModel::iconOf(int row) const
{
    qsizetype& kept = m_iconOfRow[static_cast<size_t>(row)];
    if (kept >= 0)
        return m_icons[static_cast<size_t>(kept)];
    static const QFileIconProvider provider;
    const SearchHit& item = hit(row);
    // By the name alone: the file's content is never read for an icon.
    const QMimeType type = item.isFolder ? QMimeType()
                                         : m_mimeDatabase.mimeTypeForFile(item.name, QMimeDatabase::MatchExtension);
    const QString typeName = item.isFolder ? QString() : type.name();
    const auto cached = m_iconByMimeType.constFind(typeName);
    if (cached != m_iconByMimeType.constEnd()) {
        kept = *cached;
        return m_icons[static_cast<size_t>(kept)];
    }
    QIcon icon;
    if (item.isFolder) {
        icon = provider.icon(QFileIconProvider::Folder);
    } else {
        icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
        if (icon.isNull())
            icon = provider.icon(QFileIconProvider::File);
    }
    kept = static_cast<qsizetype>(m_icons.size());
    m_icons.push_back(icon);
    m_iconByMimeType.insert(typeName, kept);
    return icon;
}
