#include "TestSupport.h"

#include <QFile>
#include <sys/mount.h>
#include <unistd.h>

#include "common/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <thread>

namespace dr420::test {

int ScriptedLink::open(int port, int baud, int, int, int stopCode)
{
    log({QStringLiteral("open"), port, baud, {uint8_t(stopCode)}});
    if (!openResults.empty()) {
        const int r = openResults.front();
        openResults.pop_front();
        return r;
    }
    return opens ? 1 : 0;
}

void ScriptedLink::close()
{
    log({QStringLiteral("close"), 0, 0, {}});
}

int ScriptedLink::readRegister(uint8_t station, uint16_t address, uint32_t *value)
{
    log({QStringLiteral("read"), station, address, {}});
    if (!answers || failingAddresses.contains(address))
        return 1;
    *value = address == 0x3000 ? registerValue : registers.value(address, registerValue);
    return 0;
}

int ScriptedLink::writeRegister(uint8_t station, uint16_t address, uint16_t value)
{
    log({QStringLiteral("write"), station, address, {uint8_t(value & 0xFF), uint8_t(value >> 8)}});
    return answers && !failingAddresses.contains(address) ? 0 : 1;
}

int ScriptedLink::bytesAvailable()
{
    return 0;
}

int ScriptedLink::receive(uint8_t *, uint32_t *, int)
{
    return 0;
}

int ScriptedLink::command(uint8_t code, const uint8_t *data4, uint8_t *response4)
{
    const int address = data4[0] | (data4[1] << 8);
    const bool locked = (code == 65 || code == 66) && linkLockHeld();
    log({QStringLiteral("command"), code, address, {data4[0], data4[1], data4[2], data4[3]}, locked});
    if (!commandResults.empty()) {
        const int r = commandResults.front();
        commandResults.pop_front();
        if (!r)
            return 0;
    } else if (!answers || ((code == 65 || code == 66) && failingAddresses.contains(address))) {
        return 0;
    }
    const uint16_t value = address == 0x3000 ? registerValue : registers.value(address, registerValue);
    response4[0] = uint8_t(value & 0xFF);
    response4[1] = uint8_t(value >> 8);
    response4[2] = response4[3] = 0;
    return 1;
}

QList<ScriptedLink::Call> ScriptedLink::calls() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_calls;
}

int ScriptedLink::count(const QString &op) const
{
    std::lock_guard<std::mutex> g(m_lock);
    int n = 0;
    for (const Call &c : m_calls)
        n += c.op == op;
    return n;
}

void ScriptedLink::log(Call call)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_calls.append(std::move(call));
}

namespace {
LogWatch *g_logWatch = nullptr;
} // namespace

LogWatch::LogWatch(QString needle)
    : m_needle(std::move(needle))
{
    g_logWatch = this;
    m_previous = qInstallMessageHandler(&LogWatch::handler);
}

LogWatch::~LogWatch()
{
    qInstallMessageHandler(m_previous);
    g_logWatch = nullptr;
}

QStringList LogWatch::lines() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_lines;
}

void LogWatch::handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (g_logWatch && message.contains(g_logWatch->m_needle)) {
        std::lock_guard<std::mutex> g(g_logWatch->m_lock);
        g_logWatch->m_lines << message;
    }
}

bool linkLockHeld()
{
    bool held = false;
    std::thread([&] {
        held = !linkLock().try_lock();
        if (!held)
            linkLock().unlock();
    }).join();
    return held;
}

ScratchProgramDir::ScratchProgramDir()
{
    setProgramDirOverride(m_dir.path());
}

ScratchProgramDir::~ScratchProgramDir()
{
    setProgramDirOverride(QString());
}

bool ScratchProgramDir::copyFromBuild(const QString &name)
{
    return QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name, file(name));
}

QString sharedTestData()
{
    QString dir = qEnvironmentVariable("DR420_SHARED_DIR");
    if (dir.isEmpty())
        return QString();
    dir += QLatin1String("/testdata");
    return QDir(dir).exists() ? QDir(dir).absolutePath() : QString();
}

void isolateUserFolders()
{
    static QTemporaryDir root;
    const QString runtime = root.path() + QLatin1String("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (root.path() + QLatin1String("/config")).toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root.path() + QLatin1String("/config"));
}

SmallFileSystem::SmallFileSystem(int kilobytes)
{
    if (::geteuid() != 0 || !m_dir.isValid())
        return;
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

} // namespace dr420::test
