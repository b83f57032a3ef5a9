#pragma once

#include "dialogs/Dumpable.h"

#include <QWidget>

class QLabel;

// The band above the tree: how many folders and files the selection holds and their size.
class SelectionBand : public QWidget, public Dumpable {
    Q_OBJECT
public:
    static constexpr int Height = 20;

    explicit SelectionBand(QWidget* parent = nullptr);

    void showSummary(qint64 folders, qint64 files, qint64 bytes);
    // "Sel: FOLDERS folders, FILES files, SIZE".
    void dumpTo(DumpWriter& writer) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_folders;
    QLabel* m_files;
    QLabel* m_size;
};
