#include "properties/PropertiesDialog.h"

#include "dialogs/MessageBox.h"
#include "fileops/FailureText.h"
#include "jobs/Idle.h"
#include "jobs/JobContext.h"
#include "platform/PhonePath.h"
#include "properties/PropertiesAttributes.h"
#include "properties/PropertiesText.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/SizeText.h"
#include "resources/StringTable.h"
#include "tree/TreeImageList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int LargeIconSize = 32;
}  // namespace

PropertiesDialog::PropertiesDialog(platform::FileSystem& fileSystem, TreeImageList& images, const QString& path,
                                   QWidget* parent)
    : PhoneDialog(DialogTemplates::Properties, parent), m_fileSystem(fileSystem), m_images(images), m_path(path)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    auto* heading = new QHBoxLayout;
    m_icon = new QLabel;
    m_icon->setFixedSize(LargeIconSize, LargeIconSize);
    m_name = new QLabel;
    m_name->setWordWrap(true);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    heading->addWidget(m_icon);
    heading->addWidget(m_name, 1);
    layout->addLayout(heading);

    m_size = new QLabel(Str::text(Str::Calculating));
    m_size->setWordWrap(true);
    layout->addWidget(m_size);

    auto* times = new QGridLayout;
    times->setHorizontalSpacing(4);
    times->setVerticalSpacing(0);
    const auto addTime = [&](int row, const char* label) {
        times->addWidget(new QLabel(QString::fromLatin1(label)), row, 0);
        auto* value = new QLabel;
        times->addWidget(value, row, 1);
        return value;
    };
    m_created = addTime(0, "Created:");
    m_modified = addTime(1, "Modified:");
    m_accessed = addTime(2, "Access:");
    times->setColumnStretch(1, 1);
    layout->addLayout(times);

    // Two columns, so that all ten fit a phone's screen without scrolling.
    auto* boxes = new QGridLayout;
    boxes->setHorizontalSpacing(4);
    boxes->setVerticalSpacing(0);
    for (std::size_t i = 0; i < PropertiesAttributes::Boxes.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(PropertiesAttributes::Boxes[i].label));
        box->installEventFilter(this);
        boxes->addWidget(box, static_cast<int>(i / 2), static_cast<int>(i % 2));
        m_boxes[i] = box;
    }
    layout->addLayout(boxes);
    layout->addStretch(1);
    // Keys act on the focused box, so the focus shows as plainly as the current row of a list.
    content->setStyleSheet(
        QStringLiteral("QCheckBox:focus { background-color: palette(highlight); color: palette(highlighted-text); }"));
    setContent(content);

    // `wait idle` waits for the count until its result shows.
    Idle::registerProbe(this, [this] { return m_sizeStartPending || (m_sizeJob && !m_sizeShown); });
}

PropertiesDialog::~PropertiesDialog() { stopSizeCount(); }

bool PropertiesDialog::initialise()
{
    if (m_path.isEmpty() || m_fileSystem.lookUp(m_path, m_item) != platform::FsError::None) {
        MessageBox::error(this, Str::text(Str::PropertiesItemNotFound));
        end(Cmd::Cancel);
        return false;
    }
    m_isFolder = m_item.isFolder();
    const QString name = platform::PhonePath::splitLast(m_path).name;
    m_name->setText(name);
    if (m_isFolder) {
        m_sizeStartPending = true;
        QMetaObject::invokeMethod(
            this, [this] { sendCommand(Cmd::CalculateFolderSize); }, Qt::QueuedConnection);
    } else {
        m_size->setText(sizeText(m_item.size, SizeUnits::File));
    }
    m_created->setText(PropertiesText::time(m_item.creationTime));
    m_modified->setText(PropertiesText::time(m_item.lastWriteTime));
    m_accessed->setText(PropertiesText::time(m_item.lastAccessTime));
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        const PropertiesAttributes::BoxState state = PropertiesAttributes::stateOf(i, name, m_item.attributes);
        m_boxes[i]->setChecked(state.checked);
        m_boxes[i]->setEnabled(state.enabled);
    }
    const int image = m_isFolder ? m_images.folderIcons(m_path).closed : m_images.fileImage(name);
    const bool shortcut = !m_isFolder && name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
    m_icon->setPixmap(m_images.icon(image, shortcut).pixmap(LargeIconSize, LargeIconSize));
    m_boxes[0]->setFocus();
    return true;
}

bool PropertiesDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::CalculateFolderSize: startSizeCount(); return true;
    case Cmd::Ok:
        // Stays open unless the attributes were written: the user may change the boxes or
        // cancel.
        return !applyAttributes();
    default: return false;
    }
}

// Left and Right tick and clear a box, as a keypad has no space bar; the action key is Done.
bool PropertiesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* box = qobject_cast<QCheckBox*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (box && (key == Qt::Key_Left || key == Qt::Key_Right)) {
            if (box->isEnabled())
                box->toggle();
            return true;
        }
    }
    return PhoneDialog::eventFilter(watched, event);
}

bool PropertiesDialog::applyAttributes()
{
    if (m_item.attributes & platform::Attr::InRom) {
        MessageBox::error(this, Str::text(Str::PropertiesInRom));
        return false;
    }
    const QString name = platform::PhonePath::splitLast(m_path).name;
    const PropertiesAttributes::Change change = PropertiesAttributes::changeFrom(
        name, m_boxes[0]->isChecked(), m_boxes[1]->isChecked(), m_boxes[2]->isChecked());
    if (m_fileSystem.changeAttributes(m_path, change.mask, change.values) != platform::FsError::None) {
        MessageBox::error(this, Str::text(m_isFolder ? Str::FolderAttributesFailed : Str::FileAttributesFailed));
        return false;
    }
    return true;
}

void PropertiesDialog::startSizeCount()
{
    // The page may have closed before the posted command came.
    if (!m_sizeStartPending || m_sizeJob)
        return;
    m_sizeStartPending = false;
    m_sizeJob = std::make_unique<JobContext>();
    // The count comes back as a posted call; a page that closes first stops the worker,
    // which drops it.
    const bool started = m_sizeWorker.start([this, path = m_path, job = m_sizeJob.get()](std::stop_token) {
        const FolderSize size = FolderSize::count(m_fileSystem, path, *job);
        job->finish();
        m_sizeWorker.post([this, size] { sizeCountFinished(size); });
    });
    if (!started) {
        m_size->setText(Str::text(Str::SizeCalculationFailed));
        m_sizeShown = true;
    }
}

void PropertiesDialog::sizeCountFinished(const FolderSize& size)
{
    if (m_sizeShown)
        return;
    m_sizeWorker.join();
    m_sizeShown = true;
    if (size.complete()) {
        m_size->setText(PropertiesText::folderSize(size.files, size.bytes));
        return;
    }
    if (size.stopped)
        return;
    m_size->setText(
        Str::text(Str::SizeCalculationFailed) + u'\n'
        + FailureText::cannotList(size.failedFolder, size.error).replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
}

void PropertiesDialog::stopSizeCount()
{
    m_sizeStartPending = false;
    if (!m_sizeJob)
        return;
    m_sizeJob->stop = true;
    m_sizeJob->stop.notify_all();
    m_sizeWorker.stop();
    m_sizeShown = true;
}

void PropertiesDialog::done(int code)
{
    // No result may reach a page that has closed, and no walk outlive it.
    stopSizeCount();
    PhoneDialog::done(code);
}
