#include "SerialLinkDriver.h"

#include "ComPortMap.h"
#include "Protocol.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <modbus.h>

namespace dr420 {

using namespace protocol;

SerialLinkDriver::SerialLinkDriver() = default;

SerialLinkDriver::~SerialLinkDriver()
{
    close();
}

int SerialLinkDriver::answerTimeoutMs(int frameBytes) const
{
    return kAnswerTimeoutMs + int(std::ceil(1000.0 * wireSeconds(frameBytes, m_port.baud(), m_port.stopBits())));
}

int SerialLinkDriver::open(int port, int baud, int /*parity*/, int /*dataBits*/, int stopCode)
{
    // Parity and data bits are fixed by the interface: none and 8.
    return openDevice(m_deviceOverride.isEmpty() ? ComPortMap::resolve(port) : m_deviceOverride, baud, stopCode);
}

int SerialLinkDriver::openDevice(const QString &device, int baud, int stopCode)
{
    std::lock_guard<std::mutex> tx(m_tx);
    std::lock_guard<std::mutex> rx(m_rx);
    closeLocked();
    m_openError.clear();
    const int stopBits = stopCode == 2 ? 2 : 1;
    if (!m_port.open(device, baud, stopBits)) {
        m_openError = m_port.error();
        return 0;
    }
    m_modbus = modbus_new_rtu(QFile::encodeName(device).constData(), baud, 'N', 8, stopBits);
    if (!m_modbus) {
        m_openError = QStringLiteral("%1: %2").arg(device, QString::fromLocal8Bit(modbus_strerror(errno)));
        m_port.close();
        return 0;
    }
    // libmodbus works on our descriptor: one open, one lock, one set of settings.
    modbus_set_socket(m_modbus, m_port.fd());
    const int timeoutMs = answerTimeoutMs(8 + 7);
    modbus_set_response_timeout(m_modbus, uint32_t(timeoutMs / 1000), uint32_t(timeoutMs % 1000) * 1000);
    modbus_set_byte_timeout(m_modbus, 0, 50000);
    modbus_set_error_recovery(m_modbus, MODBUS_ERROR_RECOVERY_NONE);
    return 1;
}

QString SerialLinkDriver::device() const
{
    std::lock_guard<std::mutex> tx(m_tx);
    return m_port.isOpen() ? m_port.device() : QString();
}

QString SerialLinkDriver::lastOpenError() const
{
    std::lock_guard<std::mutex> tx(m_tx);
    return m_openError;
}

void SerialLinkDriver::close()
{
    std::lock_guard<std::mutex> tx(m_tx);
    std::lock_guard<std::mutex> rx(m_rx);
    closeLocked();
}

void SerialLinkDriver::closeLocked()
{
    if (m_modbus) {
        // modbus_close would close our descriptor; the port does that.
        modbus_free(m_modbus);
        m_modbus = nullptr;
    }
    m_port.close();
    m_samples.clear();
    m_streaming = false;
    m_guardPending = false;
    m_trusted = false;
    m_unguardedTimeout = false;
    m_silentGuards = 0;
}

int SerialLinkDriver::registerStatus()
{
    const int err = errno;
    if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == EPIPE || m_port.isGone()) {
        m_port.markGone();
        return DeviceGone;
    }
    return NoAnswer;
}

bool SerialLinkDriver::deviceGone()
{
    std::lock_guard<std::mutex> rx(m_rx);
    return m_port.isOpen() && m_port.isGone();
}

namespace {
qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// True when `bytes` holds a whole Modbus RTU answer from `station` (an
// exception, a read of one register or a write echo) with a good CRC.
bool holdsModbusAnswer(const QByteArray &bytes, uint8_t station)
{
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    for (qsizetype at = 0; at + 5 <= bytes.size(); ++at) {
        if (b[at] != station)
            continue;
        for (int length : {5, 7, 8}) {
            if (at + length > bytes.size())
                break;
            const uint16_t crc = crc16(b + at, size_t(length - 2));
            if (b[at + length - 2] == (crc & 0xFF) && b[at + length - 1] == (crc >> 8))
                return true;
        }
    }
    return false;
}

bool holdsCommandAnswer(QByteArray bytes)
{
    CommandFrame frame;
    return takeCommandFrame(bytes, kResponseSync, &frame);
}
} // namespace

