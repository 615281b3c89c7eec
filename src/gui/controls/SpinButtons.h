#pragma once

#include <QWidget>

class QToolButton;

namespace dr420 {

// The two small arrows beside a field: each press (or auto-repeat) steps by
// +1 (up) or -1 (down); what a step means is the owner's business.
class CSpinButtons : public QWidget
{
    Q_OBJECT
public:
    explicit CSpinButtons(QWidget *parent = nullptr);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void stepped(int delta);

private:
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace dr420
