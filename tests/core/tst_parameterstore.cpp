#include "TestSupport.h"
#include "paramdb/ADOConn.h"
#include "paramdb/DatabaseFile.h"
#include "paramdb/ParameterRules.h"
#include "paramdb/ParameterStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace dr420;

namespace {
const char *kSchema[] = {
    "CREATE TABLE Groups (GroupNO TEXT, GroupName TEXT)",
    "CREATE TABLE Parameter (PNO TEXT, GroupNO TEXT, Name TEXT, Description TEXT, RW INTEGER, Sign INTEGER, "
    "ZPoint INTEGER, Value TEXT, Unit TEXT, MaxLmt INTEGER, MaxVal TEXT, MinLmt INTEGER, MinVal TEXT, "
    "MultiLmt INTEGER, InputType INTEGER, ItemGroupNO INTEGER)",
    "CREATE TABLE SelectTable (ItemGroupNO INTEGER, \"Index\" INTEGER, Value TEXT, Description TEXT)",
    "INSERT INTO Groups VALUES('F0','Basic')",
};

// A small parameter file: the schema plus the given statements.
QString makeDatabase(const QString &path, const QStringList &statements, bool schema = true)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        db.transaction();
        if (schema)
            for (const char *s : kSchema)
                q.exec(QLatin1String(s));
        for (const QString &s : statements)
            if (!q.exec(s))
                qFatal("fixture statement failed: %s", qPrintable(s));
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return path;
}

QString row(const QString &pno, const QString &value, const QString &group = QStringLiteral("'F0'"),
            const QString &rw = QStringLiteral("2"))
{
    return QStringLiteral("INSERT INTO Parameter VALUES(%1,%2,'Name of %3',NULL,%4,0,2,%5,NULL,0,'100',0,'0',0,0,0)")
        .arg(pno, group, QString(pno).remove(QLatin1Char('\'')), rw, value);
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString sampleDatabase()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/DR420.mdb");
}
} // namespace

