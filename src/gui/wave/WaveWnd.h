#pragma once

#include "wave/WaveModel.h"

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <array>

class QRubberBand;

namespace dr420 {

// The scope display: a dotted 10 x 8 grid with up to four curves, time labels,
// legends, zero markers, time and value cursors and a readout box; zoom,
// drag and cursor handling with the mouse. The numbers come from WaveModel;
// this widget paints them. The model is touched on the user-interface thread
// only (the display thread just asks for a copy there), so it has no lock.
// The rectangle with corners `a` and `b`, whichever way it was dragged.
QRect rectBetween(const QPoint &a, const QPoint &b);

class CWaveWnd : public QWidget
{
    Q_OBJECT
public:
    explicit CWaveWnd(QWidget *parent = nullptr);

    WaveModel &model() { return m_model; }
    const WaveModel &model() const { return m_model; }

    void setChannelColour(int channel, const QColor &colour);
    QColor channelColour(int channel) const;
    void setPlotBackColour(const QColor &colour);
    QColor plotBackColour() const { return m_plotBack; }
    void setLineWidth(int width);
    int lineWidth() const { return m_lineWidth; }
    void setDragMode(int mode) { m_dragMode = (mode == 1 || mode == 2) ? mode : 0; }
    int dragMode() const { return m_dragMode; }
    void setZoomMode(int mode);
    int zoomMode() const { return m_zoomMode; }
    void setTipMode(bool on);
    bool tipMode() const { return m_tipMode; }
    // The trigger point of a captured window, marked on the plot; none: no mark.
    void setTriggerMark(std::optional<double> timeMs);
    std::optional<double> triggerMark() const { return m_triggerMark; }
    void setCursorHandle(const QCursor &shape, int index);

    // Moves a channel's range (the shift spin) and tells who listens, as a
    // vertical drag does.
    void shiftChannel(double value, int channel);

    // Renders everything into the composite (as a paint does) and returns it.
    const QImage &render();
    const QImage &composite() const { return m_composite; }
    QString readoutText() const { return m_readout; }

    // ".wave" and ".bmp" files of what the display holds; failures are shown
    // to the user (a failed save must not look like success).
    bool saveWaveFile(const QString &path);
    bool loadWaveFile(const QString &path);
    bool saveBitmap(const QString &path);

signals:
    void zoomStepped();                  // after a zoom in or out
    void channelMoved(int channel);      // once per channel moved by a vertical drag
    void rightClicked(const QPoint &at); // passed on to the view

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void renderPicture();
    void syncSize();
    void drawCurves();
    void drawTriggerMark(QPainter &p);
    void drawTimeCursors(QPainter &p);
    void drawValueCursors(QPainter &p);
    void drawReadout(QPainter &p);
    void drawFrame(QPainter &p);
    void useShape(int index);

    WaveModel m_model;
    std::array<QColor, 4> m_colours{QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
    QColor m_grid{80, 80, 80};
    QColor m_plotBack{150, 150, 150};
    QColor m_frameBack{192, 192, 192};
    int m_lineWidth = 1;
    QImage m_frame;
    QImage m_plot;
    QImage m_composite;
    QFont m_font;

    int m_grabbed = 0;
    int m_dragMode = 0;
    bool m_dragging = false;
    QPoint m_lastDrag;
    int m_zoomMode = 0;
    bool m_tipMode = false;
    std::optional<double> m_triggerMark;
    double m_mouseTime = -1;
    QRect m_readoutRect;
    QString m_readout;
    std::array<QCursor, 6> m_shapes{QCursor(Qt::PointingHandCursor), QCursor(Qt::ArrowCursor),
                                    QCursor(Qt::OpenHandCursor), QCursor(Qt::ClosedHandCursor),
                                    QCursor(Qt::CrossCursor), QCursor(Qt::SizeAllCursor)};
    QRubberBand *m_band = nullptr;
    QPoint m_bandOrigin;
};

// "Arail" in the original is Arial misspelt; a sans face the machine has
// stands in for it.
QFont waveFont(int pointSize);

} // namespace dr420
