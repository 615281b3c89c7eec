#include "Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cmath>

namespace dr420::artwork {
namespace {
QPixmap drawn(int size, const std::function<void(QPainter &, double)> &draw)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size / 32.0);
    return pm;
}

QIcon iconFrom(const std::function<void(QPainter &, double)> &draw)
{
    QIcon icon;
    for (int size : {16, 25, 32, 48})
        icon.addPixmap(drawn(size, draw));
    return icon;
}

void drawScope(QPainter &p, double s)
{
    p.setPen(QPen(QColor(40, 40, 48), 1.5 * s));
    p.setBrush(QColor(70, 78, 90));
    p.drawRoundedRect(QRectF(1.5 * s, 4 * s, 29 * s, 24 * s), 3 * s, 3 * s);
    p.setBrush(QColor(12, 28, 20));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(4 * s, 7 * s, 24 * s, 17 * s));
    p.setPen(QPen(QColor(60, 90, 70), 0.8 * s));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF((4 + 6 * i) * s, 7 * s), QPointF((4 + 6 * i) * s, 24 * s));
    p.drawLine(QPointF(4 * s, 15.5 * s), QPointF(28 * s, 15.5 * s));
    QPainterPath wave;
    for (int i = 0; i <= 48; ++i) {
        const double x = 4 + 24.0 * i / 48;
        const double y = 15.5 - 6 * qSin(i / 48.0 * 2 * M_PI * 1.5);
        i == 0 ? wave.moveTo(x * s, y * s) : wave.lineTo(x * s, y * s);
    }
    p.setPen(QPen(QColor(90, 255, 120), 1.6 * s));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}
} // namespace

QIcon parameterEditorIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(50, 60, 80), 1.2 * s));
        p.setBrush(QColor(250, 250, 245));
        p.drawRect(QRectF(3 * s, 2 * s, 21 * s, 27 * s));
        for (int i = 0; i < 5; ++i) {
            const double y = (7 + 4.5 * i) * s;
            p.setPen(QPen(QColor(40, 90, 170), 2 * s));
            p.drawLine(QPointF(6 * s, y), QPointF(9 * s, y));
            p.setPen(QPen(QColor(120, 120, 130), 1.4 * s));
            p.drawLine(QPointF(11 * s, y), QPointF(21 * s, y));
        }
        // the pen
        p.save();
        p.translate(24 * s, 18 * s);
        p.rotate(35);
        p.setPen(QPen(QColor(60, 40, 20), 0.8 * s));
        p.setBrush(QColor(240, 180, 40));
        p.drawRect(QRectF(-2 * s, -10 * s, 4 * s, 16 * s));
        QPainterPath tip;
        tip.moveTo(-2 * s, 6 * s);
        tip.lineTo(2 * s, 6 * s);
        tip.lineTo(0, 10 * s);
        tip.closeSubpath();
        p.setBrush(QColor(60, 40, 20));
        p.drawPath(tip);
        p.restore();
    });
}

QIcon oscilloscopeIcon()
{
    return iconFrom(drawScope);
}

QIcon applicationIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 70, 140));
        p.drawEllipse(QRectF(0.5 * s, 0.5 * s, 31 * s, 31 * s));
        p.scale(0.8, 0.8);
        p.translate(4 * s, 4 * s);
        drawScope(p, s);
    });
}

QIcon confirmIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 150, 60));
        p.drawEllipse(QRectF(1 * s, 1 * s, 30 * s, 30 * s));
        p.setPen(QPen(Qt::white, 3.5 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(8 * s, 16.5 * s);
        tick.lineTo(13.5 * s, 22 * s);
        tick.lineTo(24 * s, 10 * s);
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    });
}

QIcon openFileIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(140, 100, 20), 1.2 * s));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(2 * s, 7 * s, 24 * s, 20 * s));
        p.drawRect(QRectF(2 * s, 4 * s, 10 * s, 4 * s));
        p.setBrush(QColor(255, 225, 130));
        QPolygonF front{{6 * s, 13 * s}, {30 * s, 13 * s}, {26 * s, 27 * s}, {2 * s, 27 * s}};
        p.drawPolygon(front);
    });
}

