// Copies a folder tree the way Paste does (file by file through the file-system service), or
// deletes one the way Delete does, and prints how long it took.
// Usage: paste_tree HOST_ROOT copy SOURCE TARGET | paste_tree HOST_ROOT delete FOLDER
// (SOURCE, TARGET and FOLDER are names of folders directly under HOST_ROOT)
#include "app/Settings.h"
#include "fileops/Delete.h"
#include "fileops/Paste.h"
#include "fileops/Selection.h"
#include "platform/linux/LinuxFileSystem.h"
#include "tree/FolderTree.h"
#include "tree/TreeImageList.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc < 4 || (std::strcmp(argv[2], "copy") == 0 && argc != 5)) {
        std::fprintf(stderr, "usage: %s HOST_ROOT copy SOURCE TARGET | HOST_ROOT delete FOLDER\n", argv[0]);
        return 64;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QByteArray(argv[1]))};
    Settings settings;
    TreeImageList images;
    FolderTree tree(fileSystem, settings, images);
    Selection selection;
    int pendingOp = 1;
    QElapsedTimer clock;
    clock.start();
    bool ok = false;
    if (std::strcmp(argv[2], "copy") == 0) {
        Paste paste(fileSystem, tree, selection, pendingOp, nullptr);
        ok = paste.copyFolderTree(u'\\' + QString::fromLocal8Bit(argv[3]), u'\\' + QString::fromLocal8Bit(argv[4]));
    } else {
        ok = Delete::deleteFolderTree(fileSystem, nullptr, u'\\' + QString::fromLocal8Bit(argv[3]));
    }
    std::printf("%s in %.1f ms\n", argv[2], clock.nsecsElapsed() / 1e6);
    return ok ? 0 : 1;
}
