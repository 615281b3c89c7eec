#include "ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace dr420 {
namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}

QString withSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString programDir()
{
    if (!overrideDir().isEmpty())
        return withSlash(overrideDir());
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (dir.isEmpty())
        dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    return withSlash(dir);
}

void setProgramDirOverride(const QString &dir)
{
    overrideDir() = dir;
}

bool programDirOverridden()
{
    return !overrideDir().isEmpty();
}

} // namespace dr420
