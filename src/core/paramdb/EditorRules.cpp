#include "EditorRules.h"

namespace dr420 {

QStringList groupNodeTexts(const std::vector<ParameterRecord> &table)
{
    QStringList nodes;
    for (size_t i = 0; i < table.size(); ++i)
        if (i == 0 || table[i].GroupNO != table[i - 1].GroupNO)
            nodes << QStringLiteral("%1-Groups %2").arg(table[i].GroupNO, table[i].GroupName);
    return nodes;
}

bool groupOfNode(const QString &nodeText, QString *group)
{
    const int at = nodeText.indexOf(QLatin1String("-Groups"));
    if (at < 0)
        return false;
    *group = nodeText.left(at);
    return true;
}

std::array<int, kListColumns> columnWidths(int listWidth)
{
    const double b = (listWidth - 48) / 75.0;
    const int ten = int(b * 10);
    const int twentyFive = int(b * 25);
    const int rest = listWidth - 48 - (5 * ten + twentyFive);
    return {ten, twentyFive + rest, ten, ten, ten, ten, 16, 16, 16};
}

int attributeColumn(int rw)
{
    switch (rw) {
    case kReadOnly: return 6;
    case kReadOnlyWhileRunning: return 7;
    default: return 8;
    }
}

EditDialogKind editDialogFor(const ParameterRecord *record, bool sampling, const std::function<bool()> &driveRunning)
{
    if (sampling || !record || record->RW == kReadOnly)
        return EditDialogKind::None;
    const bool running = driveRunning ? driveRunning() : false;
    if (record->RW == kReadOnlyWhileRunning && running)
        return EditDialogKind::None;
    if (!record->InputType)
        return EditDialogKind::Numeric;
    return record->MultiLmt ? EditDialogKind::MultiDigit : EditDialogKind::Selection;
}

namespace {
const QString &fieldOf(const ParameterRecord &r, SearchField field)
{
    switch (field) {
    case SearchField::Name: return r.Name;
    case SearchField::Value: return r.Value;
    default: return r.PNO;
    }
}

bool matches(QString f, QString t, const SearchOptions &o)
{
    f = f.trimmed();
    t = t.trimmed();
    if (!o.matchCase) {
        f = f.toLower();
        t = t.toLower();
    }
    return o.wholeField ? f == t : f.contains(t);
}
} // namespace

int searchParameters(const std::vector<ParameterRecord> &table, const QString &currentNumber, const QString &text,
                     const SearchOptions &options)
{
    const QString current = currentNumber.trimmed();
    int start = -1;
    for (size_t i = 0; i < table.size() && start < 0; ++i)
        if (table[i].PNO.trimmed() == current)
            start = int(i);
    if (start < 0)
        return -1;
    const int step = options.direction == SearchDirection::Forward ? -1 : 1;
    for (int i = start; i >= 0 && i < int(table.size()); i += step)
        if (matches(fieldOf(table[size_t(i)], options.field), text, options))
            return i;
    return -1;
}

QString numberAfterHit(const std::vector<ParameterRecord> &table, int hit, SearchDirection direction)
{
    if (hit < 0 || hit >= int(table.size()))
        return QString();
    int next = direction == SearchDirection::Backward ? hit + 1 : hit - 1;
    if (next < 0 || next >= int(table.size()))
        next = hit;
    return table[size_t(next)].PNO;
}

} // namespace dr420
