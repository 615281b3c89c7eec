#include "DriveSimulator.h"

#include "link/Link.h"
#include "link/SerialPort.h"
#include "paramdb/ADOConn.h"
#include "paramdb/ParameterRules.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace dr420::sim {

using namespace protocol;

uint16_t sampleValue(int variable, qint64 sampleIndex, int intervalMs)
{
    if (variable <= 0)
        return 0;
    const double t = double(sampleIndex) * intervalMs; // ms
    switch ((variable - 1) % 4) {
    case 0: return uint16_t(std::lround(1000 + 1000 * std::sin(2 * M_PI * t / 1000.0)));
    case 1: return uint16_t((sampleIndex * intervalMs / 2) % 2000);
    case 2: return (qint64(t) / 500) % 2 ? 1500 : 500;
    default: return uint16_t(int16_t(std::lround(-1000 * std::sin(2 * M_PI * t / 2000.0))));
    }
}

namespace {
qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

DriveSimulator::DriveSimulator(SimOptions options)
    : m_options(std::move(options))
{
    m_baud = m_options.baud;
    m_runState = m_options.runState;
    m_registers.insert(0x3000, m_runState);
    if (!m_options.database.isEmpty())
        loadDatabase(m_options.database);
}

DriveSimulator::~DriveSimulator()
{
    stop();
}

void DriveSimulator::loadDatabase(const QString &path)
{
    ADOConn db(path);
    if (!db.Open())
        return;
    if (db.OpenRecordset(QStringLiteral("select * from Parameter"))) {
        std::lock_guard<std::mutex> g(m_lock);
        m_hasDatabase = true;
        for (; !db.IsEOF(); db.MoveNext()) {
            const QString pno = db.Text(QStringLiteral("PNO"));
            const int sign = db.Boolean(QStringLiteral("Sign")) ? 1 : 0;
            const int zpoint = db.Integer(QStringLiteral("ZPoint"));
            const uint16_t address = PnoToAddress(pno);
            m_registers.insert(address, ParseValueText(db.Text(QStringLiteral("Value")), sign, zpoint));
            // Literal limits of numeric parameters make out-of-range writes refusable.
            if (!db.Boolean(QStringLiteral("InputType")) && !db.Boolean(QStringLiteral("MinLmt")) &&
                !db.Boolean(QStringLiteral("MaxLmt"))) {
                const auto raw = [&](const QString &text) {
                    const uint16_t r = ParseValueText(text, sign, zpoint);
                    return sign ? int(int16_t(r)) : int(r);
                };
                m_limits.insert(address, {raw(db.Text(QStringLiteral("MinVal"))), raw(db.Text(QStringLiteral("MaxVal"))), sign != 0});
            }
        }
    }
    db.Close();
}

bool DriveSimulator::start(QString *error)
{
    const auto fail = [&](const char *what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
        stop();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(m_slave, TCSANOW, &tio);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void DriveSimulator::stop()
{
    m_stop = true;
    closeTerminal();
}

void DriveSimulator::unplug()
{
    m_unplug = true;
    closeTerminal();
}

void DriveSimulator::closeTerminal()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void DriveSimulator::setRunState(uint16_t state)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_runState = state;
}

uint16_t DriveSimulator::readRegisterLocked(uint16_t address) const
{
    if (address == kRunStateRegister)
        return m_runState;
    return m_registers.value(address, 0); // registers the drive does not know read 0
}

bool DriveSimulator::knownRegisterLocked(uint16_t address) const
{
    // Without a database every register reads (as 0); with one, only its own.
    return !m_hasDatabase || address == kRunStateRegister || m_registers.contains(address);
}

uint16_t DriveSimulator::registerValue(uint16_t address) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return readRegisterLocked(address);
}

bool DriveSimulator::hasRegister(uint16_t address) const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_registers.contains(address);
}

void DriveSimulator::defineRegister(uint16_t address, uint16_t value)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_registers.insert(address, value);
    if (address == kRunStateRegister)
        m_runState = value;
}

bool DriveSimulator::writeAllowedLocked(uint16_t address, uint16_t value, uint8_t *reason) const
{
    if (!m_registers.contains(address)) {
        *reason = kRefusedUnknownRegister;
        return false;
    }
    const auto limit = m_limits.constFind(address);
    if (limit != m_limits.cend()) {
        const int v = limit->isSigned ? int(int16_t(value)) : int(value);
        if (v < limit->low || v > limit->high) {
            *reason = kRefusedValue;
            return false;
        }
    }
    return true;
}

