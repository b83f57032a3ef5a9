#include "dialogs/QuestionBox.h"

#include "dialogs/Dumpable.h"
#include "platform/RegularFile.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "settings/SettingsSchema.h"

#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QTextOption>

// Paints the picture, the heading and the question.
class QuestionBox::Page : public QWidget, public Dumpable {
public:
    explicit Page(QString question) : m_question(std::move(question)) {}

    void dumpTo(DumpWriter& writer) const override
    {
        writer.line(Str::text(Str::Confirm));
        for (const QString& line : m_question.split(u'\n'))
            writer.line(line);
    }

    void setPicture(QImage picture)
    {
        m_picture = std::move(picture);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (!m_picture.isNull()) {
            // Anchored at the lower right corner: a larger picture loses its top left part.
            painter.drawImage(QPoint(width() - m_picture.width(), height() - m_picture.height()), m_picture);
        }
        QFont heading = font();
        heading.setPointSize(18);
        heading.setBold(true);
        painter.setFont(heading);
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawText(QRect(5, 5, width() - 10, 35), Qt::AlignLeft | Qt::AlignVCenter, Str::text(Str::Confirm));
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        QTextOption wrap(Qt::AlignLeft | Qt::AlignTop);
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.drawText(QRectF(5, 41, width() - 10, height() - 46), m_question, wrap);
    }

private:
    QString m_question;
    QImage m_picture;
};

namespace {

// A background picture of a phone screen is some kilobytes; a larger file is not read.
constexpr qint64 MostPictureBytes = 16ll * 1024 * 1024;

// The picture with its transparent colour cut out. The colour 0xC0C0C0 stands for "the
// colour of the picture's top-left pixel".
QImage loadPicture(const QString& file, quint32 transparent)
{
    // Read only when it is a regular file: a pipe named in the setting would otherwise hold
    // every question in its open.
    QByteArray bytes;
    if (platform::readRegularFile(QFile::encodeName(file), platform::Links::Follow, MostPictureBytes, bytes)
        != platform::FsError::None)
        return {};
    QImage picture = QImage::fromData(bytes);
    if (picture.isNull())
        return picture;
    picture = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent == 0xC0C0C0
                         ? picture.pixel(0, 0)
                         : qRgb((transparent >> 16) & 0xFF, (transparent >> 8) & 0xFF, transparent & 0xFF);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[x] = 0;
    }
    return picture;
}

}  // namespace

QuestionBox::QuestionBox(const QString& question, bool& yesToAll, bool& noToAll, QWidget* parent)
    : PhoneDialog(DialogTemplates::Question, parent), m_question(question), m_yesToAll(yesToAll), m_noToAll(noToAll)
{
    setWindowTitle(Str::text(Str::Confirm));
    m_page = new Page(question);
    setContent(m_page);
}

QString QuestionBox::pictureKey() { return SettingsSchema::QuestionBox.fullPath(); }

bool QuestionBox::initialise()
{
    // The first question writes the two values back with their defaults, as every setting is.
    const QString file = SettingsSchema::read(SettingsSchema::QuestionPicture);
    const quint32 transparent = SettingsSchema::read(SettingsSchema::QuestionPictureTransparent);
    if (!file.isEmpty())
        m_page->setPicture(loadPicture(file, transparent));
    return true;
}

bool QuestionBox::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::QuestionYesToAll: m_yesToAll = true; [[fallthrough]];
    case Cmd::QuestionYes: end(Cmd::Yes); return true;
    case Cmd::QuestionNoToAll: m_noToAll = true; [[fallthrough]];
    case Cmd::QuestionNo: end(Cmd::No); return true;
    default: return false;
    }
}

int QuestionBox::ask(QWidget* owner, const QString& question, bool& yesToAll, bool& noToAll)
{
    QuestionBox box(question, yesToAll, noToAll);
    return box.run(owner) == Cmd::Yes ? Cmd::Yes : Cmd::No;
}
