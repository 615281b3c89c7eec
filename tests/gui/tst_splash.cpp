#include "TestSupport.h"
#include "common/Artwork.h"
#include "shell/Splash.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace dr420;

class TestSplash : public QObject
{
    Q_OBJECT
private slots:
    void notAllowedShowsNothing()
    {
        CSplash::allow(false);
        QWidget owner;
        CSplash::showSplash(&owner);
        QVERIFY(!CSplash::current());
        CSplash::hideSplash(); // harmless
        CSplash::allow(true);
    }

    void keyPressHidesSplashAndIsSwallowed()
    {
        QWidget window;
        auto *edit = new QLineEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->setFocus();
        CSplash::showSplash(&window);
        QVERIFY(CSplash::current());

        QTest::keyClick(edit, Qt::Key_A);
        QVERIFY(!CSplash::current());
        QCOMPARE(edit->text(), QString());
        QTest::keyClick(edit, Qt::Key_B);
        QCOMPARE(edit->text(), QStringLiteral("b"));
    }

    void mousePressHidesSplashAndIsSwallowed()
    {
        QWidget window;
        auto *button = new QPushButton(QStringLiteral("x"), &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(button, &QPushButton::clicked);
        CSplash::showSplash(&window);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!CSplash::current());
        QCOMPARE(clicked.count(), 0);
    }

    void hideWaitsForTheDotsThenGoes()
    {
        QWidget window;
        CSplash::showSplash(&window);
        QPointer<CSplash> splash = CSplash::current();
        QVERIFY(splash);
        CSplash::hideSplash();
        QVERIFY(CSplash::current()); // the line is still being drawn
        QTRY_VERIFY_WITH_TIMEOUT(splash && splash->drawingDone(), 4000);
        // The text was drawn over the picture at (50, 230).
        const QImage bare = artwork::splashPicture();
        bool changed = false;
        for (int x = 50; x < 250 && !changed; ++x)
            for (int y = 230; y < 250 && !changed; ++y)
                changed = splash->canvas().pixel(x, y) != bare.pixel(x, y);
        QVERIFY(changed);
        QTRY_VERIFY_WITH_TIMEOUT(!CSplash::current(), 1000);
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
