#include "WaveWnd.h"

#include "WideLine.h"

#include "common/Messages.h"
#include "wave/WaveFile.h"

#include <QFontInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <algorithm>
#include <cmath>
#include <optional>

namespace dr420 {

// The rectangle with these two corners, whichever way it was dragged
// (QRect(a, b).normalized() loses a pixel on each side when b is left of or
// above a).
QRect rectBetween(const QPoint &a, const QPoint &b)
{
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}

QFont waveFont(int pointSize)
{
    QFont wanted;
    wanted.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    wanted.setPointSize(pointSize);
    return QFont(QFontInfo(wanted).family(), pointSize);
}

namespace {
QColor inverted(const QColor &c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

QRect fromEdges(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// A cursor: its filled handle and a dash-dot-dot line; leaves the pen solid in
// the same colour for the labels.
void drawCursor(QPainter &p, const Triangle &handle, const QLine &line, const QColor &colour)
{
    p.setPen(colour);
    p.setBrush(colour);
    p.drawPolygon(QPolygon({handle.a, handle.b, handle.c}));
    p.setPen(QPen(colour, 1, Qt::DashDotDotLine));
    p.drawLine(line);
    p.setPen(colour);
}
} // namespace

CWaveWnd::CWaveWnd(QWidget *parent)
    : QWidget(parent)
    , m_font(waveFont(10))
{
    setObjectName(QStringLiteral("waveWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent); // the paint covers everything
    setMouseTracking(true);
}

void CWaveWnd::syncSize()
{
    if (m_model.clientSize() == size())
        return;
    // The first size places the cursors as at creation, later ones move the second pair.
    if (m_model.clientSize().isEmpty())
        m_model.setClientSize(size());
    else
        m_model.parentResized(size());
}

void CWaveWnd::setChannelColour(int channel, const QColor &colour)
{
    if (channel >= 1 && channel <= 4) {
        m_colours[size_t(channel - 1)] = colour;
        update();
    }
}

QColor CWaveWnd::channelColour(int channel) const
{
    return channel >= 1 && channel <= 4 ? m_colours[size_t(channel - 1)] : QColor();
}

void CWaveWnd::setPlotBackColour(const QColor &colour)
{
    m_plotBack = colour;
    update();
}

void CWaveWnd::setLineWidth(int width)
{
    m_lineWidth = std::max(1, width);
    update();
}

void CWaveWnd::setZoomMode(int mode)
{
    if (mode >= 0 && mode <= 2)
        m_zoomMode = mode;
}

void CWaveWnd::setTipMode(bool on)
{
    m_tipMode = on;
    update();
}

void CWaveWnd::setCursorHandle(const QCursor &shape, int index)
{
    if (index >= 0 && index < 6)
        m_shapes[size_t(index)] = shape;
}

void CWaveWnd::useShape(int index)
{
    setCursor(m_shapes[size_t(index)]);
}

void CWaveWnd::resizeEvent(QResizeEvent *)
{
    syncSize();
    update();
}

const QImage &CWaveWnd::render()
{
    renderPicture();
    return m_composite;
}

void CWaveWnd::paintEvent(QPaintEvent *)
{
    renderPicture();
    QPainter(this).drawImage(0, 0, m_composite);
}

void CWaveWnd::renderPicture()
{
    syncSize();
    const int W = width();
    const int H = height();
    if (m_plot.size() != size()) {
        m_frame = QImage(size(), QImage::Format_RGB32);
        m_plot = QImage(size(), QImage::Format_RGB32);
        m_composite = QImage(size(), QImage::Format_RGB32);
    }
    const int PW = m_model.plotWidth();
    const int PH = m_model.plotHeight();
    {
        QPainter p(&m_plot);
        p.fillRect(m_plot.rect(), m_plotBack);
        p.setPen(QPen(m_grid, 1, Qt::DotLine));
        for (int i = 0; i <= 10; ++i) {
            const int x = int(i * PW / 10.0 + 32);
            p.drawLine(x, 33, x, H - 25);
        }
        for (int i = 0; i <= 8; ++i) {
            const int y = int(i * PH / 8.0 + 33);
            p.drawLine(32, y, W - 32, y);
        }
    }
    drawCurves();
    {
        QPainter p(&m_plot);
        p.setFont(m_font);
        if (m_model.timeCursorsShown())
            drawTimeCursors(p);
        if (m_model.valueCursorChannel() != 0)
            drawValueCursors(p);
        if (m_triggerMark)
            drawTriggerMark(p);
        if (m_tipMode)
            drawReadout(p);
    }
    {
        QPainter p(&m_frame);
        drawFrame(p);
    }
    QPainter p(&m_composite);
    p.drawImage(0, 0, m_frame);
    // The plot clips the curves: only its rectangle is taken.
    const QRect plot(32, 33, W - 63, H - 57);
    p.drawImage(plot.topLeft(), m_plot, plot);
}

void CWaveWnd::drawCurves()
{
    if (m_model.dataMask() == 0 || m_model.sampleCount() == 0)
        return;
    const WaveModel::CurveRange r = m_model.curveRange();
    std::optional<QPainter> thin;
    if (m_lineWidth <= 1)
        thin.emplace(&m_plot);
    QPolygon line;
    for (int c = 1; c <= 4; ++c) {
        if (!m_model.isDrawn(c))
            continue;
        line.clear();
        const auto &t = m_model.times();
        const auto &v = m_model.values(c);
        int i = r.first;
        line << m_model.toPixel(t[size_t(i)], v[size_t(i)], c);
        while (i + r.step <= r.last) {
            i += r.step;
            line << m_model.toPixel(t[size_t(i)], v[size_t(i)], c);
        }
        if (thin) {
            thin->setPen(QPen(m_colours[size_t(c - 1)], m_lineWidth));
            thin->drawPolyline(line);
            continue;
        }
        strokeWidePolyline(m_plot, m_plot.rect(), line.constData(), int(line.size()), m_lineWidth,
                           m_colours[size_t(c - 1)].rgb());
    }
}

void CWaveWnd::setTriggerMark(std::optional<double> timeMs)
{
    m_triggerMark = timeMs;
    update();
}

void CWaveWnd::drawTriggerMark(QPainter &p)
{
    const QRect plot = m_model.plotRect();
    const int x = m_model.toPixel(*m_triggerMark, 0, 1).x();
    if (x < plot.left() || x > plot.right())
        return;
    // Orange, dashed: apart from the cursors and the grid.
    const QColor mark(255, 140, 0);
    p.setPen(QPen(mark, 1, Qt::DashLine));
    p.drawLine(x, plot.top(), x, plot.bottom());
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawPolygon(QPolygon({QPoint(x - 5, plot.top()), QPoint(x + 5, plot.top()), QPoint(x, plot.top() + 7)}));
    p.setPen(mark);
    p.drawText(QPoint(x + 7, plot.top() + 10), QStringLiteral("T"));
}

void CWaveWnd::drawTimeCursors(QPainter &p)
{
    const int H = height();
    const int PW = m_model.plotWidth();
    const QColor colour = inverted(m_plotBack);
    for (int i = 0; i < 2; ++i) {
        const int a = m_model.timeCursorOffset(i);
        drawCursor(p, m_model.timeHandle(i), QLine(a + 32, 53, a + 32, H - 25), colour);
        const bool leftSide = a > PW / 2;
        const auto label = [&](int top, const QString &text) {
            const QRect r = leftSide ? fromEdges(a - 60, top, a + 20, top + 12) : fromEdges(a + 44, top, a + 124, top + 12);
            p.drawText(r, (leftSide ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextDontClip, text);
        };
        label(i == 0 ? 33 : 45, QString::asprintf("%.0f", m_model.timeCursorTime(i)));
        if (i == 1) {
            const double delta = m_model.visibleMask()
                                     ? (m_model.timeCursorOffset(1) - m_model.timeCursorOffset(0)) * m_model.msPerPixel()
                                     : 0.0;
            label(57, QStringLiteral("Δ=") + QString::asprintf("%.0f", delta));
        }
    }
    p.setBrush(Qt::NoBrush);
}

void CWaveWnd::drawValueCursors(QPainter &p)
{
    const int W = width();
    const int PH = m_model.plotHeight();
    const int c = m_model.valueCursorChannel();
    const QColor colour = inverted(m_colours[size_t(c - 1)]);
    for (int i = 0; i < 2; ++i) {
        const int b = m_model.valueCursorOffset(i);
        drawCursor(p, m_model.valueHandle(i), QLine(32, b + 33, W - 52, b + 33), colour);
        const int top = b > PH / 2 ? b + 16 : b + 38;
        const auto label = [&](int left, int right, const QString &text) {
            p.drawText(fromEdges(left, top, right, top + 12), Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip, text);
        };
        if (i == 0) {
            label(W - 127, W - 47, QString::asprintf("%.0f", m_model.valueCursorValue(0)));
        } else {
            label(W - 192, W - 112, QString::asprintf("%.0f", m_model.valueCursorValue(1)));
            const bool visible = m_model.visibleMask() & (1u << (c - 1));
            const double delta =
                visible ? (m_model.valueCursorOffset(1) - m_model.valueCursorOffset(0)) * m_model.unitsPerPixel(c) : 0.0;
            label(W - 292, W - 192, QStringLiteral("L%1Δ=").arg(c) + QString::asprintf("%.0f", delta));
        }
    }
    p.setBrush(Qt::NoBrush);
}

void CWaveWnd::drawReadout(QPainter &p)
{
    m_readout.clear();
    if (m_mouseTime < 0 || m_model.sampleCount() == 0)
        return;
    m_readout = m_model.readoutText(m_mouseTime);
    const int i = m_model.nearestIndex(m_mouseTime);
    p.setPen(QPen(QColor(100, 255, 0), 1));
    for (int c = 1; c <= 4; ++c) {
        if (!m_model.isDrawn(c))
            continue;
        const QPoint at = m_model.toPixel(m_model.times()[size_t(i)], m_model.values(c)[size_t(i)], c);
        p.drawLine(at, at + QPoint(5, 5));
        p.drawLine(at, at + QPoint(-5, -5));
        p.drawLine(at, at + QPoint(5, -5));
        p.drawLine(at, at + QPoint(-5, 5));
    }
    if (m_readout.isEmpty())
        return;
    const QRect box = WaveModel::readoutBox(m_readoutRect, m_readout);
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 210));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setBrush(Qt::NoBrush);
    // The box gives each line 13 pixels; place the lines on that pitch.
    QString text = m_readout;
    text.remove(QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\r'), Qt::SkipEmptyParts);
    for (int k = 0; k < lines.size(); ++k)
        p.drawText(QRect(box.left() + 2, box.top() + 1 + 13 * k, box.width(), 13),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, lines[k]);
}

void CWaveWnd::drawFrame(QPainter &p)
{
    const int W = width();
    const int H = height();
    const TimeWindow &w = m_model.window();
    p.fillRect(m_frame.rect(), m_frameBack);
    p.setFont(m_font);
    p.setPen(Qt::black);
    const auto centred = Qt::AlignCenter | Qt::TextDontClip;
    p.drawText(fromEdges(-18, H - 17, 102, H + 3), centred, QString::asprintf("%.0fms", w.start));
    p.drawText(fromEdges(W - 102, H - 17, W + 18, H + 3), centred, QString::asprintf("%.0fms", w.end));
    p.drawText(fromEdges(W / 2 - 60, H - 17, W / 2 + 180, H + 3), centred,
               QString::asprintf("Per Division:%.0fms", (w.end - w.start) / 10));
    const int q = m_model.plotWidth() / 4;
    const QFont markerFont = waveFont(11);
    for (int k = 1; k <= 4; ++k) {
        if (m_model.channelName(k).isEmpty() || !(m_model.visibleMask() & (1u << (k - 1))))
            continue;
        const QColor colour = m_colours[size_t(k - 1)];
        p.setPen(colour);
        p.setFont(m_font);
        const int left = 32 + (k - 1) * q;
        const auto leftText = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip;
        p.drawText(fromEdges(left, 3, left + q, 15), leftText, QStringLiteral("L%1-Name:%2").arg(k).arg(m_model.channelName(k)));
        p.drawText(fromEdges(left, 18, left + q, 30), leftText,
                   QStringLiteral("L%1-Per Division:").arg(k) + QString::asprintf("%.0f", m_model.channelPerDiv(k)));
        // Zero marker: an arrow at the plot's edge, a ground symbol and "Lk".
        const int y0 = m_model.toPixel(0, 0, k).y();
        p.setBrush(colour);
        p.drawPolygon(QPolygon({QPoint(24, y0 - 4), QPoint(32, y0), QPoint(24, y0 + 4), QPoint(26, y0)}));
        p.setBrush(Qt::NoBrush);
        p.drawLine(20, y0, 26, y0);
        p.drawLine(20, y0, 20, y0 + 4);
        p.drawLine(17, y0 + 4, 23, y0 + 4);
        p.drawLine(18, y0 + 6, 22, y0 + 6);
        p.drawLine(19, y0 + 8, 21, y0 + 8);
        p.setFont(markerFont);
        p.drawText(fromEdges(0, y0 - 6, 16, y0 + 6), Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                   QStringLiteral("L%1").arg(k));
    }
}

void CWaveWnd::shiftChannel(double value, int channel)
{
    {
        m_model.shiftChannel(value, channel);
    }
    update();
    if (channel >= 1 && channel <= 4)
        emit channelMoved(channel);
}

bool CWaveWnd::saveWaveFile(const QString &path)
{
    QString error;
    bool ok;
    {
        ok = SaveWaveFile(m_model, path, &error);
    }
    if (!ok)
        showMessage(QStringLiteral("The wave file could not be saved:\n%1\n%2").arg(path, error), QString(),
                    MessageIcon::Error);
    return ok;
}

bool CWaveWnd::loadWaveFile(const QString &path)
{
    WaveLoadResult result;
    {
        result = LoadWaveFile(m_model, path);
    }
    if (!result.message.isEmpty())
        showMessage(result.message, QString(), result.ok ? MessageIcon::Warning : MessageIcon::Error);
    update();
    return result.ok;
}

bool CWaveWnd::saveBitmap(const QString &path)
{
    if (m_composite.size() != size())
        render();
    const QImage picture = m_composite.convertToFormat(QImage::Format_RGB32);
    const PixelRows rows{reinterpret_cast<const uint32_t *>(picture.constBits()), picture.width(), picture.height(),
                         int(picture.bytesPerLine() / 4)};
    return SaveBitmap(rows, path);
}

void CWaveWnd::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        emit rightClicked(pos);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_grabbed = m_model.handleAt(pos);
    if (m_dragMode && !m_grabbed) {
        m_dragging = true;
        m_lastDrag = pos;
        useShape(3);
        return;
    }
    if (m_grabbed || m_dragMode || m_model.dataMask() == 0)
        return;
    if (m_zoomMode == 2) {
        if (!m_band)
            m_band = new QRubberBand(QRubberBand::Rectangle, this);
        m_bandOrigin = pos;
        m_band->setGeometry(QRect(pos, QSize()));
        m_band->show();
    } else if (m_zoomMode == 1) {
        m_model.zoomOut();
        emit zoomStepped();
        update();
    }
}

void CWaveWnd::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int handle = m_model.handleAt(pos);
    const bool overHandle = (handle >= 1 && handle <= 2 && m_model.timeCursorsShown()) ||
                            (handle >= 3 && m_model.valueCursorChannel() != 0);
    if (overHandle) {
        useShape(0);
    } else if (m_dragMode && m_dragging) {
        useShape(3);
        const std::vector<int> moved = m_model.dragStep(m_dragMode, m_lastDrag, pos);
        m_lastDrag = pos;
        update();
        for (int c : moved)
            emit channelMoved(c);
    } else if (m_dragMode) {
        useShape(2);
    } else if (m_zoomMode == 2) {
        useShape(4);
    } else if (m_zoomMode == 1) {
        useShape(5);
    } else {
        unsetCursor();
    }
    if (m_grabbed) {
        m_model.moveCursor(m_grabbed, pos);
        update();
    }
    if (m_band && m_band->isVisible())
        m_band->setGeometry(rectBetween(m_bandOrigin, pos));
    if (m_tipMode) {
        const QRect plot = fromEdges(32, 33, width() - 32, height() - 25);
        if (m_model.sampleCount() != 0 && plot.contains(pos)) {
            m_mouseTime = (pos.x() - 32) * m_model.msPerPixel() + m_model.window().start;
            int n = 0;
            for (int c = 1; c <= 4; ++c)
                n += m_model.isDrawn(c);
            m_readoutRect = m_model.readoutRect(pos, n);
        } else {
            m_readout.clear();
            m_readoutRect = QRect();
            m_mouseTime = -1;
        }
        update();
    }
}

void CWaveWnd::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_grabbed = 0;
    if (m_dragMode) {
        m_dragging = false;
        useShape(2);
    }
    if (m_band && m_band->isVisible()) {
        m_band->hide();
        const QRect rect = rectBetween(m_bandOrigin, event->position().toPoint());
        if (rect.width() > 1) {
            {
                m_model.zoomIn(rect);
            }
            emit zoomStepped();
            update();
        }
    }
}

void CWaveWnd::leaveEvent(QEvent *)
{
    // Leaving the widget is leaving the plot: no readout may stay behind in the
    // picture (nor in an exported bitmap).
    if (m_tipMode && !m_readoutRect.isNull()) {
        m_readout.clear();
        m_readoutRect = QRect();
        m_mouseTime = -1;
        update();
    }
}

} // namespace dr420
