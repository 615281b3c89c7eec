#pragma once

#include "link/Protocol.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace dr420::sim {

struct SimOptions {
    int baud = 115200;      // the drive's current RS232 rate
    bool rs485 = false;     // Modbus RTU instead of the command protocol
    int station = 1;        // RS485 station (slave address)
    uint16_t runState = 3;  // register 0x3000: 3 stopped, anything else running
    QString database;       // parameter database whose values the registers start with
    bool wireTime = false;  // take bytes x 10 / baud for every frame on the wire
    bool verbose = false;   // log requests on standard error
    bool refuseBaudChange = false;
    // Faults of the sample stream, each every n-th frame (0: never).
    int noiseEvery = 0;
    int corruptEvery = 0;
    int dropEvery = 0;
    // Every n-th answer (either protocol) leaves lateMs late (0: never): a
    // drive busy with an EEPROM write or a long bus.
    int lateEvery = 0;
    int lateMs = 0;
    // The stream goes quiet after this long of streaming, the port stays
    // open (negative: never).
    int streamStopsAfterMs = -1;
    // Writes to these registers are acknowledged but not kept.
    QList<uint16_t> ignoreWrites;
};

// The recognisable waveform of drive variable `variable` (1-based; 0 is off):
// (variable-1) % 4 chooses sine, ramp, square or a signed sine.
uint16_t sampleValue(int variable, qint64 sampleIndex, int intervalMs);

// A DR420 drive on a pseudo-terminal. The program opens slavePath() like any
// serial device. Everything runs on one thread of the simulator's own; the
// accessors are safe from any thread.
class DriveSimulator
{
public:
    struct Request {
        bool modbus = false;
        uint8_t code = 0; // command code, or Modbus function
        protocol::Data4 data{};
        uint16_t address = 0;
        uint16_t value = 0;
        int ttyBaud = 0;
    };

    explicit DriveSimulator(SimOptions options = {});
    ~DriveSimulator();
    DriveSimulator(const DriveSimulator &) = delete;
    DriveSimulator &operator=(const DriveSimulator &) = delete;

    bool start(QString *error = nullptr);
    void stop();
    QString slavePath() const { return m_slavePath; }

    int driveBaud() const { return m_baud.load(); }
    void setRunState(uint16_t state);
    uint16_t registerValue(uint16_t address) const;
    bool hasRegister(uint16_t address) const;
    // Defines a register (writes to undefined registers are refused).
    void defineRegister(uint16_t address, uint16_t value);
    void setSilent(bool silent) { m_silent = silent; }
    // Pulls the cable: the pseudo-terminal goes away for good.
    void unplug();
    void injectNoise(const QByteArray &bytes);
    void setFaults(int noiseEvery, int corruptEvery, int dropEvery);
    void setLateAnswers(int every, int ms);

    QList<Request> requests() const;
    int countRequests(uint8_t code) const;
    void clearRequests();
    bool streaming() const { return m_streaming.load(); }
    int framesSent() const { return m_framesSent.load(); }
    int intervalMs() const { return m_intervalMs.load(); }

private:
    void run();
    void closeTerminal(); // ends the thread, then closes both sides
    void handleCommands(QByteArray &rx);
    void handleModbus(QByteArray &rx);
    QByteArray answerCommand(const protocol::CommandFrame &request, int *newBaud);
    void streamIfDue();
    void send(const QByteArray &bytes, qint64 lineFreeNs);
    void sendAnswer(const QByteArray &bytes, qint64 lineFreeNs);
    bool knownRegisterLocked(uint16_t address) const;
    qint64 wireNs(int bytes) const;
    int ttyBaud() const;
    void loadDatabase(const QString &path);
    void log(const QString &line) const;
    uint16_t readRegisterLocked(uint16_t address) const;
    bool writeAllowedLocked(uint16_t address, uint16_t value, uint8_t *reason) const;

    SimOptions m_options;
    int m_master = -1;
    int m_slave = -1; // kept open so the master never reads EIO between the program's opens
    QString m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_silent{false};
    std::atomic<bool> m_unplug{false};
    std::atomic<int> m_baud{115200};

    mutable std::mutex m_lock; // guards everything below
    QHash<uint16_t, uint16_t> m_registers;
    struct Limits {
        int low;
        int high;
        bool isSigned;
    };
    QHash<uint16_t, Limits> m_limits;
    uint16_t m_runState = 3;
    QList<Request> m_requests;
    QByteArray m_pendingNoise;
    std::array<uint8_t, 4> m_channels{};
    std::atomic<int> m_intervalMs{2};
    std::atomic<bool> m_streaming{false};
    qint64 m_sampleIndex = 0;
    qint64 m_nextFrameNs = 0;
    qint64 m_streamStartNs = 0;
    bool m_hasDatabase = false;
    int m_answers = 0;
    int m_frameNumber = 0;
    std::atomic<int> m_framesSent{0};
};

} // namespace dr420::sim
