#include "TestSupport.h"
#include "wave/WaveWnd.h"
#include "wave/WideLine.h"

#include <QTemporaryDir>

#include <QPainter>
#include <cmath>
#include <QSignalSpy>
#include <QTest>

using namespace dr420;

namespace {
// 864 x 458: a plot of 800 x 400 from (32,33).
void fill(CWaveWnd &wnd, int channels)
{
    WaveModel &m = wnd.model();
    std::vector<float> t(2000), v(2000, 0.0f);
    for (int i = 0; i < 2000; ++i)
        t[size_t(i)] = float(i * 2);
    m.setTimeData(t.data(), 2000);
    for (int c = 1; c <= channels; ++c) {
        for (int i = 0; i < 2000; ++i)
            v[size_t(i)] = float(100 * c + 10);
        m.setChannelData(v.data(), 2000, c, QStringLiteral("V%1").arg(c));
        m.setChannelRange(c, -200, 600); // 2 units a pixel, zero at y = 33 + 300
        m.setChannelPerDiv(c, 100);
    }
    m.setPointsPerDiv(200);
    m.setWindow(0, 4000); // 5 ms a pixel
}
} // namespace

class TestWaveWnd : public QObject
{
    Q_OBJECT
private slots:
    void wideLinesAreQPaintersShape_data()
    {
        QTest::addColumn<QPolygon>("line");
        QTest::addColumn<int>("width");
        // A dense trace (what 6000 points a division gives), steep and flat parts, a lone point.
        QPolygon dense;
        for (int x = 0; x < 300; ++x)
            dense << QPoint(10 + x, 100 + int(80 * std::sin(x * 0.7)));
        const QPolygon shapes({QPoint(20, 20), QPoint(200, 20), QPoint(200, 180), QPoint(30, 60), QPoint(31, 150),
                               QPoint(250, 151)});
        for (int width = 2; width <= 5; ++width) {
            QTest::addRow("dense trace, width %d", width) << dense << width;
            QTest::addRow("flat, steep and slanted, width %d", width) << shapes << width;
            QTest::addRow("one point, width %d", width) << QPolygon({QPoint(50, 50)}) << width;
        }
    }

    void wideLinesAreQPaintersShape()
    {
        QFETCH(QPolygon, line);
        QFETCH(int, width);
        QImage ours(330, 200, QImage::Format_RGB32);
        ours.fill(Qt::black);
        QImage qt = ours;
        strokeWidePolyline(ours, ours.rect(), line.constData(), int(line.size()), width, qRgb(255, 0, 0));
        {
            QPainter p(&qt);
            p.setPen(QPen(Qt::red, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            if (line.size() == 1)
                p.drawPoint(line.first());
            else
                p.drawPolyline(line);
        }
        // The same pixels, but for the odd one where a rounded end's edge
        // passes within rounding of a pixel centre.
        int set = 0;
        QList<QPoint> differ;
        for (int y = 0; y < qt.height(); ++y)
            for (int x = 0; x < qt.width(); ++x) {
                const bool a = ours.pixel(x, y) == qRgb(255, 0, 0);
                const bool b = qt.pixel(x, y) == qRgb(255, 0, 0);
                set += b;
                if (a != b)
                    differ << QPoint(x, y);
            }
        QVERIFY(set > 0);
        QVERIFY2(differ.size() <= 2, qPrintable(QStringLiteral("%1 of %2 pixels differ, first at (%3,%4)")
                                                    .arg(differ.size()).arg(set)
                                                    .arg(differ.isEmpty() ? 0 : differ.first().x())
                                                    .arg(differ.isEmpty() ? 0 : differ.first().y())));
    }

    void wideLinesStayInsideTheClip()
    {
        QImage img(100, 80, QImage::Format_RGB32);
        img.fill(Qt::black);
        const QRect clip(10, 10, 50, 40);
        // Far off the picture and across it: nothing outside the clip, no overflow.
        const QPolygon line({QPoint(-2000000000, -2000000000), QPoint(30, 30), QPoint(2000000000, 35),
                             QPoint(35, 2000000000)});
        for (int width = 2; width <= 5; ++width)
            strokeWidePolyline(img, clip, line.constData(), int(line.size()), width, qRgb(0, 255, 0));
        int inside = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const bool set = img.pixel(x, y) == qRgb(0, 255, 0);
                QVERIFY(!set || clip.contains(x, y));
                inside += set;
            }
        QVERIFY(inside > 0);
        QCOMPARE(img.pixel(30, 30), qRgb(0, 255, 0));
    }

    void compositeShowsGridCurvesAndMarkers()
    {
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 2);
        const QImage img = wnd.render();
        QCOMPARE(img.size(), QSize(864, 458));
        // Frame margin and plot background.
        QCOMPARE(img.pixelColor(5, 200), QColor(192, 192, 192));
        QCOMPARE(img.pixelColor(101, 151), QColor(150, 150, 150));
        // A grid line: the fifth vertical line at x = 4 * 80 + 32, dotted.
        bool gridPixel = false;
        for (int y = 40; y < 60; ++y)
            gridPixel |= img.pixelColor(352, y) == QColor(80, 80, 80);
        QVERIFY(gridPixel);
        // Channel 1 holds 110: y = 33 + (600 - 110) / 2 = 278, in red; channel 2 at 228 in green.
        QCOMPARE(img.pixelColor(500, 278), QColor(255, 0, 0));
        QCOMPARE(img.pixelColor(500, 228), QColor(0, 255, 0));
        // Zero markers at y0 = 333 (both channels share the range; channel 2 is drawn last).
        QCOMPARE(img.pixelColor(29, 333), QColor(0, 255, 0));
        QCOMPARE(img.pixelColor(20, 335), QColor(0, 255, 0)); // the ground symbol's stem
        // Nothing of the curves outside the plot rectangle.
        QCOMPARE(img.pixelColor(840, 278), QColor(192, 192, 192));
    }

