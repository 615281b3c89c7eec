#include "TextNumbers.h"

#include <algorithm>
#include <climits>

namespace dr420 {

long long leadingInteger(const QString &text)
{
    int i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    long long n = 0;
    while (i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9') && n < (1LL << 40))
        n = n * 10 + (text[i++].unicode() - '0');
    return negative ? -n : n;
}

int leadingInt(const QString &text)
{
    return int(std::clamp<long long>(leadingInteger(text), INT_MIN, INT_MAX));
}

} // namespace dr420