QIcon saveFileIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(20, 40, 90), 1.2 * s));
        p.setBrush(QColor(50, 90, 170));
        p.drawRoundedRect(QRectF(3 * s, 3 * s, 26 * s, 26 * s), 2 * s, 2 * s);
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(8 * s, 3 * s, 16 * s, 10 * s));
        p.setBrush(QColor(20, 40, 90));
        p.drawRect(QRectF(18 * s, 5 * s, 4 * s, 6 * s));
        p.setBrush(QColor(250, 250, 250));
        p.drawRect(QRectF(7 * s, 17 * s, 18 * s, 12 * s));
    });
}

QIcon searchIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(60, 60, 70), 3 * s));
        p.setBrush(QColor(200, 230, 255));
        p.drawEllipse(QRectF(3 * s, 3 * s, 17 * s, 17 * s));
        p.setPen(QPen(QColor(60, 60, 70), 5 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18 * s, 18 * s), QPointF(28 * s, 28 * s));
    });
}

QIcon compareIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(60, 60, 70), 1.5 * s));
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(3 * s, 4 * s, 14 * s, 20 * s));
        p.setBrush(QColor(255, 236, 200));
        p.drawRect(QRectF(14 * s, 8 * s, 14 * s, 20 * s));
        p.setPen(QPen(QColor(200, 40, 40), 2.5 * s));
        p.drawLine(QPointF(17 * s, 15 * s), QPointF(25 * s, 15 * s));
        p.drawLine(QPointF(17 * s, 21 * s), QPointF(25 * s, 21 * s));
        p.drawLine(QPointF(24 * s, 12 * s), QPointF(18 * s, 24 * s));
    });
}

namespace {
// A disk with an arrow into it (down) or out of it (up).
void diskWithArrow(QPainter &p, double s, bool down)
{
    p.setPen(QPen(QColor(40, 50, 90), 1.5 * s));
    p.setBrush(QColor(90, 110, 170));
    p.drawRect(QRectF(4 * s, 14 * s, 24 * s, 15 * s));
    p.setBrush(QColor(230, 230, 235));
    p.drawRect(QRectF(9 * s, 14 * s, 14 * s, 6 * s));
    QPainterPath arrow;
    const double tip = down ? 13 * s : 2 * s, base = down ? 7 * s : 8 * s;
    arrow.moveTo(16 * s, tip);
    arrow.lineTo(10 * s, base);
    arrow.lineTo(22 * s, base);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(down ? QColor(40, 150, 60) : QColor(220, 120, 30));
    p.drawRect(QRectF(13.5 * s, down ? 1 * s : 8 * s, 5 * s, 6 * s));
    p.drawPath(arrow);
}
} // namespace

QIcon triggerIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(40, 120, 220), 3 * s, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(QPolygonF({QPointF(3 * s, 24 * s), QPointF(16 * s, 24 * s), QPointF(16 * s, 8 * s),
                                  QPointF(29 * s, 8 * s)}));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 140, 0));
        p.drawPolygon(QPolygonF({QPointF(10 * s, 13 * s), QPointF(22 * s, 13 * s), QPointF(16 * s, 20 * s)}));
    });
}

QIcon measureIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(60, 60, 70), 1.5 * s));
        p.setBrush(QColor(250, 240, 200));
        p.drawRect(QRectF(3 * s, 10 * s, 26 * s, 12 * s));
        for (int i = 0; i < 6; ++i)
            p.drawLine(QPointF((6 + 4 * i) * s, 10 * s), QPointF((6 + 4 * i) * s, (i % 2 ? 14 : 17) * s));
    });
}

QIcon exportIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(60, 60, 70), 1.5 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4 * s, 4 * s, 18 * s, 24 * s));
        p.setPen(QPen(QColor(40, 150, 60), 3 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(13 * s, 16 * s), QPointF(28 * s, 16 * s));
        p.drawLine(QPointF(23 * s, 11 * s), QPointF(28 * s, 16 * s));
        p.drawLine(QPointF(23 * s, 21 * s), QPointF(28 * s, 16 * s));
    });
}

QIcon recordIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(QPen(QColor(120, 0, 0), 1.5 * s));
        p.setBrush(QColor(220, 30, 30));
        p.drawEllipse(QRectF(6 * s, 6 * s, 20 * s, 20 * s));
    });
}

QIcon backupIcon()
{
    return iconFrom([](QPainter &p, double s) { diskWithArrow(p, s, true); });
}

QIcon restoreIcon()
{
    return iconFrom([](QPainter &p, double s) { diskWithArrow(p, s, false); });
}

