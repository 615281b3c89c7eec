// Reading 1000 parameters through the read dialog against the simulator:
//  - at 115200 bit/s with the simulator's wire-time emulation, as a share of
//    what the wire allows for 16 bytes per parameter (goal >= 90 %)
//  - without emulation, parameters per second including the dialog's
//    repaints (goal >= 2000/s)
// and what `dr420-cli diff drive FILE` does for the sample database at 115200
// with wire-time emulation: the drive's snapshot and the comparison, as a
// share of the wire's limit (goal >= 85 %), and the whole command's wall time.
#include "DriveSimulator.h"
#include "editor/RWProgressDlg.h"
#include "link/Protocol.h"
#include "link/SerialLinkDriver.h"
#include "paramdb/ParameterCompare.h"
#include "paramdb/ParameterRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

using namespace dr420;

namespace {
// The same reads without any window, to see what the dialog costs.
double readBare(const QStringList &numbers)
{
    sim::SimOptions o;
    o.wireTime = true;
    sim::DriveSimulator drive(o);
    drive.start();
    SerialLinkDriver link;
    setLinkDriver(&link);
    link.openDevice(drive.slavePath(), 115200, 0);
    TransferRun run(TransferRun::Read, numbers);
    QElapsedTimer t;
    t.start();
    while (!run.finished())
        run.step();
    const double perSecond = numbers.size() / (t.nsecsElapsed() / 1e9);
    setLinkDriver(nullptr);
    return perSecond;
}

double readAll(bool wire, const QStringList &numbers, int *failures, int *repaints)
{
    sim::SimOptions o;
    o.wireTime = wire;
    sim::DriveSimulator drive(o);
    drive.start();
    SerialLinkDriver link;
    setLinkDriver(&link);
    link.openDevice(drive.slavePath(), 115200, 0);
    CRWProgressDlg dialog(numbers);
    dialog.show();
    while (!dialog.isFinished())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double seconds = dialog.runSeconds();
    *failures = dialog.run().failures();
    *repaints = dialog.repaints();
    setLinkDriver(nullptr);
    return numbers.size() / seconds;
}
double diffDrive(const QString &file, int *parameters, int *failures, double *commandSeconds)
{
    sim::SimOptions o;
    o.wireTime = true;
    o.database = file;
    sim::DriveSimulator drive(o);
    drive.start();
    ParameterList definitions;
    LoadParameterList(file, &definitions);
    *parameters = int(definitions.size());
    SerialLinkDriver link;
    setLinkDriver(&link);
    link.openDevice(drive.slavePath(), 115200, 0);
    QElapsedTimer t;
    t.start();
    DriveSnapshot snapshot(definitions);
    while (!snapshot.finished())
        snapshot.step();
    const Comparison c = CompareParameterLists(snapshot.values(), definitions);
    const double seconds = t.nsecsElapsed() / 1e9;
    *failures = int(snapshot.failures().size()) + c.differences();
    link.close();
    setLinkDriver(nullptr);
    // The command as a script runs it: start, connect (rate scan included), read, compare.
    QProcess cli;
    t.restart();
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dr420-cli"),
              {QStringLiteral("--port"), drive.slavePath(), QStringLiteral("diff"), QStringLiteral("drive"), file});
    cli.waitForFinished(60000);
    *commandSeconds = cli.exitCode() == 0 ? t.nsecsElapsed() / 1e9 : -1;
    return seconds;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QStringList numbers;
    for (int i = 0; i < 1000; ++i) {
        ParameterRecord r;
        r.PNO = QStringLiteral("F%1-%2").arg(i / 100).arg(i % 100, 2, 10, QLatin1Char('0'));
        r.ZPoint = 2;
        ParameterTable().push_back(r);
        numbers << r.PNO;
    }
    int failures = 0, repaints = 0;
    const double limit = 1.0 / protocol::wireSeconds(2 * protocol::kCommandFrameBytes, 115200);
    const double wired = readAll(true, numbers, &failures, &repaints);
    std::printf("1000 reads at 115200 with wire time: %.0f/s of %.0f the wire allows = %.1f %% (goal >= 90 %%), %d failures, %d repaints\n",
                wired, limit, 100 * wired / limit, failures, repaints);
    const double bare = readBare(numbers);
    std::printf("  (the same without the dialog: %.0f/s = %.1f %%)\n", bare, 100 * bare / limit);
    const double fast = readAll(false, numbers, &failures, &repaints);
    std::printf("1000 reads without emulation: %.0f parameters/s (goal >= 2000), %d failures, %d repaints\n", fast,
                failures, repaints);
    int parameters = 0;
    double command = 0;
    const double diff = diffDrive(QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb"), &parameters,
                                  &failures, &command);
    const double diffLimit = parameters * protocol::wireSeconds(2 * protocol::kCommandFrameBytes, 115200);
    std::printf("diff drive DR420.mdb at 115200 with wire time: %d parameters in %.3f s, the wire needs %.3f s = %.1f %% "
                "(goal >= 85 %%), %d failures or differences; the whole dr420-cli command %.2f s\n",
                parameters, diff, diffLimit, 100 * diffLimit / diff, failures, command);
    return 0;
}
