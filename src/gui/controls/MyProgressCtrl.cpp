#include "MyProgressCtrl.h"

#include <QFontInfo>

namespace dr420 {

CMyProgressCtrl::CMyProgressCtrl(QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 100);
    setFormat(QStringLiteral("%p%"));
    setAlignment(Qt::AlignCenter);
    setTextVisible(true);
    // The whole bar in the button face, the done part in (128,128,255), no frame.
    setStyleSheet(QStringLiteral("QProgressBar { background: palette(button); color: palette(button-text);"
                                 " border: none; text-align: center; }"
                                 "QProgressBar::chunk { background: rgb(128,128,255); margin: 0px; }"));
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
    return text();
}

} // namespace dr420
