#include "DriveSimulator.h"
#include "TestSupport.h"
#include "link/ComPortMap.h"
#include "paramdb/ParameterRecord.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"
#include "scope/ScopeTools.h"
#include "wave/WaveFile.h"
#include "wave/WaveModel.h"

#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace dr420;

namespace {
struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

QString binDir()
{
    return QCoreApplication::applicationDirPath();
}

CliResult cli(const QStringList &args)
{
    QProcess p;
    p.start(binDir() + QStringLiteral("/dr420-cli"), args);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<sim::DriveSimulator> m_drive;
    QTemporaryDir m_dir;

    QStringList connect(const QStringList &more) const { return QStringList{"--port", m_drive->slavePath()} + more; }

private slots:
    void init()
    {
        sim::SimOptions o;
        o.baud = 57600; // the scan finds it and switches it to 115200
        o.database = binDir() + QStringLiteral("/DR420.mdb");
        m_drive = std::make_unique<sim::DriveSimulator>(o);
        QVERIFY(m_drive->start());
    }
    void cleanup() { m_drive.reset(); }

    void readPrintsValuesAndExitStatus()
    {
        m_drive->defineRegister(PnoToAddress(QStringLiteral("F0-11")), 1234);
        CliResult r = cli(connect({"read", "F0-11", "U0-06"}));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("F0-11\t12.34\ts\nU0-06\t0.0\t%\n"));
        QVERIFY(r.err.contains(QLatin1String("0 function code read failed!")));
        QCOMPARE(m_drive->driveBaud(), 115200);
        r = cli(connect({"read", "F0-11", "X9-99"}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Function Code X9-99 Read Failure!")));
    }

    void writeChecksLimitsAndSends()
    {
        CliResult r = cli(connect({"write", "F0-13=20.50", "F0-00=1"}));
        QCOMPARE(r.status, 0);
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-13"))), uint16_t(2050));
        QVERIFY(r.err.contains(QLatin1String("The function code F0-13 was written successfully!")));
        m_drive->clearRequests();
        r = cli(connect({"write", "F0-13=999"}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Parameter value is out of range!")));
        for (const auto &req : m_drive->requests())
            QVERIFY(req.code != 66); // nothing was sent
        m_drive->setRunState(1);
        r = cli(connect({"write", "F0-00=1"}));
        QCOMPARE(r.status, 1); // not written: scripts must see it
        QVERIFY(r.err.contains(QLatin1String("Function code F0-00 cannot be modified during operation!")));
        m_drive->setRunState(3);
    }

    void downloadWritesAFileAndUploadSavesOne()
    {
        // A parameter file with changed values.
        ParameterTable().clear();
        LoadParameterTable(binDir() + QStringLiteral("/DR420.mdb"));
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-11")))].Value = QStringLiteral("7.00");
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("FB-03")))].Value = QStringLiteral("-12.5");
        setDefaultDatabasePath(binDir() + QStringLiteral("/DR420.mdb"));
        const QString file = m_dir.filePath(QStringLiteral("line4.mdb"));
        QVERIFY(SaveParameterFile(file));
        CliResult r = cli(connect({"download", file}));
        QCOMPARE(r.status, 0);
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-11"))), uint16_t(700));
        QCOMPARE(int16_t(m_drive->registerValue(PnoToAddress(QStringLiteral("FB-03")))), int16_t(-125));

        m_drive->defineRegister(PnoToAddress(QStringLiteral("F0-13")), 999);
        const QString uploaded = m_dir.filePath(QStringLiteral("from drive.mdb"));
        r = cli(connect({"upload", uploaded}));
        QCOMPARE(r.status, 0);
        r = cli({"list", uploaded});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QLatin1String("F0-13\t9.99\ts\t")));
        QVERIFY(r.out.contains(QLatin1String("F0-11\t7.00\ts\t")));
    }

    void refusedValuesSendNothing_data()
    {
        QTest::addColumn<QString>("assignment");
        QTest::addColumn<QString>("reason");
        QTest::newRow("letters") << "F0-13=abc" << "Entered numbers are not legal!";
        QTest::newRow("empty") << "F0-13=" << "Entered numbers are not legal!";
        QTest::newRow("decimal comma") << "F0-13=1,5" << "Entered numbers are not legal!";
        QTest::newRow("exponent") << "F0-13=1e1" << "Entered numbers are not legal!";
        QTest::newRow("sign inside") << "F0-13=1-2" << "Entered numbers are not legal!";
        QTest::newRow("leading dot") << "F0-13=.5" << "Entered numbers are not legal!";
        QTest::newRow("two dots") << "F0-13=1.2.3" << "Entered numbers are not legal!";
        QTest::newRow("out of range") << "F0-13=6500.1" << "Parameter value is out of range!";
        QTest::newRow("no such option") << "F0-06=7" << "Your input is incorrect, please re-select!";
        QTest::newRow("a digit without option") << "F4-22=324" << "Please select parameter value!";
        QTest::newRow("read-only") << "F7-06=5" << "is read-only";
        QTest::newRow("unknown number") << "X9-99=1" << "is not in the parameter definitions";
        QTest::newRow("a huge value, not echoed whole") << "F0-13=" + QString(100000, QLatin1Char('x'))
                                                        << "(100000 characters)";
    }
    void refusedValuesSendNothing()
    {
        QFETCH(QString, assignment);
        QFETCH(QString, reason);
        m_drive->clearRequests();
        const uint16_t before = m_drive->registerValue(PnoToAddress(QStringLiteral("F0-13")));
        // A good value beside the bad one is not sent either.
        const CliResult r = cli(connect({"write", "F0-11=12.00", assignment}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err.left(2000)));
        QVERIFY(r.err.size() < 2000);
        QVERIFY(r.out.isEmpty());
        QVERIFY(m_drive->requests().isEmpty()); // not even connected
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-13"))), before);
    }

    // Every usage error is exit 2, and the drive hears nothing.
    void usageErrorsAreExit2_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "read", "F0-11"} << "Unknown option";
        QTest::newRow("option without its value") << QStringList{"read", "F0-11", "--station"} << "Missing value";
        QTest::newRow("write without =") << QStringList{"write", "F0-13"} << "write needs PNO=VALUE";
        QTest::newRow("write without a number") << QStringList{"write", " =5"} << "write needs PNO=VALUE";
        QTest::newRow("a number twice") << QStringList{"write", "F0-11=1", " F0-11=2"} << "more than once";
        QTest::newRow("RS232 rate the drive lacks") << QStringList{"--baud", "9600", "read", "F0-11"}
                                                   << "19200, 57600 or 115200";
        QTest::newRow("baud with letters") << QStringList{"--baud", "115200x", "read", "F0-11"} << "--baud a rate";
        for (const char *bad : {"nan", "inf", "-1", "0"})
            QTest::addRow("--seconds %s", bad) << QStringList{"scope", "--channels", "OutputFrequency", "--out", "x.csv",
                                                              "--seconds", bad}
                                               << "--seconds must be";
        QTest::newRow("--interval nan") << QStringList{"scope", "--channels", "OutputFrequency", "--out", "x.csv",
                                                       "--interval", "nan"}
                                        << "--interval must be";
        // An option of another command is no option of this one.
        QTest::newRow("list with scope and verify options")
            << QStringList{"list", "--verify", "--single", "--trigger", "1:rising:0", "--seconds", "5"}
            << "Unknown options: port, verify, single, trigger, seconds";
        QTest::newRow("read --all") << QStringList{"read", "--all", "F0-11"} << "Unknown option 'all'";
        QTest::newRow("restore --db") << QStringList{"restore", "--db", "x.mdb", "y.mdb"} << "Unknown option 'db'";
        QTest::newRow("download --out") << QStringList{"download", "--out", "x.csv", "y.mdb"} << "Unknown option 'out'";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "the commands are read, write, download";
    }
    void usageErrorsAreExit2()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        for (QString &a : args)
            if (a == QLatin1String("x.csv"))
                a = m_dir.filePath(a);
        m_drive->clearRequests();
        const CliResult r = cli(connect(args));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(m_drive->requests().isEmpty());
    }

    // Each command tells its own usage and options.
    void helpOfOneCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("help scope") << QStringList{"help", "scope"};
        QTest::newRow("scope --help") << QStringList{"scope", "--help"};
    }
    void helpOfOneCommand()
    {
        QFETCH(QStringList, args);
        const CliResult r = cli(args);
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QLatin1String("--points-per-div")), qPrintable(r.out));
        QVERIFY(!r.out.contains(QLatin1String("--verify")));
        const CliResult all = cli({"--help"});
        for (const char *c : {"read", "write", "download", "upload", "list", "diff", "restore", "scope", "help"})
            QVERIFY2(all.out.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(c))), c);
    }

    // Blanks around a number are no part of it: the value read, written and
    // verified is that register's.
    void paddedNumbersReachTheirRegister()
    {
        m_drive->defineRegister(PnoToAddress(QStringLiteral("F0-11")), 3300);
        CliResult r = cli(connect({"read", " F0-11 "}));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("F0-11\t33.00\ts\n"));
        r = cli(connect({"--verify", "write", "F0-11 =5"}));
        QCOMPARE(r.status, 0);
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-11"))), uint16_t(500));
        QVERIFY2(r.err.contains(QLatin1String("Verify: 0 of 1 written function code(s) differ.")), qPrintable(r.err));
        // Not kept by the drive: verify says so.
        sim::SimOptions o;
        o.database = binDir() + QStringLiteral("/DR420.mdb");
        o.ignoreWrites = {PnoToAddress(QStringLiteral("F0-11"))};
        sim::DriveSimulator deaf(o);
        QVERIFY(deaf.start());
        r = cli({"--port", deaf.slavePath(), "--verify", "write", "F0-11 =6"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Verify: 1 of 1 written function code(s) differ.")));
    }

    // A number of another drive's scheme (FX-11) would reach another
    // parameter's register: refused before any traffic, in every command.
    void numbersWithoutARegisterAreRefused_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("read") << "read";
        QTest::newRow("write") << "write";
        QTest::newRow("download") << "download";
        QTest::newRow("upload") << "upload";
    }
    void numbersWithoutARegisterAreRefused()
    {
        QFETCH(QString, command);
        const QString file = fileWith(QStringLiteral("other-drive.mdb"), {});
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {file, "update Parameter set PNO='FX-11' where PNO='F0-11'"});
        QVERIFY(sqlite.waitForFinished(10000));
        QCOMPARE(sqlite.exitCode(), 0);
        QStringList args{"--db", file, command};
        if (command == QLatin1String("read"))
            args << "FX-11";
        else if (command == QLatin1String("write"))
            args << "FX-11=12.00";
        else if (command == QLatin1String("download"))
            args = QStringList{"download", file};
        else
            args << m_dir.filePath(QStringLiteral("backup.mdb"));
        m_drive->clearRequests();
        const CliResult r = cli(connect(args));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("Function code FX-11 has no register of its own")), qPrintable(r.err));
        QVERIFY(m_drive->requests().isEmpty());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("backup.mdb"))));
    }

    // The drive unplugged half-way: an upload saves nothing over a good
    // backup, and a download says failed, not "refused while running".
    void unpluggedHalfWay_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("upload") << "upload";
        QTest::newRow("download") << "download";
    }
    void unpluggedHalfWay()
    {
        QFETCH(QString, command);
        const QString backup = fileWith(QStringLiteral("good backup.mdb"), {{"F0-11", "7.00"}});
        QVERIFY(!backup.isEmpty());
        QFile f(backup);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        QProcess p;
        p.start(binDir() + QStringLiteral("/dr420-cli"), connect({command, backup}));
        const uint8_t code = command == QLatin1String("upload") ? 65 : 66;
        // Polled without the event loop, so that the process cannot end unseen.
        QElapsedTimer waited;
        waited.start();
        while (m_drive->countRequests(code) < 60 && waited.elapsed() < 20000)
            QThread::usleep(200);
        QVERIFY(m_drive->countRequests(code) < 150); // half-way, not after the end
        m_drive->unplug();
        QVERIFY(p.waitForFinished(20000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        if (command == QLatin1String("upload")) {
            QVERIFY2(err.contains(QLatin1String("Nothing was saved")), qPrintable(err));
        } else {
            QVERIFY2(err.contains(QLatin1String("failed to write!")), qPrintable(err));
            QVERIFY2(!err.contains(QLatin1String("cannot be modified during operation")), qPrintable(err));
            // Said once, and the run ends at once.
            QVERIFY2(err.contains(QLatin1String("the serial device is gone (adapter unplugged?)")), qPrintable(err));
            QVERIFY(err.contains(QLatin1String("The serial device is gone: ")));
            QCOMPARE(err.count(QLatin1String("failed to write!")), 1);
        }
    }

    // A disk that fills up: exit 2 with the cause and the rows that made it;
    // the file ends on a whole line.
    void recordingOntoAFullDisk()
    {
        test::SmallFileSystem disk(24);
        if (!disk.ok())
            QSKIP("needs root to mount a small tmpfs");
        const QString csv = disk.file(QStringLiteral("run.csv"));
        const CliResult r = cli(connect({"scope", "--channels", "OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed",
                                         "--seconds", "4", "--out", csv}));
        QCOMPARE(r.status, 2);
        static const QRegularExpression incomplete(
            QStringLiteral("the recording is incomplete: No space left on device after (\\d+) rows"));
        const QRegularExpressionMatch m = incomplete.match(r.err);
        QVERIFY2(m.hasMatch(), qPrintable(r.err));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.endsWith('\n'));
        QCOMPARE(text.count('\n') - 1, m.captured(1).toInt());
        QVERIFY(!r.err.contains(QLatin1String("written.")));
    }

    // The simulator maps itself as a COM port and gives the user's own
    // mapping of that port back when it ends.
    void simulatorRestoresTheComMapping()
    {
        const QString map = m_dir.filePath(QStringLiteral("comports.ini"));
        QFile f(map);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[ComPorts]\nCOM1=/dev/ttyUSB4\nCOM3=/dev/ttyUSB7\n");
        f.close();
        for (const char *port : {"3", "5"}) {
            QProcess sim;
            sim.start(binDir() + QStringLiteral("/dr420-sim"), {"--com", port, "--map", map});
            QVERIFY(sim.waitForReadyRead(10000));
            const QString device = QString::fromUtf8(sim.readLine()).trimmed();
            QCOMPARE(ComPortMap::entry(map, QString::fromLatin1(port).toInt()), device);
            sim.terminate();
            QVERIFY(sim.waitForFinished(10000));
            QCOMPARE(sim.exitCode(), 0);
        }
        QCOMPARE(ComPortMap::entry(map, 1), QStringLiteral("/dev/ttyUSB4"));
        QCOMPARE(ComPortMap::entry(map, 3), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(ComPortMap::entry(map, 5), QString());
    }

    // Each failure says why, beside the result line: here the drive's refusal
    // with its reason (the other reasons: tst_seriallink).
    void failuresSayWhy()
    {
        const QString file = fileWith(QStringLiteral("newer drive.mdb"), {});
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {file, "update Parameter set PNO='F9-50' where PNO='F0-11'"});
        QVERIFY(sqlite.waitForFinished(10000));
        CliResult r = cli(connect({"--db", file, "read", "F9-50", "F0-13"}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("Function Code F9-50 Read Failure!\nF9-50: refused by the drive (unknown register)")),
                 qPrintable(r.err));
        QVERIFY(r.out.startsWith(QLatin1String("F0-13\t")));
    }

    // A number given twice is its first row for every reader: diff says the
    // same both ways round, and the load says which numbers were doubled.
    void duplicateNumbersAreOneParameterEverywhere()
    {
        const QString defaults = binDir() + QStringLiteral("/DR420.mdb");
        const QString file = fileWith(QStringLiteral("doubled.mdb"), {{"F0-11", "7.00"}});
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {file, "insert into Parameter select ' F0-11 ',GroupNO,Name,Description,RW,"
                                                       "Sign,ZPoint,'9.00',Unit,MaxLmt,MaxVal,MinLmt,MinVal,MultiLmt,"
                                                       "InputType,ItemGroupNO from Parameter where PNO='F0-11'"});
        QVERIFY(sqlite.waitForFinished(10000));
        QCOMPARE(sqlite.exitCode(), 0);
        const CliResult ab = cli({"diff", file, defaults});
        const CliResult ba = cli({"diff", defaults, file});
        QCOMPARE(ab.status, 1);
        QCOMPARE(ab.out, QStringLiteral("F0-11\tAcceleration time 1\t7.00\t10.00\ts\n"));
        QCOMPARE(ba.out, QStringLiteral("F0-11\tAcceleration time 1\t10.00\t7.00\ts\n"));
        QVERIFY2(ab.err.contains(QLatin1String("F0-11: 2 rows")), qPrintable(ab.err));
    }

    void limitFromAMissingParameterIsRefused()
    {
        // A file whose F0-13 takes its upper limit from a parameter that is not there.
        const QString file = m_dir.filePath(QStringLiteral("dangling.mdb"));
        QFile::remove(file);
        QVERIFY(QFile::copy(binDir() + QStringLiteral("/DR420.mdb"), file));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"), {file, "update Parameter set MaxLmt=-1, MaxVal='F9-99' where PNO='F0-13'"});
        QVERIFY(sqlite.waitForFinished(10000));
        QCOMPARE(sqlite.exitCode(), 0);
        const CliResult r = cli(connect({"--db", file, "write", "F0-13=10"}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("limit parameter F9-99 is missing")), qPrintable(r.err));
        QVERIFY(m_drive->requests().isEmpty());
    }

    void downloadToARunningDriveFails()
    {
        m_drive->setRunState(1);
        const CliResult r = cli(connect({"download", binDir() + QStringLiteral("/DR420.mdb")}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("cannot be modified during operation!")));
        QVERIFY(r.err.contains(QLatin1String("refused while the drive runs")));
    }

    void downloadVerifyCatchesAValueTheDriveKeptOld()
    {
        sim::SimOptions o;
        o.database = binDir() + QStringLiteral("/DR420.mdb");
        o.ignoreWrites = {PnoToAddress(QStringLiteral("F0-11"))};
        m_drive = std::make_unique<sim::DriveSimulator>(o);
        QVERIFY(m_drive->start());
        ParameterTable().clear();
        LoadParameterTable(binDir() + QStringLiteral("/DR420.mdb"));
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-11")))].Value = QStringLiteral("7.00");
        ParameterTable()[size_t(FindParameterIndex(QStringLiteral("F0-13")))].Value = QStringLiteral("8.00");
        setDefaultDatabasePath(binDir() + QStringLiteral("/DR420.mdb"));
        const QString file = m_dir.filePath(QStringLiteral("verify.mdb"));
        QVERIFY(SaveParameterFile(file));
        CliResult r = cli(connect({"download", file}));
        QCOMPARE(r.status, 0); // acknowledged is all a plain download can know
        r = cli(connect({"download", "--verify", file}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("Verify: function code F0-11 reads")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1String("Verify: function code F0-13")));
        QVERIFY(r.err.contains(QLatin1String("Verify: 1 of")));
    }

    // A parameter file from the defaults with some values changed (and, when
    // given, one parameter dropped).
    QString fileWith(const QString &name, const QList<QPair<QString, QString>> &values, const QString &drop = QString())
    {
        ParameterTable().clear();
        LoadParameterTable(binDir() + QStringLiteral("/DR420.mdb"));
        for (const auto &[pno, value] : values)
            ParameterTable()[size_t(FindParameterIndex(pno))].Value = value;
        setDefaultDatabasePath(binDir() + QStringLiteral("/DR420.mdb"));
        const QString file = m_dir.filePath(name);
        if (!SaveParameterFile(file))
            return QString();
        if (!drop.isEmpty()) {
            QProcess sqlite;
            sqlite.start(QStringLiteral("sqlite3"), {file, QStringLiteral("delete from Parameter where PNO='%1'").arg(drop)});
            if (!sqlite.waitForFinished(10000) || sqlite.exitCode() != 0)
                return QString();
        }
        return file;
    }

    void diffOfTwoFiles()
    {
        const QString defaults = binDir() + QStringLiteral("/DR420.mdb");
        // Two real changes and one that only looks like one ("00" is the register value 0).
        const QString a = fileWith(QStringLiteral("a.mdb"), {{"F0-11", "7.00"}, {"F0-13", "8.00"}, {"F0-02", "0"}});
        QVERIFY(!a.isEmpty());
        CliResult r = cli({"diff", a, defaults});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QStringLiteral("F0-11\tAcceleration time 1\t7.00\t10.00\ts\n"
                                       "F0-13\tDeceleration time 1\t8.00\t10.00\ts\n"));
        QVERIFY(r.err.contains(QLatin1String("2 of 261 parameters differ")));
        r = cli({"diff", "--all", a, defaults});
        QCOMPARE(r.out.count(QLatin1Char('\n')), 261);
        r = cli({"diff", defaults, defaults});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QString());
        // A parameter one file lacks: listed once, "(missing)" on that side.
        const QString b = fileWith(QStringLiteral("b.mdb"), {}, QStringLiteral("F0-04"));
        QVERIFY(!b.isEmpty());
        r = cli({"diff", defaults, b});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out.count(QLatin1Char('\n')), 1);
        QVERIFY2(r.out.startsWith(QLatin1String("F0-04\t")) && r.out.contains(QLatin1String("\t(missing)\t")),
                 qPrintable(r.out));
        r = cli({"diff", defaults, m_dir.filePath(QStringLiteral("none.mdb"))});
        QCOMPARE(r.status, 2);
    }

    void diffWithTheDrive()
    {
        const QString defaults = binDir() + QStringLiteral("/DR420.mdb");
        CliResult r = cli(connect({"diff", "drive", defaults}));
        QCOMPARE(r.status, 0);
        QVERIFY(cli(connect({"write", "F0-11=3.00"})).status == 0);
        r = cli(connect({"diff", "drive", defaults}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith(QLatin1String("F0-11\t")) && r.out.count(QLatin1Char('\n')) == 1, qPrintable(r.out));
        QVERIFY(r.out.contains(QLatin1String("\t3.00\t")));
        r = cli(connect({"diff", "drive", "drive"}));
        QCOMPARE(r.status, 2);
    }

    void backupThenRestoreToAChangedDrive()
    {
        const QString backup = m_dir.filePath(QStringLiteral("backup.mdb"));
        QCOMPARE(cli(connect({"upload", backup})).status, 0);
        // Somebody changes the drive: two values that may change any time, one only while stopped.
        m_drive->defineRegister(PnoToAddress(QStringLiteral("F0-11")), 111);
        m_drive->defineRegister(PnoToAddress(QStringLiteral("F0-13")), 222);
        m_drive->defineRegister(PnoToAddress(QStringLiteral("F1-02")), 400);
        m_drive->setRunState(1);
        m_drive->clearRequests();
        CliResult r = cli(connect({"restore", backup}));
        QCOMPARE(r.status, 1); // F1-02 could not be put back while it runs
        QVERIFY2(r.err.contains(QLatin1String("Function code F1-02 cannot be modified during operation!")), qPrintable(r.err));
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-11"))), uint16_t(1000));
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F0-13"))), uint16_t(1000));
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F1-02"))), uint16_t(400));
        int writes = 0;
        for (const auto &req : m_drive->requests())
            writes += req.code == 66;
        QCOMPARE(writes, 2); // only what differed
        m_drive->setRunState(3);
        r = cli(connect({"restore", backup}));
        QCOMPARE(r.status, 0);
        QCOMPARE(m_drive->registerValue(PnoToAddress(QStringLiteral("F1-02"))), uint16_t(380));
        QVERIFY(r.err.contains(QLatin1String("1 of 1 function code(s) restored and verified")));
        QCOMPARE(cli(connect({"diff", "drive", backup})).status, 0);
    }

    void restoreVerifyCatchesAValueTheDriveKeptOld()
    {
        sim::SimOptions o;
        o.database = binDir() + QStringLiteral("/DR420.mdb");
        o.ignoreWrites = {PnoToAddress(QStringLiteral("F0-11"))};
        m_drive = std::make_unique<sim::DriveSimulator>(o);
        QVERIFY(m_drive->start());
        const QString file = fileWith(QStringLiteral("wanted.mdb"), {{"F0-11", "7.00"}, {"F0-13", "8.00"}});
        const CliResult r = cli(connect({"restore", file}));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QLatin1String("Verify: function code F0-11 reads 10.00, 7.00 was written.")),
                 qPrintable(r.err));
        QVERIFY(r.err.contains(QLatin1String("Verify: function code F0-13 holds 8.00.")));
    }

    void restoreWithARefusedValueSendsNothing()
    {
        const QString file = fileWith(QStringLiteral("bad.mdb"), {{"F0-11", "7.00"}, {"F0-13", "999"}});
        m_drive->clearRequests();
        const CliResult r = cli(connect({"restore", file}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("nothing was sent to the drive")));
        QVERIFY(m_drive->requests().isEmpty());
    }

    void scopeWritesEverySampleOfTheRun()
    {
        const QString csv = m_dir.filePath(QStringLiteral("run.csv"));
        CliResult r = cli(connect({"scope", "--channels", "OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed",
                                   "--interval", "2", "--seconds", "10", "--out", csv}));
        QCOMPARE(r.status, 0);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.takeFirst(), QByteArray("time_ms,OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed"));
        QCOMPARE(lines.takeLast(), QByteArray());
        QVERIFY2(qAbs(lines.size() - 5000) <= 50, qPrintable(QString::number(lines.size())));
        for (int i = 0; i < lines.size(); ++i) {
            const QList<QByteArray> cells = lines[i].split(',');
            QCOMPARE(cells.size(), 5);
            QCOMPARE(cells[0].toInt(), 2 * i); // exactly the interval apart
            for (int v = 1; v <= 4; ++v) {
                const int want = v == 4 ? int(int16_t(sim::sampleValue(v, i, 2))) : int(sim::sampleValue(v, i, 2));
                QCOMPARE(cells[v].toInt(), want);
            }
        }
        QVERIFY(r.err.contains(QLatin1String("written.")));
        QVERIFY(r.err.contains(QLatin1String("0 sample frame(s) refused or broken")));
    }

    void killedMidRunTheRecordingLosesAtMostASecond()
    {
        const QString csv = m_dir.filePath(QStringLiteral("killed.csv"));
        QProcess p;
        p.start(binDir() + QStringLiteral("/dr420-cli"),
                connect({"scope", "--channels", "OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed", "--seconds", "60",
                         "--out", csv}));
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(m_drive->framesSent() > 500, 15000); // 4 s of samples
        p.kill(); // no chance to finish the file
        const int sent = m_drive->framesSent() * 8; // 8 sets of 4 channels a frame
        p.waitForFinished();
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.takeFirst(), QByteArray("time_ms,OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed"));
        QCOMPARE(lines.takeLast(), QByteArray()); // it ends with a whole line
        for (const QByteArray &line : lines)
            QCOMPARE(line.split(',').size(), 5);
        const double last = lines.last().split(',').first().toDouble();
        QVERIFY2(sent * 2 - last <= 1200, qPrintable(QStringLiteral("%1 ms sent, %2 ms in the file").arg(sent * 2).arg(last)));
    }

    void scopeWaveIsTheOscilloscopesFile()
    {
        const QString wave = m_dir.filePath(QStringLiteral("run.wave"));
        const CliResult r = cli(connect({"scope", "--channels", "OutputVoltage,OutputFrequency", "--seconds", "1", "--out", wave}));
        QCOMPARE(r.status, 0);
        QFile f(wave);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const int count = bytes.mid(bytes.indexOf("Count=") + 6, 10).split('\r').first().toInt();
        QVERIFY(count > 400);
        // The same samples through the oscilloscope's own model and writer.
        AcquisitionBuffers b;
        for (int i = 0; i < count; ++i) {
            b.time[size_t(i)] = float(2 * i);
            b.channel[0][size_t(i)] = float(sim::sampleValue(3, i, 2));
            b.channel[1][size_t(i)] = float(sim::sampleValue(1, i, 2));
        }
        b.counts.fill(unsigned(count));
        WaveModel model;
        takeAcquisition(model, b, 0b11, {QStringLiteral("OutputVoltage"), QStringLiteral("OutputFrequency"), kNullChannel, kNullChannel});
        QCOMPARE(bytes, waveFileBytes(model));
    }

    void scopeSingleTriggerWritesTheCapturedWindow()
    {
        const QString csv = m_dir.filePath(QStringLiteral("trig.csv"));
        CliResult r = cli(connect({"scope", "--channels", "OutputVoltage,OutputFrequency", "--seconds", "8", "--out", csv,
                                   "--trigger", "OutputFrequency:rising:1000", "--pretrigger", "20", "--single",
                                   "--points-per-div", "100"}));
        QCOMPARE(r.status, 0);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QList<QByteArray> lines = f.readAll().split('\n');
        lines.removeFirst();
        lines.removeLast();
        QCOMPARE(lines.size(), 1000);
        const auto value = [&](int row) { return lines[row].split(',')[2].toDouble(); };
        QVERIFY2(value(199) < 1000 && 1000 <= value(200), qPrintable(lines[199] + " | " + lines[200]));
        QVERIFY(r.err.contains(QLatin1String("(row 200)")));
        // A level never crossed: nothing triggered, exit 1.
        r = cli(connect({"scope", "--channels", "OutputFrequency", "--seconds", "1.5", "--out", csv, "--trigger",
                         "1:rising:5000", "--single"}));
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains(QLatin1String("Nothing triggered")));
    }

    void scopeRefusesWhatRunRefuses_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown channel") << QStringList{"--channels", "Torque", "--out", "x.csv"} << "is not a channel";
        QTest::newRow("single without trigger") << QStringList{"--channels", "OutputFrequency", "--out", "x.csv", "--single"}
                                                << "--single needs --trigger";
        QTest::newRow("no output") << QStringList{"--channels", "OutputFrequency"} << "--out must name";
        QTest::newRow("too many channels for 19200")
            << QStringList{"--baud", "19200", "--channels", "OutputFrequency,OutputCurrent,OutputVoltage,MotorSpeed",
                           "--out", "x.csv"}
            << "channels at most!";
        QTest::newRow("RS485") << QStringList{"--rs485", "--channels", "OutputFrequency", "--out", "x.csv"}
                               << "RS485 interface does not support oscilloscope function!";
    }
    void scopeRefusesWhatRunRefuses()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        for (QString &a : args)
            if (a == QLatin1String("x.csv"))
                a = m_dir.filePath(a);
        const CliResult r = cli(connect(QStringList{"scope"} + args));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message, Qt::CaseInsensitive), qPrintable(r.err));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x.csv"))));
    }

    void uploadToABadNameReadsNothing()
    {
        m_drive->clearRequests();
        const CliResult r = cli(connect({"upload", m_dir.filePath(QStringLiteral("x.txt"))}));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(QLatin1String("must end in .mdb")), qPrintable(r.err));
        QVERIFY(m_drive->requests().isEmpty());
    }

    void usageAndConnectionErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("read without numbers") << QStringList{"read"};
        QTest::newRow("bad station") << QStringList{"--station", "17", "read", "F0-11"};
        QTest::newRow("no such device") << QStringList{"--port", "/dev/ttyNOPE9", "read", "F0-11"};
    }
    void usageAndConnectionErrors()
    {
        QFETCH(QStringList, args);
        const CliResult r = cli(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.out.isEmpty());
    }

    void driveThatDoesNotAnswerIsAConnectionError()
    {
        m_drive->setSilent(true);
        const CliResult r = cli(connect({"read", "F0-11"}));
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QLatin1String("RS232 interface connection failed!")));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
