#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>

// The drive link: seven operations over the serial port, in the shape every
// caller of the program relies on. Results follow the link library's habits:
// LinkOpen/LinkCommand/LinkReceive return nonzero for success,
// LinkReadRegister/LinkWriteRegister return 0 for success.
namespace dr420 {

constexpr uint16_t kRunStateRegister = 0x3000;
constexpr uint16_t kRunStateStopped = 3;
constexpr int kSampleFrameBytes = 68; // the receiver waits for this many before LinkReceive
constexpr int kSampleDataBytes = 64;

enum LinkCommandCode : uint8_t {
    kCmdSetChannels = 49,
    kCmdSetRate = 50, // baud code on connection, sampling interval on scope start
    kCmdStartSampling = 51,
    kCmdStopSampling = 52,
    kCmdReadRegister = 65,
    kCmdWriteRegister = 66,
};

// The implementation behind the seven operations. Exactly one is installed;
// tests install doubles, the program the serial one.
class LinkDriver
{
public:
    virtual ~LinkDriver() = default;
    virtual int open(int port, int baud, int parity, int dataBits, int stopCode) = 0;
    virtual void close() = 0;
    virtual int readRegister(uint8_t station, uint16_t address, uint32_t *value) = 0;
    virtual int writeRegister(uint8_t station, uint16_t address, uint16_t value) = 0;
    virtual int bytesAvailable() = 0;
    virtual int receive(uint8_t *data64, uint32_t *unread, int reserved) = 0;
    virtual int command(uint8_t code, const uint8_t *data4, uint8_t *response4) = 0;
    // Why the last open failed, for the user; empty when there is nothing to add.
    virtual QString lastOpenError() const { return QString(); }
    // The open device stopped existing (adapter unplugged, I/O errors): every
    // call fails until the port is closed and opened again.
    virtual bool deviceGone() { return false; }
    // Why the calling thread's last register read/write or command failed:
    // a LinkStatus, and for a refusal the drive's reason (Modbus exception
    // code, or the RS232 refusal reason). Drivers that cannot tell say
    // "no answer".
    virtual int lastStatus() const { return 1; }
    virtual int lastRefusal() const { return 0; }
};

// Why a register access failed.
enum class LinkStatus { Ok = 0, NoAnswer = 1, Refused = 2, DeviceGone = 3, NotOpen = 4 };

struct RegisterReply {
    LinkStatus status = LinkStatus::NotOpen;
    uint16_t value = 0; // the register's value, for a read that succeeded
    int refusal = 0;    // the drive's reason, for a refusal
    bool ok() const { return status == LinkStatus::Ok; }
};

// One register read or write with the drive, through the interface
// LinkSettings names (RS485: Modbus 0x03/0x06 to the station; RS232:
// command 65/66), under the link lock unless `takeLock` is false (the link
// watch holds none). The one place register access is written.
RegisterReply readDriveRegister(uint16_t address, bool takeLock = true);
RegisterReply writeDriveRegister(uint16_t address, uint16_t value);
// "no answer", "refused by the drive (illegal data address)", ...: for the
// engineer, beside the result line.
QString describeReply(const RegisterReply &reply);

// Installs a driver (not owned); nullptr restores the default one.
void setLinkDriver(LinkDriver *driver);
LinkDriver &linkDriver();
// True when some driver other than the closed default one is installed.
bool hasLinkDriver();

int LinkOpen(int port, int baud, int parity, int dataBits, int stopCode);
void LinkClose();
int LinkReadRegister(uint8_t station, uint16_t address, uint32_t *value);
int LinkWriteRegister(uint8_t station, uint16_t address, uint16_t value);
int LinkBytesAvailable();
int LinkReceive(uint8_t *data64, uint32_t *unread, int reserved);
int LinkCommand(uint8_t code, const uint8_t *data4, uint8_t *response4);
// Beside the seven: lets the sample receiver tell a pulled cable from a pause.
bool LinkDeviceGone();

// Held around each register read/write and each command 65/66.
std::mutex &linkLock();

// Something for the calling thread to do while a request travels and the
// drive answers (the progress dialogs repaint then, so that showing progress
// costs the transfer no time). Drivers run it after sending a request and
// before they start timing the answer. Set and run on one thread only.
void setLinkWaitHook(std::function<void()> hook);
void runLinkWaitHook();

// Connection settings, written only by the port setup dialog.
struct LinkSettingsData {
    int station = 1;
    int baudRate = 115200;
    bool rs485 = false;
};
LinkSettingsData &LinkSettings();

// Reads the run-state register the way the interface in use requires
// (register read on RS485, command 65 on RS232). Returns false when the
// drive did not answer. `takeLock` is false only for the link watch.
bool readRunState(uint16_t *value, bool takeLock = true);

} // namespace dr420
