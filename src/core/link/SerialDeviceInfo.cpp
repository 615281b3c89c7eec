#include "SerialDeviceInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace dr420 {

namespace {
// A sysfs attribute: one short line.
QString attribute(const QString &dir, const QString &name)
{
    QFile f(dir + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.read(256)).trimmed();
}
} // namespace

QString SerialDeviceInfo::describe() const
{
    if (!present)
        return QStringLiteral("not present");
    QStringList parts;
    QString what = kind;
    const QString name = QStringList{vendor, product}.join(QLatin1Char(' ')).trimmed();
    if (!name.isEmpty())
        what += QLatin1Char(' ') + name;
    if (!usbId.isEmpty())
        what += QStringLiteral(" (%1)").arg(usbId);
    parts << what;
    if (!serial.isEmpty())
        parts << QStringLiteral("serial %1").arg(serial);
    if (!driver.isEmpty())
        parts << QStringLiteral("driver %1").arg(driver);
    return parts.join(QStringLiteral(", "));
}

SerialDeviceInfo describeSerialDevice(const QString &device, const QString &sysRoot, const QString &byIdDir)
{
    SerialDeviceInfo info;
    info.device = device;
    const QFileInfo fi(device);
    info.realDevice = fi.exists() ? fi.canonicalFilePath() : device;
    info.present = fi.exists();
    if (!info.present)
        return info;
    const QString name = QFileInfo(info.realDevice).fileName();
    if (info.realDevice.startsWith(QLatin1String("/dev/pts/")) || info.realDevice == QLatin1String("/dev/ptmx")) {
        info.kind = QStringLiteral("pseudo-terminal");
        return info;
    }
    const QString tty = sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device");
    const QFileInfo ttyDevice(tty);
    info.kind = QStringLiteral("serial port");
    if (ttyDevice.exists()) {
        info.driver = QFileInfo(tty + QStringLiteral("/driver")).canonicalFilePath().section(QLatin1Char('/'), -1);
        // The USB device is an ancestor of the tty's device: the first with a vendor id.
        QDir dir(ttyDevice.canonicalFilePath());
        for (int up = 0; up < 6 && !dir.isRoot(); ++up) {
            const QString vendorId = attribute(dir.path(), QStringLiteral("idVendor"));
            if (!vendorId.isEmpty()) {
                info.kind = QStringLiteral("USB adapter");
                info.usbId = vendorId + QLatin1Char(':') + attribute(dir.path(), QStringLiteral("idProduct"));
                info.vendor = attribute(dir.path(), QStringLiteral("manufacturer"));
                info.product = attribute(dir.path(), QStringLiteral("product"));
                info.serial = attribute(dir.path(), QStringLiteral("serial"));
                break;
            }
            if (!dir.cdUp())
                break;
        }
    }
    const QDir byId(byIdDir);
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (link.canonicalFilePath() == info.realDevice) {
            info.stableName = link.absoluteFilePath();
            break;
        }
    return info;
}

} // namespace dr420
