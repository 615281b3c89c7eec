// dr420-cli: read, write, download and upload drive parameters without the
// window, for production lines that program many drives with one file.
#include "common/AppPaths.h"
#include "common/TextNumbers.h"
#include "link/Connection.h"
#include "link/SerialLinkDriver.h"
#include "paramdb/DriveTransfer.h"
#include "paramdb/ParameterCompare.h"
#include "paramdb/EditDialogRules.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"
#include "scope/SamplingState.h"
#include "scope/ScopeRules.h"
#include "scope/ScopeRun.h"
#include "scope/ScopeTools.h"
#include "wave/WaveFile.h"
#include "wave/WaveModel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace dr420;

namespace {
enum Exit { AllOk = 0, SomeFailed = 1, UsageOrConnection = 2 };

// A command, its usage and the options it takes.
struct CommandSpec {
    QString name;
    QString synopsis;
    QString summary;
    QList<QCommandLineOption> options;
};

void err(const QString &line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

// Text from a file never breaks the tab- and line-separated output.
QString oneLine(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text;
}

// A value echoed in a message: one line, and not a whole file of it.
QString shown(const QString &text)
{
    constexpr int kMost = 64;
    const QString line = oneLine(text);
    return line.size() <= kMost ? line : line.left(kMost) + QStringLiteral("... (%1 characters)").arg(line.size());
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
// A parameter refused because the drive runs was not written: it counts.
int runTransfer(TransferRun::Kind kind, const QStringList &numbers, bool printValues, QStringList *written = nullptr)
{
    TransferRun run(kind, numbers);
    while (!run.finished()) {
        const int i = run.done();
        const QString line = run.step();
        ParameterRecord record;
        if (printValues && !run.lastFailed() && FindParameter(numbers[i], record))
            out(oneLine(record.PNO) + QLatin1Char('\t') + oneLine(record.Value) + QLatin1Char('\t') + oneLine(record.Unit));
        else
            err(line);
        if (!run.lastReason().isEmpty())
            err(QStringLiteral("%1: %2").arg(shown(numbers[i]), run.lastReason()));
        if (written && !run.lastFailed() && !run.lastRefused())
            *written << numbers[i];
        if (run.deviceGone()) {
            // Nothing more can reach the drive: say so once, not per parameter.
            err(QStringLiteral("The serial device is gone: %1 function code(s) not done.").arg(run.total() - run.done()));
            err(run.summary());
            return SomeFailed;
        }
    }
    err(run.summary());
    if (run.refusals())
        err(QStringLiteral("%1 function code(s) refused while the drive runs.").arg(run.refusals()));
    return run.failures() || run.refusals() ? SomeFailed : AllOk;
}

// A number the address rule cannot map to a register of its own (from a file
// of another drive) would reach another parameter's register.
bool hasOwnRegister(const QString &pno)
{
    if (PnoHasRegister(pno))
        return true;
    err(QStringLiteral("Function code %1 has no register of its own on this drive: nothing sent.").arg(shown(pno)));
    return false;
}

// Applies the edit dialogs' rules to a value before anything is sent.
bool acceptValue(ParameterRecord &record, const QString &text)
{
    if (!hasOwnRegister(record.PNO))
        return false;
    if (record.RW == kReadOnly) {
        err(QStringLiteral("Function code %1 is read-only: nothing sent.").arg(record.PNO));
        return false;
    }
    QString stored;
    const QString reason = refusalForValue(record, text, &stored);
    if (!reason.isEmpty()) {
        err(QStringLiteral("Function code %1 = \"%2\" refused: %3 Nothing sent.").arg(record.PNO, shown(text), reason));
        return false;
    }
    record.Value = stored;
    return true;
}

// Reads back every written register and reports values that differ.
int verifyWritten(const QStringList &numbers)
{
    QHash<QString, QString> wanted;
    for (const QString &pno : numbers) {
        ParameterRecord r;
        if (FindParameter(pno, r))
            wanted.insert(pno, r.Value);
    }
    int mismatches = 0;
    for (const QString &pno : numbers) {
        ParameterRecord r;
        if (!ReadParameter(pno) || !FindParameter(pno, r)) {
            err(QStringLiteral("Verify: function code %1 could not be read back.").arg(pno));
            ++mismatches;
            continue;
        }
        const QString want = wanted.value(pno);
        if (ParseValueText(r.Value, r.Sign, r.ZPoint) != ParseValueText(want, r.Sign, r.ZPoint)) {
            err(QStringLiteral("Verify: function code %1 reads %2, %3 was written.").arg(pno, r.Value, want));
            ++mismatches;
        }
    }
    err(QStringLiteral("Verify: %1 of %2 written function code(s) differ.").arg(mismatches).arg(numbers.size()));
    return mismatches ? SomeFailed : AllOk;
}
// Reads every parameter of `definitions` from the drive; failures to stderr.
ParameterList snapshotDrive(const ParameterList &definitions, int *failures)
{
    DriveSnapshot snapshot(definitions);
    while (!snapshot.finished()) {
        const QString line = snapshot.step();
        if (snapshot.lastFailed()) {
            err(line);
            err(QStringLiteral("%1: %2").arg(shown(snapshot.failures().last()), snapshot.lastReason()));
        }
    }
    *failures = int(snapshot.failures().size());
    if (*failures)
        err(QStringLiteral("%1 function code read failed!").arg(*failures));
    return snapshot.values();
}

QString sideText(const CompareRow &row, bool first)
{
    const bool absent = first ? row.side == CompareRow::OnlySecond : row.side == CompareRow::OnlyFirst;
    return absent ? QStringLiteral("(missing)") : oneLine(first ? row.first : row.second);
}

void printComparison(const Comparison &c, bool everyRow)
{
    for (const CompareRow &row : c.rows)
        if (row.differs || everyRow)
            out(oneLine(row.pno) + QLatin1Char('\t') + oneLine(row.name) + QLatin1Char('\t') + sideText(row, true) +
                QLatin1Char('\t') + sideText(row, false) + QLatin1Char('\t') + oneLine(row.unit));
    err(c.summary());
}
struct ScopeRequest {
    QStringList names;
    float interval = 2;
    double seconds = 10;
    QString out;
    bool triggered = false;
    TriggerSettings trigger;
};

// Reads the scope options; an empty text when they are fine, else why not.
QString parseScope(const QCommandLineParser &parser, const QCommandLineOption &channels,
                   const QCommandLineOption &interval, const QCommandLineOption &seconds,
                   const QCommandLineOption &outFile, const QCommandLineOption &trigger,
                   const QCommandLineOption &pretrigger, const QCommandLineOption &single,
                   const QCommandLineOption &pointsPerDiv, ScopeRequest *r)
{
    r->names = parser.value(channels).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString &n : r->names)
        n = n.trimmed();
    if (r->names.isEmpty() || r->names.size() > 4)
        return QStringLiteral("--channels takes one to four names of channel.set");
    bool ok = false;
    r->interval = parser.value(interval).toFloat(&ok);
    if (!ok || !std::isfinite(r->interval) || r->interval < 2 || r->interval > 2000)
        return QStringLiteral("--interval must be 2..2000 ms");
    r->seconds = parser.value(seconds).toDouble(&ok);
    if (!ok || !std::isfinite(r->seconds) || r->seconds <= 0 || r->seconds > 7 * 24 * 3600)
        return QStringLiteral("--seconds must be a positive number");
    r->out = parser.value(outFile);
    const QString suffix = QFileInfo(r->out).suffix().toLower();
    if (r->out.isEmpty() || (suffix != QLatin1String("csv") && suffix != QLatin1String("wave")))
        return QStringLiteral("--out must name a .csv or a .wave file");
    const int points = parser.value(pointsPerDiv).toInt(&ok);
    const auto &table = pointsPerDivisionTable();
    if (!ok || std::find(table.begin(), table.end(), points) == table.end())
        return QStringLiteral("--points-per-div must be one of the panel's values (5, 10, 20, ..., 6000)");
    r->trigger.window = points * 10;
    r->trigger.pretrigger = parser.value(pretrigger).toInt(&ok);
    if (!ok || r->trigger.pretrigger < 0 || r->trigger.pretrigger > 90)
        return QStringLiteral("--pretrigger must be 0..90");
    if (parser.isSet(trigger)) {
        const QStringList parts = parser.value(trigger).split(QLatin1Char(':'));
        if (parts.size() != 3)
            return QStringLiteral("--trigger is CH:rising|falling:LEVEL");
        int channel = parts[0].toInt(&ok);
        if (!ok)
            channel = int(r->names.indexOf(parts[0])) + 1;
        if (channel < 1 || channel > r->names.size())
            return QStringLiteral("--trigger: the channel is 1..%1 or one of the names given").arg(r->names.size());
        if (parts[1] != QLatin1String("rising") && parts[1] != QLatin1String("falling"))
            return QStringLiteral("--trigger: the edge is rising or falling");
        const double level = parts[2].toDouble(&ok);
        if (!ok || !std::isfinite(level))
            return QStringLiteral("--trigger: the level must be a number");
        r->triggered = true;
        r->trigger.channel = channel;
        r->trigger.rising = parts[1] == QLatin1String("rising");
        r->trigger.level = level;
        r->trigger.mode = parser.isSet(single) ? TriggerSettings::Single : TriggerSettings::Normal;
    } else if (parser.isSet(single)) {
        return QStringLiteral("--single needs --trigger");
    }
    return QString();
}

// Samples as the oscilloscope's Run does (its checks, the drive's set-up
// commands, Stop at the end) and writes the samples.
int runScope(const ScopeRequest &r)
{
    std::vector<ChannelEntry> list;
    const QString channelFile = appFilePath(AppFile::ChannelSet);
    QStringList notes;
    if (!loadChannelList(channelFile, &list, &notes)) {
        err(QStringLiteral("File could not be opened:\n%1").arg(channelFile));
        return UsageOrConnection;
    }
    for (const QString &note : notes)
        err(note);
    ScopeRunSettings settings;
    settings.interval = r.interval;
    settings.baud = LinkSettings().baudRate;
    settings.rs485 = LinkSettings().rs485;
    std::array<QString, 4> names;
    names.fill(kNullChannel);
    for (int k = 0; k < r.names.size(); ++k) {
        const int at = channelIndexOfName(list, r.names[k]);
        if (at <= 0) {
            err(QStringLiteral("dr420-cli: %1 is not a channel of %2").arg(r.names[k], channelFile));
            return UsageOrConnection;
        }
        settings.choices[size_t(k)] = at;
        names[size_t(k)] = r.names[k];
        settings.isSigned[size_t(k)] = isSignedChoice(list, at);
    }
    QString refusal;
    if (ScopeRun::check(settings, &refusal) != ScopeRun::Outcome::Started) {
        err(refusal);
        return UsageOrConnection;
    }
    const bool csv = QFileInfo(r.out).suffix().toLower() == QLatin1String("csv");
    QList<int> columns;
    for (int k = 1; k <= r.names.size(); ++k)
        columns << k;
    // Every sample straight to the file, unless one triggered window is wanted.
    Recorder recorder;
    const bool streamToFile = csv && !(r.triggered && r.trigger.mode == TriggerSettings::Single);
    QString error;
    if (streamToFile && !recorder.open(r.out, columns, r.names, &error)) {
        err(QStringLiteral("dr420-cli: cannot write %1: %2").arg(r.out, error));
        return UsageOrConnection;
    }
    const auto incomplete = [&] {
        err(QStringLiteral("dr420-cli: the recording is incomplete: %1 after %2 rows (%3)")
                .arg(recorder.error())
                .arg(recorder.rows())
                .arg(r.out));
    };
    Trigger trigger(r.trigger);
    ScopeRun run;
    SamplingEngine &engine = run.engine();
    engine.setSampleSink([&](const std::vector<SampleSet> &sets, int refused) {
        if (streamToFile)
            recorder.feed(sets, refused);
        if (r.triggered)
            trigger.feed(sets);
    });
    if (run.start(settings, [](const AcquisitionBuffers &) {}) != ScopeRun::Outcome::Started)
        return UsageOrConnection; // the drive's refusal has been said
    const SamplingSetup &setup = run.setup();
    QElapsedTimer clock;
    clock.start();
    while (engine.isAcquiring() && clock.elapsed() < qint64(r.seconds * 1000) &&
           !(r.triggered && r.trigger.mode == TriggerSettings::Single && !trigger.armed()))
        QThread::msleep(20);
    run.stop();
    recorder.close();
    int status = AllOk;
    const QString lost = engine.lostReason();
    if (!lost.isEmpty()) {
        err(ScopeRun::lostMessage(lost));
        status = SomeFailed;
    }
    const int refused = engine.takeFailures();
    err(QStringLiteral("%1 sample frame(s) refused or broken.").arg(refused));
    if (refused)
        status = SomeFailed;
    if (streamToFile && recorder.failed()) {
        incomplete();
        return UsageOrConnection;
    }
    // What is written when not streamed: the one capture, or the display's last 60 000 samples.
    WaveModel model;
    bool haveModel = false;
    if (r.triggered && r.trigger.mode == TriggerSettings::Single) {
        const std::optional<TriggerCapture> c = trigger.take();
        if (!c) {
            err(QStringLiteral("Nothing triggered within %1 s.").arg(r.seconds));
            return SomeFailed;
        }
        if (csv) {
            if (!recorder.open(r.out, columns, r.names, &error)) {
                err(QStringLiteral("dr420-cli: cannot write %1: %2").arg(r.out, error));
                return UsageOrConnection;
            }
            recorder.feed(c->sets, refused);
            recorder.close();
            if (recorder.failed()) {
                incomplete();
                return UsageOrConnection;
            }
        }
        takeCapture(model, *c, setup.channelMask, names);
        haveModel = true;
        err(QStringLiteral("Triggered at %1 ms (row %2).").arg(double(c->triggerTime())).arg(c->triggerAt));
    } else if (!csv) {
        std::lock_guard<std::mutex> g(engine.sampleLock());
        takeAcquisition(model, engine.buffers(), setup.channelMask, names);
        haveModel = true;
    }
    if (!csv && haveModel) {
        QString why;
        if (!SaveWaveFile(model, r.out, &why)) {
            err(QStringLiteral("dr420-cli: cannot write %1: %2").arg(r.out, why));
            return UsageOrConnection;
        }
    }
    err(QStringLiteral("%1 sample(s) taken in %2 s; %3 written.")
            .arg(engine.buffers().sampleIndex)
            .arg(clock.elapsed() / 1000.0, 0, 'f', 1)
            .arg(r.out));
    return status;
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
        "  list [FILE]           print the parameters of a parameter file, or of the default database\n"
        "                        (no drive needed)\n"
        "  diff A B              compare two parameter files, or a file and the word drive; prints\n"
        "                        PNO<TAB>name<TAB>value A<TAB>value B<TAB>unit per difference (--all: every\n"
        "                        parameter); a parameter one side lacks shows (missing) there. Values are\n"
        "                        compared as the drive sees them: 0 and 00, 50.0 and 50.00 are equal.\n"
        "                        Exit 0 equal, 1 different, 2 error (a failed read included)\n"
        "  restore FILE          write to the drive only the file's values that differ from it (read now),\n"
        "                        then read each written register back\n"
        "  help COMMAND          the usage and options of one command (also: COMMAND --help)\n"
        "  scope                 sample as the oscilloscope does, without the window (RS232): --channels\n"
        "                        NAME[,NAME...] --interval MS --seconds S --out FILE.csv|FILE.wave; CSV has\n"
        "                        every sample (time_ms,<names>), .wave the last 60000 as the oscilloscope\n"
        "                        saves them; --trigger CH:rising|falling:LEVEL [--pretrigger PCT] [--single]\n"
        "                        with --single writes the one captured window of points-per-div x 10 samples\n"
        "                        (exit 1 when nothing triggered)\n\n"
        "Values are checked before anything is sent, by the rules of the edit dialogs: a number must be\n"
        "legal and within its limits, a selection one of its option keys, a multi-digit value one option\n"
        "per digit; read-only parameters and numbers without a register of their own (FX-11) are refused.\n"
        "One refused value and nothing at all is sent. (The window's write run sends a selection or\n"
        "multi-digit number that is no option and lets the drive judge it; this tool is stricter.)\n"
        "On RS232 --baud is 19200, 57600 or 115200. upload saves only when every parameter was read.\n"
        "download --verify reads every written register back.\n\n"
        "Exit status: 0 every named parameter was read or written; 1 a parameter was refused (by these\n"
        "rules or by a running drive), failed or did not verify; 2 usage, file or connection error, or a\n"
        "recording that the disk cut short."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial device path, or COMn of the COM port map (default COM1)."), QStringLiteral("DEVICE|COMn"), QStringLiteral("COM1"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Baud rate (default 115200)."), QStringLiteral("B"), QStringLiteral("115200"));
    const QCommandLineOption rs485(QStringLiteral("rs485"), QStringLiteral("Use the RS485 interface (Modbus RTU)."));
    const QCommandLineOption station(QStringLiteral("station"), QStringLiteral("RS485 station number 1..16 (default 1)."), QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption db(QStringLiteral("db"), QStringLiteral("Parameter definitions (default: DR420.mdb beside the program)."), QStringLiteral("FILE"));
    const QCommandLineOption verify(QStringLiteral("verify"), QStringLiteral("download: read every written register back and report values that differ."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("diff: print every parameter, not only the differences."));
    const QCommandLineOption channels(QStringLiteral("channels"), QStringLiteral("scope: the channels, names of channel.set."), QStringLiteral("NAMES"));
    const QCommandLineOption interval(QStringLiteral("interval"), QStringLiteral("scope: sampling interval in ms (default 2)."), QStringLiteral("MS"), QStringLiteral("2"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("scope: how long to sample (default 10)."), QStringLiteral("S"), QStringLiteral("10"));
    const QCommandLineOption outFile(QStringLiteral("out"), QStringLiteral("scope: FILE.csv or FILE.wave."), QStringLiteral("FILE"));
    const QCommandLineOption trigger(QStringLiteral("trigger"), QStringLiteral("scope: trigger on channel CH (1..4 or a name) crossing LEVEL."), QStringLiteral("CH:rising|falling:LEVEL"));
    const QCommandLineOption pretrigger(QStringLiteral("pretrigger"), QStringLiteral("scope: share of the window before the trigger, 0..90 % (default 20)."), QStringLiteral("PCT"), QStringLiteral("20"));
    const QCommandLineOption single(QStringLiteral("single"), QStringLiteral("scope: stop after one triggered capture and write it."));
    const QCommandLineOption pointsPerDiv(QStringLiteral("points-per-div"), QStringLiteral("scope: points per division; a capture is 10 divisions (default 200)."), QStringLiteral("N"), QStringLiteral("200"));
    parser.addOptions({port, baud, rs485, station, db, verify, all, channels, interval, seconds, outFile, trigger, pretrigger,
                       single, pointsPerDiv});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("read, write, download, upload, list, diff, restore, scope or help"));
    // Every usage error is exit 2 (process() would exit 1 on an unknown option).
    if (!parser.parse(QCoreApplication::arguments())) {
        err(QStringLiteral("dr420-cli: %1 (see --help)").arg(parser.errorText()));
        return UsageOrConnection;
    }
    QStringList args = parser.positionalArguments();
    if (args.isEmpty() && parser.isSet(QStringLiteral("help")))
        parser.showHelp(AllOk);
    if (args.isEmpty()) {
        err(QStringLiteral("dr420-cli: no command (see --help)"));
        return UsageOrConnection;
    }
    // Each command takes its own options: one of another command is a usage
    // error, not silently ignored.
    const QList<QCommandLineOption> drive{port, baud, rs485, station};
    const QList<QCommandLineOption> scopeOptions{channels, interval, seconds, outFile, trigger, pretrigger, single, pointsPerDiv};
    const QList<CommandSpec> commands{
        {"read", "read [OPTIONS] PNO...", "Reads parameters; prints PNO<TAB>value<TAB>unit per parameter read.", drive + QList{db}},
        {"write", "write [OPTIONS] PNO=VALUE...", "Writes values, checked as the edit dialogs check them.", drive + QList{db, verify}},
        {"download", "download [OPTIONS] FILE", "Writes every writable parameter of a parameter file, in table order.",
         drive + QList{verify}},
        {"upload", "upload [OPTIONS] FILE", "Reads every parameter and saves them as a parameter file (only when all were read).",
         drive + QList{db}},
        {"list", "list [--db FILE] [FILE]", "Prints the parameters of a parameter file (no drive needed).", {db}},
        {"diff", "diff [OPTIONS] A B", "Compares two parameter files, or a file and the word drive.", drive + QList{db, all}},
        {"restore", "restore [OPTIONS] FILE", "Writes only the file's values that differ from the drive, then reads them back.",
         drive},
        {"scope", "scope [OPTIONS] --channels NAMES --out FILE.csv|FILE.wave",
         "Samples as the oscilloscope does, without the window (RS232).", drive + scopeOptions},
    };
    const bool helpCommand = args.first() == QLatin1String("help");
    if (helpCommand)
        args.removeFirst();
    const auto spec = std::find_if(commands.begin(), commands.end(),
                                   [&](const CommandSpec &c) { return !args.isEmpty() && args.first() == c.name; });
    if (spec == commands.end()) {
        if (helpCommand && args.isEmpty())
            parser.showHelp(AllOk);
        QStringList names;
        for (const CommandSpec &c : commands)
            names << c.name;
        err(QStringLiteral("dr420-cli: unknown command \"%1\"; the commands are %2 and help")
                .arg(args.isEmpty() ? QString() : shown(args.first()), names.join(QStringLiteral(", "))));
        return UsageOrConnection;
    }
    QCommandLineParser own;
    own.setApplicationDescription(QStringLiteral("%1\n\nUsage: dr420-cli %2").arg(spec->summary, spec->synopsis));
    own.addHelpOption();
    own.addOptions(spec->options);
    own.addPositionalArgument(spec->name, spec->summary);
    if (helpCommand || parser.isSet(QStringLiteral("help")))
        own.showHelp(AllOk);
    if (!own.parse(QCoreApplication::arguments())) {
        err(QStringLiteral("dr420-cli %1: %2 (see dr420-cli help %1)").arg(spec->name, own.errorText()));
        return UsageOrConnection;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    const QString definitions = parser.isSet(db) ? parser.value(db) : appFilePath(AppFile::Database);
    setDefaultDatabasePath(definitions);

    if (command == QLatin1String("list")) {
        if (rest.size() > 1) {
            err(QStringLiteral("dr420-cli: list [FILE]"));
            return UsageOrConnection;
        }
        if (!loadDefinitions(rest.isEmpty() ? definitions : rest.first()))
            return UsageOrConnection;
        for (const ParameterRecord &r : ParameterTable())
            out(oneLine(r.PNO) + QLatin1Char('\t') + oneLine(r.Value) + QLatin1Char('\t') + oneLine(r.Unit) +
                QLatin1Char('\t') + oneLine(r.Name));
        return AllOk;
    }
    const bool oneFile = command == QLatin1String("upload") || command == QLatin1String("download") ||
                         command == QLatin1String("restore");
    const bool isDiff = command == QLatin1String("diff");
    const bool isScope = command == QLatin1String("scope");
    const bool known = command == QLatin1String("read") || command == QLatin1String("write") || oneFile || isDiff || isScope;
    if (!known || (rest.isEmpty() && !isScope) || (isScope && !rest.isEmpty()) || (oneFile && rest.size() != 1) ||
        (isDiff && rest.size() != 2)) {
        err(QStringLiteral("dr420-cli: bad command line (see --help)"));
        return UsageOrConnection;
    }
    bool stationOk = false;
    bool baudOk = false;
    const int stationNumber = parser.value(station).trimmed().toInt(&stationOk);
    const int baudRate = parser.value(baud).trimmed().toInt(&baudOk);
    if (!stationOk || stationNumber < 1 || stationNumber > 16 || !baudOk || baudRate <= 0) {
        err(QStringLiteral("dr420-cli: --station must be 1..16 and --baud a rate"));
        return UsageOrConnection;
    }
    if (!parser.isSet(rs485) && !rs232RateSupported(baudRate)) {
        err(QStringLiteral("dr420-cli: --baud %1: the drive's RS232 interface runs at 19200, 57600 or 115200 only")
                .arg(baudRate));
        return UsageOrConnection;
    }

    ScopeRequest scope;
    if (isScope) {
        const QString problem = parseScope(parser, channels, interval, seconds, outFile, trigger, pretrigger, single,
                                           pointsPerDiv, &scope);
        if (!problem.isEmpty()) {
            err(QStringLiteral("dr420-cli: %1").arg(problem));
            return UsageOrConnection;
        }
        if (parser.isSet(rs485)) { // refused before the drive is contacted
            err(ScopeRun::rs485Message());
            return UsageOrConnection;
        }
    }
    // Whatever can be refused before any traffic is refused now.
    if (command == QLatin1String("upload")) {
        const QString refusal = saveTargetRefusal(rest.first());
        if (!refusal.isEmpty()) {
            err(QStringLiteral("dr420-cli: %1").arg(refusal));
            return UsageOrConnection;
        }
    }
    // diff: each side that is a file is read now; the drive is read against
    // the other side's definitions (or the default database's).
    const QString kDrive = QStringLiteral("drive");
    ParameterList sides[2];
    bool sideIsDrive[2] = {false, false};
    if (isDiff) {
        for (int i = 0; i < 2; ++i) {
            sideIsDrive[i] = rest[i] == kDrive;
            if (sideIsDrive[i])
                continue;
            const LoadResult r = LoadParameterList(rest[i], &sides[i]);
            if (!r.opened || sides[i].empty()) {
                err(QStringLiteral("dr420-cli: no parameters in %1").arg(rest[i]));
                return UsageOrConnection;
            }
        }
        if (sideIsDrive[0] && sideIsDrive[1]) {
            err(QStringLiteral("dr420-cli: diff needs at least one parameter file"));
            return UsageOrConnection;
        }
        if (!sideIsDrive[0] && !sideIsDrive[1]) {
            const Comparison c = CompareParameterLists(sides[0], sides[1]);
            printComparison(c, parser.isSet(all));
            return c.differences() ? SomeFailed : AllOk;
        }
    }
    // The definitions: the file to download or restore is its own definitions.
    const QString tablePath = command == QLatin1String("download") || command == QLatin1String("restore") ? rest.first()
                              : isDiff ? (sideIsDrive[0] ? rest[1] : rest[0])
                                       : definitions;
    if (!loadDefinitions(tablePath)) {
        err(QStringLiteral("dr420-cli: no parameters in %1").arg(tablePath));
        return UsageOrConnection;
    }
    int status = AllOk;
    QStringList toWrite;
    // One key everywhere: the number as the definitions hold it (trimmed).
    QStringList numbers;
    if (command == QLatin1String("write")) {
        // Usage first, for every assignment; then the values.
        QList<QPair<QString, QString>> assignments; // number, value
        for (const QString &assignment : rest) {
            const int eq = assignment.indexOf(QLatin1Char('='));
            const QString pno = assignment.left(eq).trimmed();
            if (eq < 0 || pno.isEmpty()) {
                err(QStringLiteral("dr420-cli: %1: write needs PNO=VALUE").arg(shown(assignment)));
                return UsageOrConnection;
            }
            for (const auto &[named, value] : assignments)
                if (named == pno) {
                    err(QStringLiteral("dr420-cli: %1 is given more than once").arg(shown(pno)));
                    return UsageOrConnection;
                }
            assignments.append({pno, assignment.mid(eq + 1)});
        }
        for (const auto &[pno, value] : assignments) {
            const int at = FindParameterIndex(pno);
            if (at < 0) {
                err(QStringLiteral("Function code %1 is not in the parameter definitions: nothing sent.").arg(shown(pno)));
                status = SomeFailed;
            } else if (acceptValue(ParameterTable()[size_t(at)], value)) {
                toWrite << ParameterTable()[size_t(at)].PNO;
            } else {
                status = SomeFailed;
            }
        }
    } else if (command == QLatin1String("download") || command == QLatin1String("restore")) {
        for (ParameterRecord &r : ParameterTable()) {
            if (r.RW == kReadOnly)
                continue;
            if (acceptValue(r, r.Value))
                toWrite << r.PNO;
            else
                status = SomeFailed;
        }
    } else if (command == QLatin1String("read")) {
        for (const QString &pno : rest) {
            const int at = FindParameterIndex(pno);
            numbers << (at < 0 ? pno.trimmed() : ParameterTable()[size_t(at)].PNO);
            if (at >= 0 && !hasOwnRegister(numbers.last()))
                status = SomeFailed;
        }
    } else if (command == QLatin1String("upload")) {
        // A backup with a parameter it cannot read is no backup.
        for (const ParameterRecord &r : ParameterTable()) {
            numbers << r.PNO;
            if (!hasOwnRegister(r.PNO))
                status = SomeFailed;
        }
    }

    if (status != AllOk) {
        err(QStringLiteral("dr420-cli: refused values: nothing was sent to the drive."));
        return status;
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

    if (isScope) {
        status = runScope(scope);
    } else if (command == QLatin1String("read")) {
        status = runTransfer(TransferRun::Read, numbers, true);
    } else if (command == QLatin1String("write") || command == QLatin1String("download")) {
        if (!toWrite.isEmpty()) {
            QStringList written;
            status = std::max(status, runTransfer(TransferRun::Write, toWrite, false, &written));
            if (parser.isSet(verify))
                status = std::max(status, verifyWritten(written));
        }
    } else if (isDiff) {
        int failures = 0;
        const int d = sideIsDrive[0] ? 0 : 1;
        sides[d] = snapshotDrive(ParameterTable(), &failures);
        const Comparison c = CompareParameterLists(sides[0], sides[1]);
        printComparison(c, parser.isSet(all));
        status = failures ? UsageOrConnection : c.differences() ? SomeFailed : AllOk;
    } else if (command == QLatin1String("restore")) {
        int failures = 0;
        const ParameterList file = ParameterTable();
        const ParameterList drive = snapshotDrive(file, &failures);
        RestoreRun run(file, drive);
        for (const QString &line : run.skipped())
            err(QStringLiteral("Left out: %1").arg(line));
        while (!run.finished()) {
            err(run.step());
            if (!run.lastReason().isEmpty())
                err(QStringLiteral("  %1").arg(run.lastReason()));
        }
        err(run.summary());
        status = failures || !run.allDone() ? SomeFailed : AllOk;
    } else { // upload
        status = runTransfer(TransferRun::Read, numbers, false);
        // Unread parameters would be saved with the definitions' values, as
        // if the drive held them: a partial upload is never saved.
        if (status != AllOk)
            err(QStringLiteral("Nothing was saved: not every parameter was read; %1 is as it was.").arg(rest.first()));
        else if (!SaveParameterFile(rest.first()))
            status = UsageOrConnection; // the reason has been said
        else
            err(QStringLiteral("Saved %1").arg(rest.first()));
    }
    LinkClose();
    setLinkDriver(nullptr);
    return status;
}
