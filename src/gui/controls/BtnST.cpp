#include "BtnST.h"

#include <QEnterEvent>

namespace dr420 {

CButtonST::CButtonST(const QString &text, const QIcon &icon, QWidget *parent)
    : QPushButton(icon, text, parent)
{
    setIconSize(QSize(32, 32));
    setMinimumHeight(44);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    // Flat until the pointer comes, like an auto-raise tool button; a push
    // button still, so that it can be the dialog's default (Enter confirms).
    setFlat(true);
}

void CButtonST::setHoverCursor(const QCursor &cursor)
{
    setCursor(cursor);
}

void CButtonST::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    setFlat(false);
    QPushButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent *event)
{
    m_hovered = false;
    setFlat(true);
    QPushButton::leaveEvent(event);
}

} // namespace dr420
