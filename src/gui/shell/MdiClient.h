#pragma once

#include <QImage>
#include <QMdiArea>

namespace dr420 {

// The main window's MDI area, painting a picture over a background colour.
// Its settings live in the per-user profile, section "MDIClient": read when the
// area is attached to the main window, written back when it is destroyed.
class CMDIClient : public QMdiArea
{
    Q_OBJECT
public:
    enum DisplayMode { Tile = 0, Centre = 1, Stretch = 2, AtOrigin = 3 };

    explicit CMDIClient(QWidget *parent = nullptr);
    ~CMDIClient() override;

    void reset();
    void setBackgroundColour(const QColor &colour);
    void setDisplayMode(int mode);
    // Loads the built-in tile with its key colours mapped to the system's.
    bool loadBuiltInPicture();
    // False keeps the current picture. `map3DColours`: greys 128, 192 and 223
    // are shown in the desktop's shadow, face and light colours.
    bool loadPictureFile(const QString &path, bool map3DColours = false);

    void readSettings();
    void writeSettings() const;
    void setPersist(bool persist) { m_persist = persist; }

    QColor backgroundColour() const { return m_background; }
    int displayMode() const { return m_mode; }
    QString fileName() const { return m_fileName; }
    QPoint origin() const { return m_origin; }
    QSize pictureSize() const { return m_picture.size(); }

    // Paints the background of an area of `size` the way the window does.
    void paintBackground(QPainter &painter, const QSize &size) const;

    static QColor workspaceColour();
    static QColor buttonHighlightColour();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
    int m_mode = Tile;
    QColor m_background;
    QString m_fileName;
    QPoint m_origin;
    bool m_persist = true;
};

} // namespace dr420
