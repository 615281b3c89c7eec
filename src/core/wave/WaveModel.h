#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <vector>

// The scope display's model: sample storage, scaling, time base, cursors,
// zoom history and drag steps. Pure arithmetic; the widget paints what this
// computes. Channels are numbered 1..4; others make setters do nothing and
// getters return 0.
namespace dr420 {

constexpr int kWaveCapacity = 60000;

// A cursor handle: a filled triangle.
struct Triangle {
    QPoint a, b, c;
    bool contains(const QPoint &p) const;
};

struct ChannelScale {
    double top = 0;
    double bottom = 0;
    double perDiv = 0;
};

struct TimeWindow {
    double end = 0;
    double start = 0;
    unsigned pointsPerDiv = 200;
};

class WaveModel
{
public:
    WaveModel();

    // --- data ---
    void setTimeData(const float *times, unsigned count);
    void setChannelData(const float *values, unsigned count, int channel, const QString &name);
    void followLatest();
    void clearAll();
    int sampleCount() const { return m_count; }
    double sampleInterval() const;
    const std::vector<float> &times() const { return m_time; }
    const std::vector<float> &values(int channel) const { return m_values[size_t(channel - 1)]; }
    QString channelName(int channel) const;
    void setChannelName(int channel, const QString &name);
    unsigned dataMask() const { return m_dataMask; }
    unsigned visibleMask() const { return m_visibleMask; }
    void setVisibleMask(unsigned mask) { m_visibleMask = mask & 0xF; }
    bool isDrawn(int channel) const;

    // --- scales ---
    void saveOriginalScale(int channel);
    void setChannelRange(int channel, double bottom, double top);
    bool channelRange(int channel, double *bottom, double *top) const;
    ChannelScale channelScale(int channel) const;
    void setChannelPerDiv(int channel, double value);
    void changeChannelPerDiv(double value, int channel);
    double channelPerDiv(int channel) const;
    void shiftChannel(double value, int channel);
    void setPointsPerDiv(int n) { m_window.pointsPerDiv = unsigned(std::max(n, 0)); }
    void changePointsPerDiv(int n);
    int pointsPerDiv() const { return int(m_window.pointsPerDiv); }
    const TimeWindow &window() const { return m_window; }
    void setWindow(double start, double end);
    void restoreOriginalView();

    // --- geometry ---
    void setClientSize(const QSize &size); // as at creation
    void parentResized(const QSize &size); // moves the second cursors too
    QSize clientSize() const { return {m_w, m_h}; }
    int plotWidth() const { return m_w - 64; }
    int plotHeight() const { return m_h - 58; }
    QRect plotRect() const { return QRect(QPoint(32, 33), QPoint(m_w - 32, m_h - 25)); }
    double msPerPixel() const;
    double unitsPerPixel(int channel) const;
    QPoint toPixel(double t, double v, int channel) const;
    int nearestIndex(double t) const;
    struct CurveRange {
        int first = 0;
        int last = 0;
        int step = 1;
    };
    CurveRange curveRange() const;

    // --- cursors ---
    void showTimeCursors(bool on) { m_timeCursorsShown = on; }
    bool timeCursorsShown() const { return m_timeCursorsShown; }
    void setValueCursorChannel(int channel) { m_valueChannel = (channel >= 0 && channel <= 4) ? channel : 0; }
    int valueCursorChannel() const { return m_valueChannel; }
    int timeCursorOffset(int i) const { return m_timeOffsets[size_t(i)]; }
    int valueCursorOffset(int i) const { return m_valueOffsets[size_t(i)]; }
    Triangle timeHandle(int i) const;
    Triangle valueHandle(int i) const;
    // 1/2 time cursor, 3/4 value cursor, 0 none: the last handle that holds the point.
    int handleAt(const QPoint &p) const;
    // Moves a grabbed cursor to follow the pointer, kept inside the plot.
    void moveCursor(int grabbed, const QPoint &p);
    double timeCursorTime(int i) const;
    double valueCursorValue(int i) const;

    // --- drag and zoom ---
    // One drag step from p to q; returns the channels moved (mode 2).
    std::vector<int> dragStep(int mode, const QPoint &p, const QPoint &q);
    void zoomIn(const QRect &rect);
    void zoomOut();
    size_t zoomDepth() const { return m_timeStack.size(); }

    // --- readout ---
    // The readout rectangle for the pointer at p with n channels, kept inside the plot.
    QRect readoutRect(const QPoint &p, int channels) const;
    // The box around `text` for `rect`: 7 pixels a character of the longest line.
    static QRect readoutBox(const QRect &rect, const QString &text);
    // The readout lines for a time: "L1:(t,v)\r\n" per drawn channel.
    QString readoutText(double time) const;

private:
    static void applyZeroRule(ChannelScale &s);
    bool valid(int channel) const { return channel >= 1 && channel <= 4; }

    std::vector<float> m_time;
    std::array<std::vector<float>, 4> m_values;
    int m_count = 0;
    unsigned m_dataMask = 0;
    unsigned m_visibleMask = 15;
    std::array<QString, 4> m_names;

    TimeWindow m_window;
    std::array<ChannelScale, 4> m_scales;
    TimeWindow m_originalWindow;
    std::array<ChannelScale, 4> m_originalScales;

    int m_w = 0;
    int m_h = 0;
    bool m_timeCursorsShown = false;
    int m_valueChannel = 0;
    std::array<int, 2> m_timeOffsets{12, 0};
    std::array<int, 2> m_valueOffsets{12, 0};

    std::vector<TimeWindow> m_timeStack;
    std::array<std::vector<ChannelScale>, 4> m_channelStacks;
};

} // namespace dr420
