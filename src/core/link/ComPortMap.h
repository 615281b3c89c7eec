#pragma once

#include <QString>
#include <QStringList>

namespace dr420 {

// COM port numbers (1..16, as the program counts ports) to serial devices.
//
// "comports.ini" in the program directory maps a number to a device path:
//     [ComPorts]
//     COM1=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0
// A number without an entry takes the n-th serial device present, counting
// stable USB names under /dev/serial/by-id first, then /dev/ttyUSB*,
// /dev/ttyACM* and /dev/ttyS* (each device once).
class ComPortMap
{
public:
    static QString fileName() { return QStringLiteral("comports.ini"); }

    // Path of the map in the program directory.
    static QString defaultPath();

    // The device for COM port `n`, or an empty text when there is none.
    static QString resolve(int n, const QString &mapPath = defaultPath());
    // The device for `n` from explicit entries and the devices found.
    static QString resolve(int n, const QString &mapPath, const QStringList &present);

    // Serial devices present on this machine, in the order above.
    static QStringList presentDevices();

    // Adds or removes an explicit entry (the simulator maps itself this way).
    static bool setEntry(const QString &mapPath, int n, const QString &device);
    static bool removeEntry(const QString &mapPath, int n);
    // The explicit entry of COM n, or empty when it has none.
    static QString entry(const QString &mapPath, int n);
};

} // namespace dr420
