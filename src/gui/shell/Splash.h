#pragma once

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace dr420 {

// The start-up picture with its "Read program parameter file" line. The dots
// build up one drawing every 100 ms without ever blocking the event loop; a
// hide request (the 750 ms timer, or the main frame once the parameter table
// is loaded) takes effect when the dots have been drawn. A key or mouse press
// anywhere hides it at once and is swallowed.
class CSplash : public QWidget
{
    Q_OBJECT
public:
    static void allow(bool allowed);
    static bool allowed();
    static void showSplash(QWidget *owner);
    static void hideSplash();
    static CSplash *current();
    // Offered every event of the application while a splash shows.
    static bool filterEvent(QEvent *event);

    bool drawingDone() const { return m_next >= m_sequence.size(); }
    const QImage &canvas() const { return m_canvas; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    explicit CSplash(QWidget *owner);
    void drawNext();
    void destroySplash();

    QImage m_canvas;
    QStringList m_sequence;
    int m_next = 0;
    bool m_hideRequested = false;
    QTimer m_dotTimer;
};

} // namespace dr420
