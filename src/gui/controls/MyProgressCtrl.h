#pragma once

#include <QProgressBar>

namespace dr420 {

// A progress bar in the button face colour, the done part in (128,128,255)
// and "n%" centred over it (a styled QProgressBar).
class CMyProgressCtrl : public QProgressBar
{
    Q_OBJECT
public:
    explicit CMyProgressCtrl(QWidget *parent = nullptr);
    // The width of the done part for a bar `width` pixels wide.
    int doneWidth(int width) const;
    QString percentText() const;
};

} // namespace dr420
