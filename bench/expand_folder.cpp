// Expands one folder in the real folder tree (listed, sorted, with icons, laid out by the view)
// as the action key does, and prints how long the first screenful and the whole listing took,
// the memory it added per item, and the longest stall of the window meanwhile (a 5 ms timer),
// beside the idle window's own.
// Usage: expand_folder HOST_PARENT FOLDER_NAME
#include "platform/linux/LinuxFileSystem.h"
#include "settings/Settings.h"
#include "tree/FolderTree.h"
#include "tree/TreeImageList.h"

#include "LongestStall.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {
long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}
}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s HOST_PARENT FOLDER_NAME\n", argv[0]);
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    Settings settings;
    TreeImageList images;
    FolderTree tree(fileSystem, settings, images);
    tree.resize(240, 280);
    tree.show();
    tree.populate(QString(), nullptr);
    QApplication::processEvents();
    TreeNode* folder = nullptr;
    for (const auto& child : tree.treeModel()->root()->children)
        if (child->text == QString::fromLocal8Bit(argv[2]))
            folder = child.get();
    if (!folder)
        return 1;
    const long before = residentKilobytes();
    QElapsedTimer clock;
    clock.start();
    qint64 firstScreenful = 0;
    const double stall = longestStall([&] {
        tree.expand(tree.treeModel()->indexOf(folder));
        tree.repaint();
        firstScreenful = clock.nsecsElapsed();
        while (tree.isListing(folder))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        tree.setCurrentNode(folder->children.empty() ? folder : folder->children.back().get());
        tree.repaint();
    });
    const qint64 elapsed = clock.nsecsElapsed();
    const long after = residentKilobytes();
    const size_t items = folder->children.size();
    std::printf("%zu items in %.1f ms, first screenful %.1f ms (goal <= 50), %.0f bytes per item; "
                "longest stall %.1f ms (goal <= 16), idle window %.1f ms\n",
                items, double(elapsed) / 1e6, double(firstScreenful) / 1e6,
                items ? double(after - before) * 1024.0 / static_cast<double>(items) : 0.0, stall, idleStall());
    return 0;
}