QIcon attributeIcon(int rw)
{
    return iconFrom([rw](QPainter &p, double s) {
        if (rw == 2) { // pencil
            p.translate(16 * s, 16 * s);
            p.rotate(45);
            p.setPen(QPen(QColor(20, 90, 30), 1.2 * s));
            p.setBrush(QColor(60, 170, 70));
            p.drawRect(QRectF(-4 * s, -14 * s, 8 * s, 20 * s));
            QPainterPath tip;
            tip.moveTo(-4 * s, 6 * s);
            tip.lineTo(4 * s, 6 * s);
            tip.lineTo(0, 13 * s);
            tip.closeSubpath();
            p.setBrush(QColor(240, 220, 170));
            p.drawPath(tip);
            return;
        }
        const QColor body = rw == 0 ? QColor(200, 50, 40) : QColor(230, 140, 20);
        p.setPen(QPen(body.darker(150), 3 * s));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9 * s, 3 * s, 14 * s, 16 * s), 0, 180 * 16);
        p.drawLine(QPointF(9 * s, 11 * s), QPointF(9 * s, 15 * s));
        p.drawLine(QPointF(23 * s, 11 * s), QPointF(23 * s, 15 * s));
        p.setPen(QPen(body.darker(150), 1.2 * s));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(5 * s, 14 * s, 22 * s, 16 * s), 2 * s, 2 * s);
        if (rw == 1) { // a turning wheel: locked while the drive runs
            p.setPen(QPen(Qt::white, 2 * s));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(11 * s, 17 * s, 10 * s, 10 * s));
            p.drawLine(QPointF(16 * s, 17 * s), QPointF(16 * s, 27 * s));
            p.drawLine(QPointF(11 * s, 22 * s), QPointF(21 * s, 22 * s));
        }
    });
}

QIcon cancelIcon()
{
    return iconFrom([](QPainter &p, double s) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 50, 40));
        p.drawEllipse(QRectF(1 * s, 1 * s, 30 * s, 30 * s));
        p.setPen(QPen(Qt::white, 3.5 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10 * s, 10 * s), QPointF(22 * s, 22 * s));
        p.drawLine(QPointF(22 * s, 10 * s), QPointF(10 * s, 22 * s));
    });
}

QImage mdiTile()
{
    // No antialiasing: the key colours must stay exact for the mapping.
    QImage img(100, 100, QImage::Format_RGB32);
    const QColor grey(192, 192, 192);
    img.fill(grey);
    QPainter p(&img);
    // Embossed frame: white light from the top left, black shadow below right.
    p.setPen(Qt::white);
    p.drawLine(0, 0, 99, 0);
    p.drawLine(0, 0, 0, 99);
    p.setPen(Qt::black);
    p.drawLine(99, 1, 99, 99);
    p.drawLine(1, 99, 99, 99);
    // An embossed drive outline in the middle of each tile.
    const QRect body(30, 26, 40, 48);
    p.setPen(Qt::white);
    p.drawRect(body.translated(-1, -1));
    p.setPen(Qt::black);
    p.drawRect(body);
    p.setPen(QColor(128, 128, 128));
    for (int y = body.top() + 8; y < body.bottom() - 14; y += 5)
        p.drawLine(body.left() + 6, y, body.right() - 6, y);
    p.setPen(QColor(0, 0, 128));
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(body.left() + 6, body.bottom() - 11, 8, 6);
    p.setPen(QColor(0, 128, 0));
    p.setBrush(QColor(0, 128, 0));
    p.drawRect(body.right() - 13, body.bottom() - 11, 8, 6);
    return img;
}