void SerialLinkDriver::guardFrom(qint64 sentAtMs)
{
    m_guardPending = true;
    m_guardUntilMs = sentAtMs + kLateAnswerMs;
}

void SerialLinkDriver::noteTimeout(qint64 sentAtMs)
{
    if (m_trusted)
        guardFrom(sentAtMs);
    else
        m_unguardedTimeout = true;
}

void SerialLinkDriver::awaitLateAnswer(bool modbus, uint8_t station)
{
    if (!m_guardPending)
        return;
    m_guardPending = false;
    // Whatever arrives now answers an old request: read it to see when it is
    // over, then it goes.
    QByteArray late;
    qint64 lastByteAt = 0;
    for (;;) {
        const qint64 now = steadyMs();
        if (!late.isEmpty() && now - lastByteAt >= kQuietAfterLateAnswerMs &&
            (modbus ? holdsModbusAnswer(late, station) : holdsCommandAnswer(late)))
            break;
        if (now >= m_guardUntilMs)
            break;
        const qsizetype before = late.size();
        const int slice = int(std::min<qint64>(m_guardUntilMs - now, kQuietAfterLateAnswerMs));
        if (!m_port.read(late, slice))
            return; // gone: the request fails on its own
        if (late.size() > before)
            lastByteAt = steadyMs();
        runLinkWaitHook(); // a progress dialog keeps painting
    }
    if (!late.isEmpty()) {
        m_silentGuards = 0;
    } else if (++m_silentGuards >= kSilentGuardsBeforeNoGuard) {
        m_trusted = false; // silent: fail fast from now on
        m_silentGuards = 0;
    }
}

int SerialLinkDriver::modbusExchange(const uint8_t *request, uint16_t *value, bool *answered)
{
    *answered = false;
    // Whatever waits now is stale: it cannot be the answer to this request.
    m_port.flushInput();
    const qint64 sentAt = steadyMs();
    if (modbus_send_raw_request(m_modbus, const_cast<uint8_t *>(request), 6) < 0)
        return registerStatus();
    uint8_t answer[MODBUS_RTU_MAX_ADU_LENGTH];
    const int n = modbus_receive_confirmation(m_modbus, answer);
    // libmodbus has checked the CRC, the station and the length for the
    // function; which register and value it answers is checked here.
    const uint8_t function = request[1];
    int status = NoAnswer;
    if (n < 0) {
        status = registerStatus();
        if (status == DeviceGone)
            return status;
    } else if (n == 5 && answer[0] == request[0] && answer[1] == (function | 0x80)) {
        status = Refused;
    } else if (function == 0x03 && n == 7 && answer[0] == request[0] && answer[1] == 0x03 && answer[2] == 2) {
        *value = uint16_t((answer[3] << 8) | answer[4]);
        status = Ok;
    } else if (function == 0x06 && n == 8 && std::memcmp(answer, request, 6) == 0) {
        status = Ok;
    }
    if (status == NoAnswer) {
        // Silent, damaged or the answer to another request.
        noteTimeout(sentAt);
        return status;
    }
    *answered = true;
    return status;
}

int SerialLinkDriver::modbusCall(uint8_t station, uint8_t function, uint16_t address, uint16_t word,
                                 uint16_t *value)
{
    std::lock_guard<std::mutex> tx(m_tx);
    std::lock_guard<std::mutex> rx(m_rx);
    if (!m_modbus || !m_port.isOpen())
        return NotOpen;
    if (m_port.isGone())
        return DeviceGone;
    modbus_set_slave(m_modbus, station);
    const uint8_t request[6] = {station, function, uint8_t(address >> 8), uint8_t(address & 0xFF),
                                uint8_t(word >> 8), uint8_t(word & 0xFF)};
    awaitLateAnswer(true, station);
    bool answered = false;
    int status = modbusExchange(request, value, &answered);
    if (answered && m_unguardedTimeout) {
        // Possibly the late answer to the request before: let whatever is
        // still coming pass, then ask again.
        m_unguardedTimeout = false;
        guardFrom(steadyMs());
        awaitLateAnswer(true, station);
        status = modbusExchange(request, value, &answered);
    }
    if (answered) {
        m_trusted = true;
        m_unguardedTimeout = false;
        m_silentGuards = 0;
    }
    return status;
}

