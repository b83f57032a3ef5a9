#include "crypt/CryptProgressView.h"

#include "dialogs/ProgressStrip.h"
#include "jobs/JobContext.h"
#include "resources/SizeText.h"
#include "resources/UnnumberedTexts.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

}  // namespace

CryptProgressView::CryptProgressView(const QString& fileName)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* name = new QLabel(fileName);
    name->setTextFormat(Qt::PlainText);
    name->setWordWrap(true);
    m_done = new QLabel;
    m_bar = new ProgressStrip;
    layout->addWidget(name);
    layout->addWidget(m_bar);
    layout->addWidget(m_done);
    layout->addStretch(1);
}

void CryptProgressView::refresh(const JobContext& context)
{
    if (context.stopRequested()) {
        m_done->setText(Txt::text(Txt::Stopping));
        return;
    }
    const qint64 done = context.bytesDone.load();
    const qint64 total = context.bytesTotal.load();
    m_done->setText(
        Txt::text(Txt::BytesOfTotal).arg(sizeText(done, SizeUnits::Progress), sizeText(total, SizeUnits::Progress)));
    m_bar->setPart(total > 0 ? double(done) / double(total) : 0.0);
}