void DriveSimulator::injectNoise(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_pendingNoise += bytes;
}

void DriveSimulator::setLateAnswers(int every, int ms)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_options.lateEvery = every;
    m_options.lateMs = ms;
}

void DriveSimulator::sendAnswer(const QByteArray &bytes, qint64 lineFreeNs)
{
    int lateMs = 0;
    {
        std::lock_guard<std::mutex> g(m_lock);
        ++m_answers;
        if (m_options.lateEvery > 0 && m_answers % m_options.lateEvery == 0)
            lateMs = m_options.lateMs;
    }
    if (lateMs > 0) {
        // Busy: the drive hears nothing meanwhile, as a real one would not.
        log(QStringLiteral("answer held back %1 ms").arg(lateMs));
        std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
    }
    send(bytes, lineFreeNs);
}

void DriveSimulator::setFaults(int noiseEvery, int corruptEvery, int dropEvery)
{
    std::lock_guard<std::mutex> g(m_lock);
    m_options.noiseEvery = noiseEvery;
    m_options.corruptEvery = corruptEvery;
    m_options.dropEvery = dropEvery;
}

QList<DriveSimulator::Request> DriveSimulator::requests() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_requests;
}

int DriveSimulator::countRequests(uint8_t code) const
{
    std::lock_guard<std::mutex> g(m_lock);
    int n = 0;
    for (const Request &r : m_requests)
        n += r.code == code;
    return n;
}

void DriveSimulator::clearRequests()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_requests.clear();
}

void DriveSimulator::log(const QString &line) const
{
    if (m_options.verbose)
        std::fprintf(stderr, "dr420-sim: %s\n", qUtf8Printable(line));
}

int DriveSimulator::ttyBaud() const
{
    // The master sees the settings the program gave the slave side.
    termios tio{};
    if (tcgetattr(m_master, &tio) != 0)
        return 0;
    return SerialPort::rateOfSpeed(cfgetospeed(&tio));
}

qint64 DriveSimulator::wireNs(int bytes) const
{
    return m_options.wireTime ? qint64(wireSeconds(bytes, m_baud, m_options.rs485 ? 2 : 1) * 1e9) : 0;
}

void DriveSimulator::send(const QByteArray &bytes, qint64 lineFreeNs)
{
    // The last byte leaves the wire its wire time after the line became free
    // (after the request came in, for an answer). Sleeping to an absolute
    // time keeps the oversleep of one frame out of the next.
    if (m_options.wireTime) {
        const qint64 done = std::max(lineFreeNs, nowNs()) + wireNs(int(bytes.size()));
        // Sleep most of it and spin the rest: a sleeping thread wakes late
        // by tens of microseconds, a fair part of a frame at 115200 bit/s.
        const qint64 spin = 200'000;
        if (done - nowNs() > spin)
            std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(done - spin)));
        while (nowNs() < done)
            ;
    }
    // Nobody reading (the program closed the port): a wire would lose the
    // bytes, so give up after a moment instead of blocking the drive.
    const qint64 deadline = nowNs() + 50'000'000;
    qsizetype done = 0;
    while (done < bytes.size() && !m_stop && nowNs() < deadline) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        } else if (!(n < 0 && errno == EINTR)) {
            return;
        }
    }
}

void DriveSimulator::run()
{
    prctl(PR_SET_TIMERSLACK, 1UL); // wire-time emulation wants exact sleeps
    QByteArray rx;
    qint64 lastByteNs = 0;
    while (!m_stop && !m_unplug) {
        int waitMs = 20;
        if (m_streaming) {
            const qint64 due = (m_nextFrameNs - nowNs()) / 1000000;
            waitMs = int(std::clamp<qint64>(due, 0, 20));
        }
        pollfd p{m_master, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            char chunk[512];
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n > 0) {
                // A drive hears only noise at a speed other than its own.
                const int speed = ttyBaud();
                if (speed == m_baud && !m_silent) {
                    rx.append(chunk, n);
                    lastByteNs = nowNs();
                } else {
                    log(QStringLiteral("%1 byte(s) ignored (program at %2, drive at %3%4)")
                            .arg(n).arg(speed).arg(m_baud.load()).arg(m_silent ? QStringLiteral(", silent") : QString()));
                }
            }
        }
        if (!rx.isEmpty()) {
            if (m_options.rs485)
                handleModbus(rx);
            else
                handleCommands(rx);
            // A partial frame followed by silence is line noise.
            if (!rx.isEmpty() && nowNs() - lastByteNs > 50'000'000)
                rx.clear();
        }
        if (m_streaming && !m_silent)
            streamIfDue();
    }
}

