#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTimer>

class QAbstractItemView;

namespace dr420 {

// The tooltip both boxes use: highlight colours, no wrapping, shown at the
// text's own place so that the whole text appears over the cut one.
class CXTipPopup : public QLabel
{
    Q_OBJECT
public:
    explicit CXTipPopup(QWidget *owner);
    void showText(const QString &text, const QPoint &globalTopLeft, const QFont &font, bool highlighted);
};

// Shows the whole text of the drop-down list item under the pointer when it
// is cut off; hides 80 ms after the pointer leaves the list.
class CXTipListBox : public QObject
{
    Q_OBJECT
public:
    explicit CXTipListBox(QAbstractItemView *list);
    CXTipPopup *tip() const { return m_tip; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mouseMovedTo(const QPoint &pos);
    void checkPointer();

    // Events keep coming while the list is torn down: only guarded pointers
    // are touched from the filter.
    QPointer<QAbstractItemView> m_list;
    QPointer<QWidget> m_viewport;
    QPointer<CXTipPopup> m_tip;
    QTimer m_timer;
};

// A drop-down list whose selected text shows whole in a tooltip when it is
// wider than the box; its drop-down list does the same per item.
class CXTipComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit CXTipComboBox(QWidget *parent = nullptr);
    ~CXTipComboBox() override;

    CXTipPopup *tip() const { return m_tip; }
    CXTipListBox *listBox() const { return m_listBox; }
    // The part of the box that shows the text (without the drop button).
    QRect textArea() const;

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void checkPointer();

    CXTipPopup *m_tip;
    CXTipListBox *m_listBox;
    QTimer m_timer;
};

} // namespace dr420
