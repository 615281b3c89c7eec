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
    m_needSync = false;
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
}

void SerialLinkDriver::awaitLateAnswer()
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
        if (!late.isEmpty() && now - lastByteAt >= kQuietAfterLateAnswerMs && holdsCommandAnswer(late))
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

namespace {
// Counts the whole answers to `probe` (function `function` or its exception,
// from `station`, good CRC) in `bytes` and drops what they and anything before
// them took. A tail that may be the start of one stays.
int takeProbeAnswers(QByteArray &bytes, uint8_t station, uint8_t function, int answerBytes)
{
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    const qsizetype n = bytes.size();
    int answers = 0;
    qsizetype consumed = 0;
    for (qsizetype at = 0; at + 5 <= n;) {
        int length = 0;
        if (b[at] == station && b[at + 1] == (function | 0x80))
            length = 5;
        else if (b[at] == station && b[at + 1] == function && b[at + 2] == answerBytes - 5)
            length = answerBytes;
        if (length && at + length <= n) {
            const uint16_t crc = crc16(b + at, size_t(length - 2));
            if (b[at + length - 2] == (crc & 0xFF) && b[at + length - 1] == (crc >> 8)) {
                ++answers;
                at += length;
                consumed = at;
                continue;
            }
        }
        ++at;
    }
    bytes.remove(0, std::max<qsizetype>(consumed, n - 8));
    return answers;
}
} // namespace

bool SerialLinkDriver::syncModbus(uint8_t station, int budgetMs)
{
    // Each round probes with the other function, so that a probe answer of
    // the round before, however late, cannot end this one.
    m_probeFunction = m_probeFunction == kProbeFunctionA ? kProbeFunctionB : kProbeFunctionA;
    const uint8_t function = m_probeFunction;
    const int answerBytes = function == 0x04 ? 7 : 6; // one input register, or one discrete input
    uint8_t probe[6] = {station, function, uint8_t(kRunStateRegister >> 8), uint8_t(kRunStateRegister & 0xFF), 0, 1};
    const int probeWait = answerTimeoutMs(8 + answerBytes);
    const qint64 start = steadyMs();
    const qint64 deadline = start + std::max(budgetMs, probeWait);
    m_port.flushInput(); // older than any probe: never its answer
    QByteArray in;
    int sent = 0;
    int answered = 0;
    qint64 nextSend = start;
    qint64 lastByteAt = start;
    for (;;) {
        const qint64 now = steadyMs();
        if (answered == 0) {
            if (now >= deadline)
                return false;
            if (now >= nextSend) {
                // A busy drive may drop a probe: ask again now and then, not
                // so often that a drive that queues them falls behind.
                if (modbus_send_raw_request(m_modbus, probe, 6) < 0) {
                    registerStatus(); // marks a vanished device
                    return false;
                }
                ++sent;
                nextSend = now + std::max(probeWait, kProbeResendMs);
            }
        } else if (answered >= sent || now - lastByteAt >= probeWait) {
            // Every probe of this round answered (or the rest dropped): the
            // next request's answer is the first thing that can come.
            break;
        }
        const qsizetype before = in.size();
        const qint64 until = answered ? lastByteAt + probeWait : std::min(nextSend, deadline);
        if (!m_port.read(in, int(std::clamp<qint64>(until - now, 1, kQuietAfterLateAnswerMs))))
            return false;
        if (in.size() > before)
            lastByteAt = steadyMs();
        answered += takeProbeAnswers(in, station, function, answerBytes);
        runLinkWaitHook(); // a progress dialog keeps painting
    }
    m_needSync = false;
    return true;
}

int SerialLinkDriver::modbusExchange(const uint8_t *request, uint16_t *value)
{
    // Whatever waits now is stale: it cannot be the answer to this request.
    m_port.flushInput();
    if (modbus_send_raw_request(m_modbus, const_cast<uint8_t *>(request), 6) < 0)
        return registerStatus();
    uint8_t answer[MODBUS_RTU_MAX_ADU_LENGTH];
    const int n = modbus_receive_confirmation(m_modbus, answer);
    // libmodbus has checked the CRC, the station and the length for the
    // function; which register and value it answers is checked here.
    const uint8_t function = request[1];
    if (n < 0)
        return registerStatus();
    if (n == 5 && answer[0] == request[0] && answer[1] == (function | 0x80)) {
        m_lastRefusal = answer[2];
        return Refused;
    }
    if (function == 0x03 && n == 7 && answer[0] == request[0] && answer[1] == 0x03 && answer[2] == 2) {
        *value = uint16_t((answer[3] << 8) | answer[4]);
        return Ok;
    }
    if (function == 0x06 && n == 8 && std::memcmp(answer, request, 6) == 0)
        return Ok;
    return NoAnswer; // damaged, or the answer to another request
}

