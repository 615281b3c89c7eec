#include "EditDialogs.h"

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
    return false;
}

} // namespace dr420
