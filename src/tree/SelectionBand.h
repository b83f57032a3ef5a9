#pragma once

#include "dialogs/Dumpable.h"

#include <QWidget>

class QLabel;

// The band above the tree: how many folders and files the selection holds and their size. A
// small folder and a small file stand before the two counts, so they can be told apart on a
// screen too narrow for words.
class SelectionBand : public QWidget, public Dumpable {
    Q_OBJECT
public:
    static constexpr int Height = 20;
    static constexpr int PictureSize = 14;

    explicit SelectionBand(QWidget* parent = nullptr);

    void showSummary(qint64 folders, qint64 files, qint64 bytes);
    // "Sel: FOLDERS folders, FILES files, SIZE".
    void dumpTo(DumpWriter& writer) const override;

    // The parts as they are laid out, for tests: the folder picture, the folder count, the file
    // picture, the file count and the size.
    QLabel* folderPicture() const { return m_folderPicture; }
    QLabel* folderCount() const { return m_folders; }
    QLabel* filePicture() const { return m_filePicture; }
    QLabel* fileCount() const { return m_files; }
    QLabel* sizeLabel() const { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void drawPictures();

    QLabel* m_folderPicture;
    QLabel* m_folders;
    QLabel* m_filePicture;
    QLabel* m_files;
    QLabel* m_size;
};
