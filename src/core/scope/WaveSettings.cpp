#include "WaveSettings.h"

#include "common/PositionalIni.h"

namespace dr420 {
namespace {
const QStringList kSections{QStringLiteral("Colour"),  QStringLiteral("Variable"), QStringLiteral("PerDivision"),
                            QStringLiteral("ZeroRatio"), QStringLiteral("Sampling"), QStringLiteral("Display")};

QString channelKey(int k)
{
    return QStringLiteral("channel%1").arg(k + 1);
}

double doubleValue(const PositionalIni &ini, int section, const QString &key)
{
    return ini.value(section, key).left(255).toDouble(); // "%f" values; missing reads 0
}
} // namespace

WaveSettings WaveSettings::load(const QString &path)
{
    WaveSettings s;
    PositionalIni ini(path);
    if (ini.sectionCount() < 6) {
        s.save(path);
        return s;
    }
    for (int k = 0; k < 4; ++k) {
        s.colours[size_t(k)] = unsigned(ini.intValue(0, channelKey(k), 0));
        s.choices[size_t(k)] = ini.intValue(1, channelKey(k), 0);
        s.perDiv[size_t(k)] = doubleValue(ini, 2, channelKey(k));
        s.ratio[size_t(k)] = doubleValue(ini, 3, channelKey(k));
    }
    s.back = unsigned(ini.intValue(0, QStringLiteral("back"), 0));
    s.pointsPerDiv = ini.intValue(2, QStringLiteral("x"), 200);
    s.interval = ini.intValue(4, QStringLiteral("interval"), 2);
    s.width = ini.intValue(5, QStringLiteral("width"), 1);
    return s;
}

bool WaveSettings::save(const QString &path) const
{
    PositionalIni ini(path);
    ini.ensureSections(kSections);
    for (int k = 0; k < 4; ++k)
        ini.setValue(0, channelKey(k), QString::number(int(colours[size_t(k)])));
    ini.setValue(0, QStringLiteral("back"), QString::number(int(back)));
    for (int k = 0; k < 4; ++k)
        ini.setValue(1, channelKey(k), QString::number(choices[size_t(k)]));
    for (int k = 0; k < 4; ++k)
        ini.setValue(2, channelKey(k), QString::asprintf("%f", perDiv[size_t(k)]));
    ini.setValue(2, QStringLiteral("x"), QString::number(pointsPerDiv));
    for (int k = 0; k < 4; ++k)
        ini.setValue(3, channelKey(k), QString::asprintf("%f", ratio[size_t(k)]));
    ini.setValue(4, QStringLiteral("interval"), QString::asprintf("%.0f", interval));
    ini.setValue(5, QStringLiteral("width"), QString::number(width));
    return ini.save();
}

} // namespace dr420
