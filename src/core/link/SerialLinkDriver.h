#pragma once

#include "Link.h"
#include "SerialPort.h"

#include <QByteArray>
#include <atomic>
#include <functional>
#include <mutex>

typedef struct _modbus modbus_t;

namespace dr420 {

// The link over a real serial device: Modbus RTU register access (RS485) and
// the command protocol with its sample stream (RS232) of docs/protocol.md.
//
// Threads: the user-interface thread sends commands and register requests;
// the oscilloscope's receive thread calls bytesAvailable/receive meanwhile.
// Sending takes the transmit lock, reading the device the receive lock
// (always in that order), so command 52 can go out while the receiver waits.
class SerialLinkDriver final : public LinkDriver
{
public:
    SerialLinkDriver();
    ~SerialLinkDriver() override;

    int open(int port, int baud, int parity, int dataBits, int stopCode) override;
    void close() override;
    int readRegister(uint8_t station, uint16_t address, uint32_t *value) override;
    int writeRegister(uint8_t station, uint16_t address, uint16_t value) override;
    int bytesAvailable() override;
    int receive(uint8_t *data64, uint32_t *unread, int reserved) override;
    int command(uint8_t code, const uint8_t *data4, uint8_t *response4) override;
    QString lastOpenError() const override;

    // Opens a device path directly (command-line tools, tests).
    int openDevice(const QString &device, int baud, int stopCode);
    // Every COM port number opens this device instead (a path given on a
    // command line); empty restores the COM port map.
    void setDeviceOverride(const QString &device) { m_deviceOverride = device; }
    QString device() const;

    // Status codes of the register operations (0 is success).
    enum Status { Ok = 0, NoAnswer = 1, Refused = 2, DeviceGone = 3, NotOpen = 4 };

    // Time allowed for a peer to start answering, beyond the frames' wire time.
    static constexpr int kAnswerTimeoutMs = 100;

private:
    int exchange(uint8_t code, const uint8_t *data4, uint8_t *response4);
    int registerStatus();
    // One Modbus request to `station` with both locks held; the status of Status.
    int modbusCall(uint8_t station, const std::function<bool(modbus_t *)> &call);
    void pumpLocked();
    void closeLocked();
    int answerTimeoutMs(int frameBytes) const;

    mutable std::mutex m_tx;
    mutable std::mutex m_rx;
    SerialPort m_port;
    modbus_t *m_modbus = nullptr;
    QByteArray m_samples; // received bytes of the sample stream not yet taken
    std::atomic<bool> m_streaming{false};
    QString m_openError;
    QString m_deviceOverride;
};

} // namespace dr420
