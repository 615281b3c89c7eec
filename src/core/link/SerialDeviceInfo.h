#pragma once

#include <QString>

namespace dr420 {

// What a serial device is, as far as the system says: for the port dialog,
// so the engineer sees which adapter "COM3" is before connecting.
struct SerialDeviceInfo
{
    QString device;     // the path asked about (may be a link)
    QString realDevice; // what it resolves to, e.g. /dev/ttyUSB0
    bool present = false;
    QString kind;       // "USB adapter", "pseudo-terminal", "serial port"
    QString vendor;     // USB manufacturer text
    QString product;    // USB product text
    QString usbId;      // "0403:6001"
    QString serial;     // USB serial number
    QString driver;     // kernel driver, e.g. ftdi_sio
    QString stableName; // a /dev/serial/by-id name for the same device, if any

    // "USB adapter FTDI FT232R USB UART (0403:6001), serial A10K, driver ftdi_sio"
    QString describe() const;
};

// Reads the device's entry under `sysRoot` (/sys) and the names under
// `byIdDir` (/dev/serial/by-id); both are parameters so tests can build them.
SerialDeviceInfo describeSerialDevice(const QString &device, const QString &sysRoot = QStringLiteral("/sys"),
                                      const QString &byIdDir = QStringLiteral("/dev/serial/by-id"));

} // namespace dr420
