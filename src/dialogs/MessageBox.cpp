#include "dialogs/MessageBox.h"

#include "dialogs/Dumpable.h"

#include "dialogs/SoftKeyBar.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QTextEdit>

namespace {

constexpr int IconSize = 32;
constexpr int Margin = 8;

DialogTemplate boxTemplate(const QString& caption)
{
    DialogTemplate box;
    box.title = caption;
    box.backKey = BackKeyMode::None;
    return box;
}

SoftKeyButton plainKey(const QString& label, int commandId)
{
    SoftKeyButton button;
    button.label = label;
    button.commandId = commandId;
    return button;
}

SoftKeyBarData barFor(MessageBox::Keys keys)
{
    SoftKeyBarData bar;
    if (keys == MessageBox::Keys::Ok)
        bar.buttons = {plainKey(QStringLiteral("OK"), Cmd::Ok)};
    else
        bar.buttons = {plainKey(Txt::text(Txt::Yes), Cmd::Yes), plainKey(Txt::text(Txt::No), Cmd::No)};
    return bar;
}

// Drawn by the widget style where the icon theme has no such icon.
QStyle::StandardPixmap fallbackPixmap(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Icon::Error: return QStyle::SP_MessageBoxCritical;
    case MessageBox::Icon::Question: return QStyle::SP_MessageBoxQuestion;
    case MessageBox::Icon::Warning: return QStyle::SP_MessageBoxWarning;
    case MessageBox::Icon::Information:
    case MessageBox::Icon::None: break;
    }
    return QStyle::SP_MessageBoxInformation;
}

}  // namespace

namespace {

// The message as the screen dump of keypad scripts shows it: its lines.
class MessageText : public QTextEdit, public Dumpable {
public:
    void dumpTo(DumpWriter& writer) const override
    {
        for (const QString& line : toPlainText().split(u'\n'))
            writer.line(line);
    }
};

}  // namespace

MessageBox::MessageBox(Icon icon, const QString& caption, const QString& text, Keys keys, QWidget* parent)
    : DialogFrame(boxTemplate(caption), parent), m_icon(icon), m_text(text), m_keys(keys)
{
    setCustomBar(barFor(keys));
    setContent(makeContent());
}

QWidget* MessageBox::makeContent() const
{
    auto* body = new QWidget;
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(Margin, Margin, Margin, Margin / 2);
    row->setSpacing(Margin);
    if (m_icon != Icon::None) {
        const QIcon picture = QIcon::fromTheme(iconName(m_icon), style()->standardIcon(fallbackPixmap(m_icon)));
        auto* iconLabel = new QLabel;
        iconLabel->setPixmap(picture.pixmap(QSize(IconSize, IconSize)));
        iconLabel->setFixedSize(IconSize, IconSize);
        row->addWidget(iconLabel, 0, Qt::AlignTop);
    }
    // Plain text, because messages carry file names that must never be read as markup. A long
    // path has no spaces to wrap at, so lines also break inside a word rather than run off a
    // small screen; a long text scrolls with the arrow keys.
    auto* textView = new MessageText;
    textView->setReadOnly(true);
    textView->setPlainText(m_text);
    textView->setFrameShape(QFrame::NoFrame);
    textView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    textView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    textView->setFocusPolicy(Qt::StrongFocus);
    textView->setTextInteractionFlags(Qt::NoTextInteraction);
    textView->viewport()->setAutoFillBackground(false);
    textView->document()->setDocumentMargin(0);
    row->addWidget(textView, 1);
    return body;
}

void MessageBox::error(QWidget* owner, const QString& text)
{
    MessageBox box(Icon::Error, Str::text(Str::ErrorCaption), text, Keys::Ok);
    (void)box.run(owner);
}

int MessageBox::question(QWidget* owner, const QString& text, const QString& caption)
{
    MessageBox box(Icon::Question, caption, text, Keys::YesNo);
    return box.run(owner) == Cmd::Yes ? Cmd::Yes : Cmd::No;
}

void MessageBox::information(QWidget* owner, const QString& text, const QString& caption)
{
    MessageBox box(Icon::Information, caption, text, Keys::Ok);
    (void)box.run(owner);
}

void MessageBox::debug(QWidget* owner, const QString& text, const QString& caption)
{
    MessageBox box(Icon::Warning, caption, text, Keys::Ok);
    (void)box.run(owner);
}

QString MessageBox::defaultQuestionCaption() { return Str::text(Str::Confirm); }

QString MessageBox::iconName(Icon icon)
{
    switch (icon) {
    case Icon::Error: return QStringLiteral("dialog-error");
    case Icon::Question: return QStringLiteral("dialog-question");
    case Icon::Information: return QStringLiteral("dialog-information");
    case Icon::Warning: return QStringLiteral("dialog-warning");
    case Icon::None: break;
    }
    return {};
}

QString MessageBox::shownText() const { return m_text; }

QString MessageBox::shownIcon() const { return iconName(m_icon); }
