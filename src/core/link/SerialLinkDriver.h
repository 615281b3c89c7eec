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
    int lastStatus() const override { return m_lastStatus.load(); }
    int lastRefusal() const override { return m_lastRefusal.load(); }

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
    // Late answers (docs/protocol.md). After a time-out of a drive that has
    // been answering, the request is repeated once and an answer is still
    // taken up to kLateAnswerWaitMs later: on RS232 an answer that echoes
    // this request, on RS485 only after the drive has answered a probe sent
    // after the timed-out request (function 0x04 or 0x02, alternating by
    // round, never confused with a 0x03/0x06 answer). A drive that answered
    // nothing for that long, or never since the port opened, is silent: its
    // requests get one try and one probe (30 fail in about 3.5 s).
    static constexpr int kLateAnswerWaitMs = 1500;
    static constexpr int kProbeResendMs = 400;
    static constexpr uint8_t kProbeFunctionA = 0x04; // read input register
    static constexpr uint8_t kProbeFunctionB = 0x02; // read discrete input
    // RS232 commands other than register access: after their time-out the
    // next request waits up to kLateAnswerMs after the old one was sent.
    static constexpr int kLateAnswerMs = 600;
    static constexpr int kQuietAfterLateAnswerMs = 20;
    static constexpr int kSilentGuardsBeforeNoGuard = 2;

private:
    int exchange(uint8_t code, const uint8_t *data4, uint8_t *response4);
    int registerStatus();
    // One Modbus request (function 3 or 6) to `station`; the status of Status.
    int modbusCall(uint8_t station, uint8_t function, uint16_t address, uint16_t word, uint16_t *value);
    int modbusCallLocked(uint8_t station, uint8_t function, uint16_t address, uint16_t word, uint16_t *value);
    int modbusExchange(const uint8_t *request, uint16_t *value);
    // Sends probes until one is answered (true) or `budgetMs` has passed.
    bool syncModbus(uint8_t station, int budgetMs);
    void awaitLateAnswer();
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
    std::atomic<int> m_lastStatus{NotOpen};
    std::atomic<int> m_lastRefusal{0};
    int note(int status, int refusal = 0)
    {
        m_lastStatus = status;
        m_lastRefusal = refusal;
        return status;
    }
    QString m_openError;
    // Late-answer guard (both locks held).
    bool m_guardPending = false;
    qint64 m_guardUntilMs = 0;     // steady clock
    bool m_trusted = false;        // answering since the port opened, not silent since
    bool m_needSync = false;       // RS485: a time-out since the last probe answer
    uint8_t m_probeFunction = kProbeFunctionB;
    int m_silentGuards = 0;
    QString m_deviceOverride;
};

} // namespace dr420
