#include "Connection.h"

#include "Link.h"
#include "Protocol.h"
#include "common/Messages.h"
#include "common/PositionalIni.h"
#include "common/TextNumbers.h"
#include "common/Wait.h"


namespace dr420 {

const std::array<QString, PortSettings::Count> &PortSettings::keys()
{
    static const std::array<QString, Count> k = {QStringLiteral("port"), QStringLiteral("baudrate"),
                                                 QStringLiteral("station"), QStringLiteral("interface"),
                                                 QStringLiteral("protocol")};
    return k;
}

QStringList PortSettings::splitList(const QString &value)
{
    QStringList pieces;
    QString rest = value;
    while (!rest.isEmpty()) {
        const int comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0) {
            pieces << rest;
            break;
        }
        pieces << rest.left(comma);
        rest = rest.mid(comma + 1);
    }
    return pieces;
}

int PortSettings::match(const QStringList &items, const QString &current)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i] == current)
            return i;
    return -1;
}

PortSettings PortSettings::load(const QString &path)
{
    PortSettings s;
    const PositionalIni ini(path);
    for (int k = 0; k < Count; ++k) {
        s.items[size_t(k)] = splitList(ini.value(0, keys()[size_t(k)]));
        s.current[size_t(k)] = ini.value(1, keys()[size_t(k)]);
    }
    return s;
}

bool PortSettings::saveCurrent(const QString &path, const std::array<QString, Count> &chosen)
{
    PositionalIni ini(path);
    ini.ensureSections({QStringLiteral("PortList"), QStringLiteral("Current")});
    for (int k = 0; k < Count; ++k)
        ini.setValue(1, keys()[size_t(k)], chosen[size_t(k)]);
    return ini.save();
}

namespace {
const QString kCaptionEstablish = QStringLiteral("Establish connection");

void openFailed()
{
    const QString detail = linkDriver().lastOpenError();
    QString text = QStringLiteral("Serial port failed to open!");
    if (!detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    showMessage(text, kCaptionEstablish, MessageIcon::Warning);
}

} // namespace

bool rs232RateSupported(int baud)
{
    return baud == 19200 || baud == 57600 || baud == 115200;
}

ConnectOutcome connectDrive(const ConnectRequest &request, const std::function<void(int)> &sleepFor)
{
    const auto sleep = [&](int ms) { waitMs(sleepFor, ms); };
    LinkSettingsData &settings = LinkSettings();
    settings.station = request.stationIndex + 1;
    settings.baudRate = leadingInt(request.baudText);
    settings.rs485 = request.interfaceText == kRs485Interface;
    const int port = request.portIndex + 1;
    const int stopCode = settings.rs485 ? 2 : 0;

    // Command 50 knows three rates: any other would switch the drive to
    // 19200 while the program talks at another.
    if (!settings.rs485 && !rs232RateSupported(settings.baudRate)) {
        showMessage(QStringLiteral("The RS232 interface of the drive runs at 19200, 57600 or 115200 bit/s, not at %1. "
                                   "Nothing was sent.")
                        .arg(request.baudText.trimmed()),
                    kCaptionEstablish, MessageIcon::Warning);
        return ConnectOutcome::RateUnsupported;
    }

    if (!settings.rs485) {
        bool found = false;
        for (int candidate : {19200, 57600, 115200}) {
            LinkClose();
            if (!LinkOpen(port, candidate, 0, 8, 0)) {
                openFailed();
                return ConnectOutcome::OpenFailed;
            }
            const uint8_t zeros[4] = {0, 0, 0, 0};
            uint8_t ignored[4] = {0, 0, 0, 0};
            LinkCommand(kCmdStopSampling, zeros, ignored);
            sleep(50);
            {
                std::lock_guard<std::mutex> lock(linkLock());
                readDriveRegister(kRunStateRegister, false);
                sleep(50);
                // Only the second answer counts: the first may meet a drive still streaming.
                found = readDriveRegister(kRunStateRegister, false).ok();
            }
            if (!found)
                continue;
            sleep(50);
            const uint8_t rate[4] = {protocol::baudCode(settings.baudRate), 0, 0, 0};
            uint8_t response[4] = {0, 0, 0, 0};
            if (!LinkCommand(kCmdSetRate, rate, response)) {
                showMessage(QStringLiteral("Set the baud rate of the RS232 interface failed!"));
                LinkClose();
                return ConnectOutcome::BaudRefused;
            }
            break;
        }
        if (!found) {
            LinkClose();
            showMessage(QStringLiteral("RS232 interface connection failed!"));
            return ConnectOutcome::NoAnswerRs232;
        }
    }

    LinkClose();
    if (!LinkOpen(port, settings.baudRate, 0, 8, stopCode)) {
        openFailed();
        return ConnectOutcome::OpenFailed;
    }
    if (settings.rs485) {
        bool answered = false;
        for (int attempt = 0; attempt < 10 && !answered; ++attempt) {
            answered = readDriveRegister(kRunStateRegister).ok();
            if (!answered)
                sleep(10);
        }
        if (!answered) {
            showMessage(QStringLiteral("Connection failed!\n1.Please confirm that the serial cable connection is "
                                       "normal. \n2. Please confirm that the serial port settings of the connection "
                                       "device are consistent. \n"),
                        QStringLiteral("establish connection"));
            LinkClose();
            return ConnectOutcome::NoAnswerRs485;
        }
    }
    return ConnectOutcome::Connected;
}

} // namespace dr420
