#include "link/ComPortMap.h"
#include "link/Connection.h"
#include "link/Protocol.h"
#include "link/SerialPort.h"

#include <cerrno>

#include <QTemporaryDir>
#include <QTest>

using namespace dr420;
using namespace dr420::protocol;

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void crc16KnownVectors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("crc");
        QTest::newRow("check string") << QByteArray("123456789") << 0x4B37;
        QTest::newRow("modbus read 0x3000 of slave 3") << QByteArray::fromHex("030330000001") << 0xE88A;
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
    }
    void crc16KnownVectors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, crc);
        QCOMPARE(int(crc16(bytes)), crc);
    }

    void commandFramesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("sync");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("refused");
        QTest::newRow("request 65") << encodeRequest(65, {0x00, 0x30, 0, 0}) << int(kRequestSync) << true << 65 << false;
        QTest::newRow("response 66") << encodeResponse(66, {1, 2, 3, 4}) << int(kResponseSync) << true << 66 << false;
        QTest::newRow("refusal keeps the code") << encodeRefusal(66, kRefusedUnknownRegister) << int(kResponseSync) << true << 66 << true;
        QByteArray flipped = encodeResponse(65, {9, 0, 0, 0});
        flipped[3] = char(flipped[3] ^ 0x01);
        QTest::newRow("one bit flipped") << flipped << int(kResponseSync) << false << 0 << false;
        QTest::newRow("request is no response") << encodeRequest(65, {0, 0, 0, 0}) << int(kResponseSync) << false << 0 << false;
    }
    void commandFramesRoundTrip()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, sync);
        QFETCH(bool, valid);
        QFETCH(int, code);
        QFETCH(bool, refused);
        QCOMPARE(frame.size(), kCommandFrameBytes);
        CommandFrame decoded;
        QCOMPARE(decodeCommandFrame(frame.constData(), uint8_t(sync), &decoded), valid);
        if (valid) {
            QCOMPARE(int(decoded.code), code);
            QCOMPARE(decoded.refused, refused);
        }
    }

    void takeCommandFrameSkipsNoiseAndWaitsForWholeFrames()
    {
        const QByteArray answer = encodeResponse(65, {3, 0, 0, 0});
        QByteArray buffer = QByteArray("\xC3\x00\xFF", 3) + answer.left(5);
        CommandFrame f;
        QVERIFY(!takeCommandFrame(buffer, kResponseSync, &f));
        QCOMPARE(buffer.size(), 8); // untouched while incomplete
        buffer += answer.mid(5) + QByteArray("\xA5\x5A", 2);
        QVERIFY(takeCommandFrame(buffer, kResponseSync, &f));
        QCOMPARE(int(f.code), 65);
        QCOMPARE(int(f.data[0]), 3);
        QCOMPARE(buffer, QByteArray("\xA5\x5A", 2)); // what follows stays
    }

    void sampleFramesAndResynchronisation()
    {
        uint8_t data[64];
        for (int i = 0; i < 64; ++i)
            data[i] = uint8_t(i * 7);
        const QByteArray frame = encodeSampleFrame(data);
        QCOMPARE(frame.size(), kSampleFrameBytes);
        QVERIFY(isValidSampleFrame(frame.constData()));
        QByteArray bad = frame;
        bad[40] = char(bad[40] ^ 0x10);
        QVERIFY(!isValidSampleFrame(bad.constData()));

        // Noise before a frame: skip exactly up to its sync.
        QByteArray stream = QByteArray("\x01\xA5\x02", 3) + frame;
        QCOMPARE(resyncSkip(stream), 3);
        // No sync at all: keep the last byte, it may start one.
        QCOMPARE(resyncSkip(QByteArray("\x01\x02\x03\xA5", 4)), 3);
        QCOMPARE(resyncSkip(QByteArray("\x01", 1)), 1);
    }

    void baudCodes_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("code");
        QTest::newRow("19200") << 19200 << 3;
        QTest::newRow("57600") << 57600 << 2;
        QTest::newRow("115200") << 115200 << 1;
        QTest::newRow("9600 other") << 9600 << 3;
        QTest::newRow("0 other") << 0 << 3;
    }
    void baudCodes()
    {
        QFETCH(int, baud);
        QFETCH(int, code);
        QCOMPARE(int(baudCode(baud)), code);
    }

    void settingsListSplit_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("plain") << "COM1,COM2,COM3" << QStringList{"COM1", "COM2", "COM3"};
        QTest::newRow("trailing comma adds nothing") << "COM1,COM2," << QStringList{"COM1", "COM2"};
        QTest::newRow("leading comma adds an empty item") << ",COM1" << QStringList{"", "COM1"};
        QTest::newRow("doubled comma") << "a,,b" << QStringList{"a", "", "b"};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void settingsListSplit()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, items);
        QCOMPARE(PortSettings::splitList(value), items);
    }

    void comPortMapping_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        const QStringList present{"/dev/serial/by-id/usb-FTDI-if00", "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("auto: first present") << "" << 1 << present[0];
        QTest::newRow("auto: third present") << "" << 3 << present[2];
        QTest::newRow("auto: none left") << "" << 4 << "";
        QTest::newRow("explicit entry wins") << "[ComPorts]\nCOM3=/dev/ttyUSB7\n" << 3 << "/dev/ttyUSB7";
        QTest::newRow("empty entry means auto") << "[ComPorts]\nCOM2=\n" << 2 << present[1];
        QTest::newRow("section found by name") << "[Notes]\nCOM1=x\n[comports]\ncom1=/dev/pts/9\n" << 1 << "/dev/pts/9";
    }
    void comPortMapping()
    {
        QFETCH(QString, file);
        QFETCH(int, port);
        QFETCH(QString, device);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("comports.ini"));
        if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file.toUtf8());
        }
        const QStringList present{"/dev/serial/by-id/usb-FTDI-if00", "/dev/ttyACM0", "/dev/ttyS0"};
        QCOMPARE(ComPortMap::resolve(port, path, present), device);
    }

    void openFailuresTellTheUserWhatToDo_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<QString>("hint");
        QTest::newRow("permission") << int(EACCES) << "dialout";
        QTest::newRow("missing") << int(ENOENT) << "plugged in";
        QTest::newRow("busy") << int(EBUSY) << "in use";
    }
    void openFailuresTellTheUserWhatToDo()
    {
        QFETCH(int, err);
        QFETCH(QString, hint);
        const QString text = describeOpenFailure(QStringLiteral("/dev/ttyUSB0"), err);
        QVERIFY2(text.startsWith(QLatin1String("/dev/ttyUSB0")) && text.contains(hint), qPrintable(text));
    }

    void comPortEntriesAddAndRemove()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("comports.ini"));
        QVERIFY(ComPortMap::setEntry(path, 1, QStringLiteral("/tmp/sim")));
        QCOMPARE(ComPortMap::resolve(1, path, {}), QStringLiteral("/tmp/sim"));
        QVERIFY(ComPortMap::removeEntry(path, 1));
        QCOMPARE(ComPortMap::resolve(1, path, {}), QString());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
