#include "tree/SelectionBand.h"

#include "resources/Pictures.h"
#include "resources/StringTable.h"
#include "tree/SizeText.h"

#include <QLabel>
#include <QPainter>

namespace {
QLabel* bandLabel(const QString& text, const QRect& rect, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setTextFormat(Qt::PlainText);
    return label;
}
}  // namespace

SelectionBand::SelectionBand(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(Height);
    setObjectName(QStringLiteral("selectionBand"));
    bandLabel(Str::text(Str::SelectionLabel), QRect(QPoint(2, 2), QPoint(28, 18)), this);
    m_folders = bandLabel(QStringLiteral("0"), QRect(QPoint(48, 2), QPoint(62, 18)), this);
    m_files = bandLabel(QStringLiteral("0"), QRect(QPoint(84, 2), QPoint(102, 18)), this);
    m_size = bandLabel(QStringLiteral("0"), QRect(QPoint(124, 2), QPoint(174, 18)), this);
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

void SelectionBand::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), Pictures::selectionBandBackground(size()));
}
