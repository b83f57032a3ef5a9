#include "favorites/FavoritesDialog.h"

#include "dialogs/MessageBox.h"
#include "dialogs/SoftKeyBar.h"
#include "favorites/Favorites.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "tree/TreeImageList.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int NumberRole = Qt::UserRole;
constexpr int IsFolderRole = Qt::UserRole + 1;
}  // namespace

FavoritesDialog::FavoritesDialog(Favorites& favorites, platform::FileSystem& fileSystem, TreeImageList& images,
                                 QWidget* parent)
    : PhoneDialog(DialogTemplates::Favorites, parent),
      m_favorites(favorites),
      m_fileSystem(fileSystem),
      m_images(images)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 4, 0, 0);
    auto* prompt = new QLabel(Txt::text(Txt::SelectFavorite));
    prompt->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(prompt);
    m_list = new QTreeWidget;
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({Str::text(Str::FavoritesColumnName), Str::text(Str::FavoritesColumnPath)});
    m_list->header()->resizeSection(0, 120);
    m_list->header()->resizeSection(1, 200);
    layout->addWidget(m_list, 1);
    setContent(content);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { selectionChanged(); });
}

bool FavoritesDialog::initialise()
{
    fill(-1);
    m_list->setFocus();
    return true;
}

void FavoritesDialog::fill(int selectNumber)
{
    m_list->clear();
    const QStringList paths = m_favorites.paths();
    for (int number = 0; number < paths.size(); ++number) {
        // A favorite that is no longer there is not listed, but stays stored.
        const QString& path = paths.at(number);
        platform::FindData found;
        if (m_fileSystem.lookUp(path, found) != platform::FsError::None)
            continue;
        const bool isFolder = found.isFolder();
        const QString name = platform::PhonePath::splitLast(path).name;
        auto* row = new QTreeWidgetItem(m_list, {name, path});
        const int image = isFolder ? m_images.folderIcons(path).closed : m_images.fileImage(name);
        row->setIcon(0, m_images.icon(image, !isFolder && name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive)));
        row->setData(0, NumberRole, number);
        row->setData(0, IsFolderRole, isFolder);
        if (number == selectNumber)
            m_list->setCurrentItem(row);
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    selectionChanged();
}

int FavoritesDialog::numberAt(int row) const
{
    const QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? item->data(0, NumberRole).toInt() : -1;
}

void FavoritesDialog::selectionChanged()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    m_selectedPath = item ? item->text(1) : QString();
    m_selectedIsFolder = item && item->data(0, IsFolderRole).toBool();
    updateMenuState();
}

void FavoritesDialog::updateMenuState()
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    const int last = m_list->topLevelItemCount() - 1;
    const auto enable = [this](int command, bool on) {
        if (QAction* action = softKeyBar()->action(command))
            action->setEnabled(on);
    };
    enable(Cmd::FavoriteRemove, row >= 0);
    enable(Cmd::FavoriteMoveUp, row > 0);
    enable(Cmd::FavoriteMoveDown, row >= 0 && row < last);
}

// Moves the selected favorite past its neighbour in the list as shown.
void FavoritesDialog::move(int step)
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    const int number = numberAt(row);
    const int other = numberAt(row + step);
    if (row < 0 || row + step < 0 || number < 0 || other < 0)
        return;
    m_favorites.swap(number, other);
    fill(other);  // the moved favorite now has its neighbour's number
}

bool FavoritesDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::Ok:
        if (m_selectedPath.isEmpty()) {
            MessageBox::error(this, Str::text(Str::FavoriteNotChosen));
            return true;
        }
        return false;
    case Cmd::MenuCancel: end(Cmd::MenuCancel); return true;
    case Cmd::FavoriteMoveUp: move(-1); return true;
    case Cmd::FavoriteMoveDown: move(1); return true;
    case Cmd::FavoriteRemove: {
        const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
        const int number = numberAt(row);
        if (number < 0 || MessageBox::question(this, Str::text(Str::FavoriteRemoveQuestion)) != Cmd::Yes)
            return true;
        m_favorites.remove(number);
        // The row below takes the removed one's place and number.
        fill(row + 1 < m_list->topLevelItemCount() ? numberAt(row + 1) - 1 : number - 1);
        return true;
    }
    default: return false;
    }
}
