#include "AppPaths.h"

#include "ProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace dr420 {

namespace {
const QString kFolder = QStringLiteral("dr420-monitor");

QString sharedDir()
{
    return QDir::cleanPath(programDir() + QStringLiteral("../share/") + kFolder) + QLatin1Char('/');
}

// XDG_CONFIG_HOME / XDG_DATA_HOME with their defaults, as the basedir spec has them.
QString userDir(bool config)
{
    const QByteArray var = qgetenv(config ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME");
    QString base = QFile::decodeName(var);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + (config ? QStringLiteral("/.config") : QStringLiteral("/.local/share"));
    return base + QLatin1Char('/') + kFolder + QLatin1Char('/');
}

// Copies the installed default to `target` unless the user has a file there.
void seed(const QString &target, const QString &name)
{
    if (QFileInfo::exists(target))
        return;
    QString source = sharedDir() + name;
    if (!QFileInfo::exists(source))
        source = programDir() + name;
    if (!QFileInfo::exists(source))
        return; // the program makes the file itself when it saves
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    if (QFile::copy(source, part)) {
        // Installed defaults are read-only; the user's copy is the user's.
        QFile::setPermissions(part, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        if (!QFile::rename(part, target))
            QFile::remove(part);
    }
}
} // namespace

QString appFileName(AppFile file)
{
    switch (file) {
    case AppFile::Settings: return QStringLiteral("settings.ini");
    case AppFile::WaveSettings: return QStringLiteral("wavesettings.ini");
    case AppFile::ChannelSet: return QStringLiteral("channel.set");
    case AppFile::ComPorts: return QStringLiteral("comports.ini");
    case AppFile::Database: return QStringLiteral("DR420.mdb");
    }
    return QString();
}

bool isPortableInstall()
{
    if (programDirOverridden())
        return true;
    const QString dir = programDir();
    // access() and not the permission bits: a read-only mount is read-only for root too.
    return QFileInfo::exists(dir + appFileName(AppFile::Database)) && ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
}

QString appFilePath(AppFile file)
{
    const QString name = appFileName(file);
    if (isPortableInstall())
        return programDir() + name;
    const QString target = userDir(file != AppFile::Database) + name;
    seed(target, name);
    return target;
}

QString shippedFilePath(const QString &name)
{
    for (const QString &dir : {programDir(), sharedDir()})
        if (QFileInfo::exists(dir + name))
            return dir + name;
    return QString();
}

QString helperProgramPath(const QString &name)
{
    const QString beside = programDir() + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString libexec = QDir::cleanPath(programDir() + QStringLiteral("../libexec/") + kFolder + QLatin1Char('/') + name);
    return QFileInfo::exists(libexec) ? libexec : beside;
}

} // namespace dr420
