#include "MdiClient.h"

#include "common/Artwork.h"
#include "common/Messages.h"
#include "common/ShellRules.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <QSettings>

namespace dr420 {
namespace {
const QString kOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
const QString kSection = QStringLiteral("MDIClient");

QSettings profile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, kOrganisation, kAppTitle);
}

unsigned toColorRef(const QColor &c)
{
    return colorRef(c.red(), c.green(), c.blue());
}

QColor fromColorRef(unsigned c)
{
    return QColor(colorRefRed(c), colorRefGreen(c), colorRefBlue(c));
}
} // namespace

CMDIClient::CMDIClient(QWidget *parent)
    : QMdiArea(parent)
{
    reset();
    readSettings(); // attached at construction
    if (m_fileName.isEmpty())
        loadBuiltInPicture();
}

CMDIClient::~CMDIClient()
{
    if (m_persist)
        writeSettings();
}

QColor CMDIClient::workspaceColour()
{
    // QMdiArea's own default background is the palette's dark shade.
    return QApplication::palette().color(QPalette::Dark);
}

QColor CMDIClient::buttonHighlightColour()
{
    return QApplication::palette().color(QPalette::Light);
}

void CMDIClient::reset()
{
    m_origin = QPoint();
    m_mode = Tile;
    m_fileName.clear();
    m_background = workspaceColour();
    m_picture = QImage();
    viewport()->update();
}

void CMDIClient::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    viewport()->update();
}

void CMDIClient::setDisplayMode(int mode)
{
    m_mode = mode;
    viewport()->update();
}

namespace {
// Replaces exact colours (alpha ignored), as the platform's bitmap loader does.
void mapColours(QImage &img, std::initializer_list<std::pair<QRgb, QRgb>> pairs)
{
    img = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = line[x] | 0xFF000000u;
            for (const auto &[from, to] : pairs)
                if (px == from) {
                    line[x] = to;
                    break;
                }
        }
    }
}
} // namespace

bool CMDIClient::loadBuiltInPicture()
{
    QImage img = artwork::mdiTile();
    mapColours(img, {{qRgb(192, 192, 192), workspaceColour().rgb()}, {qRgb(255, 255, 255), buttonHighlightColour().rgb()}});
    m_picture = img;
    viewport()->update();
    return !m_picture.isNull();
}

bool CMDIClient::loadPictureFile(const QString &path, bool map3DColours)
{
    QImage img(path);
    if (img.isNull())
        return false;
    if (map3DColours) {
        // The picture's 3-D greys become the desktop's 3-D colours.
        const QPalette pal = QApplication::palette();
        mapColours(img, {{qRgb(128, 128, 128), pal.color(QPalette::Dark).rgb()},
                         {qRgb(192, 192, 192), pal.color(QPalette::Button).rgb()},
                         {qRgb(223, 223, 223), pal.color(QPalette::Midlight).rgb()}});
    }
    m_picture = img.convertToFormat(QImage::Format_RGB32);
    m_fileName = path;
    viewport()->update();
    return true;
}

void CMDIClient::readSettings()
{
    QSettings s = profile();
    s.beginGroup(kSection);
    m_mode = s.value(QStringLiteral("DisplayMode"), 0).toInt();
    m_origin = QPoint(s.value(QStringLiteral("OriginX"), 0).toInt(), s.value(QStringLiteral("OriginY"), 0).toInt());
    if (s.contains(QStringLiteral("BkColor")))
        m_background = fromColorRef(s.value(QStringLiteral("BkColor")).toUInt());
    m_fileName = s.value(QStringLiteral("FileName")).toString();
    if (!m_fileName.isEmpty()) {
        // A name that does not load leaves the plain background colour.
        const QString name = m_fileName;
        if (!loadPictureFile(name, true))
            m_picture = QImage();
        m_fileName = name;
    }
    viewport()->update();
}

void CMDIClient::writeSettings() const
{
    QSettings s = profile();
    s.beginGroup(kSection);
    s.setValue(QStringLiteral("DisplayMode"), m_mode);
    s.setValue(QStringLiteral("BkColor"), toColorRef(m_background));
    s.setValue(QStringLiteral("FileName"), m_fileName);
    s.setValue(QStringLiteral("OriginX"), m_origin.x());
    s.setValue(QStringLiteral("OriginY"), m_origin.y());
}

void CMDIClient::paintBackground(QPainter &p, const QSize &size) const
{
    const QRect all(QPoint(0, 0), size);
    if (m_picture.isNull()) {
        p.fillRect(all, m_background);
        return;
    }
    const int w = m_picture.width();
    const int h = m_picture.height();
    switch (m_mode) {
    case Tile:
        for (int y = 0; y < size.height(); y += h)
            for (int x = 0; x < size.width(); x += w)
                p.drawImage(x, y, m_picture);
        break;
    case Stretch:
        // Nearest-neighbour: rows and columns are dropped or repeated, never blended.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(all, m_picture);
        break;
    case Centre:
    case AtOrigin:
    default: {
        p.fillRect(all, m_background);
        const QPoint at = m_mode == AtOrigin ? m_origin : QPoint((size.width() - w) / 2, (size.height() - h) / 2);
        p.drawImage(at, m_picture);
        break;
    }
    }
}

void CMDIClient::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    paintBackground(p, viewport()->size());
}

void CMDIClient::resizeEvent(QResizeEvent *event)
{
    QMdiArea::resizeEvent(event);
    if (m_mode != Tile)
        viewport()->update();
}

} // namespace dr420
