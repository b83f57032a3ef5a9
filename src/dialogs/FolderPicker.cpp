#include "dialogs/FolderPicker.h"

#include "dialogs/MessageBox.h"
#include "dialogs/WaitCursor.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// What an item is, kept in the item: a folder or a file.
constexpr int KindRole = Qt::UserRole;
constexpr int Folder = 2;
constexpr int File = 1;

}  // namespace

FolderPicker::FolderPicker(platform::FileSystem& fileSystem, const QString& title, const QString& prompt,
                           QWidget* parent)
    : PhoneDialog(DialogTemplates::SelectFolder, parent), m_fileSystem(fileSystem)
{
    setWindowTitle(title);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* text = new QLabel(prompt);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_tree = new QTreeWidget;
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setUniformRowHeights(true);
    layout->addWidget(m_tree, 1);
    setContent(content);
    // Every expansion reads the folder afresh.
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        WaitCursor wait;
        qDeleteAll(item->takeChildren());
        fill(pathOf(item), item);
    });
}

void FolderPicker::setFileMode(const QStringList& endings, const QString& refusal)
{
    m_endings = endings;
    m_refusal = refusal;
}

bool FolderPicker::initialise()
{
    fill(QString(), nullptr);
    m_tree->setFocus();
    if (QTreeWidgetItem* first = m_tree->topLevelItem(0))
        m_tree->setCurrentItem(first);
    return true;
}

bool FolderPicker::wanted(const QString& folderPath, const QString& name) const
{
    for (const QString& ending : m_endings)
        if (name.endsWith(ending, Qt::CaseInsensitive))
            return true;
    if (!m_endings.contains(QStringLiteral(".exe"), Qt::CaseInsensitive))
        return false;
    // A program on this system has no ending: what the user may run, or a desktop entry.
    if (name.endsWith(QLatin1String(".desktop")))
        return true;
    const QFileInfo host(QFile::decodeName(m_fileSystem.hostPath(platform::PhonePath::join(folderPath, name))));
    return host.isFile() && host.isExecutable();
}

void FolderPicker::fill(const QString& folderPath, QTreeWidgetItem* parent)
{
    static const QFileIconProvider icons;
    QList<QTreeWidgetItem*> items;
    // Names and kinds are all the picker shows: the listing made for the screen.
    (void)m_fileSystem.listForDisplay(folderPath, [&](const platform::FindData& entry) {
        const bool folder = entry.isFolder();
        if (!folder && (m_endings.isEmpty() || !wanted(folderPath, entry.name)))
            return true;
        auto* item = new QTreeWidgetItem(QStringList{entry.name});
        item->setData(0, KindRole, folder ? Folder : File);
        item->setIcon(0, icons.icon(folder ? QFileIconProvider::Folder : QFileIconProvider::File));
        item->setChildIndicatorPolicy(folder ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
        items << item;
        return true;
    });
    std::sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
    });
    if (parent) {
        parent->addChildren(items);
        if (items.isEmpty())
            parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    } else {
        m_tree->addTopLevelItems(items);
    }
}

QString FolderPicker::pathOf(const QTreeWidgetItem* item) const
{
    QString path;
    for (; item; item = item->parent())
        path = u'\\' + item->text(0) + path;
    return path;
}

bool FolderPicker::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    const QTreeWidgetItem* current = m_tree->currentItem();
    if (!current)
        return true;  // nothing to choose yet
    if (m_endings.isEmpty() || current->data(0, KindRole).toInt() == File) {
        m_chosen = pathOf(current);
        return false;  // the frame ends the dialog with 1
    }
    MessageBox box(MessageBox::Icon::None, Str::text(Str::ErrorCaption), m_refusal, MessageBox::Keys::Ok);
    (void)box.run(this);
    return true;
}
