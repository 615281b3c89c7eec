#include "common/PositionalIni.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using dr420::PositionalIni;

class TestPositionalIni : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString write(const QByteArray &content)
    {
        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(++n));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void readsBySectionPosition_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray two = "[Lists]\r\nport=COM1,COM2\r\n\r\n[Now]\r\nport=COM2\r\n";
        QTest::newRow("first section") << two << 0 << "port" << "COM1,COM2";
        QTest::newRow("second section whatever its name") << two << 1 << "port" << "COM2";
        QTest::newRow("section beyond the file") << two << 2 << "port" << "<missing>";
        QTest::newRow("missing key") << two << 1 << "baudrate" << "<missing>";
        QTest::newRow("keys ignore case") << two << 1 << "PORT" << "COM2";
        QTest::newRow("LF line ends") << QByteArray("[a]\nx=1\n[b]\nx=2\n") << 1 << "x" << "2";
        QTest::newRow("same name twice, told apart by position")
            << QByteArray("[s]\nk=one\n[s]\nk=two\n") << 1 << "k" << "two";
        QTest::newRow("blanks around key and value") << QByteArray("[a]\n  k =  v w  \n") << 0 << "k" << "v w";
        QTest::newRow("comment is no key") << QByteArray("[a]\n;k=1\nk=2\n") << 0 << "k" << "2";
        QTest::newRow("empty value") << QByteArray("[a]\nk=\n") << 0 << "k" << "";
        QTest::newRow("keys before any section belong to none")
            << QByteArray("k=0\n[a]\nk=1\n") << 0 << "k" << "1";
        QTest::newRow("missing file") << QByteArray() << 0 << "k" << "<missing>";
    }
    void readsBySectionPosition()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = content.isNull() ? m_dir.filePath(QStringLiteral("absent.ini")) : write(content);
        PositionalIni ini(path);
        QCOMPARE(ini.value(section, key, QStringLiteral("<missing>")), expected);
    }

    void sectionNamesInFileOrder()
    {
        PositionalIni ini(write("[Zeta]\n[alpha]\na=1\n[Mid]\n"));
        QCOMPARE(ini.sectionNames(), (QStringList{"Zeta", "alpha", "Mid"}));
    }

    void integersReadTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "200" << 200;
        QTest::newRow("trailing text") << "12abc" << 12;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("no number") << "abc" << 0;
    }
    void integersReadTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        PositionalIni ini(write("[a]\nk=" + text.toUtf8() + "\n"));
        QCOMPARE(ini.intValue(0, QStringLiteral("k"), 99), expected);
        QCOMPARE(ini.intValue(0, QStringLiteral("missing"), 99), 99);
    }

    void writingCreatesMissingFileAndSections()
    {
        const QString path = m_dir.filePath(QStringLiteral("created.ini"));
        PositionalIni ini(path);
        QVERIFY(!ini.setValue(1, QStringLiteral("port"), QStringLiteral("COM3")));
        ini.ensureSections({QStringLiteral("List"), QStringLiteral("Current")});
        QVERIFY(ini.setValue(1, QStringLiteral("port"), QStringLiteral("COM3")));
        QVERIFY(ini.save());
        PositionalIni again(path);
        QCOMPARE(again.sectionNames(), (QStringList{"List", "Current"}));
        QCOMPARE(again.value(1, QStringLiteral("port")), QStringLiteral("COM3"));
    }

    void writingOneSectionFileKeepsItsName()
    {
        const QString path = write("[Mine]\nport=COM1\n");
        PositionalIni ini(path);
        ini.ensureSections({QStringLiteral("List"), QStringLiteral("Current")});
        ini.setValue(1, QStringLiteral("port"), QStringLiteral("COM2"));
        QVERIFY(ini.save());
        PositionalIni again(path);
        QCOMPARE(again.sectionNames(), (QStringList{"Mine", "Current"}));
        QCOMPARE(again.value(0, QStringLiteral("port")), QStringLiteral("COM1"));
        QCOMPARE(again.value(1, QStringLiteral("port")), QStringLiteral("COM2"));
    }

    void encodingOfTheFileIsKept_data()
    {
        QTest::addColumn<QByteArray>("listLine"); // bytes of a list the program never writes
        QTest::addColumn<QString>("listText");
        QTest::addColumn<QByteArray>("choiceBytes"); // what "接口" becomes in the file
        // "RS485接口" in GBK, and in UTF-8.
        QTest::newRow("GBK file of an old installation")
            << QByteArray("interface=RS232,RS485\xBD\xD3\xBF\xDA") << QString::fromUtf8("RS232,RS485接口")
            << QByteArray("\xBD\xD3\xBF\xDA");
        QTest::newRow("UTF-8 file") << QByteArray("interface=RS232,RS485\xE6\x8E\xA5\xE5\x8F\xA3")
                                    << QString::fromUtf8("RS232,RS485接口") << QByteArray("\xE6\x8E\xA5\xE5\x8F\xA3");
    }
    void encodingOfTheFileIsKept()
    {
        QFETCH(QByteArray, listLine);
        QFETCH(QString, listText);
        QFETCH(QByteArray, choiceBytes);
        const QString path = m_dir.filePath(QStringLiteral("enc.ini"));
        // Mixed line endings and no final newline: all of it survives.
        const QByteArray head = "[Lists]\r\nport=COM1,COM2\r\n" + listLine + "\n; note\r\n";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(head + "[Current]\r\nport=COM1\r\ninterface=RS232");
        f.close();
        PositionalIni ini(path);
        QCOMPARE(ini.value(0, QStringLiteral("interface")), listText);
        QVERIFY(ini.setValue(1, QStringLiteral("port"), QStringLiteral("COM2")));
        QVERIFY(ini.setValue(1, QStringLiteral("interface"), QString::fromUtf8("RS485接口")));
        QVERIFY(ini.save());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        f.close();
        QCOMPARE(written, head + "[Current]\r\nport=COM2\r\ninterface=RS485" + choiceBytes + "\r\n");
        QCOMPARE(PositionalIni(path).value(1, QStringLiteral("interface")), QString::fromUtf8("RS485接口"));
    }

    void rewriteKeepsEverythingElse()
    {
        const QString path = write("; settings\r\n[L]\r\nport=A,B\r\n\r\n[C]\r\nport=A\r\nbaud=9600\r\n\r\n[Extra]\r\nx=1\r\n");
        PositionalIni ini(path);
        ini.setValue(1, QStringLiteral("Port"), QStringLiteral("B"));
        ini.setValue(1, QStringLiteral("station"), QStringLiteral("3"));
        QVERIFY(ini.save());
        QCOMPARE(read(path), QByteArray("; settings\r\n[L]\r\nport=A,B\r\n\r\n[C]\r\nPort=B\r\nbaud=9600\r\nstation=3\r\n\r\n[Extra]\r\nx=1\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestPositionalIni)
#include "tst_positionalini.moc"