void DriveSimulator::handleCommands(QByteArray &rx)
{
    CommandFrame request;
    while (takeCommandFrame(rx, kRequestSync, &request)) {
        const qint64 heard = nowNs() + wireNs(kCommandFrameBytes);
        int newBaud = 0;
        const QByteArray answer = answerCommand(request, &newBaud);
        // A real drive answers at the old rate and then switches; on a
        // pseudo-terminal the rate of the answer does not matter, so the
        // switch is made first: whoever has the answer finds the new rate.
        if (newBaud) {
            m_baud = newBaud;
            log(QStringLiteral("now at %1 bit/s").arg(newBaud));
        }
        sendAnswer(answer, heard);
    }
    if (rx.size() > 4096)
        rx.remove(0, rx.size() - kCommandFrameBytes);
}

QByteArray DriveSimulator::answerCommand(const CommandFrame &r, int *newBaud)
{
    std::lock_guard<std::mutex> g(m_lock);
    Request logged;
    logged.code = r.code;
    logged.data = r.data;
    logged.ttyBaud = m_baud;
    const uint16_t address = uint16_t(r.data[0] | (r.data[1] << 8));
    const uint16_t value = uint16_t(r.data[2] | (r.data[3] << 8));
    QByteArray answer;
    switch (r.code) {
    case 65: {
        logged.address = address;
        if (!knownRegisterLocked(address)) {
            answer = encodeRefusal(r.code, kRefusedUnknownRegister, address);
            break;
        }
        const uint16_t v = readRegisterLocked(address);
        answer = encodeResponse(r.code, Data4{uint8_t(v & 0xFF), uint8_t(v >> 8), r.data[0], r.data[1]});
        break;
    }
    case 66: {
        logged.address = address;
        logged.value = value;
        uint8_t reason = 0;
        if (address == kRunStateRegister) {
            m_runState = value;
        } else if (!writeAllowedLocked(address, value, &reason)) {
            answer = encodeRefusal(r.code, reason, address);
            break;
        } else if (!m_options.ignoreWrites.contains(address)) {
            m_registers.insert(address, value);
        }
        answer = encodeResponse(r.code, r.data);
        break;
    }
    case 50:
        if (r.data[0] != 0) {
            const int rate = baudFromCode(r.data[0]);
            if (!rate || m_options.refuseBaudChange) {
                answer = encodeRefusal(r.code, kRefusedValue);
                break;
            }
            *newBaud = rate;
        } else {
            if (r.data[1] == 0) {
                answer = encodeRefusal(r.code, kRefusedValue);
                break;
            }
            m_intervalMs = r.data[1] * 2;
        }
        answer = encodeResponse(r.code, r.data);
        break;
    case 49:
        for (int i = 0; i < 4; ++i)
            m_channels[size_t(i)] = r.data[size_t(i)];
        answer = encodeResponse(r.code, r.data);
        break;
    case 51:
        m_sampleIndex = 0;
        m_frameNumber = 0;
        m_nextFrameNs = nowNs();
        m_streamStartNs = m_nextFrameNs;
        m_streaming = true;
        answer = encodeResponse(r.code, r.data);
        break;
    case 52:
        m_streaming = false;
        answer = encodeResponse(r.code, r.data);
        break;
    default:
        answer = encodeRefusal(r.code, kRefusedUnknownCommand);
        break;
    }
    m_requests.append(logged);
    if (m_options.verbose)
        log(QStringLiteral("command %1 [%2 %3 %4 %5] -> %6")
            .arg(r.code)
            .arg(r.data[0]).arg(r.data[1]).arg(r.data[2]).arg(r.data[3])
            .arg(QString::fromLatin1(answer.toHex(' '))));
    return answer;
}

