#include "SplitterControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

namespace dr420 {

CSplitterControl::CSplitterControl(const QRect &rect, QWidget *parent)
    : QWidget(parent)
    , m_vertical(rect.width() < rect.height())
{
    place(rect);
    m_min = m_max = centre();
    setCursor(m_vertical ? Qt::SizeHorCursor : Qt::SizeVerCursor);
    // The drag line: two lines one pixel either side of the position.
    m_line = new QRubberBand(QRubberBand::Line, parent);
    m_line->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_line->setStyleSheet(QStringLiteral("QRubberBand { border: 1px solid rgb(200,200,200); background: transparent; }"));
    m_line->hide();
}

void CSplitterControl::place(const QRect &rect)
{
    setGeometry(m_vertical ? QRect(rect.left(), rect.top(), 3, rect.height())
                           : QRect(rect.left(), rect.top(), rect.width(), 3));
}

int CSplitterControl::centre() const
{
    return m_vertical ? geometry().center().x() : geometry().center().y();
}

void CSplitterControl::setRange(int below, int above, int centreAt)
{
    const int c = centreAt < 0 ? centre() : centreAt;
    m_min = c - below;
    m_max = c + above;
}

bool CSplitterControl::dragLineVisible() const
{
    return m_line->isVisible();
}

void CSplitterControl::drawDragLine()
{
    if (m_line->isVisible()) {
        m_line->hide();
        return;
    }
    const QRect bar = geometry();
    m_line->setGeometry(m_vertical ? QRect(m_position - 1, bar.top(), 3, bar.height())
                                   : QRect(bar.left(), m_position - 1, bar.width(), 3));
    m_line->show();
    m_line->raise();
}

void CSplitterControl::changeWidth(QWidget *window, int delta, int mode)
{
    QRect r = window->geometry();
    if (mode == 1)
        r.setRight(r.right() + delta);
    else if (mode == 2)
        r.setLeft(r.left() - delta);
    window->setGeometry(r);
    window->repaint();
}

void CSplitterControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(QColor(200, 200, 200));
    p.setBrush(QColor(200, 220, 220));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

void CSplitterControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    grabMouse();
    m_position = m_start = centre();
    drawDragLine();
}

void CSplitterControl::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    drawDragLine(); // erase
    const QPoint p = mapToParent(event->position().toPoint());
    m_position = std::clamp(m_vertical ? p.x() : p.y(), m_min, std::max(m_min, m_max));
    drawDragLine();
}

void CSplitterControl::mouseReleaseEvent(QMouseEvent *event)
{
    // Another button's release is not the end of a drag with the left one.
    if (event->button() != Qt::LeftButton)
        return;
    if (m_pressed) {
        if (m_line->isVisible())
            drawDragLine();
        m_pressed = false;
        QRect r = geometry();
        if (m_vertical)
            r.moveLeft(m_position - r.width() / 2);
        else
            r.moveTop(m_position - r.height() / 2);
        setGeometry(r);
        emit moved(m_position - m_start);
    }
    releaseMouse();
}

} // namespace dr420
