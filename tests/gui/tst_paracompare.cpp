#include "DriveSimulator.h"
#include "TestSupport.h"
#include "controls/ComboListCtrl.h"
#include "editor/DriveJobs.h"
#include "editor/ParaCompareDlg.h"
#include "editor/ParaView.h"
#include "editor/StepProgressDlg.h"
#include "link/SerialLinkDriver.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace dr420;

namespace {
QString sampleDatabase()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
}

void loadDefaults()
{
    ParameterTable().clear();
    LoadParameterTable(sampleDatabase());
    SortParameterTable();
    SortOptionLists();
}

void setValue(const QString &pno, const QString &value)
{
    ParameterTable()[size_t(FindParameterIndex(pno))].Value = value;
}

QString value(const QString &pno)
{
    return ParameterTable()[size_t(FindParameterIndex(pno))].Value;
}

QStringList shownNumbers(const CParaCompareDlg &dialog)
{
    QStringList n;
    for (int r = 0; r < dialog.table()->rowCount(); ++r)
        n << dialog.table()->item(r, 0)->text();
    return n;
}

// A simulated drive with the sample values, on our serial link.
struct Drive
{
    sim::DriveSimulator sim;
    SerialLinkDriver link;
    explicit Drive(sim::SimOptions o = {})
        : sim([&o] {
            o.database = sampleDatabase();
            return o;
        }())
    {
    }
    bool start()
    {
        setLinkDriver(&link);
        LinkSettings().rs485 = false;
        return sim.start() && link.openDevice(sim.slavePath(), 115200, 0);
    }
    ~Drive() { setLinkDriver(nullptr); }
    uint16_t reg(const char *pno) { return sim.registerValue(PnoToAddress(QLatin1String(pno))); }
};
} // namespace

class TestParaCompare : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // The defaults with some values changed, saved as a parameter file.
    QString fileWith(const QString &name, const QList<QPair<QString, QString>> &values)
    {
        loadDefaults();
        for (const auto &[pno, v] : values)
            setValue(pno, v);
        const QString path = m_dir.filePath(name);
        const bool saved = SaveParameterFile(path);
        loadDefaults();
        return saved ? path : QString();
    }

