#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

namespace dr420 {

// A serial device in raw mode: 8 data bits, no parity, 1 or 2 stop bits, no
// flow control, opened exclusively (a second program cannot share it). Thin
// on purpose: framing lives in the protocol code, timing in the link driver.
class SerialPort
{
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    // False with error()/errorNumber() set.
    bool open(const QString &device, int baud, int stopBits);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    // The device stopped existing (adapter unplugged, pty closed): every
    // further operation fails at once.
    bool isGone() const { return m_gone; }
    void markGone() { m_gone = true; }

    bool write(const QByteArray &bytes);
    // Appends what arrives to `into`, waiting at most `timeoutMs` for the
    // first byte (0: only what is there now). False when the device is gone.
    bool read(QByteArray &into, int timeoutMs);
    // Drops unread input.
    void flushInput();

    int fd() const { return m_fd; }
    int baud() const { return m_baud; }
    int stopBits() const { return m_stopBits; }
    const QString &device() const { return m_device; }
    const QString &error() const { return m_error; }
    int errorNumber() const { return m_errno; }

    // termios speed constant for a rate, or 0 when the rate is not a standard one.
    static unsigned speedConstant(int baud);
    static int rateOfSpeed(unsigned speed);

private:
    bool fail(const QString &what, int err);

    int m_fd = -1;
    std::atomic<bool> m_gone{false}; // set by the sender or the receiver, read by both
    int m_baud = 0;
    int m_stopBits = 1;
    QString m_device;
    QString m_error;
    int m_errno = 0;
};

// What the user should be told when `device` could not be opened.
QString describeOpenFailure(const QString &device, int err);

} // namespace dr420