int SerialLinkDriver::modbusCall(uint8_t station, uint8_t function, uint16_t address, uint16_t word,
                                 uint16_t *value)
{
    std::lock_guard<std::mutex> tx(m_tx);
    std::lock_guard<std::mutex> rx(m_rx);
    const int status = modbusCallLocked(station, function, address, word, value);
    return note(status, status == Refused ? m_lastRefusal.load() : 0);
}

int SerialLinkDriver::modbusCallLocked(uint8_t station, uint8_t function, uint16_t address, uint16_t word,
                                       uint16_t *value)
{
    if (!m_modbus || !m_port.isOpen())
        return NotOpen;
    if (m_port.isGone())
        return DeviceGone;
    modbus_set_slave(m_modbus, station);
    const uint8_t request[6] = {station, function, uint8_t(address >> 8), uint8_t(address & 0xFF),
                                uint8_t(word >> 8), uint8_t(word & 0xFF)};
    // After a time-out a late answer may still come, and a 0x03 answer does
    // not say which register it is for: nothing is sent until the drive has
    // answered a probe sent after it (docs/protocol.md, "Late answers").
    if (m_needSync && !syncModbus(station, m_trusted ? kLateAnswerWaitMs : 0)) {
        m_trusted = false;
        return m_port.isGone() ? DeviceGone : NoAnswer;
    }
    int status = modbusExchange(request, value);
    if (status == NoAnswer) {
        m_needSync = true;
        // Reads and writes of one register can be repeated: a time-out costs
        // a second try, not the parameter. A silent drive gets none.
        if (m_trusted) {
            if (syncModbus(station, kLateAnswerWaitMs))
                status = modbusExchange(request, value);
            else
                m_trusted = false;
            if (status == NoAnswer)
                m_needSync = true;
        }
    }
    if (status == Ok || status == Refused)
        m_trusted = true;
    return m_port.isGone() ? DeviceGone : status;
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
    if (!m_port.isOpen()) {
        note(NotOpen);
        return 0;
    }
    if (m_port.isGone()) {
        note(DeviceGone);
        return 0;
    }
    if (code == kCmdStopSampling && m_streaming.exchange(false)) {
        // The receive thread may be reading: send without waiting. The drive's
        // answer arrives in the stream, where the receiver passes over it.
        const Data4 data{data4[0], data4[1], data4[2], data4[3]};
        return m_port.write(encodeRequest(code, data)) ? 1 : 0;
    }
    std::lock_guard<std::mutex> rx(m_rx);
    m_lastRefusal = 0;
    const int ok = exchange(code, data4, response4);
    note(ok ? Ok : m_port.isGone() ? DeviceGone : m_lastRefusal ? Refused : NoAnswer, m_lastRefusal);
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
    awaitLateAnswer();
    // Whatever waits now is stale: it cannot be the answer to this request.
    m_port.flushInput();
    m_samples.clear();
    const Data4 data{data4[0], data4[1], data4[2], data4[3]};
    const QByteArray request = encodeRequest(code, data);
    const qint64 sentAt = steadyMs();
    if (!m_port.write(request))
        return 0;
    runLinkWaitHook(); // the answer waits in the device meanwhile
    // Register reads and writes can be repeated: after a time-out of a drive
    // that has been answering, the request goes once more and an answer to
    // either is taken while a late one can still come.
    const bool repeatable = code == kCmdReadRegister || code == kCmdWriteRegister;
    bool repeated = false;
    QByteArray in;
    QElapsedTimer waited;
    waited.start();
    int timeoutMs = answerTimeoutMs(2 * kCommandFrameBytes);
    for (;;) {
        const int left = timeoutMs - int(waited.elapsed());
        if (left <= 0) {
            if (repeatable && m_trusted && !repeated) {
                repeated = true;
                if (!m_port.write(request))
                    return 0;
                timeoutMs += kLateAnswerWaitMs;
                continue;
            }
            if (repeated)
                m_trusted = false; // nothing for the whole wait: silent, fail fast from now on
            else
                noteTimeout(sentAt);
            return 0;
        }
        if (!m_port.read(in, std::min(left, kQuietAfterLateAnswerMs)))
            return 0;
        if (repeated)
            runLinkWaitHook();
        CommandFrame frame;
        while (takeCommandFrame(in, kResponseSync, &frame)) {
            if (!answersRequest(code, data, frame))
                continue; // a late answer to an earlier request
            // What follows the answer (the start of a sample stream) stays for the receiver.
            m_samples = in;
            m_trusted = true;
            m_silentGuards = 0;
            if (frame.refused) {
                m_lastRefusal = std::max<int>(1, frame.data[0]);
                return 0;
            }
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
