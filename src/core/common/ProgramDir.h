#pragma once

#include <QString>

namespace dr420 {

// Directory of the running executable, with a trailing '/'. The program's
// settings files, sample database and help file are looked up here.
QString programDir();

// Tests point the program at a scratch directory; an empty path restores the
// executable's directory.
void setProgramDirOverride(const QString &dir);
// True while a test has pointed the program at a directory of its own.
bool programDirOverridden();

} // namespace dr420
