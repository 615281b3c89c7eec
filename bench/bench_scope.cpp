// Soak of the oscilloscope: the view samples four channels every 2 ms at
// 115200 bit/s from the simulated drive (wire time emulated) for 60 s
// (or the seconds given as the first argument). Reports
//  - frames lost: frames the drive sent that were not decoded (goal 0)
//  - CPU of the receive and display threads, and of the UI thread that
//    copies the samples into the display and paints (goal < 5 % of a core
//    for the worker threads)
//  - resident memory every 10 s (goal: flat)
// With --record (bench_scope 600 --record: the 10-minute soak) every sample
// also goes to a CSV file: rows written against samples decoded (goal: all),
// and the recording's writer thread's CPU (goal < 2 % of a core).
#include "DriveSimulator.h"
#include "controls/XTipComboBox.h"
#include "link/SerialLinkDriver.h"
#include "scope/SamplingEngine.h"
#include "scope/SamplingState.h"
#include "scope/WaveView.h"
#include "wave/WaveWnd.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <unistd.h>

using namespace dr420;

namespace {
// CPU seconds (user + system) of one thread, from /proc.
double taskCpu(const QString &tid)
{
    QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// CPU seconds of the threads with this name.
double threadCpu(const QByteArray &name)
{
    double total = 0;
    for (const QString &tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            total += taskCpu(tid);
    }
    return total;
}

double uiThreadCpu()
{
    return taskCpu(QString::number(getpid())); // the main thread's id is the process id
}

double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    return f.readAll().split(' ').value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    const bool record = app.arguments().contains(QStringLiteral("--record"));

    sim::SimOptions o;
    o.wireTime = true;
    sim::DriveSimulator drive(o);
    if (!drive.start()) {
        std::fprintf(stderr, "the simulated drive did not start\n");
        return 1;
    }
    SerialLinkDriver link;
    setLinkDriver(&link);
    if (!link.openDevice(drive.slavePath(), 115200, 0)) {
        std::fprintf(stderr, "the link did not open\n");
        return 1;
    }
    LinkSettings().baudRate = 115200;

    CWaveView view;
    view.resize(1600, 900);
    view.show();
    for (int k = 1; k <= 4; ++k)
        view.channel(k).curve->setCurrentIndex(k);
    const double ui0 = uiThreadCpu();
    view.run();
    if (!view.isRunning()) {
        std::fprintf(stderr, "Run was refused\n");
        return 1;
    }
    QTemporaryDir scratch;
    const QString recording = scratch.filePath(QStringLiteral("soak.csv"));
    if (record && !view.startRecording(recording)) {
        std::fprintf(stderr, "the recording did not start\n");
        return 1;
    }
    std::printf("soak: %d s, 4 channels, 2 ms, 115200 bit/s, wire time emulated%s\n", seconds,
                record ? ", recording every sample" : "");
    std::printf("  resident memory at start: %.1f MB\n", residentMb());
    QElapsedTimer clock;
    clock.start();
    int nextReport = 10;
    while (clock.elapsed() < seconds * 1000LL) {
        QTest::qWait(100);
        if (clock.elapsed() >= nextReport * 1000LL) {
            std::printf("  %3d s: resident %.1f MB, %d samples on display\n", nextReport, residentMb(),
                        view.wave()->model().sampleCount());
            std::fflush(stdout);
            nextReport += 10;
        }
    }
    const double receiveCpu = threadCpu(kReceiveThreadName);
    const double displayCpu = threadCpu(kDisplayThreadName);
    const double recordCpu = threadCpu(kRecordThreadName);
    const double uiCpu = uiThreadCpu() - ui0;
    const double elapsed = double(clock.elapsed()) / 1000.0;
    // Stop the stream first and let the last frames arrive, then Stop as the user does.
    stopDriveSampling();
    QTest::qWait(300);
    const int sent = drive.framesSent();
    const unsigned samples = view.engine().buffers().sampleIndex;
    const int failures = view.engine().failures();
    view.stop();
    const int decoded = int(samples / 8);
    std::printf("  frames sent %d, decoded %d, refused %d, lost %d (goal 0)\n", sent, decoded, failures,
                sent - decoded);
    std::printf("  CPU: receive thread %.2f %%, display thread %.2f %% of a core (goal < 5 %%)\n",
                100 * receiveCpu / elapsed, 100 * displayCpu / elapsed);
    std::printf("  CPU: UI thread (hand-over into the display and painting) %.2f %% of a core\n",
                100 * uiCpu / elapsed);
    if (record) {
        // The run's first samples came before the recording began.
        QFile f(recording);
        qint64 rows = -2; // header and footer
        if (f.open(QIODevice::ReadOnly))
            while (!f.readLine().isEmpty())
                ++rows;
        std::printf("  recording: %lld rows of %u samples decoded (goal: all but those before it began), %.1f MB; "
                    "writer thread %.2f %% of a core (goal < 2 %%)\n",
                    rows, samples, double(f.size()) / 1048576.0, 100 * recordCpu / elapsed);
    }
    std::printf("  resident memory at end: %.1f MB\n", residentMb());
    setLinkDriver(nullptr);
    return sent == decoded ? 0 : 2;
}
