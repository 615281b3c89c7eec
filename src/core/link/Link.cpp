#include "Link.h"

#include <atomic>

namespace dr420 {
namespace {
// Used until a real port driver is installed: nothing can be opened, so
// every operation fails the way it does on a closed port.
class ClosedLinkDriver final : public LinkDriver
{
public:
    int open(int, int, int, int, int) override { return 0; }
    void close() override {}
    int readRegister(uint8_t, uint16_t, uint32_t *) override { return -1; }
    int writeRegister(uint8_t, uint16_t, uint16_t) override { return -1; }
    int bytesAvailable() override { return 0; }
    int receive(uint8_t *, uint32_t *, int) override { return 0; }
    int command(uint8_t, const uint8_t *, uint8_t *) override { return 0; }
};

ClosedLinkDriver g_closedDriver;
std::atomic<LinkDriver *> g_driver{&g_closedDriver};
} // namespace

void setLinkDriver(LinkDriver *driver)
{
    g_driver.store(driver ? driver : &g_closedDriver);
}

bool hasLinkDriver()
{
    return g_driver.load() != &g_closedDriver;
}

LinkDriver &linkDriver()
{
    return *g_driver.load();
}

int LinkOpen(int port, int baud, int parity, int dataBits, int stopCode)
{
    return linkDriver().open(port, baud, parity, dataBits, stopCode);
}

void LinkClose()
{
    linkDriver().close();
}

int LinkReadRegister(uint8_t station, uint16_t address, uint32_t *value)
{
    return linkDriver().readRegister(station, address, value);
}

int LinkWriteRegister(uint8_t station, uint16_t address, uint16_t value)
{
    return linkDriver().writeRegister(station, address, value);
}

int LinkBytesAvailable()
{
    return linkDriver().bytesAvailable();
}

int LinkReceive(uint8_t *data64, uint32_t *unread, int reserved)
{
    return linkDriver().receive(data64, unread, reserved);
}

int LinkCommand(uint8_t code, const uint8_t *data4, uint8_t *response4)
{
    return linkDriver().command(code, data4, response4);
}

bool LinkDeviceGone()
{
    return linkDriver().deviceGone();
}

namespace {
std::function<void()> &waitHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void setLinkWaitHook(std::function<void()> hook)
{
    waitHook() = std::move(hook);
}

void runLinkWaitHook()
{
    if (waitHook())
        waitHook()();
}

std::mutex &linkLock()
{
    static std::mutex lock;
    return lock;
}

LinkSettingsData &LinkSettings()
{
    static LinkSettingsData settings;
    return settings;
}

namespace {
RegisterReply replyOf(bool ok, uint16_t value)
{
    RegisterReply r;
    if (ok) {
        r.status = LinkStatus::Ok;
        r.value = value;
        return r;
    }
    const int status = linkDriver().lastStatus();
    r.status = status >= 1 && status <= 4 ? LinkStatus(status) : LinkStatus::NoAnswer;
    r.refusal = r.status == LinkStatus::Refused ? linkDriver().lastRefusal() : 0;
    return r;
}
} // namespace

RegisterReply readDriveRegister(uint16_t address, bool takeLock)
{
    std::unique_lock<std::mutex> guard(linkLock(), std::defer_lock);
    if (takeLock)
        guard.lock();
    const LinkSettingsData &s = LinkSettings();
    if (s.rs485) {
        uint32_t slot = 0;
        const int status = LinkReadRegister(uint8_t(s.station), address, &slot);
        // Callers test the low 16 bits, as the link library's habit is.
        return replyOf((status & 0xFFFF) == 0, uint16_t(slot & 0xFFFF));
    }
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), 0, 0};
    uint8_t response[4] = {0, 0, 0, 0};
    const bool ok = LinkCommand(kCmdReadRegister, data, response) != 0;
    return replyOf(ok, uint16_t(response[0] | (response[1] << 8)));
}

RegisterReply writeDriveRegister(uint16_t address, uint16_t value)
{
    std::lock_guard<std::mutex> guard(linkLock());
    const LinkSettingsData &s = LinkSettings();
    if (s.rs485)
        return replyOf((LinkWriteRegister(uint8_t(s.station), address, value) & 0xFFFF) == 0, value);
    const uint8_t data[4] = {uint8_t(address & 0xFF), uint8_t(address >> 8), uint8_t(value & 0xFF), uint8_t(value >> 8)};
    uint8_t response[4] = {0, 0, 0, 0};
    return replyOf(LinkCommand(kCmdWriteRegister, data, response) != 0, value);
}

QString describeReply(const RegisterReply &reply)
{
    switch (reply.status) {
    case LinkStatus::Ok:
        return QStringLiteral("done");
    case LinkStatus::NoAnswer:
        return QStringLiteral("no answer");
    case LinkStatus::DeviceGone:
        return QStringLiteral("the serial device is gone (adapter unplugged?)");
    case LinkStatus::NotOpen:
        return QStringLiteral("the port is not open");
    case LinkStatus::Refused:
        break;
    }
    QString why;
    if (LinkSettings().rs485) {
        switch (reply.refusal) {
        case 1: why = QStringLiteral("illegal function"); break;
        case 2: why = QStringLiteral("illegal data address"); break;
        case 3: why = QStringLiteral("illegal data value"); break;
        case 4: why = QStringLiteral("device failure"); break;
        case 6: why = QStringLiteral("device busy"); break;
        default: why = QStringLiteral("exception %1").arg(reply.refusal); break;
        }
    } else {
        switch (reply.refusal) {
        case 1: why = QStringLiteral("unknown command"); break;
        case 2: why = QStringLiteral("unknown register"); break;
        case 3: why = QStringLiteral("value refused"); break;
        case 4: why = QStringLiteral("refused while running"); break;
        default: why = QStringLiteral("reason %1").arg(reply.refusal); break;
        }
    }
    return QStringLiteral("refused by the drive (%1)").arg(why);
}

bool readRunState(uint16_t *value, bool takeLock)
{
    const RegisterReply r = readDriveRegister(kRunStateRegister, takeLock);
    if (!r.ok())
        return false;
    *value = r.value;
    return true;
}

} // namespace dr420
