#include "SerialLinkDriver.h"

#include "ComPortMap.h"
#include "Protocol.h"

#include <QElapsedTimer>
#include <QFile>

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
}

int SerialLinkDriver::registerStatus()
{
    const int err = errno;
    if (err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == EPIPE) {
        m_port.markGone();
        return DeviceGone;
    }
    if (err > MODBUS_ENOBASE && err <= MODBUS_ENOBASE + MODBUS_EXCEPTION_GATEWAY_TARGET)
        return Refused;
    return NoAnswer;
}

int SerialLinkDriver::modbusCall(uint8_t station, const std::function<bool(modbus_t *)> &call)
{
    std::lock_guard<std::mutex> tx(m_tx);
    std::lock_guard<std::mutex> rx(m_rx);
    if (!m_modbus || !m_port.isOpen())
        return NotOpen;
    if (m_port.isGone())
        return DeviceGone;
    modbus_set_slave(m_modbus, station);
    return call(m_modbus) ? Ok : registerStatus();
}

int SerialLinkDriver::readRegister(uint8_t station, uint16_t address, uint32_t *value)
{
    return modbusCall(station, [&](modbus_t *ctx) {
        uint16_t reg = 0;
        if (modbus_read_registers(ctx, address, 1, &reg) != 1)
            return false;
        *value = reg;
        return true;
    });
}

int SerialLinkDriver::writeRegister(uint8_t station, uint16_t address, uint16_t value)
{
    return modbusCall(station, [&](modbus_t *ctx) { return modbus_write_register(ctx, address, value) == 1; });
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
    // Whatever waits now is stale: it cannot be the answer to this request.
    m_port.flushInput();
    m_samples.clear();
    const Data4 data{data4[0], data4[1], data4[2], data4[3]};
    if (!m_port.write(encodeRequest(code, data)))
        return 0;
    runLinkWaitHook(); // the answer waits in the device meanwhile
    QByteArray in;
    QElapsedTimer waited;
    waited.start();
    const int timeoutMs = answerTimeoutMs(2 * kCommandFrameBytes);
    for (;;) {
        const int left = timeoutMs - int(waited.elapsed());
        if (left <= 0)
            return 0;
        if (!m_port.read(in, left))
            return 0;
        CommandFrame frame;
        while (takeCommandFrame(in, kResponseSync, &frame)) {
            if (frame.code != code)
                continue; // a late answer to an earlier request
            // What follows the answer (the start of a sample stream) stays for the receiver.
            m_samples = in;
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
