// dr420-cli: read, write, download and upload drive parameters without the
// window, for production lines that program many drives with one file.
#include "common/ProgramDir.h"
#include "common/TextNumbers.h"
#include "link/Connection.h"
#include "link/SerialLinkDriver.h"
#include "paramdb/DriveTransfer.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>

using namespace dr420;

namespace {
enum Exit { AllOk = 0, SomeFailed = 1, UsageOrConnection = 2 };

void err(const QString &line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", qUtf8Printable(line));
}

bool loadDefinitions(const QString &path)
{
    ParameterTable().clear();
    const LoadResult loaded = LoadParameterTable(path);
    SortParameterTable();
    SortOptionLists();
    return loaded.opened && loaded.loaded > 0;
}

// Runs a read or write over `numbers`, every line but read values to stderr.
int runTransfer(TransferRun::Kind kind, const QStringList &numbers, bool printValues)
{
    TransferRun run(kind, numbers);
    while (!run.finished()) {
        const int i = run.done();
        const QString line = run.step();
        ParameterRecord record;
        if (printValues && !run.lastFailed() && FindParameter(numbers[i], record))
            out(record.PNO + QLatin1Char('\t') + record.Value + QLatin1Char('\t') + record.Unit);
        else
            err(line);
    }
    err(run.summary());
    return run.failures() ? SomeFailed : AllOk;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dr420-cli"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads and writes DR420 drive parameters from the command line.\n\n"
        "Commands:\n"
        "  read PNO...           read parameters; prints PNO<TAB>value<TAB>unit per parameter read\n"
        "  write PNO=VALUE...    write values (limits and attributes as in the program)\n"
        "  download FILE         write every writable parameter of a parameter file, in table order\n"
        "  upload FILE           read every parameter and save the values into a copy of the definitions\n"
        "  list FILE             print the parameters of a parameter file (no drive needed)\n\n"
        "Exit status: 0 all succeeded, 1 any parameter failed, 2 usage or connection error."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial device path, or COMn of the COM port map (default COM1)."), QStringLiteral("DEVICE|COMn"), QStringLiteral("COM1"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate (default 115200)."), QStringLiteral("B"), QStringLiteral("115200"));
    const QCommandLineOption rs485(QStringLiteral("rs485"), QStringLiteral("Use the RS485 interface (Modbus RTU)."));
    const QCommandLineOption station(QStringLiteral("station"), QStringLiteral("RS485 station number 1..16 (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Parameter definitions (default: DR420.mdb beside the program)."), QStringLiteral("FILE"));
    parser.addOptions({port, baud, rs485, station, db});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("read, write, download, upload or list"));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        err(QStringLiteral("dr420-cli: no command (see --help)"));
        return UsageOrConnection;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    const QString definitions = parser.isSet(db) ? parser.value(db) : programDir() + QStringLiteral("DR420.mdb");
    setDefaultDatabasePath(definitions);

    if (command == QLatin1String("list")) {
        if (rest.size() != 1) {
            err(QStringLiteral("dr420-cli: list FILE"));
            return UsageOrConnection;
        }
        if (!loadDefinitions(rest.first()))
            return UsageOrConnection;
        for (const ParameterRecord &r : ParameterTable())
            out(r.PNO + QLatin1Char('\t') + r.Value + QLatin1Char('\t') + r.Unit + QLatin1Char('\t') + r.Name);
        return AllOk;
    }
    const bool known = command == QLatin1String("read") || command == QLatin1String("write") ||
                       command == QLatin1String("download") || command == QLatin1String("upload");
    if (!known || (command != QLatin1String("upload") && command != QLatin1String("download") && rest.isEmpty()) ||
        ((command == QLatin1String("upload") || command == QLatin1String("download")) && rest.size() != 1)) {
        err(QStringLiteral("dr420-cli: bad command line (see --help)"));
        return UsageOrConnection;
    }
    const int stationNumber = parser.value(station).toInt();
    if (stationNumber < 1 || stationNumber > 16 || leadingInt(parser.value(baud)) <= 0) {
        err(QStringLiteral("dr420-cli: --station must be 1..16 and --baud a rate"));
        return UsageOrConnection;
    }

    // The definitions: the file to download is its own definitions.
    const QString tablePath = command == QLatin1String("download") ? rest.first() : definitions;
    if (!loadDefinitions(tablePath)) {
        err(QStringLiteral("dr420-cli: no parameters in %1").arg(tablePath));
        return UsageOrConnection;
    }

    // Connect as the setup dialog does, RS232 rate scan included.
    SerialLinkDriver link;
    setLinkDriver(&link);
    ConnectRequest request;
    const QString portText = parser.value(port);
    static const QRegularExpression comName(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    const auto com = comName.match(portText);
    if (com.hasMatch()) {
        request.portIndex = com.captured(1).toInt() - 1;
    } else {
        request.portIndex = 0;
        link.setDeviceOverride(portText);
    }
    request.baudText = parser.value(baud);
    request.stationIndex = stationNumber - 1;
    request.interfaceText = parser.isSet(rs485) ? kRs485Interface : QStringLiteral("RS232-Interface");
    if (connectDrive(request) != ConnectOutcome::Connected) {
        setLinkDriver(nullptr);
        return UsageOrConnection;
    }

    int status = AllOk;
    if (command == QLatin1String("read")) {
        status = runTransfer(TransferRun::Read, rest, true);
    } else if (command == QLatin1String("write")) {
        QStringList numbers;
        for (const QString &assignment : rest) {
            const int eq = assignment.indexOf(QLatin1Char('='));
            const QString pno = assignment.left(eq);
            const int at = FindParameterIndex(pno);
            if (eq <= 0 || at < 0) {
                err(QStringLiteral("Function code %1 failed to write! Because the written value is out of range!").arg(pno));
                status = SomeFailed;
                continue;
            }
            ParameterTable()[size_t(at)].Value = assignment.mid(eq + 1);
            numbers << pno;
        }
        status = std::max(status, runTransfer(TransferRun::Write, numbers, false));
    } else if (command == QLatin1String("download")) {
        QStringList numbers;
        for (const ParameterRecord &r : ParameterTable())
            if (r.RW != kReadOnly)
                numbers << r.PNO;
        status = runTransfer(TransferRun::Write, numbers, false);
    } else { // upload
        QStringList numbers;
        for (const ParameterRecord &r : ParameterTable())
            numbers << r.PNO;
        status = runTransfer(TransferRun::Read, numbers, false);
        if (!SaveParameterFile(rest.first()))
            status = rest.first().endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ? SomeFailed : UsageOrConnection;
        else
            err(QStringLiteral("Saved %1").arg(rest.first()));
    }
    LinkClose();
    setLinkDriver(nullptr);
    return status;
}
