#include "BtnST.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace dr420 {

CButtonST::CButtonST(const QString &text, const QIcon &icon, QWidget *parent)
    : QPushButton(icon, text, parent)
{
    setIconSize(QSize(32, 32));
    setMinimumHeight(44);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void CButtonST::setHoverCursor(const QCursor &cursor)
{
    setCursor(cursor);
}

void CButtonST::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QPushButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QPushButton::leaveEvent(event);
}

void CButtonST::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (!m_hovered && !isDown())
        option.features |= QStyleOptionButton::Flat; // flat until the pointer comes
    p.drawControl(QStyle::CE_PushButton, option);
}

} // namespace dr420
