#pragma once

#include "dialogs/PhoneDialog.h"
#include "jobs/Worker.h"
#include "platform/FileSystem.h"
#include "properties/FolderSize.h"

#include <array>
#include <memory>

class JobContext;
class QCheckBox;
class QLabel;
class TreeImageList;

// "Properties": the large icon, name, size, three time stamps and every attribute of one
// item; read-only, hidden and archive may be changed. A folder's size is counted on a worker
// of its own, which stops and is waited for whenever the page closes, however it closes.
class PropertiesDialog : public PhoneDialog {
    Q_OBJECT
public:
    // `path` is the item's full phone path ("\" when there is no current item, which has no
    // properties to show).
    PropertiesDialog(platform::FileSystem& fileSystem, TreeImageList& images, const QString& path,
                     QWidget* parent = nullptr);
    ~PropertiesDialog() override;

    // The running or finished size count, for tests that watch it; null before it starts.
    JobContext* sizeJob() const { return m_sizeJob.get(); }

    void done(int code) override;

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startSizeCount();
    void sizeCountFinished(const FolderSize& size);
    void stopSizeCount();
    bool applyAttributes();

    platform::FileSystem& m_fileSystem;
    TreeImageList& m_images;
    QString m_path;
    platform::FindData m_item;
    bool m_isFolder = false;

    QLabel* m_icon;
    QLabel* m_name;
    QLabel* m_size;
    QLabel* m_created;
    QLabel* m_modified;
    QLabel* m_accessed;
    std::array<QCheckBox*, 10> m_boxes{};

    std::unique_ptr<JobContext> m_sizeJob;
    Worker m_sizeWorker{this};
    bool m_sizeStartPending = false;
    bool m_sizeShown = false;
};
