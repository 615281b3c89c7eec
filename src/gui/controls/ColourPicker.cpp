#include "ColourPicker.h"

#include "common/DialogService.h"

#include <QApplication>
#include <qdrawutil.h>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

namespace dr420 {
namespace {
constexpr int kCell = 18;

QColor paletteColour(int index)
{
    const PaletteColour &c = colourPalette()[size_t(index)];
    return QColor(c.red, c.green, c.blue);
}
} // namespace

CColourPopup::CColourPopup(const QPoint &below, const QColor &initial, const QString &customText, QWidget *owner)
    : QWidget(owner, Qt::Popup)
    , m_initial(initial)
    , m_customText(customText)
{
    setObjectName(QStringLiteral("colourPopup"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    m_margin = qMax(2, style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    int width = kPaletteColumns * kCell + 2 * m_margin;
    int height = kPaletteRows * kCell + 2 * m_margin;
    if (!m_customText.isEmpty()) {
        const QFontMetrics fm(font());
        m_customHeight = fm.height() + 2 * m_margin + 2;
        width = qMax(width, fm.horizontalAdvance(m_customText) + 4 * m_margin);
        height += m_customHeight + m_margin;
    }
    setFixedSize(width, height);
    // No cell starts current, even when the initial colour is in the palette:
    // the first arrow key starts from "no cell".
    placeOnScreen(below, owner ? owner->height() : 0);
}

void CColourPopup::placeOnScreen(const QPoint &below, int ownerHeight)
{
    QPoint at = below;
    QScreen *screen = QGuiApplication::screenAt(below);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        if (at.x() + width() > area.right() + 1)
            at.setX(area.right() + 1 - width());
        if (at.x() < area.left())
            at.setX(area.left());
        if (at.y() + height() > area.bottom() + 1)
            at.setY(at.y() - ownerHeight - height()); // open above the button
    }
    move(at);
}

QRect CColourPopup::cellRect(PaletteCell cell) const
{
    if (cell.isCustom())
        return QRect(m_margin, m_margin, width() - 2 * m_margin, m_customHeight);
    if (cell.isNone())
        return QRect();
    // The cells follow the custom row directly; the extra margin is at the bottom.
    return QRect(cell.column * kCell + m_margin, cell.row * kCell + m_margin + m_customHeight, kCell, kCell);
}

PaletteCell CColourPopup::cellAt(const QPoint &p) const
{
    if (!m_customText.isEmpty() && cellRect(kCustomCell).contains(p))
        return kCustomCell;
    for (int row = 0; row < kPaletteRows; ++row)
        for (int column = 0; column < kPaletteColumns; ++column)
            if (cellRect({row, column}).contains(p))
                return {row, column};
    return kNoCell;
}

void CColourPopup::setCurrent(PaletteCell cell)
{
    if (cell == m_current)
        return;
    m_current = cell;
    update();
}

void CColourPopup::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    qDrawShadePanel(&p, rect(), palette(), false, 1);
    if (!m_customText.isEmpty()) {
        const QRect r = cellRect(kCustomCell);
        if (m_current.isCustom())
            qDrawShadePanel(&p, r, palette(), true, 1);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r, Qt::AlignCenter, m_customText);
    }
    for (int i = 0; i < int(colourPalette().size()); ++i) {
        const PaletteCell cell{i / kPaletteColumns, i % kPaletteColumns};
        const QRect r = cellRect(cell);
        if (cell == m_current) {
            p.fillRect(r, palette().highlight());
            qDrawShadePanel(&p, r, palette(), true, 1);
        }
        p.fillRect(r.adjusted(3, 3, -3, -3), paletteColour(i));
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(r.adjusted(3, 3, -4, -4));
    }
}

bool CColourPopup::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const PaletteCell cell = cellAt(help->pos());
        if (!cell.isNone() && !cell.isCustom())
            QToolTip::showText(help->globalPos(), QString::fromUtf8(colourPalette()[size_t(cell.index())].name), this,
                               cellRect(cell));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void CColourPopup::mouseMoveEvent(QMouseEvent *event)
{
    const PaletteCell cell = cellAt(event->position().toPoint());
    if (!cell.isNone())
        setCurrent(cell);
}

void CColourPopup::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (!rect().contains(p)) {
        end(false);
        return;
    }
    const PaletteCell cell = cellAt(p);
    if (!cell.isNone())
        m_current = cell;
    end(true);
}

