#include "TestSupport.h"
#include "common/ShellRules.h"
#include "shell/MdiClient.h"

#include <QApplication>
#include <QPainter>
#include <QSettings>
#include <QTest>

using namespace dr420;

namespace {
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);

QSettings profile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope,
                     QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("DR420 Monitor"));
}

QImage render(const CMDIClient &client, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::magenta); // anything left unpainted shows up
    QPainter p(&img);
    client.paintBackground(p, size);
    return img;
}
} // namespace

class TestMdiClient : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_picture;

private slots:
    void initTestCase()
    {
        test::isolateUserFolders();
        // 10 x 10: left half blue, right half red, so position and stretch show.
        QImage pic(10, 10, QImage::Format_RGB32);
        pic.fill(kRed);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 5; ++x)
                pic.setPixel(x, y, kBlue);
        m_picture = m_dir.filePath(QStringLiteral("pic.bmp"));
        QVERIFY(pic.save(m_picture));
    }

    void init() { profile().clear(); }

    void paintsEachMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<uint>("colour");

        const QSize area(35, 25);
        QTest::newRow("tile: second tile starts at 10") << 0 << QPoint() << area << QPoint(10, 10) << uint(kBlue);
        QTest::newRow("tile: right half of a tile") << 0 << QPoint() << area << QPoint(25, 20) << uint(kRed);
        QTest::newRow("tile: clipped last column") << 0 << QPoint() << area << QPoint(34, 24) << uint(kBlue);
        QTest::newRow("centre: picture at (12,7)") << 1 << QPoint() << area << QPoint(12, 7) << uint(kBlue);
        QTest::newRow("centre: background outside") << 1 << QPoint() << area << QPoint(11, 7) << uint(kGreen);
        QTest::newRow("centre: smaller area clips both sides") << 1 << QPoint() << QSize(6, 6) << QPoint(2, 0) << uint(kBlue);
        QTest::newRow("centre: smaller area, right half") << 1 << QPoint() << QSize(6, 6) << QPoint(3, 0) << uint(kRed);
        QTest::newRow("stretch: no blending at the seam") << 2 << QPoint() << QSize(20, 20) << QPoint(9, 19) << uint(kBlue);
        QTest::newRow("stretch: red after the seam") << 2 << QPoint() << QSize(20, 20) << QPoint(10, 0) << uint(kRed);
        QTest::newRow("origin: picture at origin") << 3 << QPoint(3, 4) << area << QPoint(3, 4) << uint(kBlue);
        QTest::newRow("origin: background before") << 3 << QPoint(3, 4) << area << QPoint(2, 4) << uint(kGreen);
    }
    void paintsEachMode()
    {
        QFETCH(int, mode);
        QFETCH(QPoint, origin);
        QFETCH(QSize, area);
        QFETCH(QPoint, at);
        QFETCH(uint, colour);
        auto s = profile();
        s.setValue(QStringLiteral("MDIClient/OriginX"), origin.x());
        s.setValue(QStringLiteral("MDIClient/OriginY"), origin.y());
        s.sync();
        CMDIClient client;
        client.setPersist(false);
        QVERIFY(client.loadPictureFile(m_picture));
        client.setDisplayMode(mode);
        client.setBackgroundColour(QColor(kGreen));
        QCOMPARE(render(client, area).pixel(at), QRgb(colour));
    }

    void profilePictureShowsItsGreysInTheDesktopColours()
    {
        // 4 x 1: the three 3-D greys and one colour that is left alone.
        QImage pic(4, 1, QImage::Format_RGB32);
        pic.setPixel(0, 0, qRgb(128, 128, 128));
        pic.setPixel(1, 0, qRgb(192, 192, 192));
        pic.setPixel(2, 0, qRgb(223, 223, 223));
        pic.setPixel(3, 0, qRgb(191, 192, 192));
        const QString path = m_dir.filePath(QStringLiteral("greys.bmp"));
        QVERIFY(pic.save(path));
        QPalette pal = QApplication::palette();
        const QPalette saved = pal;
        pal.setColor(QPalette::Dark, QColor(1, 1, 1));
        pal.setColor(QPalette::Button, QColor(2, 2, 2));
        pal.setColor(QPalette::Midlight, QColor(3, 3, 3));
        QApplication::setPalette(pal);
        auto s = profile();
        s.setValue(QStringLiteral("MDIClient/FileName"), path);
        s.sync();
        CMDIClient client;
        client.setPersist(false);
        const QImage img = render(client, QSize(4, 1));
        QApplication::setPalette(saved);
        QCOMPARE(img.pixel(0, 0), qRgb(1, 1, 1));
        QCOMPARE(img.pixel(1, 0), qRgb(2, 2, 2));
        QCOMPARE(img.pixel(2, 0), qRgb(3, 3, 3));
        QCOMPARE(img.pixel(3, 0), qRgb(191, 192, 192));
        QCOMPARE(client.fileName(), path);
        // Loaded by the program itself (not from the profile), a picture keeps its colours.
        QVERIFY(client.loadPictureFile(path));
        QCOMPARE(render(client, QSize(4, 1)).pixel(1, 0), qRgb(192, 192, 192));
    }

    void withoutPictureOnlyTheColour()
    {
        auto s = profile();
        s.setValue(QStringLiteral("MDIClient/FileName"), m_dir.filePath(QStringLiteral("gone.bmp")));
        s.setValue(QStringLiteral("MDIClient/BkColor"), colorRef(0, 255, 0));
        s.sync();
        CMDIClient client;
        client.setPersist(false);
        QVERIFY(client.pictureSize().isEmpty());
        const QImage img = render(client, QSize(30, 30));
        QCOMPARE(img.pixel(0, 0), kGreen);
        QCOMPARE(img.pixel(29, 29), kGreen);
    }

    void freshProfileTilesBuiltInPictureAndWritesItBack()
    {
        {
            CMDIClient client;
            QCOMPARE(client.pictureSize(), QSize(100, 100));
            QCOMPARE(client.displayMode(), 0);
            const QImage img = render(client, QSize(250, 120));
            // The tile's light grey shows in the workspace colour, white in the highlight colour.
            QCOMPARE(img.pixel(10, 10), CMDIClient::workspaceColour().rgb());
            QCOMPARE(img.pixel(110, 10), CMDIClient::workspaceColour().rgb());
            QCOMPARE(img.pixel(0, 50), CMDIClient::buttonHighlightColour().rgb());
            QCOMPARE(img.pixel(99, 50), qRgb(0, 0, 0));
            QCOMPARE(img.pixel(200, 110), img.pixel(0, 10));
        }
        auto s = profile();
        s.beginGroup(QStringLiteral("MDIClient"));
        QCOMPARE(s.value(QStringLiteral("DisplayMode")).toInt(), 0);
        const QColor ws = CMDIClient::workspaceColour();
        QCOMPARE(s.value(QStringLiteral("BkColor")).toUInt(), colorRef(ws.red(), ws.green(), ws.blue()));
        QCOMPARE(s.value(QStringLiteral("FileName")).toString(), QString());
        QCOMPARE(s.value(QStringLiteral("OriginX")).toInt(), 0);
        QCOMPARE(s.value(QStringLiteral("OriginY")).toInt(), 0);
    }

    void profileRoundTrip()
    {
        {
            CMDIClient client;
            QVERIFY(client.loadPictureFile(m_picture));
            client.setDisplayMode(3);
            client.setBackgroundColour(QColor(10, 20, 30));
        }
        auto s = profile();
        QCOMPARE(s.value(QStringLiteral("MDIClient/BkColor")).toUInt(), 0x001E140Au);
        CMDIClient again;
        again.setPersist(false);
        QCOMPARE(again.displayMode(), 3);
        QCOMPARE(again.backgroundColour(), QColor(10, 20, 30));
        QCOMPARE(again.fileName(), m_picture);
        QCOMPARE(again.pictureSize(), QSize(10, 10));
    }
};

QTEST_MAIN(TestMdiClient)
#include "tst_mdiclient.moc"
