#include "SpinButtons.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace dr420 {

CSpinButtons::CSpinButtons(QWidget *parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *b : {m_up, m_down}) {
        b->setArrowType(b == m_up ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { emit stepped(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    setFixedSize(16, 22);
}

} // namespace dr420