void CColourPopup::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up: setCurrent(movePaletteCell(m_current, PaletteKey::Up)); return;
    case Qt::Key_Down: setCurrent(movePaletteCell(m_current, PaletteKey::Down)); return;
    case Qt::Key_Left: setCurrent(movePaletteCell(m_current, PaletteKey::Left)); return;
    case Qt::Key_Right: setCurrent(movePaletteCell(m_current, PaletteKey::Right)); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: end(true); return;
    case Qt::Key_Escape: end(false); return;
    default: QWidget::keyPressEvent(event);
    }
}

void CColourPopup::closeEvent(QCloseEvent *event)
{
    // A click elsewhere closes a popup without a release here: that cancels.
    if (!m_ended)
        end(false);
    QWidget::closeEvent(event);
}

void CColourPopup::end(bool ok)
{
    if (m_ended)
        return;
    m_ended = true;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    QColor chosen = m_initial;
    if (ok && m_current.isCustom()) {
        hide(); // the colour dialog is the user's only window now
        QColor picked = m_initial;
        ok = dialogs().chooseColour(parentWidget(), picked);
        if (ok)
            chosen = picked;
    } else if (ok && !m_current.isNone()) {
        chosen = paletteColour(m_current.index());
    }
    emit selectionEnded(ok, chosen);
    close();
}

CColourPicker::CColourPicker(QWidget *parent)
    : QPushButton(parent)
    , m_colour(palette().color(QPalette::Button))
{
    connect(this, &QPushButton::clicked, this, &CColourPicker::openPopup);
}

void CColourPicker::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

QSize CColourPicker::sizeHint() const
{
    const int edge = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int arrow = qMax(style()->pixelMetric(QStyle::PM_ScrollBarExtent), 5 * edge);
    return QSize(qMax(2 * (edge + arrow), 48), arrow + 2 * edge + 4);
}

void CColourPicker::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int edge = 2;
    const QRect whole = rect();
    qDrawShadePanel(&p, whole, palette(), true, edge, &palette().button());
    const int arrow = qMin(whole.height() - 2 * edge, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    const QRect arrowBox(whole.right() - edge - arrow + 1, edge, arrow, whole.height() - 2 * edge);
    QStyleOption option;
    option.initFrom(this);
    option.rect = arrowBox;
    if (m_active || isDown())
        option.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &p, this);
    const QRect swatch = QRect(QPoint(edge + 2, edge + 2), QPoint(arrowBox.left() - 3, whole.bottom() - edge - 2));
    p.fillRect(swatch, isEnabled() ? m_colour : palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::Shadow));
    p.drawRect(swatch.adjusted(0, 0, -1, -1));
    if (!text().isEmpty()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(swatch, Qt::AlignCenter | Qt::TextSingleLine, text());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = whole.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void CColourPicker::openPopup()
{
    if (m_popup)
        return;
    m_active = true;
    m_popup = new CColourPopup(mapToGlobal(QPoint(0, height())), m_colour, kOtherColours, this);
    connect(m_popup, &CColourPopup::selectionEnded, this, &CColourPicker::popupEnded);
    m_popup->show();
    m_popup->setFocus();
    m_popup->grabMouse();
    update();
}

void CColourPicker::popupEnded(bool ok, const QColor &colour)
{
    m_active = false;
    m_popup = nullptr; // it deletes itself later; the next click opens a new one
    setColour(colour);
    if (ok)
        emit colourChosen();
}

} // namespace dr420
