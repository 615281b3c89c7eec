#pragma once

#include <QWidget>

class QRubberBand;

namespace dr420 {

// A 3-pixel bar the user drags between two neighbouring windows. It only
// moves and reports the signed distance; its owner resizes the neighbours.
class CSplitterControl : public QWidget
{
    Q_OBJECT
public:
    // Vertical (moves left and right) when `rect` is narrower than high.
    CSplitterControl(const QRect &rect, QWidget *parent);

    bool isVertical() const { return m_vertical; }
    // The range as distances below and above a centre (in the parent's
    // coordinates); a negative centre means the bar's own centre.
    void setRange(int below, int above, int centre = -1);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Places the bar (keeping it 3 pixels thick).
    void place(const QRect &rect);
    bool isPressed() const { return m_pressed; }
    bool dragLineVisible() const;

    // Changes a neighbour's extent by `delta`: mode 1 moves its right edge
    // by +delta, mode 2 its left edge by -delta.
    static void changeWidth(QWidget *window, int delta, int mode);

signals:
    // When a drag ends: end position - start position.
    void moved(int delta);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int centre() const;
    // Drawn twice at the same place, the line is gone again.
    void drawDragLine();

    bool m_vertical = true;
    bool m_pressed = false;
    int m_position = 0; // along the moving axis, parent coordinates
    int m_start = 0;
    int m_min = 0;
    int m_max = 0;
    QRubberBand *m_line = nullptr;
};

} // namespace dr420
