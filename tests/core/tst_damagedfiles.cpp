// Damaged and hostile parameter files fail quickly with one clear message;
// the parameter table and this process come through unharmed.
#include "TestSupport.h"
#include "paramdb/ParameterRecord.h"
#include "paramdb/ParameterStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using namespace dr420;

namespace {
// A cut copy of a shared test file, or empty when the data is not there.
QString cutCopy(const QTemporaryDir &dir, const QString &name, qint64 bytes)
{
    const QString shared = test::sharedTestData();
    if (shared.isEmpty())
        return QString();
    QFile in(shared + QLatin1Char('/') + name);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    const QString path = dir.filePath(QStringLiteral("%1-%2.mdb").arg(name.section(QLatin1Char('.'), 0, 0)).arg(bytes));
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes > 0 ? in.read(bytes) : in.readAll());
    return path;
}

QString makeSqlite(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        for (const QString &s : statements)
            if (!q.exec(s))
                qFatal("fixture statement failed: %s", qPrintable(s));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return path;
}

const QString kGroups = QStringLiteral("CREATE TABLE Groups (GroupNO TEXT, GroupName TEXT)");
const QString kColumns = QStringLiteral(
    "PNO, GroupNO, Name, Description, RW, Sign, ZPoint, Value, Unit, MaxLmt, MaxVal, MinLmt, MinVal, MultiLmt, "
    "InputType, ItemGroupNO");

// Sanitizer builds carry shadow memory and a quarantine of their own.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long kResidentBoundMb = 1500;
#else
constexpr long kResidentBoundMb = 400;
#endif

long maxResidentMb(int who)
{
    rusage u{};
    getrusage(who, &u);
    return u.ru_maxrss / 1024;
}
} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void damagedFilesFailFastAndLeaveTheTable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("said");
        const QString damaged = QStringLiteral("damaged or incompletely copied");
        QTest::newRow("fuzzed Jet 4 file") << "shared" << "damaged-props-loop.mdb" << qint64(0) << damaged;
        QTest::newRow("half-copied Jet 4 file") << "shared" << "datetest-half-copied.mdb" << qint64(0) << damaged;
        // Cut lengths found by scanning in steps: the reader loops on these.
        QTest::newRow("nwind cut at 1 500 000") << "shared" << "nwind.mdb" << qint64(1500000) << damaged;
        QTest::newRow("nwind cut at 1 525 000") << "shared" << "nwind.mdb" << qint64(1525000) << damaged;
        QTest::newRow("recursive view") << "recursive view" << "" << qint64(0) << "took more than 5 s";
        QTest::newRow("a million parameters") << "too many" << "" << qint64(0) << "more than 100000 parameters";
    }
    void damagedFilesFailFastAndLeaveTheTable()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(qint64, bytes);
        QFETCH(QString, said);
        QString path;
        if (kind == QLatin1String("shared")) {
            path = cutCopy(m_dir, name, bytes);
            if (path.isEmpty())
                QSKIP("shared test data not beside the checkout");
        } else if (kind == QLatin1String("recursive view")) {
            path = makeSqlite(m_dir.filePath(QStringLiteral("recursive.mdb")),
                              {kGroups, QStringLiteral("CREATE VIEW Parameter AS WITH RECURSIVE c(x) AS (SELECT 1 UNION "
                                                       "ALL SELECT x+1 FROM c) SELECT 'F0-00' AS PNO, 'F0' AS GroupNO FROM "
                                                       "c WHERE x < 0")});
        } else {
            path = makeSqlite(m_dir.filePath(QStringLiteral("million.mdb")),
                              {kGroups, QStringLiteral("CREATE VIEW Parameter AS WITH RECURSIVE c(x) AS (SELECT 1 UNION "
                                                       "ALL SELECT x+1 FROM c WHERE x < 1000000) SELECT 'F' || x AS PNO, "
                                                       "'F0' AS GroupNO FROM c")});
        }
        ParameterRecord kept;
        kept.PNO = QStringLiteral("F0-11");
        kept.Value = QStringLiteral("42.00"); // read from the drive, not saved
        ParameterTable() = {kept};
        std::vector<ParameterRecord> before;
        before.swap(ParameterTable()); // as the editor keeps it while opening
        test::RecordingDialogs dialogs;
        QElapsedTimer t;
        t.start();
        const LoadResult r = LoadParameterTable(path);
        const qint64 ms = t.elapsed();
        QVERIFY(!r.opened || r.loaded == 0);
        QVERIFY2(ms < 10000, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.contains(said), qPrintable(dialogs.messages.first().text));
        QVERIFY(ParameterTable().empty());
        ParameterTable().swap(before);
        QCOMPARE(ParameterTable().front().Value, QStringLiteral("42.00"));
        // Neither this process nor the reader grew large.
        QVERIFY2(maxResidentMb(RUSAGE_SELF) < kResidentBoundMb, qPrintable(QString::number(maxResidentMb(RUSAGE_SELF))));
        QVERIFY2(maxResidentMb(RUSAGE_CHILDREN) < kResidentBoundMb,
                 qPrintable(QString::number(maxResidentMb(RUSAGE_CHILDREN))));
    }

    void cliListOfADamagedFile()
    {
        const QString path = cutCopy(m_dir, QStringLiteral("damaged-props-loop.mdb"), 0);
        if (path.isEmpty())
            QSKIP("shared test data not beside the checkout");
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/dr420-cli"), {"list", path});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        const QList<QByteArray> lines = p.readAllStandardError().trimmed().split('\n');
        QVERIFY2(lines.size() <= 2, lines.join('\n').left(2000).constData()); // the message, and the no-parameters line
        QVERIFY(lines.first().contains("damaged or incompletely copied"));
    }

    void loaderReasonsNameTheColumn()
    {
        const QString path = makeSqlite(
            m_dir.filePath(QStringLiteral("reasons.mdb")),
            {kGroups, QStringLiteral("INSERT INTO Groups VALUES('F0','Basic')"),
             QStringLiteral("CREATE TABLE Parameter (%1)").arg(kColumns),
             QStringLiteral("CREATE TABLE SelectTable (ItemGroupNO, \"Index\", Value, Description)"),
             QStringLiteral("INSERT INTO Parameter VALUES('F0-00','F0','N',NULL,'two',0,0,'1',NULL,0,'9',0,'0',0,0,0)"),
             QStringLiteral("INSERT INTO Parameter VALUES('F0-01','F0','N',NULL,2,0,300,'1',NULL,0,'9',0,'0',0,0,0)"),
             QStringLiteral("INSERT INTO Parameter VALUES('F0-02','F0','N',NULL,NULL,0,0,'1',NULL,0,'9',0,'0',0,0,0)"),
             QStringLiteral("INSERT INTO Parameter VALUES('F0-' || char(10) || '03','F0','N',NULL,2,0,0,'1',NULL,0,'9',0,'0',0,0,0)"),
             QStringLiteral("INSERT INTO Parameter VALUES('F0-04','F0','N',NULL,2,0,2,'1',NULL,0,'9',0,'0',0,0,0)")});
        test::RecordingDialogs dialogs;
        ParameterTable().clear();
        const LoadResult r = LoadParameterTable(path);
        QCOMPARE(r.loaded, 1);
        QCOMPARE(r.skipped, (QStringList{"F0-\uFFFD03: the number holds control characters",
                                         "F0-00: not a number in RW", "F0-01: ZPoint 300 is outside 0..255",
                                         "F0-02: no value in RW"}));
    }
};

QTEST_GUILESS_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
