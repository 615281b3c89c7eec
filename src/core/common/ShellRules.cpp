#include "ShellRules.h"

namespace dr420 {

QString formatClock(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QStringList splashDrawSequence(int &counter)
{
    QStringList drawn;
    for (int pass = 0; pass < 6; ++pass) {
        counter = counter % 6 + 1;
        QString text = QStringLiteral("Read program parameter file");
        for (int i = 0; i < counter; ++i) {
            text += QLatin1Char('.');
            drawn << text;
        }
    }
    return drawn;
}

} // namespace dr420
