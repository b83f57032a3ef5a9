#pragma once

#include <QStringList>

// The user's own list of programs to open files with, kept as the values of the key
// SettingsSchema::OpenWith. No widget.
namespace OpenWithList {

// Every string value of the key whatever its name, in registry order; empty ones left out.
QStringList load();

// Replaces the key's values by App0, App1, ... in list order. When an old value cannot be
// deleted nothing is written, so that the list is never stored twice over.
[[nodiscard]] bool save(const QStringList& programs);

}  // namespace OpenWithList
