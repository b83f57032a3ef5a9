#include "archive/ZipProgressView.h"

#include "dialogs/ProgressStrip.h"
#include "jobs/JobContext.h"
#include "platform/PhonePath.h"
#include "resources/SizeText.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

ZipProgressView::ZipProgressView(const QString& archiveName)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* form = new QFormLayout;
    auto* archive = new QLabel(archiveName);
    archive->setTextFormat(Qt::PlainText);
    m_files = new QLabel;
    m_remaining = new QLabel;
    m_current = new QLabel;
    m_current->setTextFormat(Qt::PlainText);
    m_size = new QLabel;
    form->addRow(Txt::text(Txt::ZipArchive), archive);
    form->addRow(Txt::text(Txt::ZipFiles), m_files);
    form->addRow(Txt::text(Txt::ZipRemaining), m_remaining);
    form->addRow(Txt::text(Txt::ZipCurrent), m_current);
    layout->addLayout(form);
    m_bar = new ProgressStrip;
    layout->addWidget(m_bar);
    auto* size = new QFormLayout;
    size->addRow(Txt::text(Txt::ZipSize), m_size);
    layout->addLayout(size);
    layout->addStretch(1);
}

void ZipProgressView::refresh(const JobContext& context)
{
    const qint64 total = context.itemsTotal.load();
    const qint64 done = context.itemsDone.load();
    m_files->setText(QString::number(total));
    m_remaining->setText(QString::number(std::max<qint64>(0, total - done)));
    m_current->setText(platform::PhonePath::splitLast(context.currentItem().replace(u'/', u'\\')).name);
    m_size->setText(sizeText(context.bytesDone.load(), SizeUnits::ZipProgress));
    const qint64 bytesTotal = context.bytesTotal.load();
    m_bar->setPart(bytesTotal > 0 ? double(context.bytesDone.load()) / double(bytesTotal)
                   : total > 0    ? double(done) / double(total)
                                  : 0.0);
}
