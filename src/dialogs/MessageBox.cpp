#include "dialogs/MessageBox.h"

#include "dialogs/SoftKeyBar.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>

namespace {

QString iconName(MessageBox::Icon icon)
{
    switch (icon) {
    case MessageBox::Error: return QStringLiteral("dialog-error");
    case MessageBox::Question: return QStringLiteral("dialog-question");
    case MessageBox::Information: break;
    }
    return QStringLiteral("dialog-information");
}

QIcon iconFor(MessageBox::Icon icon, const QStyle* style)
{
    switch (icon) {
    case MessageBox::Error:
        return QIcon::fromTheme(QStringLiteral("dialog-error"), style->standardIcon(QStyle::SP_MessageBoxCritical));
    case MessageBox::Question:
        return QIcon::fromTheme(QStringLiteral("dialog-question"), style->standardIcon(QStyle::SP_MessageBoxQuestion));
    case MessageBox::Information:
        break;
    }
    return QIcon::fromTheme(QStringLiteral("dialog-information"), style->standardIcon(QStyle::SP_MessageBoxInformation));
}

SoftKeyBarData keysFor(bool yesNo)
{
    if (yesNo)
        return {0, 0, {QStringLiteral("Yes"), MessageBox::Yes, -1}, {QStringLiteral("No"), MessageBox::No, -1}};
    return {0, 0, {QStringLiteral("OK"), Cmd::Ok, -1}, {}};
}

}  // namespace

MessageBox::MessageBox(const QString& caption, const QString& text, Icon icon, bool yesNo, QWidget* parent)
    : PhoneDialog(0, caption, 0, BackKey::EndsDialog, parent), m_text(text), m_yesNo(yesNo)
{
    setObjectName(QStringLiteral("messageBox"));
    softKeyBar()->setKeys(keysFor(yesNo));
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(8, 10, 8, 8);
    auto* picture = new QLabel(content);
    picture->setPixmap(iconFor(icon, style()).pixmap(32, 32));
    picture->setProperty("iconName", iconName(icon));
    picture->setAlignment(Qt::AlignTop);
    auto* message = new QLabel(text, content);
    message->setObjectName(QStringLiteral("messageText"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addWidget(message, 1);
    setContent(content);
}

QString MessageBox::summary() const { return windowTitle() + QStringLiteral(": ") + m_text; }

bool MessageBox::onCommand(int commandId)
{
    // Yes and No end the box with their own codes, 6 and 7.
    if (commandId == Yes || commandId == No) {
        done(commandId);
        return true;
    }
    return false;
}

void MessageBox::error(QWidget* owner, const QString& text)
{
    MessageBox box(Str::text(Str::ErrorCaption), text, Error, false);
    (void)box.run(owner);
}

int MessageBox::question(QWidget* owner, const QString& text, const QString& caption)
{
    MessageBox box(caption.isNull() ? Str::text(Str::Confirm) : caption, text, Question, true);
    // Back leaves the question unanswered, which counts as No.
    return box.run(owner) == Yes ? Yes : No;
}

void MessageBox::information(QWidget* owner, const QString& text, const QString& caption)
{
    MessageBox box(caption, text, Information, false);
    (void)box.run(owner);
}

void MessageBox::debug(QWidget* owner, const QString& text)
{
    MessageBox box(QStringLiteral("Debug"), text, Information, false);
    (void)box.run(owner);
}
