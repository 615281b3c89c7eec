#pragma once

#include "ParameterRecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What the three edit dialogs decide, without their windows.
namespace dr420 {

// Index of the first record whose number equals `pno` exactly (no trimming,
// case-sensitive), or -1. The edit dialogs look records up this way.
int findExactParameter(const QString &pno);

// --- Numeric dialog --------------------------------------------------------
// Characters "-+.0123456789" only, a sign only first, a '.' never first and
// at most once, not empty (blanks around are ignored). "-", "+", "5." and
// "-.5" are legal; "1e3", "1-2" and ".5" are not.
bool isLegalNumberText(const QString &text);
// The limit texts as the dialog shows them: the stored limit, or the value of
// the parameter it names (empty when that is missing).
QString lowerLimitText(const ParameterRecord &record);
QString upperLimitText(const ParameterRecord &record);
inline QString rangeText(const QString &lower, const QString &upper)
{
    return lower + QLatin1Char('~') + upper;
}
enum class NumericVerdict { Accept, Illegal, OutOfRange };
NumericVerdict checkNumericEdit(const QString &typed, const QString &lower, const QString &upper);

// --- Selection dialog ------------------------------------------------------
// The key of an option "key:description": the text before the first ':',
// empty when there is none.
QString optionKeyText(const QString &option);
// The entry whose key equals `value` exactly (the last of several), or -1.
int preselectedOption(const QStringList &options, const QString &value);
// The value Confirm stores for a chosen option: "%d" of the key's leading
// decimal number; nothing when the option has no ':' after its first character.
std::optional<QString> selectionValue(const QString &option);

// --- Multi-digit dialog ----------------------------------------------------
// d: the highest k in 1..5 whose option list k is not empty (0 when none).
int digitCount(const ParameterRecord &record);
// The entries of digit k's list: all of list 1; lists 2..5 up to (not
// including) their first empty text.
QStringList digitEntries(const ParameterRecord &record, int k);
// The entry to preselect in digit 1..d (index k-1 of the result; -1 for none).
QList<int> preselectedDigits(const ParameterRecord &record);
// The Value Confirm stores from the chosen entry texts of digits d..1 (most
// significant first); nothing for a MultiLmt other than 1 and 2.
std::optional<QString> composeDigits(const ParameterRecord &record, const QStringList &chosenMostSignificantFirst);

// --- Values sent to the drive ----------------------------------------------
// Whether `text` may become `record`'s value and be sent, by the rules of
// the edit dialog of its kind: the numeric legality test and range (limits
// named by other parameters resolved; a missing one refuses), an option key of
// list 0 for a selection, an option of its own list for every digit of a
// multi-digit value. Returns the reason for a refusal (the dialogs' texts
// where they have one), empty when accepted; `stored` gets the value text the
// dialog would store.
QString refusalForValue(const ParameterRecord &record, const QString &text, QString *stored = nullptr);

} // namespace dr420
