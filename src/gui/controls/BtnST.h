#pragma once

#include <QPushButton>

namespace dr420 {

// A push button with a picture that lights up while the pointer is over it
// and shows its own cursor there.
class CButtonST : public QPushButton
{
    Q_OBJECT
public:
    explicit CButtonST(const QString &text, const QIcon &icon, QWidget *parent = nullptr);

    void setHoverCursor(const QCursor &cursor);
    bool isHovered() const { return m_hovered; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_hovered = false;
};

} // namespace dr420
