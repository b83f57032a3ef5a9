#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// The icons a module offers for a file type, each with its number: the group icons of a
// Windows ".exe" or ".dll", or for any other file (a Linux program, a ".desktop" file) one
// icon numbered 1, the icon the desktop shows for it.
namespace ModuleIcons {

struct Icon {
    int number = 0;
    QIcon icon;
};

// `module` is a host path, maybe in double quotes. Empty when the file cannot be read.
QList<Icon> load(const QString& module);

}  // namespace ModuleIcons