class TestParameterStore : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void init() { ParameterTable().clear(); }
    void cleanup() { setDefaultDatabasePath(QString()); }

    void sampleDatabaseLoadsWhole()
    {
        test::RecordingDialogs dialogs;
        const LoadResult result = LoadParameterTable(sampleDatabase());
        QVERIFY(result.opened);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('\n'))));
        QVERIFY(result.skipped.isEmpty());
        QVERIFY(result.loaded >= 200 && result.loaded <= 300);
        QCOMPARE(int(ParameterTable().size()), result.loaded);

        QMap<QString, int> perGroup;
        for (const ParameterRecord &r : ParameterTable())
            ++perGroup[r.GroupNO];
        QCOMPARE(perGroup.size(), 16);
        QCOMPARE(perGroup.value(QStringLiteral("F0")), 21);
        QCOMPARE(perGroup.value(QStringLiteral("U0")), 24);

        ParameterRecord sel;
        QVERIFY(FindParameter(QStringLiteral("F3-00"), sel));
        QCOMPARE(sel.GroupName, QStringLiteral("V/F Control"));
        QCOMPARE(sel.RW, 1);
        QVERIFY(sel.InputType != 0);
        QVERIFY(sel.Options[0].contains(QStringLiteral("A:V/F complete separation")));
        QCOMPARE(sel.Options[0].size(), 9);

        ParameterRecord multi;
        QVERIFY(FindParameter(QStringLiteral("F4-22"), multi));
        QCOMPARE(int(multi.MultiLmt), 1);
        QCOMPARE(multi.Options[1].size(), 3);
        QCOMPARE(multi.Options[3].constFirst(), QStringLiteral("1:Potentiometer: curve 1"));
        QVERIFY(multi.Options[4].isEmpty());

        ParameterRecord ref;
        QVERIFY(FindParameter(QStringLiteral("F0-12"), ref));
        QVERIFY(ref.MaxLmt != 0 && ref.MinLmt != 0);
        QCOMPARE(ref.MaxVal, QStringLiteral("F0-07"));
        QCOMPARE(ref.Unit, QStringLiteral("Hz"));
        QCOMPARE(int(ref.ZPoint), 2);
        QVERIFY(CheckLimits(ref));
    }

    void sampleExercisesEveryRule()
    {
        LoadParameterTable(sampleDatabase());
        QSet<int> rw, zpoint, multiDigits, multiModes;
        bool signedOne = false, letterKey = false, leadingZeroKey = false, nullDescription = false, nullUnit = false;
        QSet<QChar> firstChars;
        for (const ParameterRecord &r : ParameterTable()) {
            rw << r.RW;
            zpoint << r.ZPoint;
            signedOne |= r.Sign != 0;
            nullDescription |= r.Description.isEmpty();
            nullUnit |= r.Unit.isEmpty();
            firstChars << r.PNO[0];
            if (r.isMultiDigit()) {
                multiModes << r.MultiLmt;
                int d = 0;
                for (int k = 1; k <= 5; ++k)
                    if (!r.Options[size_t(k)].isEmpty())
                        d = k;
                multiDigits << d;
            } else if (r.isSelection()) {
                for (const QString &o : r.Options[0]) {
                    letterKey |= o.startsWith(QLatin1Char('A'));
                    leadingZeroKey |= o.startsWith(QLatin1String("00:"));
                }
            }
        }
        QCOMPARE(rw, (QSet<int>{0, 1, 2}));
        QCOMPARE(zpoint, (QSet<int>{0, 1, 2, 3, 4}));
        QCOMPARE(multiDigits, (QSet<int>{2, 3, 4, 5}));
        QCOMPARE(multiModes, (QSet<int>{1, 2}));
        QVERIFY(signedOne && letterKey && leadingZeroKey && nullDescription && nullUnit);
        QVERIFY(firstChars.contains(QLatin1Char('U')) && firstChars.contains(QLatin1Char('P')));
        ParameterRecord fh;
        QVERIFY(FindParameter(QStringLiteral("FH-05"), fh));
    }

    void schemaBreakingRowsAreSkippedAndReported()
    {
        test::RecordingDialogs dialogs;
        const QString path = makeDatabase(file(QStringLiteral("broken.mdb")),
                                          {row("'F0-00'", "'1.00'"),
                                           row("'F0-01'", "NULL"),               // required value missing
                                           row("'F0-02'", "'2.00'", "'ZZ'"),     // group not in Groups
                                           row("'F0-03'", "'3.00'", "'F0'", "7"), // attribute out of range
                                           "INSERT INTO Parameter (PNO) VALUES('F0-04')"});
        const LoadResult result = LoadParameterTable(path);
        QCOMPARE(result.loaded, 2);
        QCOMPARE(result.skipped.size(), 3);
        QCOMPARE(int(ParameterTable().size()), 2);
        QCOMPARE(ParameterTable()[1].PNO, QStringLiteral("F0-03"));
        QCOMPARE(ParameterTable()[1].RW, 0); // not stored: stays read-only
        QCOMPARE(dialogs.messages.size(), 1);
        const QString text = dialogs.messages.first().text;
        QVERIFY2(text.startsWith(QLatin1String("3 parameter(s) of \"broken.mdb\"")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("F0-01: no value in Value")));
        QVERIFY(text.contains(QLatin1String("F0-02: its group is missing from Groups")));
    }

    void unopenableFilesShowOneMessageAndLoadNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray() << "Could not find file";
        QTest::newRow("text file") << QByteArray("just some text, not a database\n") << "Unrecognized database format";
        QTest::newRow("empty file") << QByteArray("") << "Unrecognized database format";
        QTest::newRow("damaged SQLite")
            << (QByteArray("SQLite format 3\0", 16) + QByteArray(200, '\xAB')) << "";
        // Opening them would block or never end.
        QTest::newRow("FIFO") << QByteArray("fifo") << "is not a file";
        QTest::newRow("/dev/zero") << QByteArray("/dev/zero") << "is not a file";
    }
    void unopenableFilesShowOneMessageAndLoadNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QString path = file(QStringLiteral("bad-%1.mdb").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
        if (content == "fifo") {
            path = file(QStringLiteral("pipe.mdb"));
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (content.startsWith('/')) {
            path = QString::fromLatin1(content);
        } else if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        test::RecordingDialogs dialogs;
        const LoadResult result = LoadParameterTable(path);
        QVERIFY(!result.opened || result.loaded == 0);
        QVERIFY(ParameterTable().empty());
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.contains(message), qPrintable(dialogs.messages.first().text));
        if (content.isNull())
            QVERIFY(!QFile::exists(path)); // opening never creates the file
    }

    void fileWithoutParameterTableGivesTheStatementError()
    {
        const QString path = makeDatabase(file(QStringLiteral("other.mdb")), {"CREATE TABLE Other (x INTEGER)"}, false);
        test::RecordingDialogs dialogs;
        const LoadResult result = LoadParameterTable(path);
        QCOMPARE(result.loaded, 0);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.contains(QLatin1String("Parameter")), qPrintable(dialogs.texts().join(';')));
    }

    void quotesRoundTripThroughSaveAndReload()
    {
        const QString path = makeDatabase(file(QStringLiteral("quotes.mdb")),
                                          {row("'F0-00'", "'1'"), row("'O''Brien-1'", "'2'")});
        LoadParameterTable(path);
        QCOMPARE(int(ParameterTable().size()), 2);
        ParameterTable()[0].Value = QStringLiteral("it's 5'; drop table Parameter; --");
        ParameterTable()[1].Value = QStringLiteral("\"x\"");
        test::RecordingDialogs dialogs;
        QVERIFY(WriteValuesToDatabase(path));
        ParameterTable().clear();
        LoadParameterTable(path);
        QCOMPARE(int(ParameterTable().size()), 2);
        QCOMPARE(ParameterTable()[0].Value, QStringLiteral("it's 5'; drop table Parameter; --"));
        QCOMPARE(ParameterTable()[1].PNO, QStringLiteral("O'Brien-1"));
        QCOMPARE(ParameterTable()[1].Value, QStringLiteral("\"x\""));
        QVERIFY(dialogs.messages.isEmpty());
    }

    void saveToNewNameCopiesDefaultAndWritesValues()
    {
        const QString def = file(QStringLiteral("default.mdb"));
        QVERIFY(QFile::copy(sampleDatabase(), def));
        setDefaultDatabasePath(def);
        LoadParameterTable(def);
        for (ParameterRecord &r : ParameterTable())
            if (r.PNO == QLatin1String("F0-11"))
                r.Value = QStringLiteral("12.34");
        const QByteArray before = digest(def);
        const QString target = file(QStringLiteral("Saved.MDB"));
        test::RecordingDialogs dialogs;
        QVERIFY(SaveParameterFile(target));
        QVERIFY(dialogs.messages.isEmpty());
        QCOMPARE(digest(def), before); // the default database is untouched
        ParameterTable().clear();
        LoadParameterTable(target);
        ParameterRecord r;
        QVERIFY(FindParameter(QStringLiteral("F0-11"), r));
        QCOMPARE(r.Value, QStringLiteral("12.34"));
    }

    void saveOntoDefaultWritesInPlace()
    {
        const QString def = makeDatabase(file(QStringLiteral("inplace.mdb")), {row("'F0-00'", "'1'")});
        setDefaultDatabasePath(def);
        LoadParameterTable(def);
        ParameterTable()[0].Value = QStringLiteral("9");
        QVERIFY(SaveParameterFile(def));
        ParameterTable().clear();
        LoadParameterTable(def);
        QCOMPARE(ParameterTable()[0].Value, QStringLiteral("9"));
    }

    void saveRefusesOtherExtensionsAndSaysSo()
    {
        test::RecordingDialogs dialogs;
        QVERIFY(!SaveParameterFile(file(QStringLiteral("values.txt"))));
        QVERIFY(!SaveParameterFile(QString()));
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("must end in .mdb")));
        QVERIFY(!QFile::exists(file(QStringLiteral("values.txt"))));
        QVERIFY(isParameterFilePath(QStringLiteral("/a.b/c.Mdb")));
        QVERIFY(!isParameterFilePath(QStringLiteral("/a.mdb/c")));
    }

    void failingSaveLeavesFileUnchanged()
    {
        const QString path = makeDatabase(file(QStringLiteral("guarded.mdb")),
                                          {row("'F0-00'", "'1'"), row("'F0-01'", "'2'"),
                                           // The second update is refused by the file itself.
                                           "CREATE TRIGGER no_f001 BEFORE UPDATE ON Parameter WHEN NEW.PNO='F0-01' "
                                           "BEGIN SELECT RAISE(ABORT, 'F0-01 is locked'); END"});
        LoadParameterTable(path);
        const QByteArray before = digest(path);
        ParameterTable()[0].Value = QStringLiteral("5");
        ParameterTable()[1].Value = QStringLiteral("6");
        test::RecordingDialogs dialogs;
        setDefaultDatabasePath(path);
        QVERIFY(!SaveParameterFile(path));
        QCOMPARE(digest(path), before);
        QCOMPARE(dialogs.texts(), (QStringList{"F0-01 is locked",
                                               "An error occurred while writing data to the database. Please check if the database exists!"}));
    }

    void saveFailuresLeaveTheTargetAsItWas_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("onto another SQLite file, the default refuses an update") << "trigger";
        QTest::newRow("a file system that takes no more (size limit)") << "size limit";
        QTest::newRow("read-only target") << "read-only";
        QTest::newRow("onto a genuine Access default without the schema") << "access";
    }
    void saveFailuresLeaveTheTargetAsItWas()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
        QStringList rows;
        for (int i = 0; i < 200; ++i)
            rows << row(QStringLiteral("'F0-%1'").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("'1'"));
        if (kind == QLatin1String("trigger"))
            rows << "CREATE TRIGGER no_update BEFORE UPDATE ON Parameter BEGIN SELECT RAISE(ABORT, 'locked'); END";
        QString def = makeDatabase(at("default.mdb"), rows);
        QString target = makeDatabase(at("mine.mdb"), {row("'F0-000'", "'7'")});
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        LoadParameterTable(def);
        QVERIFY(!ParameterTable().empty());
        if (kind == QLatin1String("read-only")) {
            QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else if (kind == QLatin1String("access")) {
            const QString shared = test::sharedTestData();
            if (shared.isEmpty())
                QSKIP("shared test data not beside the checkout");
            QVERIFY(QFile::copy(shared + QStringLiteral("/nwind.mdb"), at("access.mdb")));
            QFile::setPermissions(at("access.mdb"), QFile::ReadOwner | QFile::WriteOwner);
            def = target = at("access.mdb");
        }
        // A file of the user's with the name a careless save would use.
        QFile part(target + QStringLiteral(".part"));
        QVERIFY(part.open(QIODevice::WriteOnly));
        part.write("keep me");
        part.close();
        const QByteArray before = digest(target);
        const QFile::Permissions mode = QFile::permissions(target);
        setDefaultDatabasePath(def);
        test::RecordingDialogs dialogs;
        bool saved = true;
        if (kind == QLatin1String("size limit")) {
            rlimit old{};
            getrlimit(RLIMIT_FSIZE, &old);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = old;
            small.rlim_cur = 4096; // the default file is larger
            setrlimit(RLIMIT_FSIZE, &small);
            saved = SaveParameterFile(target);
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            saved = SaveParameterFile(target);
        }
        QVERIFY(!saved);
        QVERIFY(!dialogs.messages.isEmpty());
        if (kind == QLatin1String("read-only"))
            QVERIFY2(dialogs.messages.first().text.contains(QLatin1String("write-protected")),
                     qPrintable(dialogs.messages.first().text));
        QCOMPARE(digest(target), before);
        QCOMPARE(QFile::permissions(target), mode);
        QCOMPARE(digest(target + QStringLiteral(".part")), QCryptographicHash::hash("keep me", QCryptographicHash::Sha256));
        // No temporary file is left behind.
        const QStringList left = QDir(dir.path()).entryList(QDir::Files);
        for (const QString &name : left)
            QVERIFY2(!name.endsWith(QLatin1String(".part")) || name == QFileInfo(target).fileName() + QStringLiteral(".part"),
                     qPrintable(name));
    }

    // Blanks around a number are no part of it, and a number given twice is
    // one parameter (its first row) for every reader, and is reported.
    void numbersAreTrimmedAndDuplicatesReported()
    {
        const QString path = makeDatabase(file(QStringLiteral("padded.mdb")),
                                          {row("' F0-00 '", "'1.00'"), row("'F0-01'", "'2.00'"),
                                           row("'F0-01 '", "'9.00'"), row("'F0-02'", "'3.00'")});
        test::RecordingDialogs dialogs;
        const LoadResult result = LoadParameterTable(path);
        QCOMPARE(result.loaded, 3);
        QCOMPARE(result.duplicates, QStringList{QStringLiteral("F0-01: 2 rows")});
        QCOMPARE(ParameterTable()[0].PNO, QStringLiteral("F0-00"));
        QCOMPARE(ParameterTable()[1].Value, QStringLiteral("2.00"));
        QCOMPARE(FindParameterIndex(QStringLiteral(" F0-00")), 0);
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY2(dialogs.messages.first().text.contains(QLatin1String("F0-01: 2 rows")),
                 qPrintable(dialogs.messages.first().text));
        // The save keys on the trimmed number: the padded row takes its value.
        ParameterTable()[0].Value = QStringLiteral("4.00");
        setDefaultDatabasePath(path);
        const QString saved = file(QStringLiteral("padded-saved.mdb"));
        QVERIFY(SaveParameterFile(saved));
        ParameterTable().clear();
        LoadParameterTable(saved);
        QCOMPARE(ParameterTable()[0].PNO, QStringLiteral("F0-00"));
        QCOMPARE(ParameterTable()[0].Value, QStringLiteral("4.00"));
    }

    // A full disk: the target is unchanged and the message names the cause;
    // temporary files of a killed save go at the next save, a user's stay.
    void fullDiskSaysWhyAndLeftoversGo()
    {
        test::SmallFileSystem disk(48); // less than the sample database
        if (!disk.ok())
            QSKIP("needs root to mount a small tmpfs");
        const QString target = makeDatabase(disk.file(QStringLiteral("mine.mdb")), {row("'F0-00'", "'7'")});
        const QByteArray before = digest(target);
        for (const char *name : {"mine.mdb.Ab12Cd.part", "mine.mdb.Ab12Cd.part-journal", "mine.mdb.part"}) {
            QFile f(disk.file(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        setDefaultDatabasePath(sampleDatabase());
        LoadParameterTable(sampleDatabase());
        test::RecordingDialogs dialogs;
        QVERIFY(!SaveParameterFile(target));
        QCOMPARE(digest(target), before);
        QVERIFY(!dialogs.messages.isEmpty());
        QVERIFY2(dialogs.messages.last().text.contains(QLatin1String("No space left on device")),
                 qPrintable(dialogs.texts().join(QLatin1Char('|'))));
        QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files),
                 (QStringList{"mine.mdb", "mine.mdb.part"}));
        // With room, the same save succeeds.
        ParameterTable().clear();
        const QString small = makeDatabase(file(QStringLiteral("small-default.mdb")), {row("'F0-00'", "'8'")});
        LoadParameterTable(small);
        setDefaultDatabasePath(small);
        QVERIFY(SaveParameterFile(target));
    }

    void saveKeepsTheTargetsPermissions()
    {
        const QString def = makeDatabase(file(QStringLiteral("perm-default.mdb")), {row("'F0-00'", "'1'")});
        const QString target = makeDatabase(file(QStringLiteral("perm-target.mdb")), {row("'F0-00'", "'2'")});
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        const QFile::Permissions mode = QFile::permissions(target);
        setDefaultDatabasePath(def);
        LoadParameterTable(def);
        ParameterTable()[0].Value = QStringLiteral("3");
        QVERIFY(SaveParameterFile(target));
        QCOMPARE(QFile::permissions(target), mode);
        ParameterTable().clear();
        LoadParameterTable(target);
        QCOMPARE(ParameterTable()[0].Value, QStringLiteral("3"));
    }

    void saving2000ValuesIsOneTransaction()
    {
        QStringList rows;
        for (int i = 0; i < 2000; ++i)
            rows << row(QStringLiteral("'P%1'").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("'%1'").arg(i));
        const QString path = makeDatabase(file(QStringLiteral("big.mdb")), rows);
        LoadParameterTable(path);
        QCOMPARE(int(ParameterTable().size()), 2000);
        for (ParameterRecord &r : ParameterTable())
            r.Value += QLatin1String("0");
        QVERIFY(WriteValuesToDatabase(path));
        ParameterTable().clear();
        LoadParameterTable(path);
        QCOMPARE(ParameterTable()[1999].Value, QStringLiteral("19990"));
    }

    void accessJet3TableWalk()
    {
        const QString dir = test::sharedTestData();
        if (dir.isEmpty())
            QSKIP("shared test data not beside the checkout");
        ADOConn db(dir + QStringLiteral("/nwind.mdb"));
        test::RecordingDialogs dialogs;
        QVERIFY(db.Open());
        QVERIFY(db.isAccessCopy());
        QVERIFY(db.OpenRecordset(QStringLiteral("select * from Products order by ProductID")));
        QCOMPARE(db.Text(QStringLiteral("ProductName")), QStringLiteral("Chai"));
        QCOMPARE(db.Integer(QStringLiteral("ProductID")), 1);
        bool ok = false;
        QVERIFY(!db.Boolean(QStringLiteral("Discontinued"), &ok));
        QVERIFY(ok);
        int discontinued = 0, rows = 0;
        for (; !db.IsEOF(); db.MoveNext(), ++rows)
            discontinued += db.Boolean(QStringLiteral("Discontinued"));
        QCOMPARE(rows, 77);
        QCOMPARE(discontinued, 8);
        // Non-ASCII table name, Western (1252) text.
        QVERIFY(db.OpenRecordset(QStringLiteral("select count(*) as n from \"Umsätze\"")));
        QVERIFY(db.Integer(QStringLiteral("n")) > 0);
        QVERIFY(db.OpenRecordset(QStringLiteral("select count(*) as n from Customers where Region is null")));
        QVERIFY(db.Integer(QStringLiteral("n")) > 0);
        QVERIFY(db.OpenRecordset(QStringLiteral("select CompanyName from Customers where CustomerID='FRANS'")));
        QVERIFY(!db.IsEOF());
        // Text compares without case, as Jet does.
        QVERIFY(db.OpenRecordset(QStringLiteral("select CompanyName from Customers where CustomerID='frans'")));
        QVERIFY(!db.IsEOF());
        QVERIFY(db.OpenRecordset(QStringLiteral("select count(*) as n from Orders O, Customers C "
                                                "where lower(O.CustomerID)=C.CustomerID")));
        QVERIFY(db.Integer(QStringLiteral("n")) > 800);
        QVERIFY(dialogs.messages.isEmpty());
    }

    void jetTextRulesKeepEveryParameter()
    {
        // What the importer makes of a genuine Jet parameter file: "" in text
        // columns arrives as NULL, and keys differ in case.
        const QString path = makeDatabase(
            file(QStringLiteral("jetlike.mdb")),
            {"INSERT INTO Parameter VALUES('F0-00','f0',NULL,NULL,2,0,0,NULL,NULL,0,NULL,0,NULL,0,0,0)",
             "INSERT INTO Parameter VALUES('F0-01','F0','Name',NULL,2,0,0,'1',NULL,0,'9',0,'0',0,0,0)"});
        test::RecordingDialogs dialogs;
        LoadResult plain = LoadParameterTable(path);
        QCOMPARE(plain.loaded, 1); // as a SQLite file: NULL is NULL, "f0" is no group of "F0"
        ParameterTable().clear();
        // The same rows in a copy with Jet's text comparison.
        const QString nocase = makeDatabase(
            file(QStringLiteral("jetlike-nocase.mdb")),
            {"CREATE TABLE Groups (GroupNO TEXT COLLATE NOCASE, GroupName TEXT COLLATE NOCASE)",
             "CREATE TABLE Parameter (PNO TEXT COLLATE NOCASE, GroupNO TEXT COLLATE NOCASE, Name TEXT, Description "
             "TEXT, RW INTEGER, Sign INTEGER, ZPoint INTEGER, Value TEXT, Unit TEXT, MaxLmt INTEGER, MaxVal TEXT, "
             "MinLmt INTEGER, MinVal TEXT, MultiLmt INTEGER, InputType INTEGER, ItemGroupNO INTEGER)",
             "INSERT INTO Groups VALUES('F0','Basic')",
             "INSERT INTO Parameter VALUES('F0-00','f0',NULL,NULL,2,0,0,NULL,NULL,0,NULL,0,NULL,0,0,0)",
             "INSERT INTO Parameter VALUES('F0-01','F0','Name',NULL,2,0,0,'1',NULL,0,'9',0,'0',0,0,0)"},
            false);
        const LoadResult jet = LoadParameterTable(nocase, NullText::Empty);
        QCOMPARE(jet.loaded, 2); // and no SelectTable: fine, nobody needs one
        QVERIFY(jet.skipped.isEmpty());
        ParameterRecord r;
        QVERIFY(FindParameter(QStringLiteral("F0-00"), r));
        QCOMPARE(r.Name, QString());
        QCOMPARE(r.Value, QString());
        QCOMPARE(r.GroupName, QStringLiteral("Basic"));
        // The update finds the row whatever the case of its number.
        ParameterTable()[0].Value = QStringLiteral("5");
        ParameterTable()[0].PNO = QStringLiteral("f0-00");
        QVERIFY(WriteValuesToDatabase(nocase));
        ParameterTable().clear();
        LoadParameterTable(nocase, NullText::Empty);
        QVERIFY(FindParameter(QStringLiteral("F0-00"), r));
        QCOMPARE(r.Value, QStringLiteral("5"));
    }

    void missingSelectTableOnlyMattersToSelections()
    {
        const QString path = makeDatabase(
            file(QStringLiteral("noselect.mdb")),
            {"CREATE TABLE Groups (GroupNO TEXT, GroupName TEXT)",
             "CREATE TABLE Parameter (PNO TEXT, GroupNO TEXT, Name TEXT, Description TEXT, RW INTEGER, Sign INTEGER, "
             "ZPoint INTEGER, Value TEXT, Unit TEXT, MaxLmt INTEGER, MaxVal TEXT, MinLmt INTEGER, MinVal TEXT, "
             "MultiLmt INTEGER, InputType INTEGER, ItemGroupNO INTEGER)",
             "INSERT INTO Groups VALUES('F0','Basic')", row("'F0-00'", "'1'"),
             "INSERT INTO Parameter VALUES('F0-06','F0','Direction',NULL,2,0,0,'0',NULL,0,'1',0,'0',0,-1,6)"},
            false);
        test::RecordingDialogs dialogs;
        const LoadResult r = LoadParameterTable(path);
        QVERIFY(r.opened);
        QCOMPARE(r.loaded, 1);
        QCOMPARE(r.skipped.size(), 1);
        QVERIFY2(r.skipped.first().startsWith(QLatin1String("F0-06: its option list needs the table SelectTable")),
                 qPrintable(r.skipped.first()));
    }

    void accessJet4TableWalk()
    {
        const QString dir = test::sharedTestData();
        if (dir.isEmpty())
            QSKIP("shared test data not beside the checkout");
        ADOConn db(dir + QStringLiteral("/DateTestDatabase.mdb"));
        QVERIFY(db.Open());
        QVERIFY(db.OpenRecordset(QStringLiteral("select * from DateTest")));
        QVERIFY(!db.IsEOF());
        int rows = 0;
        for (; !db.IsEOF(); db.MoveNext())
            ++rows;
        QVERIFY(rows > 0);
    }

    void accessFileWithoutParameterTable()
    {
        const QString dir = test::sharedTestData();
        if (dir.isEmpty())
            QSKIP("shared test data not beside the checkout");
        test::RecordingDialogs dialogs;
        const LoadResult result = LoadParameterTable(dir + QStringLiteral("/nwind.mdb"));
        QVERIFY(result.opened);
        QCOMPARE(result.loaded, 0);
        QVERIFY(ParameterTable().empty());
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages.first().text.contains(QLatin1String("Parameter")));
    }

    void jet3CodePageRule()
    {
        QCOMPARE(jet3Charset(936), QStringLiteral("GBK"));
        QCOMPARE(jet3Charset(0), QStringLiteral("GBK"));
        QCOMPARE(jet3Charset(1252), QStringLiteral("CP1252"));
        QCOMPARE(jet3Charset(1251), QStringLiteral("CP1251"));
    }
};

QTEST_GUILESS_MAIN(TestParameterStore)
#include "tst_parameterstore.moc"
