#include "ComPortMap.h"

#include "common/AppPaths.h"
#include "common/PositionalIni.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QFile>

namespace dr420 {
namespace {
const QString kSection = QStringLiteral("ComPorts");

int sectionIndex(const PositionalIni &ini)
{
    const QStringList names = ini.sectionNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(kSection, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString key(int n)
{
    return QStringLiteral("COM%1").arg(n);
}
} // namespace

QString ComPortMap::defaultPath()
{
    return appFilePath(AppFile::ComPorts);
}

QStringList ComPortMap::presentDevices()
{
    QStringList devices;
    QStringList seen; // canonical paths
    const auto add = [&](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen << canonical;
        devices << path;
    };
    QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QString &name : byId.entryList(QDir::System | QDir::Files, QDir::Name))
        add(byId.filePath(name));
    QDir dev(QStringLiteral("/dev"));
    for (const char *pattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
        QStringList names = dev.entryList({QLatin1String(pattern)}, QDir::System, QDir::Name);
        // ttyS10 after ttyS9
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString &name : names)
            add(dev.filePath(name));
    }
    return devices;
}

QString ComPortMap::resolve(int n, const QString &mapPath, const QStringList &present)
{
    const QString explicitDevice = entry(mapPath, n);
    if (!explicitDevice.isEmpty())
        return explicitDevice;
    return n >= 1 && n <= present.size() ? present[n - 1] : QString();
}

QString ComPortMap::entry(const QString &mapPath, int n)
{
    const PositionalIni ini(mapPath);
    const int section = sectionIndex(ini);
    return section < 0 ? QString() : ini.value(section, key(n));
}

QString ComPortMap::resolve(int n, const QString &mapPath)
{
    return resolve(n, mapPath, presentDevices());
}

bool ComPortMap::setEntry(const QString &mapPath, int n, const QString &device)
{
    PositionalIni ini(mapPath);
    int section = sectionIndex(ini);
    if (section < 0) {
        QStringList names = ini.sectionNames();
        names << kSection;
        ini.ensureSections(names);
        section = ini.sectionCount() - 1;
    }
    ini.setValue(section, key(n), device);
    return ini.save();
}

bool ComPortMap::removeEntry(const QString &mapPath, int n)
{
    PositionalIni ini(mapPath);
    const int section = sectionIndex(ini);
    if (section < 0 || ini.value(section, key(n)).isEmpty())
        return true;
    ini.setValue(section, key(n), QString());
    return ini.save();
}

} // namespace dr420