private slots:
    void initTestCase()
    {
        test::isolateUserFolders();
        setDefaultDatabasePath(sampleDatabase());
    }
    void init() { loadDefaults(); }

    void fileReferenceListsRealDifferencesOnly()
    {
        test::RecordingDialogs dialogs;
        const QString file = fileWith(QStringLiteral("line3.mdb"), {{"F0-11", "7.00"}, {"F0-13", "8.00"}, {"F0-02", "0"}});
        QVERIFY(!file.isEmpty());
        CParaCompareDlg dialog({});
        QCOMPARE(dialog.comparison().differences(), 0); // against the default database to start with
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("0 of 261 parameters differ"));
        dialogs.fileAnswers = {file};
        QVERIFY(dialog.chooseReference(CParaCompareDlg::ParameterFile));
        QCOMPARE(dialog.table()->horizontalHeaderItem(3)->text(), QStringLiteral("line3.mdb"));
        QCOMPARE(shownNumbers(dialog), (QStringList{"F0-11", "F0-13"})); // "00" and "0" are one value
        QCOMPARE(dialog.countLabel()->text(), QStringLiteral("2 of 261 parameters differ"));
        QCOMPARE(dialog.table()->item(0, 3)->text(), QStringLiteral("7.00"));

        dialog.differencesOnly()->setChecked(false);
        QCOMPARE(dialog.table()->rowCount(), 261);
        // The group filter: only F1's parameters, none of which differ.
        dialog.groupFilter()->setCurrentIndex(dialog.groupFilter()->findData(QStringLiteral("F1")));
        QVERIFY(dialog.table()->rowCount() > 0);
        for (const QString &pno : shownNumbers(dialog))
            QVERIFY(pno.startsWith(QLatin1String("F1-")));
        dialog.differencesOnly()->setChecked(true);
        QCOMPARE(dialog.table()->rowCount(), 0);
        dialog.groupFilter()->setCurrentIndex(0);

        // A cancelled file dialog keeps the reference.
        dialogs.fileAnswers = {QString()};
        QVERIFY(!dialog.chooseReference(CParaCompareDlg::ParameterFile));
        QCOMPARE(dialog.comparison().differences(), 2);
    }

    void tickedReferenceValuesGoIntoTheTable()
    {
        test::RecordingDialogs dialogs;
        const QString file = fileWith(QStringLiteral("wanted.mdb"), {{"F0-11", "7.00"}, {"F0-13", "8.00"}});
        CParaView view;
        view.fillListAll();
        view.compareParameters();
        CParaCompareDlg *dialog = view.compareDialog();
        QVERIFY(dialog);
        dialogs.fileAnswers = {file};
        QVERIFY(dialog->chooseReference(CParaCompareDlg::ParameterFile));
        QSignalSpy changed(dialog, &CParaCompareDlg::tableChanged);
        QCOMPARE(dialog->takeTickedReferenceValues(), 0); // nothing ticked
        dialog->table()->item(0, 0)->setCheckState(Qt::Checked); // F0-11
        QCOMPARE(dialog->takeTickedReferenceValues(), 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(value(QStringLiteral("F0-11")), QStringLiteral("7.00"));
        QCOMPARE(value(QStringLiteral("F0-13")), QStringLiteral("10.00"));
        QCOMPARE(shownNumbers(*dialog), QStringList{"F0-13"});
        // The editor's list shows the taken value.
        for (int r = 0; r < view.list()->rowCount(); ++r)
            if (view.list()->item(r, 0)->text() == QLatin1String("F0-11"))
                QCOMPARE(view.list()->item(r, 2)->text(), QStringLiteral("7.00"));

        // CSV of what is shown.
        const QString csv = m_dir.filePath(QStringLiteral("diff.csv"));
        dialogs.fileAnswers = {csv};
        QVERIFY(dialog->exportCsv());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("PNO,Name,Value,wanted.mdb,Unit\nF0-13,Deceleration time 1,10.00,8.00,s\n"));
    }

    void driveReferenceAfterOneWrite()
    {
        test::RecordingDialogs dialogs;
        Drive drive;
        QVERIFY(drive.start());
        drive.sim.defineRegister(PnoToAddress(QStringLiteral("F0-11")), 1234);
        CParaCompareDlg dialog([] { return true; });
        QVERIFY(dialog.chooseReference(CParaCompareDlg::Drive));
        QCOMPARE(shownNumbers(dialog), QStringList{"F0-11"});
        QCOMPARE(dialog.table()->item(0, 3)->text(), QStringLiteral("12.34"));
        QCOMPARE(dialog.table()->horizontalHeaderItem(3)->text(), QStringLiteral("Drive"));
        QCOMPARE(dialogs.messages.size(), 0);
        // Not connected: nothing is read, the reference stays.
        CParaCompareDlg offline([] { return false; });
        QVERIFY(!offline.chooseReference(CParaCompareDlg::Drive));
        QCOMPARE(offline.referenceChoice()->currentIndex(), int(CParaCompareDlg::DefaultDatabase));
    }

    void backupThenRestoreAChangedDrive()
    {
        test::RecordingDialogs dialogs;
        Drive drive;
        QVERIFY(drive.start());
        const QString backup = m_dir.filePath(backupFileName(QDateTime(QDate(2026, 12, 10), QTime(15, 30))));
        QVERIFY(backup.endsWith(QLatin1String("DR420 backup 2026-12-10 1530.mdb")));
        dialogs.fileAnswers = {backup};
        QVERIFY(backupDriveToFile(nullptr, ParameterTable()));
        QVERIFY2(dialogs.texts().last().startsWith(QLatin1String("Backup saved: 261 parameters")),
                 qPrintable(dialogs.texts().join('|')));
        QVERIFY(dialogs.fileRequests.last().initialPath.startsWith(QLatin1String("DR420 backup ")));

        // The drive is changed; one change can only be undone while it is stopped.
        drive.sim.defineRegister(PnoToAddress(QStringLiteral("F0-11")), 111);
        drive.sim.defineRegister(PnoToAddress(QStringLiteral("F1-02")), 400);
        drive.sim.setRunState(1);
        // Cancelled at the confirmation: nothing is written.
        dialogs.fileAnswers = {backup};
        dialogs.confirmAnswers = {false};
        drive.sim.clearRequests();
        QVERIFY(!restoreFileToDrive(nullptr));
        for (const auto &req : drive.sim.requests())
            QVERIFY(req.code != 66);
        QCOMPARE(dialogs.confirmations.last().details,
                 (QStringList{"F0-11 Acceleration time 1: 1.11 -> 10.00 s", "F1-02 Rated voltage: 400 -> 380 V"}));

        dialogs.fileAnswers = {backup};
        dialogs.confirmAnswers = {true};
        QVERIFY(!restoreFileToDrive(nullptr)); // F1-02 refused while running
        QCOMPARE(drive.reg("F0-11"), uint16_t(1000));
        QCOMPARE(drive.reg("F1-02"), uint16_t(400));
        QVERIFY2(dialogs.texts().last().contains(QLatin1String("Refused while the drive runs:\nF1-02")),
                 qPrintable(dialogs.texts().last()));

        drive.sim.setRunState(3);
        dialogs.fileAnswers = {backup};
        dialogs.confirmAnswers = {true};
        QVERIFY(restoreFileToDrive(nullptr));
        QCOMPARE(drive.reg("F1-02"), uint16_t(380));
        QVERIFY(dialogs.texts().last().startsWith(QLatin1String("1 of 1 function code(s) restored and verified")));
    }

    void restoreReportsAValueTheDriveDidNotTake()
    {
        test::RecordingDialogs dialogs;
        sim::SimOptions o;
        o.ignoreWrites = {PnoToAddress(QStringLiteral("F0-11"))};
        Drive drive(o);
        QVERIFY(drive.start());
        const QString file = fileWith(QStringLiteral("kept.mdb"), {{"F0-11", "7.00"}, {"F0-13", "8.00"}});
        dialogs.fileAnswers = {file};
        dialogs.confirmAnswers = {true};
        QVERIFY(!restoreFileToDrive(nullptr));
        QVERIFY2(dialogs.texts().last().contains(QLatin1String("Did not take the value:\nF0-11")),
                 qPrintable(dialogs.texts().last()));
        QCOMPARE(drive.reg("F0-13"), uint16_t(800));
    }

    void backupWithAnUnreadableParameterSavesNothing()
    {
        test::RecordingDialogs dialogs;
        Drive drive; // the simulator refuses registers it does not know
        QVERIFY(drive.start());
        ParameterList definitions = ParameterTable();
        ParameterRecord ghost = definitions.front();
        ghost.PNO = QStringLiteral("FE-99");
        definitions.push_back(ghost);
        const QString path = m_dir.filePath(QStringLiteral("partial.mdb"));
        dialogs.fileAnswers = {path};
        QVERIFY(!backupDriveToFile(nullptr, definitions));
        QVERIFY(!QFile::exists(path));
        QVERIFY2(dialogs.texts().last().contains(QLatin1String("FE-99")), qPrintable(dialogs.texts().last()));
    }

    void stepDialogStopsBetweenSteps()
    {
        int done = 0;
        CStepProgressDlg dialog(QStringLiteral("Job"),
                                {[&] { return done >= 1000; },
                                 [&] {
                                     QThread::msleep(1);
                                     return QStringLiteral("step %1").arg(++done);
                                 },
                                 [&] { return done / 10; }},
                                true);
        QTimer::singleShot(100, &dialog, [&] { QTest::mouseClick(dialog.stopButton(), Qt::LeftButton); });
        dialog.exec();
        QVERIFY(dialog.wasStopped());
        QVERIFY(done > 0 && done < 1000);
        QCOMPARE(dialog.lines()->count(), done);
    }
};

QTEST_MAIN(TestParaCompare)
#include "tst_paracompare.moc"
