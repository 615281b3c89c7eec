#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Small decisions of the application shell that need no window.
namespace dr420 {

inline const QString kTitleConnected = QStringLiteral("DR420 Monitor(Connection)");
inline const QString kTitleNotConnected = QStringLiteral("DR420 Monitor(No Connection)");

// The status-bar clock: 2019/10/23 08:05:09.
QString formatClock(const QDateTime &when);

// The splash line's drawings for one painting, in order: `counter` is the
// process-wide dot counter, advanced in place (it survives between paintings).
QStringList splashDrawSequence(int &counter);

// Colour value 0x00BBGGRR <-> components.
inline unsigned colorRef(int r, int g, int b)
{
    return unsigned(r & 0xFF) | (unsigned(g & 0xFF) << 8) | (unsigned(b & 0xFF) << 16);
}
inline int colorRefRed(unsigned c) { return int(c & 0xFF); }
inline int colorRefGreen(unsigned c) { return int((c >> 8) & 0xFF); }
inline int colorRefBlue(unsigned c) { return int((c >> 16) & 0xFF); }

} // namespace dr420
