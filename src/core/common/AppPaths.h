#pragma once

#include <QString>

namespace dr420 {

// The one place that decides where each of the program's files lives.
//
// Portable: the program's own directory holds the default database and is
// writable (the build folder, an unpacked archive): every file is there, as
// always. Installed (read-only, e.g. /usr/bin): settings go to
// $XDG_CONFIG_HOME/dr420-monitor/ and the default database to
// $XDG_DATA_HOME/dr420-monitor/, each copied once from the installed
// defaults (<prefix>/share/dr420-monitor/, else the program's directory) when
// the user has none; a user's file is never overwritten.
enum class AppFile { Settings, WaveSettings, ChannelSet, ComPorts, Database };

QString appFileName(AppFile file);
// The path to read and write; seeds the per-user copy first when installed.
QString appFilePath(AppFile file);
bool isPortableInstall();
// Read-only files shipped with the program (help, manual): the program's
// directory, else <prefix>/share/dr420-monitor/. Empty when neither has it.
QString shippedFilePath(const QString &name);
// A helper program (dr420-mdbimport): beside this one, else
// <prefix>/libexec/dr420-monitor/.
QString helperProgramPath(const QString &name);

} // namespace dr420
