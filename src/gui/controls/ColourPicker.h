#pragma once

#include "scope/ColourPalette.h"

#include <QColor>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace dr420 {

class CColourPicker;

// The palette window of a colour picker: 40 named colours in 8 columns and
// an "Other colors…" button above them. It holds the mouse while open;
// Enter or a release inside confirms, Escape or a release outside cancels.
class CColourPopup : public QWidget
{
    Q_OBJECT
public:
    CColourPopup(const QPoint &below, const QColor &initial, const QString &customText, QWidget *owner);

    PaletteCell currentCell() const { return m_current; }
    QRect cellRect(PaletteCell cell) const;
    QColor initialColour() const { return m_initial; }

signals:
    // Once, when the popup ends: the colour chosen, or the initial one on cancel.
    void selectionEnded(bool ok, const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    PaletteCell cellAt(const QPoint &p) const;
    void setCurrent(PaletteCell cell);
    void end(bool ok);
    void placeOnScreen(const QPoint &below, int ownerHeight);

    QColor m_initial;
    QString m_customText;
    PaletteCell m_current = kNoCell;
    int m_margin = 2;
    int m_customHeight = 0;
    bool m_ended = false;
};

// A push button that shows a colour; a click opens the palette. Only a
// confirmed choice sets the colour (and emits colourChosen()); moving over the
// palette or cancelling leaves colour() as it was.
class CColourPicker : public QPushButton
{
    Q_OBJECT
public:
    explicit CColourPicker(QWidget *parent = nullptr);

    QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);
    bool isActive() const { return m_active; }
    CColourPopup *popup() const { return m_popup; }

    QSize sizeHint() const override;

signals:
    void colourChosen();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void openPopup();
    void popupEnded(bool ok, const QColor &colour);

    QColor m_colour;
    bool m_active = false;
    QPointer<CColourPopup> m_popup;
};

} // namespace dr420