int SerialLinkDriver::readRegister(uint8_t station, uint16_t address, uint32_t *value)
{
    uint16_t reg = 0;
    const int status = modbusCall(station, 0x03, address, 1, &reg);
    if (status == Ok)
        *value = reg;
    return status;
}

int SerialLinkDriver::writeRegister(uint8_t station, uint16_t address, uint16_t value)
{
    uint16_t unused = 0;
    return modbusCall(station, 0x06, address, value, &unused);
}

int SerialLinkDriver::command(uint8_t code, const uint8_t *data4, uint8_t *response4)
{
    std::lock_guard<std::mutex> tx(m_tx);
    if (!m_port.isOpen() || m_port.isGone())
        return 0;
    if (code == kCmdStopSampling && m_streaming.exchange(false)) {
        // The receive thread may be reading: send without waiting. The drive's
        // answer arrives in the stream, where the receiver passes over it.
        const Data4 data{data4[0], data4[1], data4[2], data4[3]};
        return m_port.write(encodeRequest(code, data)) ? 1 : 0;
    }
    std::lock_guard<std::mutex> rx(m_rx);
    const int ok = exchange(code, data4, response4);
    if (ok && code == kCmdStartSampling)
        m_streaming = true;
    if (code == kCmdStopSampling)
        m_streaming = false;
    return ok;
}

int SerialLinkDriver::exchange(uint8_t code, const uint8_t *data4, uint8_t *response4)
{
    // Answers name their register, so a late one is never taken for another;
    // the guard keeps requests from piling up on a drive that is busy.
    awaitLateAnswer(false, 0);
    // Whatever waits now is stale: it cannot be the answer to this request.
    m_port.flushInput();
    m_samples.clear();
    const Data4 data{data4[0], data4[1], data4[2], data4[3]};
    const qint64 sentAt = steadyMs();
    if (!m_port.write(encodeRequest(code, data)))
        return 0;
    runLinkWaitHook(); // the answer waits in the device meanwhile
    QByteArray in;
    QElapsedTimer waited;
    waited.start();
    const int timeoutMs = answerTimeoutMs(2 * kCommandFrameBytes);
    for (;;) {
        const int left = timeoutMs - int(waited.elapsed());
        if (left <= 0) {
            noteTimeout(sentAt);
            return 0;
        }
        if (!m_port.read(in, left))
            return 0;
        CommandFrame frame;
        while (takeCommandFrame(in, kResponseSync, &frame)) {
            if (!answersRequest(code, data, frame))
                continue; // a late answer to an earlier request
            // What follows the answer (the start of a sample stream) stays for the receiver.
            m_samples = in;
            m_trusted = true;
            m_unguardedTimeout = false;
            m_silentGuards = 0;
            if (frame.refused)
                return 0;
            if (response4)
                std::memcpy(response4, frame.data.data(), 4);
            return 1;
        }
    }
}

void SerialLinkDriver::pumpLocked()
{
    if (!m_port.isOpen() || m_port.isGone())
        return;
    m_port.read(m_samples, 0);
    // Answers inside the stream (to a stop sent while streaming) are no samples.
    CommandFrame frame;
    while (m_samples.size() >= kCommandFrameBytes && uint8_t(m_samples[0]) == kResponseSync &&
           decodeCommandFrame(m_samples.constData(), kResponseSync, &frame))
        m_samples.remove(0, kCommandFrameBytes);
}

int SerialLinkDriver::bytesAvailable()
{
    std::lock_guard<std::mutex> rx(m_rx);
    pumpLocked();
    return int(m_samples.size());
}

int SerialLinkDriver::receive(uint8_t *data64, uint32_t *unread, int)
{
    std::lock_guard<std::mutex> rx(m_rx);
    pumpLocked();
    if (m_samples.size() < protocol::kSampleFrameBytes)
        return 0;
    if (isValidSampleFrame(m_samples.constData())) {
        std::memcpy(data64, m_samples.constData() + 2, 64);
        m_samples.remove(0, protocol::kSampleFrameBytes);
        if (unread)
            *unread = uint32_t(m_samples.size());
        return 1;
    }
    m_samples.remove(0, resyncSkip(m_samples));
    if (unread)
        *unread = uint32_t(m_samples.size());
    return 0;
}

} // namespace dr420
