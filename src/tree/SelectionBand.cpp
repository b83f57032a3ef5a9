#include "tree/SelectionBand.h"

#include "resources/Pictures.h"
#include "resources/SizeText.h"
#include "resources/StringTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {

constexpr int GroupGap = 8;

// A label exactly as wide as its text, so that a count is never cut off; the layout moves the
// parts after it along instead.
QLabel* bandLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return label;
}

QLabel* pictureLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFixedSize(SelectionBand::PictureSize, SelectionBand::PictureSize);
    label->setAccessibleName(name);
    return label;
}

}  // namespace

SelectionBand::SelectionBand(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(Height);
    setObjectName(QStringLiteral("selectionBand"));
    QLabel* caption = bandLabel(Str::text(Str::SelectionLabel), this);
    m_folderPicture = pictureLabel(QStringLiteral("Folders"), this);
    m_folders = bandLabel(QStringLiteral("0"), this);
    m_filePicture = pictureLabel(QStringLiteral("Files"), this);
    m_files = bandLabel(QStringLiteral("0"), this);
    m_size = bandLabel(QStringLiteral("0"), this);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(3, 0, 4, 0);
    row->setSpacing(2);
    row->addWidget(caption);
    row->addSpacing(GroupGap);
    row->addWidget(m_folderPicture);
    row->addWidget(m_folders);
    row->addSpacing(GroupGap);
    row->addWidget(m_filePicture);
    row->addWidget(m_files);
    row->addStretch(1);
    row->addSpacing(GroupGap);
    row->addWidget(m_size);
    drawPictures();
}

void SelectionBand::showSummary(qint64 folders, qint64 files, qint64 bytes)
{
    m_folders->setText(QString::number(folders));
    m_files->setText(QString::number(files));
    m_size->setText(sizeText(bytes));
}

void SelectionBand::dumpTo(DumpWriter& writer) const
{
    writer.line(QStringLiteral("%1 %2 folders, %3 files, %4")
                    .arg(Str::text(Str::SelectionLabel), m_folders->text(), m_files->text(), m_size->text()));
}

void SelectionBand::drawPictures()
{
    const qreal ratio = devicePixelRatioF();
    m_folderPicture->setPixmap(Pictures::treeImage(static_cast<int>(TreeImage::FolderClosed), PictureSize, ratio));
    m_filePicture->setPixmap(Pictures::file(PictureSize, ratio));
}

void SelectionBand::showEvent(QShowEvent* event)
{
    // Drawn for the pixel density of the screen the band is shown on.
    drawPictures();
    QWidget::showEvent(event);
}

void SelectionBand::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), Pictures::selectionBandBackground(size()));
}
