#pragma once

#include "paramdb/EditorRules.h"

#include <QString>
#include <functional>

class QWidget;

namespace dr420 {

// Opens the edit dialog of `kind` for parameter `pno`, modally; true when the
// user confirmed (the record in ParameterTable then holds the new value).
bool runEditDialog(EditDialogKind kind, const QString &pno, QWidget *parent);

// Tests replace the dialogs; nullptr restores them.
using EditDialogRunner = std::function<bool(EditDialogKind, const QString &, QWidget *)>;
void setEditDialogRunner(EditDialogRunner runner);

} // namespace dr420
