#include "XTipComboBox.h"

#include <QStyleOptionComboBox>

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QStyle>

namespace dr420 {

constexpr int kTipTimerMs = 80;

CXTipPopup::CXTipPopup(QWidget *owner)
    // Transparent for input at the window system too: a tip under the pointer
    // must not take it away from the box (on X11 the box would get a Leave
    // and hide the tip at once), nor take clicks meant for the box.
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setContentsMargins(0, -1, 0, -1);
    setAutoFillBackground(true);
}

void CXTipPopup::showText(const QString &text, const QPoint &globalTopLeft, const QFont &font, bool highlighted)
{
    QPalette p = palette();
    const QPalette system = QApplication::palette();
    p.setColor(QPalette::Window, system.color(highlighted ? QPalette::Highlight : QPalette::Base));
    p.setColor(QPalette::WindowText, system.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
    setPalette(p);
    setFont(font);
    setText(text);
    adjustSize();
    move(globalTopLeft);
    show();
    raise();
}

CXTipListBox::CXTipListBox(QAbstractItemView *list)
    : QObject(list)
    , m_list(list)
    , m_viewport(list->viewport())
    , m_tip(new CXTipPopup(list))
{
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    list->viewport()->installEventFilter(this);
    m_timer.setInterval(kTipTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CXTipListBox::checkPointer);
}

bool CXTipListBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_viewport.data() || !m_tip)
        return false;
    if (event->type() == QEvent::MouseMove && m_list)
        mouseMovedTo(static_cast<QMouseEvent *>(event)->position().toPoint());
    else if (event->type() == QEvent::Hide)
        m_tip->hide();
    else if (event->type() == QEvent::Leave && m_list &&
             !m_list->viewport()->rect().contains(m_list->viewport()->mapFromGlobal(QCursor::pos())))
        m_tip->hide(); // a Leave with the pointer still inside came from the tip's own window
    return false;
}

void CXTipListBox::mouseMovedTo(const QPoint &pos)
{
    const QModelIndex index = m_list->indexAt(pos);
    if (!index.isValid() || !m_list->viewport()->rect().contains(pos)) {
        m_tip->hide();
        return;
    }
    // The item as far as the list shows it: a view may lay an item out wider
    // than itself and cut it at its edge.
    const QRect item = m_list->visualRect(index).intersected(m_list->viewport()->rect());
    const QString text = index.data().toString();
    if (m_list->fontMetrics().horizontalAdvance(text) > item.width() - 3) {
        m_tip->showText(text, m_list->viewport()->mapToGlobal(item.topLeft()), m_list->font(), true);
        m_timer.start();
    } else {
        m_tip->hide();
    }
}

void CXTipListBox::checkPointer()
{
    if (!m_list || !m_tip)
        return;
    const QPoint pos = m_list->viewport()->mapFromGlobal(QCursor::pos());
    if (!m_list->viewport()->rect().contains(pos) || !m_list->isVisible()) {
        m_timer.stop();
        m_tip->hide();
    }
}

CXTipComboBox::CXTipComboBox(QWidget *parent)
    : QComboBox(parent)
    , m_tip(new CXTipPopup(this))
    , m_listBox(new CXTipListBox(view()))
{
    setEditable(false);
    setMouseTracking(true);
    m_timer.setInterval(kTipTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CXTipComboBox::checkPointer);
}

CXTipComboBox::~CXTipComboBox() = default;

QRect CXTipComboBox::textArea() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

void CXTipComboBox::mouseMoveEvent(QMouseEvent *event)
{
    const QRect area = textArea();
    const QPoint pos = event->position().toPoint();
    if (area.contains(pos) && fontMetrics().horizontalAdvance(currentText()) > area.width() - 6) {
        m_tip->showText(currentText(), mapToGlobal(QPoint(area.left() + 1, area.top() + 3)), font(), hasFocus());
        m_timer.start();
    } else {
        m_tip->hide();
    }
    QComboBox::mouseMoveEvent(event);
}

void CXTipComboBox::leaveEvent(QEvent *event)
{
    // Gone from the box: gone from its text area too. A Leave while the
    // pointer is still over the text is the tip's window arriving under it.
    if (!textArea().contains(mapFromGlobal(QCursor::pos()))) {
        m_timer.stop();
        m_tip->hide();
    }
    QComboBox::leaveEvent(event);
}

void CXTipComboBox::checkPointer()
{
    if (!textArea().contains(mapFromGlobal(QCursor::pos()))) {
        m_timer.stop();
        m_tip->hide();
    }
}

} // namespace dr420
