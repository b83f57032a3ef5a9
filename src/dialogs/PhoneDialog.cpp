#include "dialogs/PhoneDialog.h"

#include "dialogs/MessageBox.h"
#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

using BackKey = PhoneDialog::BackKey;

struct Template {
    int id;
    const char* title;
    int bar;
    BackKey backKey;
};

// The dialogs of the program: title, soft-key bar and what the Back key does.
const Template Templates[] = {
    {101, "New file/folder", 2, BackKey::ForwardToEdit},
    {103, "Receiving...", 3, BackKey::EndsDialog},
    {113, "Sending...", 3, BackKey::EndsDialog},
    {114, "Properties", 2, BackKey::EndsDialog},
    {118, "Delete selection...", 5, BackKey::EndsDialog},
    {119, "Search criteria", 7, BackKey::ForwardToEdit},
    {120, "Search results", 8, BackKey::Overridden},
    {122, "Create ZIP file", 2, BackKey::ForwardToEdit},
    {123, "Zip/Unzip progress...", 3, BackKey::Overridden},
    {124, "Select folder", 2, BackKey::EndsDialog},
    {125, "Open with...", 9, BackKey::EndsDialog},
    {126, "Run command", 10, BackKey::ForwardToEdit},
    {127, "Favorites", 11, BackKey::EndsDialog},
    {128, "Send to...", 12, BackKey::EndsDialog},
    {129, "File type properties", 13, BackKey::ForwardToEdit},
    {130, "File types", 14, BackKey::EndsDialog},
    {131, "", 15, BackKey::EndsDialog},
    {132, "Crypt file", 2, BackKey::ForwardToEdit},
    {133, "Decrypt file", 2, BackKey::ForwardToEdit},
    {135, "Send file by email...", 2, BackKey::EndsDialog},
};

const Template* findTemplate(int id)
{
    for (const Template& entry : Templates)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

}  // namespace

PhoneDialog::PhoneDialog(int dialogId, QWidget* parent) : QDialog(parent), m_dialogId(dialogId)
{
    const Template* entry = findTemplate(dialogId);
    m_backKey = entry ? entry->backKey : BackKey::EndsDialog;
    m_page = new PhonePage(this);
    setUp(entry ? QString::fromLatin1(entry->title) : QString(), entry ? entry->bar : 2);
}

PhoneDialog::PhoneDialog(int dialogId, const QString& title, int barId, BackKey backKey, QWidget* parent)
    : QDialog(parent), m_dialogId(dialogId), m_backKey(backKey)
{
    m_page = new PhonePage(this);
    setUp(title, barId);
}

void PhoneDialog::setUp(const QString& title, int barId)
{
    setObjectName(QStringLiteral("phoneDialog"));
    setWindowFlag(Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page);
    setTitle(title);
    m_page->softKeyBar()->setBar(barId);
    connect(m_page->softKeyBar(), &SoftKeyBar::commandTriggered, this, &PhoneDialog::sendCommand);
}

SoftKeyBar* PhoneDialog::softKeyBar() const { return m_page->softKeyBar(); }

void PhoneDialog::setContent(QWidget* content) { m_page->setContent(content); }

void PhoneDialog::setTitle(const QString& title)
{
    setWindowTitle(title);
    m_page->setTitle(title);
}

QString PhoneDialog::summary() const { return windowTitle(); }

// Only some dialogs tell a failed start before they end; the others end silently.
bool PhoneDialog::tellsFullScreenFailure() const
{
    static const int ids[] = {119, 120, 122, 123, 125, 127, 129, 132, 133, 135};
    return std::find(std::begin(ids), std::end(ids), m_dialogId) != std::end(ids);
}

bool PhoneDialog::tellsBarFailure() const
{
    static const int ids[] = {118, 119, 120, 122, 123, 125, 127, 132, 133, 135};
    return std::find(std::begin(ids), std::end(ids), m_dialogId) != std::end(ids);
}

int PhoneDialog::run(QWidget* owner)
{
    switch (TestDialogs::takeInitFailure()) {
    case TestDialogs::InitFailure::FullScreen:
        if (tellsFullScreenFailure())
            MessageBox::debug(owner, QStringLiteral("Init dialog failed"));
        return Cmd::Ok;
    case TestDialogs::InitFailure::SoftKeyBar:
        if (tellsBarFailure())
            MessageBox::debug(owner, QStringLiteral("Dialog failed"));
        return Cmd::Cancel;
    case TestDialogs::InitFailure::None:
        break;
    }
    if (!initialise())
        return Cmd::Ok;
    TestDialogs::record(m_dialogId, summary());
    int answer = 0;
    if (TestDialogs::takeAnswer(answer))
        return answer;

    // The dialog covers the owner's window exactly, as a full-screen page does.
    QWidget* window = owner ? owner->window() : nullptr;
    if (window) {
        setParent(window, windowFlags());
        setGeometry(window->geometry());
    } else {
        resize(240, 320);
    }
    setModal(true);
    // The focus goes to the first input control, unless the dialog put it somewhere itself.
    if (!focusWidget() || focusWidget() == this || !(focusWidget()->focusPolicy() & Qt::TabFocus)) {
        for (QWidget* widget = nextInFocusChain(); widget && widget != this; widget = widget->nextInFocusChain())
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && isAncestorOf(widget)) {
                widget->setFocus();
                break;
            }
    }
    return exec();
}

void PhoneDialog::sendCommand(int commandId)
{
    if (onCommand(commandId))
        return;
    if (commandId >= 1 && commandId <= 7)
        done(commandId);
}

void PhoneDialog::keyPressEvent(QKeyEvent* event)
{
    if (m_page->softKeyBar()->handleKey(event))
        return;
    if (event->key() == Qt::Key_Escape) {
        switch (m_backKey) {
        case BackKey::ForwardToEdit:
            // Back deletes the character before the cursor of the focused edit.
            if (auto* edit = qobject_cast<QLineEdit*>(focusWidget()))
                edit->backspace();
            return;
        case BackKey::Overridden:
            return;
        case BackKey::EndsDialog:
            done(Cmd::Cancel);
            return;
        }
    }
    // Enter is left to the focused control; QDialog would otherwise press a default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}
