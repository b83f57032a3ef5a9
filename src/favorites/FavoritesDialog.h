#pragma once

#include "dialogs/PhoneDialog.h"

class Favorites;
class QTreeWidget;
class TreeImageList;
namespace platform {
class FileSystem;
}

// "Favorites": the favorite places that still exist, with their names and icons, to go to one
// or to reorder and remove them. Each row carries the number of its favorite in the whole list,
// so Move and Remove act on the favorite shown even when some between are not listed.
class FavoritesDialog : public PhoneDialog {
    Q_OBJECT
public:
    FavoritesDialog(Favorites& favorites, platform::FileSystem& fileSystem, TreeImageList& images,
                    QWidget* parent = nullptr);

    QString selectedPath() const { return m_selectedPath; }
    bool selectedIsFolder() const { return m_selectedIsFolder; }

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;

private:
    void fill(int selectNumber);
    void selectionChanged();
    void updateMenuState();
    // The favorite number of a row; -1 for none.
    int numberAt(int row) const;
    void move(int step);

    Favorites& m_favorites;
    platform::FileSystem& m_fileSystem;
    TreeImageList& m_images;
    QTreeWidget* m_list;
    QString m_selectedPath;
    bool m_selectedIsFolder = false;
};
