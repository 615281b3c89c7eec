#include "WideLine.h"

#include <algorithm>
#include <cmath>

namespace dr420 {
namespace {
struct Span
{
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    void take(double y)
    {
        low = std::min(low, y);
        high = std::max(high, y);
    }
};

// The disk of radius r around (cx, cy) on the column x.
void diskOnColumn(Span &s, double x, double cx, double cy, double r)
{
    const double dx = x - cx;
    if (std::abs(dx) > r)
        return;
    const double h = std::sqrt(r * r - dx * dx);
    s.take(cy - h);
    s.take(cy + h);
}

// Where the column x crosses the edge from p to q, if it does.
void edgeOnColumn(Span &s, double x, double px, double py, double qx, double qy)
{
    if ((x < std::min(px, qx)) || (x > std::max(px, qx)))
        return;
    if (px == qx) {
        s.take(py);
        s.take(qy);
        return;
    }
    s.take(py + (qy - py) * (x - px) / (qx - px));
}

void strokeSegment(QImage &image, const QRect &clip, QPoint a, QPoint b, double r, QRgb colour)
{
    // An edge that falls exactly on pixel centres (odd widths on flat and
    // upright lines) takes the pixels below and right of it, as QPainter does.
    constexpr double kTie = 1e-6;
    const double ax = a.x() + kTie, ay = a.y() + kTie, bx = b.x() + kTie, by = b.y() + kTie;
    const double dx = bx - ax, dy = by - ay;
    const double length = std::hypot(dx, dy);
    // The band's corners: the segment moved by r either way along its normal.
    const double nx = length > 0 ? -dy / length * r : 0.0;
    const double ny = length > 0 ? dx / length * r : 0.0;
    const double cx[4] = {ax + nx, bx + nx, bx - nx, ax - nx};
    const double cy[4] = {ay + ny, by + ny, by - ny, ay - ny};
    // A pixel is sampled at its centre, and an edge takes the pixels whose
    // centre lies on or after its start and before its end, as QPainter's
    // aliased fill does. Clamped as doubles first: points far off the
    // picture stay in range.
    const int first = int(std::max(double(clip.left()), std::ceil(std::min(ax, bx) - r - 0.5)));
    const int last = int(std::min(double(clip.right()), std::ceil(std::max(ax, bx) + r - 0.5) - 1));
    uchar *bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (int x = first; x <= last; ++x) {
        // The capsule is convex: on a column it is one interval, the hull of
        // what its two end disks and its band give there.
        const double centre = x + 0.5;
        Span s;
        diskOnColumn(s, centre, ax, ay, r);
        diskOnColumn(s, centre, bx, by, r);
        if (length > 0)
            for (int i = 0; i < 4; ++i)
                edgeOnColumn(s, centre, cx[i], cy[i], cx[(i + 1) % 4], cy[(i + 1) % 4]);
        if (s.low > s.high)
            continue;
        const double top = std::max(double(clip.top()), std::ceil(s.low - 0.5));
        const double bottom = std::min(double(clip.bottom()), std::ceil(s.high - 0.5) - 1);
        if (top > bottom)
            continue;
        uchar *p = bits + qsizetype(top) * stride + qsizetype(x) * 4;
        for (int y = int(top); y <= int(bottom); ++y, p += stride)
            *reinterpret_cast<QRgb *>(p) = colour;
    }
}
} // namespace

void strokeWidePolyline(QImage &image, const QRect &clip, const QPoint *points, int count, int width, QRgb colour)
{
    if (count <= 0 || width <= 0 || image.depth() != 32)
        return;
    const QRect area = clip.intersected(image.rect());
    if (area.isEmpty())
        return;
    const double r = width / 2.0;
    colour |= 0xFF000000u;
    if (count == 1) {
        strokeSegment(image, area, points[0], points[0], r, colour);
        return;
    }
    for (int i = 0; i + 1 < count; ++i)
        strokeSegment(image, area, points[i], points[i + 1], r, colour);
}

} // namespace dr420
