#pragma once

#include <QString>

namespace dr420 {

// The leading decimal number of a text as C's atoi reads it: blanks, a sign,
// ASCII digits; the rest is ignored and no digits read 0. Very long digit runs
// stop growing instead of overflowing.
long long leadingInteger(const QString &text);
// The same, clamped to int.
int leadingInt(const QString &text);

} // namespace dr420
