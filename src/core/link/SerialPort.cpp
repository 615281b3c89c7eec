#include "SerialPort.h"

#include "common/Messages.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace dr420 {

namespace {
const struct {
    int rate;
    speed_t speed;
} kSpeeds[] = {
    {1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool isGoneError(int err)
{
    return err == EIO || err == ENXIO || err == ENODEV || err == EBADF || err == EPIPE;
}
} // namespace

unsigned SerialPort::speedConstant(int baud)
{
    for (const auto &s : kSpeeds)
        if (s.rate == baud)
            return s.speed;
    return 0;
}

int SerialPort::rateOfSpeed(unsigned speed)
{
    for (const auto &s : kSpeeds)
        if (s.speed == speed)
            return s.rate;
    return 0;
}

QString describeOpenFailure(const QString &device, int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("%1: permission denied. Add your user to the \"dialout\" group "
                              "(sudo usermod -aG dialout $USER), then log out and in again.")
            .arg(device);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1: no such device. Check that the adapter is plugged in and that the "
                              "COM port is mapped to the right device in comports.ini.")
            .arg(device);
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("%1: the port is in use by another program.").arg(device);
    case EINVAL:
        return QStringLiteral("%1: the port does not support these settings.").arg(device);
    default:
        return QStringLiteral("%1: %2").arg(device, systemErrorText(err));
    }
}

SerialPort::~SerialPort()
{
    close();
}

bool SerialPort::fail(const QString &what, int err)
{
    m_errno = err;
    m_error = what;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return false;
}

bool SerialPort::open(const QString &device, int baud, int stopBits)
{
    close();
    m_device = device;
    m_gone = false;
    m_error.clear();
    m_errno = 0;
    const speed_t speed = speedConstant(baud);
    if (device.isEmpty())
        return fail(QStringLiteral("no device is mapped to this COM port"), ENODEV);
    if (speed == 0)
        return fail(describeOpenFailure(device, EINVAL), EINVAL);

    m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return fail(describeOpenFailure(device, errno), errno);
    if (!isatty(m_fd))
        return fail(QStringLiteral("%1: not a serial device.").arg(device), ENOTTY);
    // Exclusive: an advisory lock every well-behaved serial program honours,
    // and TIOCEXCL against plain opens by other users.
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        return fail(describeOpenFailure(device, EBUSY), EBUSY);
    ioctl(m_fd, TIOCEXCL);

    termios tio{};
    if (tcgetattr(m_fd, &tio) != 0)
        return fail(describeOpenFailure(device, errno), errno);
    cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return fail(describeOpenFailure(device, errno), errno);
    tcflush(m_fd, TCIOFLUSH);
    m_baud = baud;
    m_stopBits = stopBits;
    return true;
}

void SerialPort::close()
{
    if (m_fd < 0)
        return;
    // Clear the exclusive flag: it belongs to the device, not to this descriptor.
    ioctl(m_fd, TIOCNXCL);
    flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

bool SerialPort::write(const QByteArray &bytes)
{
    if (m_fd < 0 || m_gone)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{m_fd, POLLOUT, 0};
            if (::poll(&p, 1, 100) <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                if (p.revents & (POLLHUP | POLLNVAL))
                    m_gone = true;
                return false;
            }
            continue;
        }
        if (n < 0 && isGoneError(errno))
            m_gone = true;
        return false;
    }
    return true;
}

bool SerialPort::read(QByteArray &into, int timeoutMs)
{
    if (m_fd < 0 || m_gone)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return ready == 0;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
        if (!(p.revents & POLLIN)) {
            m_gone = true;
            return false;
        }
    }
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            into.append(chunk, n);
            if (n < ssize_t(sizeof chunk))
                return true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        // Readable with nothing to read, or an I/O error: the device went away.
        m_gone = true;
        return false;
    }
}

void SerialPort::flushInput()
{
    if (m_fd >= 0)
        tcflush(m_fd, TCIFLUSH);
}

} // namespace dr420
