// The scope display with 4 x 60000 samples at 1920 x 1080: one full repaint
// (goal: median <= 8 ms), and FollowLatest + repaint ten times a second as the
// display thread does (goal: < 10 % of a core).
// `bench_wavepaint --show` opens the display with four recognisable curves,
// cursors and readout instead, for a look (or a screenshot) under a display.
#include "DriveSimulator.h"
#include "wave/WaveWnd.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace dr420;

namespace {
void fill(CWaveWnd &wnd, int n)
{
    std::vector<float> t(size_t(n), 0.0f);
    std::vector<float> v(size_t(n), 0.0f);
    for (int i = 0; i < n; ++i)
        t[size_t(i)] = float(i * 2);
    WaveModel &m = wnd.model();
    m.clearAll();
    m.setTimeData(t.data(), unsigned(n));
    const char *names[4] = {"OutputFrequency", "OutputCurrent", "OutputVoltage", "MotorSpeed"};
    const double perDiv[4] = {500, 500, 500, 500};
    const double ratio[4] = {-7, -3, -5.0 / 3, -1};
    for (int c = 1; c <= 4; ++c) {
        for (int i = 0; i < n; ++i)
            v[size_t(i)] = c == 4 ? float(int16_t(sim::sampleValue(c, i, 2))) : float(sim::sampleValue(c, i, 2));
        m.setChannelData(v.data(), unsigned(n), c, QLatin1String(names[c - 1]));
        const double a = perDiv[c - 1], r = ratio[c - 1];
        m.setChannelRange(c, -8 * a / (1 - r), 8 * a / (1 - 1 / r));
        m.setChannelPerDiv(c, a);
        m.saveOriginalScale(c);
    }
    m.setPointsPerDiv(200);
    m.followLatest();
}

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}
} // namespace

int main(int argc, char *argv[])
{
    const bool show = argc > 1 && QByteArray(argv[1]) == "--show";
    if (!show)
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    CWaveWnd wnd;
    if (show) {
        wnd.resize(1200, 700);
        fill(wnd, 5000);
        wnd.model().showTimeCursors(true);
        wnd.model().setValueCursorChannel(1);
        wnd.setTipMode(true);
        wnd.show();
        QMouseEvent move(QEvent::MouseMove, QPointF(700, 300), QPointF(700, 300), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&wnd, &move);
        return QApplication::exec();
    }
    wnd.resize(1920, 1080);
    fill(wnd, 60000);
    const auto median = [&wnd] {
        std::vector<double> ms;
        for (int i = 0; i < 31; ++i) {
            QElapsedTimer t;
            t.start();
            wnd.render();
            ms.push_back(t.nsecsElapsed() / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    // Every line width at both ends of the points-per-division range.
    for (int ppd : {200, 6000}) {
        wnd.model().setPointsPerDiv(ppd);
        wnd.model().followLatest();
        for (int width = 1; width <= 5; ++width) {
            wnd.setLineWidth(width);
            std::printf("full repaint, 4 x 60000 samples, 1920x1080, %4d points per division, line width %d: "
                        "median %.2f ms (goal <= 8 ms)\n",
                        ppd, width, median());
        }
    }
    wnd.setLineWidth(1);
    wnd.model().setPointsPerDiv(200);
    wnd.model().followLatest();

    // Ten hand-overs a second for 5 s: copy the buffers, follow, repaint.
    std::vector<float> t(60000), v(60000);
    for (int i = 0; i < 60000; ++i)
        t[size_t(i)] = float(i * 2);
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    for (int tick = 0; tick < 50; ++tick) {
        for (int i = 0; i < 60000; ++i)
            t[size_t(i)] += 200.0f;
        {
            wnd.model().setTimeData(t.data(), 60000);
            for (int c = 1; c <= 4; ++c)
                wnd.model().setChannelData(v.data(), 60000, c, QStringLiteral("V"));
            wnd.model().followLatest();
        }
        wnd.render();
        const qint64 rest = (tick + 1) * 100 - wall.elapsed();
        if (rest > 0)
            QThread::msleep(quint64(rest));
    }
    const double share = (cpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    std::printf("FollowLatest + repaint at 10 Hz: %.1f %% of a core (goal < 10 %%)\n", 100 * share);
    return 0;
}
