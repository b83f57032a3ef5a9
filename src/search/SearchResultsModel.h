#pragma once

#include "search/SearchWalk.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

#include <vector>

// The rows of the search results: "Name" with the item's icon, "Folder", and a hidden third
// column that reads "0" for a folder and "1" for a file. Rows only ever come at the end, many
// at a time, so a list of a hundred thousand finds stays quick to fill and to scroll.
class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn = 0, FolderColumn = 1, KindColumn = 2, ColumnCount = 3 };

    explicit SearchResultsModel(QObject* parent = nullptr);

    void append(std::vector<SearchHit>&& hits);
    const SearchHit& hit(int row) const { return m_hits[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Loads what Qt needs for the first icons and keeps in caches of its own: the file types and
    // the image readers (a tenth of a second on a busy machine). For a thread beside the window,
    // which must not look an icon up until this has returned and been handed over under a lock:
    // Qt guards those caches with locks of its own that a race checker does not see.
    static void loadIconSources();

private:
    QIcon iconOf(int row) const;

    std::vector<SearchHit> m_hits;
    // Icons are looked up only for rows on the screen, once per kind of name, and a row keeps
    // its own (an index into m_icons) for the many times the list is painted again.
    mutable QMimeDatabase m_mimeDatabase;
    mutable QHash<QString, qsizetype> m_iconByMimeType;
    mutable std::vector<QIcon> m_icons;
    mutable std::vector<qsizetype> m_iconOfRow;  // -1 until looked up
};
