// The INI family: settings.ini, comports.ini, wavesettings.ini and
// channel.set share one input; each reader must take any bytes, and a
// rewrite of an unchanged file must keep its bytes.
#include "FuzzSupport.h"
#include "common/PositionalIni.h"
#include "link/ComPortMap.h"
#include "scope/ScopeRules.h"
#include "scope/WaveSettings.h"

#include <QFile>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    dr420::fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = dr420::fuzz::asFile(data, size, ".ini");
    {
        dr420::PositionalIni ini(path);
        for (int s = 0; s < ini.sectionCount() && s < 4; ++s)
            (void)ini.value(s, QStringLiteral("port"));
        if (!ini.save())
            std::abort();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QByteArray back = f.readAll();
        if (back != QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))) {
            // Only a final line without its ending may gain one.
            if (!(back.size() > qsizetype(size) && back.startsWith(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))))
                std::abort();
        }
    }
    (void)dr420::ComPortMap::resolve(1, path, {});
    (void)dr420::WaveSettings::load(path);
    std::vector<dr420::ChannelEntry> list;
    dr420::loadChannelList(path, &list);
    for (const auto &e : list)
        if (e.name.size() > 99)
            std::abort();
    return 0;
}
