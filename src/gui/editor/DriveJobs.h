#pragma once

#include "paramdb/ParameterCompare.h"

#include <QDateTime>
#include <QString>

class QWidget;

namespace dr420 {

// Reads every parameter of `definitions` from the drive with a progress
// dialog (it may be stopped). False when stopped; `failures` names the
// parameters that could not be read.
bool readDriveWithProgress(QWidget *parent, const ParameterList &definitions, ParameterList *values,
                           QStringList *failures);

// The file name a backup is offered under: "DR420 backup 2026-12-10 1530.mdb".
QString backupFileName(const QDateTime &when);

// "Backup Drive to File...": every parameter read, saved as a parameter file.
// Nothing is saved when a read failed or the run was stopped: a backup must
// hold the drive's values only. Returns whether a file was saved.
bool backupDriveToFile(QWidget *parent, const ParameterList &definitions);

// "Restore File to Drive...": the file's values that differ from the drive
// (read now) are shown for confirmation, written (may be stopped) and read
// back. Returns whether everything planned was written and verified.
bool restoreFileToDrive(QWidget *parent);

} // namespace dr420
