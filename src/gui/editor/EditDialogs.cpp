#include "EditDialogs.h"

#include "ParaEditDlgs.h"

#include <memory>

namespace dr420 {
namespace {
EditDialogRunner &runner()
{
    static EditDialogRunner r;
    return r;
}
} // namespace

void setEditDialogRunner(EditDialogRunner r)
{
    runner() = std::move(r);
}

bool runEditDialog(EditDialogKind kind, const QString &pno, QWidget *parent)
{
    if (runner())
        return runner()(kind, pno, parent);
    std::unique_ptr<CParaDlgBase> dialog;
    switch (kind) {
    case EditDialogKind::Numeric: dialog = std::make_unique<CParaEditDlg>(pno, parent); break;
    case EditDialogKind::Selection: dialog = std::make_unique<CParaComboxDlg>(pno, parent); break;
    case EditDialogKind::MultiDigit: dialog = std::make_unique<CParaMultiComboxDlg>(pno, parent); break;
    case EditDialogKind::None: return false;
    }
    // A number that is not in the table opens nothing.
    return dialog->isValid() && dialog->exec() == QDialog::Accepted;
}

} // namespace dr420
