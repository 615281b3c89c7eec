#pragma once

#include <QMainWindow>

namespace dr420 {

class CParaView;

// The parameter editor's frame: the "Parameter Bar" over the view.
class CParaFrame : public QMainWindow
{
    Q_OBJECT
public:
    explicit CParaFrame(QWidget *parent = nullptr);
    CParaView *view() const { return m_view; }

private:
    CParaView *m_view = nullptr;
};

} // namespace dr420
