#include "filetypes/FileTypeDialog.h"

#include "dialogs/FolderPicker.h"
#include "dialogs/MessageBox.h"
#include "dialogs/WaitCursor.h"
#include "filetypes/ModuleIcons.h"
#include "platform/FileSystem.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
// Typed extensions are kept short, as on the phone.
constexpr int LongestTypedExtension = 15;
}  // namespace

FileTypeDialog::FileTypeDialog(platform::FileSystem& fileSystem, const FileType& type, bool fixedExtension,
                               QWidget* parent)
    : PhoneDialog(DialogTemplates::FileType, parent), m_fileSystem(fileSystem), m_type(type)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    layout->addWidget(new QLabel(Txt::text(Txt::TypeExtension)));
    m_extensionEdit = new QLineEdit(type.extension);
    // A limit would cut a longer extension that is given and cannot be changed.
    if (!fixedExtension)
        m_extensionEdit->setMaxLength(LongestTypedExtension);
    m_extensionEdit->setReadOnly(fixedExtension);
    layout->addWidget(m_extensionEdit);
    layout->addWidget(new QLabel(Txt::text(Txt::TypeCommand)));
    m_commandEdit = new QLineEdit(type.command);
    layout->addWidget(m_commandEdit);
    layout->addWidget(new QLabel(Txt::text(Txt::TypeIcon)));
    m_icons = new QListWidget;
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setFlow(QListView::LeftToRight);
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setIconSize(QSize(32, 32));
    m_icons->setGridSize(QSize(47, 52));
    m_icons->installEventFilter(this);
    layout->addWidget(m_icons, 1);
    m_acceptDownload = new QCheckBox(Txt::text(Txt::TypeAcceptDownload));
    m_acceptDownload->setChecked(type.acceptDownload.startsWith(u'1'));
    layout->addWidget(m_acceptDownload);
    setContent(content);
}

bool FileTypeDialog::initialise()
{
    QString number;
    FileTypes::splitIcon(m_type.icon, m_module, number);
    {
        WaitCursor wait;
        loadIcons(number);
    }
    m_extensionEdit->selectAll();
    m_extensionEdit->setFocus();
    return true;
}

void FileTypeDialog::loadIcons(const QString& preselect)
{
    m_icons->clear();
    for (const ModuleIcons::Icon& icon : ModuleIcons::load(m_module)) {
        auto* item = new QListWidgetItem(icon.icon, QString::number(icon.number), m_icons);
        if (m_icons->count() == 1 || item->text().compare(preselect, Qt::CaseInsensitive) == 0)
            m_icons->setCurrentItem(item);
    }
}

// The icon list has no use for Up and Down at its edges: they lead to the command above it and
// to the check box below it.
bool FileTypeDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_icons && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            m_commandEdit->selectAll();
            m_commandEdit->setFocus();
            return true;
        }
        if (key == Qt::Key_Down) {
            m_acceptDownload->setFocus();
            return true;
        }
    }
    return PhoneDialog::eventFilter(watched, event);
}

QString FileTypeDialog::pickFile(const QStringList& endings)
{
    FolderPicker picker(m_fileSystem, Str::text(Str::FileTypeProperties), Str::text(Str::FileTypeChooseApplication));
    picker.setFileMode(endings, Str::text(Str::PickerFolderNotApplication));
    if (picker.run(this) != Cmd::Ok)
        return {};
    // The registry keeps host paths, as the programs that read it expect, whatever root is shown.
    return QFile::decodeName(m_fileSystem.hostPath(picker.chosenPath()));
}

bool FileTypeDialog::saveIfValid()
{
    QString extension = m_extensionEdit->text();
    const QString command = m_commandEdit->text();
    const QListWidgetItem* icon = m_icons->currentItem();
    if (const int problem = FileTypes::check(icon != nullptr, extension, command)) {
        MessageBox::error(this, Str::text(problem));
        return false;
    }
    m_type.extension = extension;
    m_type.command = command;
    m_type.acceptDownload = m_acceptDownload->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    m_type.icon = FileTypes::iconString(m_module, icon->text());
    // Write failures are not told: the list shows what the page held.
    (void)FileTypes::save(m_type);
    return true;
}

bool FileTypeDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::Ok: return !saveIfValid();  // a refused page stays open
    case Cmd::MenuCancel: end(Cmd::MenuCancel); return true;
    case Cmd::FileTypeChangeApplication: {
        const QString program = pickFile({QStringLiteral(".exe")});
        if (program.isEmpty())
            return true;
        m_module = program;
        loadIcons(QString());
        m_commandEdit->setText(FileTypes::commandFor(program));
        m_commandEdit->selectAll();
        m_commandEdit->setFocus();
        return true;
    }
    case Cmd::FileTypeChangeIcons: {
        const QString source = pickFile({QStringLiteral(".exe"), QStringLiteral(".dll")});
        if (source.isEmpty())
            return true;
        m_module = source;
        loadIcons(QString());
        m_icons->setFocus();
        return true;
    }
    default: return false;
    }
}
