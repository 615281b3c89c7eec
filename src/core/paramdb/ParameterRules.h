#pragma once

#include "ParameterRecord.h"

#include <QString>
#include <cstdint>

// The rules every part of the parameter editor shares: value codec, limits,
// register addresses, option order, run state.
namespace dr420 {

// Raw register value -> display text with ZPoint decimals ("" for ZPoint > 4).
QString FormatRawValue(uint16_t raw, int sign, int zpoint);
// Display text -> raw register value, scaled exactly in decimal (0.29 with
// ZPoint 2 gives 29); digits beyond ZPoint are dropped toward zero.
uint16_t ParseValueText(const QString &text, int sign, int zpoint);
// The leading decimal number of a text (sign, digits, fraction, exponent),
// blanks trimmed; 0 when there is none.
double leadingNumber(const QString &text);

// Parameter number -> 16-bit register address. Characters the scheme does
// not define (a first character other than U, P, A..F; a second other than
// 0..9, A..F outside "FH") contribute nothing.
uint16_t PnoToAddress(const QString &pno);
// True when the rule maps `pno` to a register of its own: four characters
// once dashes and blanks are gone, U, P or A..F first, 0..9 or A..F second
// (or "FH"), two decimal digits last. Anything else (FX-11, F0-123) would
// reach another parameter's register and is never sent.
bool PnoHasRegister(const QString &pno);

// Sort key of an option text "key:description": A..F count 10..15,
// otherwise the leading decimal integer (0 when none).
int OptionKey(const QString &option);

// First record whose trimmed number equals the trimmed `pno` (exact case).
bool FindParameter(const QString &pno, ParameterRecord &out);
// Index of that record in the table, or -1.
int FindParameterIndex(const QString &pno);

// True when the record's value lies within its limits (limits may name other
// parameters, whose current values count); selection and multi-digit
// records always pass; a limit naming a missing parameter fails.
bool CheckLimits(const ParameterRecord &record);
// The limit texts as they apply now (another parameter's value for a
// reference); false when a referenced parameter is missing.
bool ResolveLimits(const ParameterRecord &record, QString *lower, QString *upper);

void SortParameterTable();
void SortOptionLists();

// Run state (register 0x3000 over the link). A failed read counts as
// "not running" for the first and as "not stopped" for the second.
bool IsDriveRunning();
bool IsDriveStopped();

} // namespace dr420