void DriveSimulator::handleModbus(QByteArray &rx)
{
    // Requests of functions 3 and 6 are 8 bytes: find one with a valid CRC.
    while (rx.size() >= 8) {
        const auto *b = reinterpret_cast<const uint8_t *>(rx.constData());
        if (crc16(b, 6) != uint16_t(b[6] | (b[7] << 8))) {
            rx.remove(0, 1);
            continue;
        }
        const uint8_t slave = b[0];
        const uint8_t function = b[1];
        const uint16_t address = uint16_t((b[2] << 8) | b[3]);
        const uint16_t word = uint16_t((b[4] << 8) | b[5]);
        const QByteArray request = rx.left(8);
        rx.remove(0, 8);
        if (slave != m_options.station)
            continue; // another drive's request
        const qint64 heard = nowNs() + wireNs(8);
        QByteArray answer;
        answer.append(char(slave));
        const auto exception = [&](uint8_t code) {
            answer.append(char(function | 0x80));
            answer.append(char(code));
        };
        {
            std::lock_guard<std::mutex> g(m_lock);
            Request logged;
            logged.modbus = true;
            logged.code = function;
            logged.address = address;
            logged.value = word;
            logged.ttyBaud = m_baud;
            m_requests.append(logged);
            if (function == 3) {
                bool known = true;
                for (uint16_t i = 0; i < word; ++i)
                    known = known && knownRegisterLocked(uint16_t(address + i));
                if (word < 1 || word > 125) {
                    exception(3);
                } else if (!known) {
                    exception(2);
                } else {
                    answer.append(char(function));
                    answer.append(char(word * 2));
                    for (uint16_t i = 0; i < word; ++i) {
                        const uint16_t v = readRegisterLocked(uint16_t(address + i));
                        answer.append(char(v >> 8));
                        answer.append(char(v & 0xFF));
                    }
                }
            } else if (function == 6) {
                uint8_t reason = 0;
                if (address == kRunStateRegister) {
                    m_runState = word;
                    answer = request.left(6);
                } else if (!writeAllowedLocked(address, word, &reason)) {
                    exception(reason == kRefusedValue ? 3 : 2);
                } else {
                    if (!m_options.ignoreWrites.contains(address))
                        m_registers.insert(address, word);
                    answer = request.left(6);
                }
            } else {
                exception(1);
            }
        }
        const uint16_t crc = crc16(reinterpret_cast<const uint8_t *>(answer.constData()), size_t(answer.size()));
        answer.append(char(crc & 0xFF));
        answer.append(char(crc >> 8));
        if (m_options.verbose)
            log(QStringLiteral("modbus %1 -> %2").arg(QString::fromLatin1(request.toHex(' ')), QString::fromLatin1(answer.toHex(' '))));
        sendAnswer(answer, heard);
    }
}

void DriveSimulator::streamIfDue()
{
    QByteArray frame;
    QByteArray noise;
    bool drop = false;
    {
        std::lock_guard<std::mutex> g(m_lock);
        const qint64 now = nowNs();
        if (now < m_nextFrameNs)
            return;
        if (m_options.streamStopsAfterMs >= 0 && now - m_streamStartNs >= qint64(m_options.streamStopsAfterMs) * 1000000)
            return; // the stream died; commands are still answered
        int n = 0;
        for (uint8_t c : m_channels)
            n += c != 0;
        const int interval = std::max(2, m_intervalMs.load());
        const int sets = n ? 64 / (2 * n) : 0;
        const qint64 period = qint64(std::max(1, sets)) * interval * 1000000;
        // Far behind (a stalled machine): do not burst to catch up.
        m_nextFrameNs = now - m_nextFrameNs > 1000000000 ? now + period : m_nextFrameNs + period;
        if (n == 0)
            return;
        uint8_t data[64] = {};
        int at = 0;
        for (int s = 0; s < sets; ++s, ++m_sampleIndex)
            for (uint8_t variable : m_channels)
                if (variable) {
                    const uint16_t v = sampleValue(variable, m_sampleIndex, interval);
                    data[at++] = uint8_t(v & 0xFF);
                    data[at++] = uint8_t(v >> 8);
                }
        frame = encodeSampleFrame(data);
        ++m_frameNumber;
        const SimOptions &o = m_options;
        if (o.corruptEvery && m_frameNumber % o.corruptEvery == 0)
            frame[10] = char(frame[10] ^ 0x5A);
        drop = o.dropEvery && m_frameNumber % o.dropEvery == 0;
        if (o.noiseEvery && m_frameNumber % o.noiseEvery == 0)
            noise = QByteArray("\x13\x37\xA5", 3);
        noise += m_pendingNoise;
        m_pendingNoise.clear();
    }
    if (!noise.isEmpty())
        send(noise, 0);
    if (!drop) {
        send(frame, 0);
        ++m_framesSent;
    }
}

} // namespace dr420::sim
