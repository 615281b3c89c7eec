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

bool readRunState(uint16_t *value, bool takeLock)
{
    std::unique_lock<std::mutex> guard(linkLock(), std::defer_lock);
    if (takeLock)
        guard.lock();
    const LinkSettingsData &s = LinkSettings();
    if (s.rs485) {
        uint32_t slot = 0;
        const int status = LinkReadRegister(uint8_t(s.station), kRunStateRegister, &slot);
        if ((status & 0xFFFF) != 0)
            return false;
        *value = uint16_t(slot & 0xFFFF);
        return true;
    }
    const uint8_t data[4] = {uint8_t(kRunStateRegister & 0xFF), uint8_t(kRunStateRegister >> 8), 0, 0};
    uint8_t response[4] = {0, 0, 0, 0};
    if (LinkCommand(kCmdReadRegister, data, response) == 0)
        return false;
    *value = uint16_t(response[0] | (response[1] << 8));
    return true;
}

} // namespace dr420
