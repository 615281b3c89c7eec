#include "TestSupport.h"
#include "shell/SingleInstance.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace dr420;

class TestSingleInstance : public QObject
{
    Q_OBJECT

    static std::unique_ptr<QProcess> startProgram()
    {
        auto p = std::make_unique<QProcess>();
        p->setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/dr420-monitor"));
        p->setArguments({QStringLiteral("--no-splash")});
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start();
        return p;
    }

private slots:
    void initTestCase() { test::isolateUserFolders(); }

    void secondStartActivatesFirstAndEnds()
    {
        SingleInstance first;
        QVERIFY(first.claim());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        auto second = startProgram();
        QTRY_COMPARE_WITH_TIMEOUT(second->state(), QProcess::NotRunning, 15000);
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QTRY_COMPARE(activated.count(), 1);
    }

    void noLockPossibleStartsAsFirst()
    {
        // Under a regular file no lock can be created, whoever runs the test.
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        SingleInstance instance(QStringLiteral("KT250APP"), plain.fileName() + QStringLiteral("/below"));
        QElapsedTimer took;
        took.start();
        QVERIFY(instance.claim());
        QVERIFY(took.elapsed() < 2000); // not after waiting out a first instance that is not there
    }

    void racingStartsLeaveExactlyOne()
    {
        auto a = startProgram();
        auto b = startProgram();
        QTRY_VERIFY_WITH_TIMEOUT(a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning, 15000);
        QTest::qWait(1500);
        QCOMPARE(int(a->state() == QProcess::Running) + int(b->state() == QProcess::Running), 1);
        QProcess *ended = a->state() == QProcess::Running ? b.get() : a.get();
        QCOMPARE(ended->exitCode(), 0);

        // A killed instance leaves its lock behind; the next start must not mind.
        QProcess *survivor = a->state() == QProcess::Running ? a.get() : b.get();
        survivor->kill();
        survivor->waitForFinished();
        auto next = startProgram();
        QVERIFY(next->waitForStarted());
        QTest::qWait(1500);
        QCOMPARE(next->state(), QProcess::Running);
        next->kill();
        next->waitForFinished();
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