    void hiddenChannelsAreNotDrawn()
    {
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 2);
        wnd.model().setVisibleMask(0b10);
        const QImage img = wnd.render();
        QCOMPARE(img.pixelColor(500, 278), QColor(150, 150, 150));
        QCOMPARE(img.pixelColor(500, 228), QColor(0, 255, 0));
    }

    void cursorsAndReadout()
    {
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 1);
        wnd.model().showTimeCursors(true);
        wnd.model().setValueCursorChannel(1);
        QImage img = wnd.render();
        // The first time handle (filled, in the background's inverse) at offset 12.
        QCOMPARE(img.pixelColor(44, 36), QColor(105, 105, 105));
        // The first value handle at the right edge, in channel 1's inverse.
        QCOMPARE(img.pixelColor(864 - 36, 12 + 33), QColor(0, 255, 255));

        wnd.setTipMode(true);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QTest::mouseMove(&wnd, QPoint(432, 200));
        img = wnd.render();
        QCOMPARE(wnd.readoutText(), QStringLiteral("L1:(2000,110)\r\n"));
        QCOMPARE(img.pixelColor(436, 220), QColor(255, 255, 210)); // inside the box
        // The pointer leaves the display: the box goes with it (not into a bitmap).
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&wnd, &leave);
        img = wnd.render();
        QVERIFY(img.pixelColor(436, 220) != QColor(255, 255, 210));
    }

    void zoomRectangleIsTheSameWhicheverWayItIsDragged_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::newRow("down right") << QPoint(50, 60) << QPoint(100, 100);
        QTest::newRow("up left") << QPoint(100, 100) << QPoint(50, 60);
        QTest::newRow("up right") << QPoint(50, 100) << QPoint(100, 60);
    }
    void zoomRectangleIsTheSameWhicheverWayItIsDragged()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QCOMPARE(rectBetween(from, to), QRect(QPoint(50, 60), QPoint(100, 100)));
        // Through the mouse: the same zoom as dragging down and right.
        const auto zoomBy = [](QPoint a, QPoint b) {
            CWaveWnd wnd;
            wnd.resize(864, 458);
            fill(wnd, 2);
            wnd.show();
            wnd.setZoomMode(2);
            QTest::mousePress(&wnd, Qt::LeftButton, {}, a * 3);
            QTest::mouseMove(&wnd, b * 3);
            QTest::mouseRelease(&wnd, Qt::LeftButton, {}, b * 3);
            double bottom = 0, top = 0;
            wnd.model().channelRange(1, &bottom, &top);
            return QList<double>{wnd.model().window().start, wnd.model().window().end, bottom, top};
        };
        QCOMPARE(zoomBy(from, to), zoomBy(QPoint(50, 60), QPoint(100, 100)));
    }

    void mouseZoomDragAndRightClick()
    {
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 2);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QSignalSpy zoomed(&wnd, &CWaveWnd::zoomStepped);
        QSignalSpy moved(&wnd, &CWaveWnd::channelMoved);
        QSignalSpy right(&wnd, &CWaveWnd::rightClicked);

        wnd.setZoomMode(2);
        QTest::mousePress(&wnd, Qt::LeftButton, {}, QPoint(132, 133));
        QTest::mouseMove(&wnd, QPoint(532, 233));
        QTest::mouseRelease(&wnd, Qt::LeftButton, {}, QPoint(532, 233));
        QCOMPARE(zoomed.count(), 1);
        QCOMPARE(wnd.model().window().start, 500.0);
        QCOMPARE(wnd.model().zoomDepth(), size_t(1));
        wnd.setZoomMode(1);
        QTest::mouseClick(&wnd, Qt::LeftButton, {}, QPoint(300, 300));
        QCOMPARE(zoomed.count(), 2);
        QCOMPARE(wnd.model().window().start, 0.0);

        wnd.setZoomMode(0);
        wnd.setDragMode(2);
        QTest::mousePress(&wnd, Qt::LeftButton, {}, QPoint(300, 300));
        QTest::mouseMove(&wnd, QPoint(300, 310));
        QTest::mouseRelease(&wnd, Qt::LeftButton, {}, QPoint(300, 310));
        QCOMPARE(moved.count(), 2); // once per channel moved
        QCOMPARE(moved.at(0).at(0).toInt(), 1);
        QCOMPARE(wnd.model().channelScale(1).top, 620.0);

        wnd.shiftChannel(50, 2);
        QCOMPARE(moved.count(), 3);
        QCOMPARE(moved.last().at(0).toInt(), 2);

        QTest::mouseClick(&wnd, Qt::RightButton, {}, QPoint(10, 20));
        QCOMPARE(right.count(), 1);
        QCOMPARE(right.at(0).at(0).toPoint(), QPoint(10, 20));
    }

    void filesThroughTheWindow()
    {
        test::RecordingDialogs dialogs;
        QTemporaryDir dir;
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 2);
        const QString bmp = dir.filePath(QStringLiteral("shot.bmp"));
        QVERIFY(wnd.saveBitmap(bmp));
        QImage back(bmp);
        QCOMPARE(back.size(), QSize(864, 458));
        QCOMPARE(back.pixelColor(500, 278), QColor(255, 0, 0));
        const QString wave = dir.filePath(QStringLiteral("trace.wave"));
        QVERIFY(wnd.saveWaveFile(wave));
        CWaveWnd other;
        QVERIFY(other.loadWaveFile(wave));
        QCOMPARE(other.model().sampleCount(), 2000);
        QVERIFY(dialogs.messages.isEmpty());
        // A save that cannot happen says so; the good file stays as it was.
        QVERIFY(!wnd.saveWaveFile(dir.filePath(QStringLiteral("missing/dir/x.wave"))));
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.startsWith(QLatin1String("The wave file could not be saved")));
        QVERIFY(!other.loadWaveFile(bmp)); // not a wave file
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(other.model().sampleCount(), 2000); // nothing replaced
    }

    void grabbedTimeCursorFollowsWithinThePlot()
    {
        CWaveWnd wnd;
        wnd.resize(864, 458);
        fill(wnd, 1);
        wnd.model().showTimeCursors(true);
        wnd.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wnd));
        QTest::mousePress(&wnd, Qt::LeftButton, {}, QPoint(44, 40));
        QTest::mouseMove(&wnd, QPoint(2, 40));
        QCOMPARE(wnd.model().timeCursorOffset(0), 0);
        QTest::mouseMove(&wnd, QPoint(850, 40));
        QCOMPARE(wnd.model().timeCursorOffset(0), 800);
        QTest::mouseRelease(&wnd, Qt::LeftButton, {}, QPoint(850, 40));
    }
};

QTEST_MAIN(TestWaveWnd)
#include "tst_wavewnd.moc"