QImage splashPicture()
{
    QImage img(520, 317, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 317);
    sky.setColorAt(0, QColor(18, 52, 100));
    sky.setColorAt(1, QColor(6, 20, 44));
    p.fillRect(img.rect(), sky);
    // A lit panel at the bottom for the status line.
    p.fillRect(QRect(0, 200, 520, 117), QColor(232, 236, 242));
    p.setPen(QPen(QColor(250, 180, 40), 3));
    p.drawLine(0, 200, 520, 200);
    // Scope traces across the header.
    const QColor traces[] = {QColor(255, 220, 60), QColor(90, 230, 120), QColor(90, 180, 255)};
    for (int t = 0; t < 3; ++t) {
        QPainterPath path;
        for (int x = 0; x <= 520; x += 4) {
            const double y = 150 + 22 * qSin((x / 520.0) * 2 * M_PI * (1.5 + t * 0.7) + t);
            x == 0 ? path.moveTo(x, y) : path.lineTo(x, y);
        }
        p.setPen(QPen(traces[t], 2));
        p.drawPath(path);
    }
    QFont title(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(40, 30, 460, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("DR420 Monitor"));
    QFont sub(QStringLiteral("DejaVu Sans"), 12);
    p.setFont(sub);
    p.setPen(QColor(190, 210, 235));
    p.drawText(QRect(42, 88, 460, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Drive commissioning and oscilloscope"));
    p.setPen(QColor(90, 100, 120));
    p.drawText(QRect(0, 280, 500, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Velcor Electric"));
    return img;
}

namespace {
void drawArrow(QPainter &p, double s, QPointF from, QPointF to)
{
    p.drawLine(from * s, to * s);
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    const QPointF tip = to * s;
    p.drawLine(tip, tip - (u * 5 - n * 4) * s);
    p.drawLine(tip, tip - (u * 5 + n * 4) * s);
}

void drawMagnifier(QPainter &p, double s, bool plus)
{
    p.setPen(QPen(QColor(60, 60, 70), 3 * s));
    p.setBrush(QColor(220, 240, 255));
    p.drawEllipse(QRectF(3 * s, 3 * s, 18 * s, 18 * s));
    p.setPen(QPen(QColor(60, 60, 70), 5 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19 * s, 19 * s), QPointF(28 * s, 28 * s));
    p.setPen(QPen(QColor(20, 90, 170), 3 * s));
    p.drawLine(QPointF(7 * s, 12 * s), QPointF(17 * s, 12 * s));
    if (plus)
        p.drawLine(QPointF(12 * s, 7 * s), QPointF(12 * s, 17 * s));
}

const QColor kChannelInk[4] = {QColor(200, 160, 0), QColor(0, 150, 0), QColor(0, 150, 170), QColor(190, 0, 190)};
} // namespace

QIcon scopeIcon(ScopeIcon which)
{
    return iconFrom([which](QPainter &p, double s) {
        const QColor ink(40, 40, 50);
        switch (which) {
        case ScopeIcon::Run: {
            p.setPen(QPen(QColor(0, 100, 0), 1.5 * s));
            p.setBrush(QColor(40, 190, 60));
            p.drawPolygon(QPolygonF{{8 * s, 4 * s}, {28 * s, 16 * s}, {8 * s, 28 * s}});
            break;
        }
        case ScopeIcon::Stop:
            p.setPen(QPen(QColor(120, 0, 0), 1.5 * s));
            p.setBrush(QColor(210, 40, 40));
            p.drawRect(QRectF(6 * s, 6 * s, 20 * s, 20 * s));
            break;
        case ScopeIcon::TimeCursors:
            p.setPen(QPen(ink, 2 * s, Qt::DashLine));
            p.drawLine(QPointF(10 * s, 8 * s), QPointF(10 * s, 30 * s));
            p.drawLine(QPointF(22 * s, 8 * s), QPointF(22 * s, 30 * s));
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            p.drawPolygon(QPolygonF{{5 * s, 1 * s}, {15 * s, 1 * s}, {10 * s, 8 * s}});
            p.drawPolygon(QPolygonF{{17 * s, 1 * s}, {27 * s, 1 * s}, {22 * s, 8 * s}});
            break;
        case ScopeIcon::ValueCursor1:
        case ScopeIcon::ValueCursor2:
        case ScopeIcon::ValueCursor3:
        case ScopeIcon::ValueCursor4: {
            const int k = int(which) - int(ScopeIcon::ValueCursor1);
            const QColor c = kChannelInk[k];
            p.setPen(QPen(c, 2 * s, Qt::DashLine));
            p.drawLine(QPointF(1 * s, 7 * s), QPointF(24 * s, 7 * s));
            p.drawLine(QPointF(1 * s, 25 * s), QPointF(24 * s, 25 * s));
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawPolygon(QPolygonF{{31 * s, 2 * s}, {31 * s, 12 * s}, {24 * s, 7 * s}});
            p.drawPolygon(QPolygonF{{31 * s, 20 * s}, {31 * s, 30 * s}, {24 * s, 25 * s}});
            QFont f;
            f.setPixelSize(int(15 * s));
            f.setBold(true);
            p.setFont(f);
            p.setPen(ink);
            p.drawText(QRectF(2 * s, 8 * s, 22 * s, 17 * s), Qt::AlignCenter, QString::number(k + 1));
            break;
        }
        case ScopeIcon::OriginalSize: {
            p.setPen(QPen(ink, 1.5 * s));
            p.setBrush(QColor(250, 250, 240));
            p.drawRect(QRectF(3 * s, 3 * s, 26 * s, 26 * s));
            QFont f;
            f.setPixelSize(int(14 * s));
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(3 * s, 3 * s, 26 * s, 26 * s), Qt::AlignCenter, QStringLiteral("1:1"));
            break;
        }
        case ScopeIcon::Coordinates:
            p.setPen(QPen(ink, 2 * s));
            p.drawLine(QPointF(10 * s, 2 * s), QPointF(10 * s, 18 * s));
            p.drawLine(QPointF(2 * s, 10 * s), QPointF(18 * s, 10 * s));
            p.setPen(QPen(Qt::black, 1 * s));
            p.setBrush(QColor(255, 255, 210));
            p.drawRect(QRectF(13 * s, 16 * s, 17 * s, 12 * s));
            p.setPen(QPen(ink, 1.5 * s));
            p.drawLine(QPointF(16 * s, 20 * s), QPointF(27 * s, 20 * s));
            p.drawLine(QPointF(16 * s, 24 * s), QPointF(24 * s, 24 * s));
            break;
        case ScopeIcon::FullScreen:
            p.setPen(QPen(ink, 1.5 * s));
            p.setBrush(QColor(200, 225, 250));
            p.drawRect(QRectF(8 * s, 8 * s, 16 * s, 16 * s));
            p.setPen(QPen(QColor(20, 90, 170), 2.2 * s));
            drawArrow(p, s, {11, 11}, {2, 2});
            drawArrow(p, s, {21, 11}, {30, 2});
            drawArrow(p, s, {11, 21}, {2, 30});
            drawArrow(p, s, {21, 21}, {30, 30});
            break;
        case ScopeIcon::VerticalDrag:
            p.setPen(QPen(QColor(20, 90, 170), 3 * s));
            drawArrow(p, s, {16, 16}, {16, 2});
            drawArrow(p, s, {16, 16}, {16, 30});
            p.setPen(QPen(ink, 1.5 * s));
            p.drawLine(QPointF(4 * s, 16 * s), QPointF(28 * s, 16 * s));
            break;
        case ScopeIcon::HorizontalDrag:
            p.setPen(QPen(QColor(20, 90, 170), 3 * s));
            drawArrow(p, s, {16, 16}, {2, 16});
            drawArrow(p, s, {16, 16}, {30, 16});
            p.setPen(QPen(ink, 1.5 * s));
            p.drawLine(QPointF(16 * s, 4 * s), QPointF(16 * s, 28 * s));
            break;
        case ScopeIcon::Prohibit:
            p.setPen(QPen(QColor(200, 30, 30), 4 * s));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(4 * s, 4 * s, 24 * s, 24 * s));
            p.drawLine(QPointF(8 * s, 24 * s), QPointF(24 * s, 8 * s));
            break;
        case ScopeIcon::ZoomIn: drawMagnifier(p, s, true); break;
        case ScopeIcon::ZoomOut: drawMagnifier(p, s, false); break;
        case ScopeIcon::Background:
            p.setPen(QPen(ink, 1.5 * s));
            p.setBrush(Qt::black);
            p.drawRect(QRectF(2 * s, 2 * s, 20 * s, 20 * s));
            p.setBrush(QColor(255, 255, 255));
            p.drawRect(QRectF(10 * s, 10 * s, 20 * s, 20 * s));
            p.setBrush(QColor(220, 40, 40));
            p.drawRect(QRectF(13 * s, 13 * s, 6 * s, 6 * s));
            p.setBrush(QColor(40, 170, 40));
            p.drawRect(QRectF(21 * s, 13 * s, 6 * s, 6 * s));
            p.setBrush(QColor(40, 80, 220));
            p.drawRect(QRectF(13 * s, 21 * s, 6 * s, 6 * s));
            break;
        }
    });
}

} // namespace dr420::artwork
