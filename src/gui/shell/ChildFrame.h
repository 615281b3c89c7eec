#pragma once

#include <QDialog>
#include <QMdiSubWindow>

namespace dr420 {

// The blank child window of Ctrl+N: an empty white area, nothing more.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT
public:
    explicit CChildFrame(int number, QWidget *parent = nullptr);
};

// A working window's frame inside the MDI area: a sub-window around one view.
class CWorkFrame : public QMdiSubWindow
{
    Q_OBJECT
public:
    CWorkFrame(QWidget *view, const QString &title, const QIcon &icon, QWidget *parent = nullptr);
};

// "About DR420 Monitor".
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace dr420
