#pragma once

#include <QString>

// Keeps the ".zip" association of our registry pointing at this program, so that an archive
// opened elsewhere (the desktop, a mail) starts Fennick with its path. Nothing is shown.
namespace ZipAssociation {

// The full path of the running program ("/usr/bin/fennick").
QString modulePath();

// Compares the five entries of the association with what they must be for `module` (without
// regard to case, EditFlags not compared) and writes them all again, with CheckZip = 1, when
// any differs. True when it wrote. A module path that a shell would split (a blank in it) is
// written in double quotation marks, so that the command still names one program.
bool check(const QString& module);

}  // namespace ZipAssociation
