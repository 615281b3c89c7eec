#pragma once

#include "ParameterRecord.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

// Decisions of the parameter editor window that need no window.
namespace dr420 {

// --- Group tree -----------------------------------------------------------
// One node "<GroupNO>-Groups <GroupName>" per run of equal GroupNO in table order.
QStringList groupNodeTexts(const std::vector<ParameterRecord> &table);
// The group a node stands for; false for the root (no "-Groups" in its text).
bool groupOfNode(const QString &nodeText, QString *group);

// --- List -----------------------------------------------------------------
constexpr int kListColumns = 9;
// Column widths that add up to the list's client width.
std::array<int, kListColumns> columnWidths(int listWidth);
// Column of the attribute icon of a record: 6 read-only, 7 read-only while running, 8 read/write.
int attributeColumn(int rw);

// --- Double-click ---------------------------------------------------------
enum class EditDialogKind { None, Numeric, Selection, MultiDigit };
// Which edit dialog a double-click opens: nothing while sampling, for a number
// not in the table, for a read-only parameter, or for one that is read-only
// while running when the drive runs. `driveRunning` is asked only when needed.
EditDialogKind editDialogFor(const ParameterRecord *record, bool sampling, const std::function<bool()> &driveRunning);

// --- Search ---------------------------------------------------------------
enum class SearchField { Number = 0, Name = 1, Value = 2 };
// Forward goes towards the start of the table, Backward towards its end.
enum class SearchDirection { Forward = 0, Backward = 1 };
struct SearchOptions {
    SearchField field = SearchField::Number;
    SearchDirection direction = SearchDirection::Backward;
    bool wholeField = false;
    bool matchCase = false;
};
// Index of the first match walking from the record numbered `currentNumber`
// (inclusive) in the chosen direction, or -1.
int searchParameters(const std::vector<ParameterRecord> &table, const QString &currentNumber, const QString &text,
                     const SearchOptions &options);
// The number the next search starts from after a hit at `hit`.
QString numberAfterHit(const std::vector<ParameterRecord> &table, int hit, SearchDirection direction);

} // namespace dr420
