#include "WaveModel.h"

#include <QStringList>
#include <cmath>

namespace dr420 {

WaveModel::WaveModel()
    : m_time(kWaveCapacity, 0.0f)
{
    for (auto &v : m_values)
        v.assign(kWaveCapacity, 0.0f);
}

namespace {
// The last min(count, capacity) values of an array.
void copyTail(std::vector<float> &into, const float *from, unsigned count)
{
    const unsigned keep = std::min<unsigned>(count, kWaveCapacity);
    std::copy(from + (count - keep), from + count, into.begin());
}
} // namespace

void WaveModel::setTimeData(const float *times, unsigned count)
{
    copyTail(m_time, times, count);
    m_count = int(std::min<unsigned>(count, kWaveCapacity));
}

void WaveModel::setChannelData(const float *values, unsigned count, int channel, const QString &name)
{
    if (!valid(channel))
        return;
    copyTail(m_values[size_t(channel - 1)], values, count);
    m_names[size_t(channel - 1)] = name;
    m_dataMask |= 1u << (channel - 1);
}

QString WaveModel::channelName(int channel) const
{
    return valid(channel) ? m_names[size_t(channel - 1)] : QString();
}

void WaveModel::setChannelName(int channel, const QString &name)
{
    if (valid(channel))
        m_names[size_t(channel - 1)] = name;
}

bool WaveModel::isDrawn(int channel) const
{
    const unsigned bit = 1u << (channel - 1);
    return valid(channel) && (m_dataMask & bit) && (m_visibleMask & bit);
}

double WaveModel::sampleInterval() const
{
    return m_count > 1 ? double(m_time[1]) - double(m_time[0]) : 0.0;
}

void WaveModel::followLatest()
{
    if (m_count <= 1)
        return;
    m_window.end = m_time[size_t(m_count - 1)];
    m_window.start = m_window.end - sampleInterval() * m_window.pointsPerDiv * 10;
    m_originalWindow = m_window;
}

void WaveModel::clearAll()
{
    for (auto &v : m_values)
        std::fill(v.begin(), v.end(), 0.0f);
    m_scales = {};
    m_originalScales = {};
    m_window.start = m_window.end = 0;
    m_originalWindow = TimeWindow{};
    m_count = 0;
    for (auto &n : m_names)
        n.clear();
    m_dataMask = 0;
    m_timeStack.clear();
    for (auto &s : m_channelStacks)
        s.clear();
}

void WaveModel::applyZeroRule(ChannelScale &s)
{
    // The zero line always stays inside the plot.
    if (s.bottom > 0) {
        s.top -= s.bottom;
        s.bottom = 0;
    } else if (s.top < 0) {
        s.bottom -= s.top;
        s.top = 0;
    }
}

void WaveModel::saveOriginalScale(int channel)
{
    if (valid(channel))
        m_originalScales[size_t(channel - 1)] = m_scales[size_t(channel - 1)];
}

void WaveModel::setChannelRange(int channel, double bottom, double top)
{
    if (!valid(channel))
        return;
    ChannelScale &s = m_scales[size_t(channel - 1)];
    s.bottom = bottom;
    s.top = top;
    applyZeroRule(s);
}

bool WaveModel::channelRange(int channel, double *bottom, double *top) const
{
    if (!valid(channel)) {
        *bottom = *top = 0;
        return false;
    }
    *bottom = m_scales[size_t(channel - 1)].bottom;
    *top = m_scales[size_t(channel - 1)].top;
    return true;
}

ChannelScale WaveModel::channelScale(int channel) const
{
    return valid(channel) ? m_scales[size_t(channel - 1)] : ChannelScale{};
}

void WaveModel::setChannelPerDiv(int channel, double value)
{
    if (valid(channel))
        m_scales[size_t(channel - 1)].perDiv = value;
}

void WaveModel::changeChannelPerDiv(double value, int channel)
{
    if (!valid(channel))
        return;
    ChannelScale &s = m_scales[size_t(channel - 1)];
    // From a zero scale there is nothing to stretch: take the new value only.
    if (s.perDiv != 0) {
        const double ratio = value / s.perDiv;
        s.top *= ratio;
        s.bottom *= ratio;
        applyZeroRule(s);
    }
    s.perDiv = value;
}

double WaveModel::channelPerDiv(int channel) const
{
    return valid(channel) ? m_scales[size_t(channel - 1)].perDiv : 0.0;
}

void WaveModel::shiftChannel(double value, int channel)
{
    if (!valid(channel))
        return;
    ChannelScale &s = m_scales[size_t(channel - 1)];
    s.top += value;
    s.bottom += value;
    applyZeroRule(s);
}

void WaveModel::changePointsPerDiv(int n)
{
    const double dt = sampleInterval();
    // Signed: a larger n widens the window on both sides.
    const long long d = (static_cast<long long>(m_window.pointsPerDiv) - n) * 10 / 2;
    double start = m_window.start + double(d) * dt;
    double end = m_window.end - double(d) * dt;
    const double first = m_count ? m_time[0] : 0.0;
    const double last = m_count ? m_time[size_t(m_count - 1)] : 0.0;
    bool placed = false;
    if (start >= first) {
        if (end <= last) {
            placed = true;
        } else {
            const double over = end - last;
            if (start - over >= first) {
                start -= over;
                end -= over;
                placed = true;
            }
        }
    }
    if (!placed) {
        end = first + (end - start);
        start = first;
    }
    m_window.start = start;
    m_window.end = end;
    m_window.pointsPerDiv = unsigned(std::max(n, 0));
}

void WaveModel::setWindow(double start, double end)
{
    m_window.start = start;
    m_window.end = end;
}

void WaveModel::restoreOriginalView()
{
    m_scales = m_originalScales;
    m_window = m_originalWindow;
    m_timeStack.clear();
    for (auto &s : m_channelStacks)
        s.clear();
}

void WaveModel::setClientSize(const QSize &size)
{
    m_w = size.width();
    m_h = size.height();
    m_timeOffsets = {12, m_w - 76};
    m_valueOffsets = {12, m_h - 70};
}

void WaveModel::parentResized(const QSize &size)
{
    m_w = size.width();
    m_h = size.height();
    m_timeOffsets[1] = m_w - 64;
    m_valueOffsets[1] = m_h - 58;
}

double WaveModel::msPerPixel() const
{
    return plotWidth() > 0 ? sampleInterval() * m_window.pointsPerDiv * 10 / plotWidth() : 0.0;
}

double WaveModel::unitsPerPixel(int channel) const
{
    if (!valid(channel) || plotHeight() <= 0)
        return 0.0;
    const ChannelScale &s = m_scales[size_t(channel - 1)];
    return (s.top - s.bottom) / plotHeight();
}

QPoint WaveModel::toPixel(double t, double v, int channel) const
{
    const double mpp = msPerPixel();
    const double upp = unitsPerPixel(channel);
    // Truncation toward zero; a zero scale puts everything on the edge.
    const double x = mpp != 0 ? std::trunc((t - m_window.start) / mpp) : 0;
    const double y = upp != 0 ? std::trunc((channelScale(channel).top - v) / upp) : 0;
    const auto clampInt = [](double d) { return int(std::clamp(d, -1.0e6, 1.0e6)); };
    return QPoint(clampInt(x) + 32, clampInt(y) + 33);
}

int WaveModel::nearestIndex(double t) const
{
    int i = 0;
    while (i < m_count && !(double(m_time[size_t(i)]) > t))
        ++i;
    if (i >= m_count)
        return m_count > 0 ? m_count - 1 : 0;
    if (i > 0 && double(m_time[size_t(i)]) - t > t - double(m_time[size_t(i - 1)]))
        return i - 1;
    return i;
}

WaveModel::CurveRange WaveModel::curveRange() const
{
    CurveRange r;
    r.first = nearestIndex(m_window.start);
    r.last = nearestIndex(m_window.end);
    r.step = m_window.pointsPerDiv <= 200 ? 1 : int(m_window.pointsPerDiv / 200);
    return r;
}

bool Triangle::contains(const QPoint &p) const
{
    // On the same side of all three edges (edges included).
    const auto side = [&p](const QPoint &u, const QPoint &v) {
        return qint64(v.x() - u.x()) * (p.y() - u.y()) - qint64(v.y() - u.y()) * (p.x() - u.x());
    };
    const qint64 s1 = side(a, b), s2 = side(b, c), s3 = side(c, a);
    return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
}

Triangle WaveModel::timeHandle(int i) const
{
    const int a = m_timeOffsets[size_t(i)];
    return {QPoint(a + 20, 33), QPoint(a + 44, 33), QPoint(a + 32, 53)};
}

Triangle WaveModel::valueHandle(int i) const
{
    const int b = m_valueOffsets[size_t(i)];
    return {QPoint(m_w - 32, b + 21), QPoint(m_w - 32, b + 45), QPoint(m_w - 52, b + 33)};
}

int WaveModel::handleAt(const QPoint &p) const
{
    int grabbed = 0;
    for (int i = 0; i < 2; ++i)
        if (timeHandle(i).contains(p))
            grabbed = i + 1;
    for (int i = 0; i < 2; ++i)
        if (valueHandle(i).contains(p))
            grabbed = i + 3;
    return grabbed;
}

void WaveModel::moveCursor(int grabbed, const QPoint &p)
{
    if (grabbed == 1 || grabbed == 2) {
        int offset = p.x() - 32;
        if (offset < 1)
            offset = 0;
        if (offset >= plotWidth())
            offset = plotWidth();
        m_timeOffsets[size_t(grabbed - 1)] = offset;
    } else if (grabbed == 3 || grabbed == 4) {
        int offset = p.y() - 33;
        if (offset < 1)
            offset = 0;
        if (offset >= plotHeight())
            offset = plotHeight();
        m_valueOffsets[size_t(grabbed - 3)] = offset;
    }
}

double WaveModel::timeCursorTime(int i) const
{
    return m_visibleMask ? m_timeOffsets[size_t(i)] * msPerPixel() + m_window.start : 0.0;
}

double WaveModel::valueCursorValue(int i) const
{
    // The channel's own visible bit decides, for every channel alike.
    const int c = m_valueChannel;
    if (!valid(c) || !(m_visibleMask & (1u << (c - 1))))
        return 0.0;
    return channelScale(c).top - m_valueOffsets[size_t(i)] * unitsPerPixel(c);
}

std::vector<int> WaveModel::dragStep(int mode, const QPoint &p, const QPoint &q)
{
    std::vector<int> moved;
    if (mode == 1) {
        const double dt = sampleInterval();
        const int diff = p.x() - q.x();
        double d = dt != 0 ? dt * std::trunc(diff * msPerPixel() / dt) : 0.0;
        // Less than a sample still moves by one, in the drag's direction.
        if (d == 0 && diff > 0)
            d = dt;
        else if (d == 0 && diff < 0)
            d = -dt;
        m_window.start += d;
        m_window.end += d;
    } else if (mode == 2) {
        for (int c = 1; c <= 4; ++c) {
            if (!(m_dataMask & (1u << (c - 1))))
                continue;
            const double amount = (q.y() - p.y()) * unitsPerPixel(c);
            ChannelScale &s = m_scales[size_t(c - 1)];
            s.top += amount;
            s.bottom += amount;
            applyZeroRule(s);
            moved.push_back(c);
        }
    }
    return moved;
}

void WaveModel::zoomIn(const QRect &rectIn)
{
    const QRect rect = rectIn.normalized();
    m_timeStack.push_back(m_window);
    for (int c = 0; c < 4; ++c)
        if (m_scales[size_t(c)].top - m_scales[size_t(c)].bottom > 0)
            m_channelStacks[size_t(c)].push_back(m_scales[size_t(c)]);
    const double start = m_window.start;
    const double end = m_window.end;
    const double pw = std::max(plotWidth(), 1);
    const double ph = std::max(plotHeight(), 1);
    m_window.start = start + (end - start) * (rect.left() - 32) / pw;
    m_window.end = start + (end - start) * (rect.right() - 32) / pw;
    const double dt = sampleInterval();
    const double ppd = dt != 0 ? std::trunc((m_window.end - m_window.start) / 10 / dt) : 0;
    if (ppd < 5) {
        m_window.pointsPerDiv = 5;
        m_window.end = m_window.start + dt * 5 * 10;
    } else {
        m_window.pointsPerDiv = unsigned(std::min(ppd, 4.0e9));
    }
    for (ChannelScale &s : m_scales) {
        if (s.top - s.bottom <= 8)
            continue;
        const double top = s.top;
        const double span = s.top - s.bottom;
        s.top = top - span * (rect.top() - 33) / ph;
        s.bottom = top - span * (rect.bottom() - 33) / ph;
        s.perDiv = std::trunc((s.top - s.bottom) / 8);
        if (s.perDiv < 1) {
            s.perDiv = 1;
            s.top = s.bottom + 8;
        }
    }
}

void WaveModel::zoomOut()
{
    if (!m_timeStack.empty()) {
        m_window = m_timeStack.back();
        m_timeStack.pop_back();
    }
    // Every channel alike: the last record it pushed comes back.
    for (int c = 0; c < 4; ++c) {
        auto &stack = m_channelStacks[size_t(c)];
        if (!stack.empty()) {
            m_scales[size_t(c)] = stack.back();
            stack.pop_back();
        }
    }
}

QRect WaveModel::readoutRect(const QPoint &p, int channels) const
{
    int left = p.x();
    int right = p.x() + 130;
    int top = p.y() + 18;
    int bottom = top + 13 * channels;
    const int plotRight = m_w - 32;
    const int plotBottom = m_h - 25;
    if (right > plotRight)
        left = right = plotRight;
    if (bottom > plotBottom) {
        bottom = plotBottom;
        top = bottom - 13 * channels;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect WaveModel::readoutBox(const QRect &rect, const QString &text)
{
    int longest = 0;
    QString noFeeds = text;
    noFeeds.remove(QLatin1Char('\n'));
    const QStringList lines = noFeeds.split(QLatin1Char('\r'));
    for (int i = 0; i < std::min<qsizetype>(lines.size(), 4); ++i)
        longest = std::max<int>(longest, int(lines[i].size()));
    int left = rect.left();
    int right = rect.right();
    if (left == right)
        left = right - 7 * longest;
    else
        right = left + 7 * longest;
    return QRect(QPoint(left, rect.top()), QPoint(right + 5, rect.bottom() + 4));
}

QString WaveModel::readoutText(double time) const
{
    QString text;
    if (m_count == 0)
        return text;
    const int i = nearestIndex(time);
    for (int c = 1; c <= 4; ++c)
        if (isDrawn(c))
            text += QString::asprintf("L%d:(%.0f,%.0f)\r\n", c, double(m_time[size_t(i)]),
                                      double(m_values[size_t(c - 1)][size_t(i)]));
    return text;
}

} // namespace dr420
