#pragma once

#include "Link.h"
#include "SerialPort.h"

#include <QByteArray>
#include <atomic>
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
    bool deviceGone() override;

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
    // Late answers. After a time-out of a drive that has been answering, the
    // next request waits until an answer to the old one can no longer come:
    // up to kLateAnswerMs after the old request was sent (500 ms beyond the
    // time-out), or until a late answer has arrived and the line is quiet;
    // what arrives meanwhile is dropped. A drive that has not answered since
    // the port opened, or whose guards stayed empty twice in a row, is silent:
    // its time-outs are not guarded (30 requests fail in about 3 s), and the
    // first Modbus answer after such a time-out is not taken (Modbus answers
    // carry no register address; it may be the late one): the request is
    // sent again behind a guard.
    static constexpr int kLateAnswerMs = 600;
    static constexpr int kQuietAfterLateAnswerMs = 20;
    static constexpr int kSilentGuardsBeforeNoGuard = 2;

private:
    int exchange(uint8_t code, const uint8_t *data4, uint8_t *response4);
    int registerStatus();
    // One Modbus request (function 3 or 6) to `station`; the status of Status.
    int modbusCall(uint8_t station, uint8_t function, uint16_t address, uint16_t word, uint16_t *value);
    int modbusExchange(const uint8_t *request, uint16_t *value, bool *answered);
    void awaitLateAnswer(bool modbus, uint8_t station);
    void noteTimeout(qint64 sentAtMs);
    void guardFrom(qint64 sentAtMs);
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
    // Late-answer guard (both locks held).
    bool m_guardPending = false;
    qint64 m_guardUntilMs = 0;     // steady clock
    bool m_trusted = false;        // answering, and no unguarded time-out since
    bool m_unguardedTimeout = false;
    int m_silentGuards = 0;
    QString m_deviceOverride;
};

} // namespace dr420
