#include "MyProgressCtrl.h"

#include <QFontInfo>
#include <QPainter>

namespace dr420 {

CMyProgressCtrl::CMyProgressCtrl(QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 100);
    setAttribute(Qt::WA_OpaquePaintEvent); // it paints all of itself; nothing behind it needs painting
    QFont wanted;
    wanted.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("DejaVu Sans")});
    wanted.setPointSize(12);
    // Settle on the face the machine has once: a face it lacks would be
    // looked for again on every paint.
    setFont(QFont(QFontInfo(wanted).family(), 12));
}

int CMyProgressCtrl::doneWidth(int width) const
{
    const int span = maximum() - minimum();
    return span <= 0 ? 0 : int(double(value() - minimum()) / span * width);
}

QString CMyProgressCtrl::percentText() const
{
    const int span = maximum() - minimum();
    return QStringLiteral("%1%").arg(span <= 0 ? 0 : int(double(value() - minimum()) / span * 100));
}

void CMyProgressCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    p.fillRect(QRect(0, 0, doneWidth(width()), height()), QColor(128, 128, 255));
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(rect(), Qt::AlignCenter, percentText());
}

} // namespace dr420
