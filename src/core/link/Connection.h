#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

// The port settings file and the connection procedure of the setup dialog.
namespace dr420 {

inline const QString kRs485Interface = QStringLiteral("RS485-Interface");

// "settings.ini": the lists in the first section, the last choice in the
// second, whatever the sections are called.
struct PortSettings {
    enum List { Port, Baud, Station, Interface, Protocol, Count };
    static const std::array<QString, Count> &keys(); // port, baudrate, station, interface, protocol

    std::array<QStringList, Count> items;
    std::array<QString, Count> current;

    static PortSettings load(const QString &path);
    // Writes the chosen texts into the second section (never the lists),
    // creating the file or its sections when missing.
    static bool saveCurrent(const QString &path, const std::array<QString, Count> &chosen);

    // The list rule: pieces between commas, in order; a trailing comma adds
    // nothing, a leading or doubled comma adds an empty item.
    static QStringList splitList(const QString &value);
    // Index of the first item equal to the current value, or -1.
    static int match(const QStringList &items, const QString &current);
};

struct ConnectRequest {
    int portIndex = -1;     // port list index; the link counts ports from 1
    QString baudText;       // read as a decimal integer
    int stationIndex = -1;  // station = index + 1
    QString interfaceText;  // "RS485-Interface" means RS485
};

enum class ConnectOutcome { Connected, OpenFailed, NoAnswerRs232, BaudRefused, NoAnswerRs485, RateUnsupported };

// The rates the drive's RS232 interface can be switched to (command 50).
bool rs232RateSupported(int baud);

// Runs the procedure: sets LinkSettings, finds the drive (RS232: among
// 19200/57600/115200, then switches it to the chosen rate; RS485: probes it),
// and opens the link for use. Every failure is shown to the user in its own
// words and leaves the link closed. `sleep` waits the given milliseconds.
ConnectOutcome connectDrive(const ConnectRequest &request,
                            const std::function<void(int)> &sleep = nullptr);

} // namespace dr420
