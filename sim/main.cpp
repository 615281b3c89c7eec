// dr420-sim: a DR420 drive on a pseudo-terminal, for demos and tests.
#include "DriveSimulator.h"
#include "link/ComPortMap.h"
#include "paramdb/ParameterRules.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

using namespace dr420;

int main(int argc, char *argv[])
{
    // SIGINT/SIGTERM are taken by sigwait below, in no other thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dr420-sim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A DR420 drive on a pseudo-terminal. Prints the device path, then serves requests until "
        "killed (SIGINT/SIGTERM end it cleanly)."));
    parser.addHelpOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Create symbolic link PATH to the device (removed at exit)."), QStringLiteral("PATH"));
    const QCommandLineOption com(QStringLiteral("com"), QStringLiteral("Map the device as COM port N in the COM port map (the previous entry comes back at exit)."), QStringLiteral("N"));
    const QCommandLineOption map(QStringLiteral("map"), QStringLiteral("COM port map to use with --com (default: the one the program uses, see README)."), QStringLiteral("FILE"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("The drive's current RS232 rate (default 115200)."), QStringLiteral("B"), QStringLiteral("115200"));
    const QCommandLineOption rs485(QStringLiteral("rs485"), QStringLiteral("Speak Modbus RTU (RS485) instead of the RS232 command protocol."));
    const QCommandLineOption station(QStringLiteral("station"), QStringLiteral("RS485 station number (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Parameter database whose values the registers start with."), QStringLiteral("FILE"));
    const QCommandLineOption running(QStringLiteral("running"), QStringLiteral("Start in the running state (default: stopped, run state 3)."));
    const QCommandLineOption wire(QStringLiteral("wire-time"), QStringLiteral("Take the wire time of every frame (bytes x 10 / baud)."));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("Send noise bytes before every N-th sample frame."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"), QStringLiteral("Corrupt every N-th sample frame."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption drop(QStringLiteral("drop"), QStringLiteral("Drop every N-th sample frame."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption silent(QStringLiteral("silent-after"), QStringLiteral("Stop answering after S seconds (a drive that went quiet)."), QStringLiteral("S"));
    const QCommandLineOption unplug(QStringLiteral("unplug-after"), QStringLiteral("Close the pseudo-terminal after S seconds (a pulled cable)."), QStringLiteral("S"));
    const QCommandLineOption lateEvery(QStringLiteral("late-every"), QStringLiteral("Send every N-th answer late (with --late-ms; either protocol)."), QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption lateMs(QStringLiteral("late-ms"), QStringLiteral("How late those answers are, in ms (default 250)."), QStringLiteral("MS"), QStringLiteral("250"));
    const QCommandLineOption streamStops(QStringLiteral("stream-stops-after"), QStringLiteral("The sample stream goes quiet S seconds after sampling starts; the port stays open."), QStringLiteral("S"));
    const QCommandLineOption ignoreWrite(QStringLiteral("ignore-write"), QStringLiteral("Acknowledge writes to parameter PNO (e.g. F0-13) but keep the old value; may be repeated."), QStringLiteral("PNO"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Log every request on standard error."));
    parser.addOptions({link, com, map, baud, rs485, station, db, running, wire, noise, corrupt, drop, silent, unplug, lateEvery, lateMs, streamStops, ignoreWrite, verbose});
    parser.process(app);

    sim::SimOptions options;
    options.baud = parser.value(baud).toInt();
    options.rs485 = parser.isSet(rs485);
    options.station = parser.value(station).toInt();
    options.database = parser.value(db);
    options.runState = parser.isSet(running) ? 1 : 3;
    options.wireTime = parser.isSet(wire);
    options.verbose = parser.isSet(verbose);
    options.noiseEvery = parser.value(noise).toInt();
    options.corruptEvery = parser.value(corrupt).toInt();
    options.dropEvery = parser.value(drop).toInt();
    options.lateEvery = parser.value(lateEvery).toInt();
    options.lateMs = parser.value(lateMs).toInt();
    if (parser.isSet(streamStops))
        options.streamStopsAfterMs = int(parser.value(streamStops).toDouble() * 1000);
    for (const QString &pno : parser.values(ignoreWrite))
        options.ignoreWrites.append(PnoToAddress(pno));
    if (options.lateEvery < 0 || options.lateMs < 0) {
        std::fprintf(stderr, "dr420-sim: bad --late-every or --late-ms\n");
        return 2;
    }
    if (options.baud <= 0 || options.station < 1 || options.station > 247) {
        std::fprintf(stderr, "dr420-sim: bad --baud or --station\n");
        return 2;
    }

    sim::DriveSimulator drive(options);
    QString error;
    if (!drive.start(&error)) {
        std::fprintf(stderr, "dr420-sim: %s\n", qUtf8Printable(error));
        return 1;
    }
    QString device = drive.slavePath();
    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty()) {
        QFile::remove(linkPath);
        if (!QFile::link(drive.slavePath(), linkPath)) {
            std::fprintf(stderr, "dr420-sim: cannot create %s\n", qUtf8Printable(linkPath));
            return 1;
        }
        device = QFileInfo(linkPath).absoluteFilePath();
    }
    const int comPort = parser.value(com).toInt();
    const QString mapPath = parser.isSet(map) ? parser.value(map) : ComPortMap::defaultPath();
    // The user's own mapping of that port comes back at exit.
    const QString previousEntry = comPort > 0 ? ComPortMap::entry(mapPath, comPort) : QString();
    if (comPort > 0)
        ComPortMap::setEntry(mapPath, comPort, device);
    std::printf("%s\n", qUtf8Printable(device));
    std::fflush(stdout);

    // Timed faults, then wait for the end.
    timespec wait{1, 0};
    const double silentAfter = parser.isSet(silent) ? parser.value(silent).toDouble() : -1;
    const double unplugAfter = parser.isSet(unplug) ? parser.value(unplug).toDouble() : -1;
    double elapsed = 0;
    for (;;) {
        const bool timed = silentAfter >= 0 || unplugAfter >= 0;
        wait = timed ? timespec{0, 100'000'000} : timespec{3600, 0};
        siginfo_t info;
        if (sigtimedwait(&stopSignals, &info, &wait) > 0)
            break;
        elapsed += timed ? 0.1 : 3600;
        if (silentAfter >= 0 && elapsed >= silentAfter)
            drive.setSilent(true);
        if (unplugAfter >= 0 && elapsed >= unplugAfter) {
            drive.unplug();
            break;
        }
    }
    drive.stop();
    if (comPort > 0 && ComPortMap::entry(mapPath, comPort) == device) { // unless someone mapped it since
        if (previousEntry.isEmpty())
            ComPortMap::removeEntry(mapPath, comPort);
        else
            ComPortMap::setEntry(mapPath, comPort, previousEntry);
    }
    if (!linkPath.isEmpty())
        QFile::remove(linkPath);
    return 0;
}
