#include "common/TestRegistry.h"
#include "host/StationTable.h"
#include "host/aprs/KissSource.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;

// Our own packets turned into audio by Dire Wolf's gen_packets, decoded by
// a real Dire Wolf, and read from its KISS port into the station table.
class DirewolfTest : public QObject
{
    Q_OBJECT

private slots:
    void stationsFromDirewolf();
};

namespace {

struct Expected
{
    QString callsign;
    double latitudeDegrees;
    double longitudeDegrees;
    bool direct;
};

// A port free on every interface (Dire Wolf listens on all of them), below
// 49152: Dire Wolf refuses a higher KISS port and falls back to 8001.
quint16 freeKissPort()
{
    const quint16 first = 20000;
    const quint16 count = 49152 - first;
    const quint16 start = quint16(QRandomGenerator::global()->bounded(count));
    for (quint16 i = 0; i < count; i += 97) {
        const quint16 port = quint16(first + (start + i) % count);
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, port))
            return port;
    }
    return 0;
}

} // namespace

void DirewolfTest::stationsFromDirewolf()
{
    const QString direwolf = QStandardPaths::findExecutable(QStringLiteral("direwolf"));
    const QString genPackets = QStandardPaths::findExecutable(QStringLiteral("gen_packets"));
    if (direwolf.isEmpty() || genPackets.isEmpty())
        QSKIP("direwolf and gen_packets are not installed (Debian package direwolf)");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QList<QByteArray> packets{
        "PD1AAA>APRS:!5212.34N/00512.34E-Nearbell test",
        "PD1BBB>APRS,PD0DIG*,WIDE2-1:=5213.00N/00513.00E>",
        "PD1CCC-9>521RS4:`{(>!!![/",
        "PD1DDD>APRS:!/4(NNOlrs>7P[",
        "PD1EEE>APRS:;TENT 1   *071200z5211.00N/00511.00E;",
        "PD1EEE>APRS:)AID #2!5210.00N/00510.00E!",
        "PD1EEE>APRS:)AID #2_5210.00N/00510.00E!",
        "PD1FFF>GPS:$GPRMC,120000,A,5214.000,N,00514.000,E,0.0,0.0,071226,,*1C",
    };
    // gen_packets keeps a newline inside the packet: one file per packet,
    // no newline, and the raw audio (after the 44-byte WAV header) joined.
    QByteArray audio;
    for (qsizetype i = 0; i < packets.size(); ++i) {
        const QString text = dir.filePath(QStringLiteral("p%1.txt").arg(i));
        const QString wav = dir.filePath(QStringLiteral("p%1.wav").arg(i));
        QFile out(text);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(packets.at(i));
        out.close();
        QProcess gen;
        gen.setProcessChannelMode(QProcess::MergedChannels);
        gen.start(genPackets, {QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-o"), wav, text});
        QVERIFY(gen.waitForFinished(30000));
        QCOMPARE(gen.exitCode(), 0);
        QFile in(wav);
        QVERIFY(in.open(QIODevice::ReadOnly));
        audio += in.readAll().mid(44);
    }
    audio += QByteArray(44100 * 2, '\0'); // a second of silence to finish the last frame

    const quint16 port = freeKissPort();
    QVERIFY(port != 0);
    const QString config = dir.filePath(QStringLiteral("direwolf.conf"));
    {
        QFile out(config);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QStringLiteral("ADEVICE stdin null\nACHANNELS 1\nCHANNEL 0\nMYCALL N0CALL\n"
                                 "MODEM 1200\nAGWPORT 0\nKISSPORT %1\n")
                      .arg(port)
                      .toLatin1());
    }

    QProcess tnc;
    tnc.setProcessChannelMode(QProcess::MergedChannels);
    tnc.setWorkingDirectory(dir.path());
    tnc.start(direwolf, {QStringLiteral("-c"), config, QStringLiteral("-t"), QStringLiteral("0"),
                         QStringLiteral("-q"), QStringLiteral("hd"), QStringLiteral("-r"),
                         QStringLiteral("44100"), QStringLiteral("-")});
    QVERIFY2(tnc.waitForStarted(10000), qPrintable(tnc.errorString()));
    // Its KISS port listens on every interface: stop it by its process id
    // however the test ends.
    const auto stopTnc = qScopeGuard([&tnc] {
        if (tnc.state() != QProcess::NotRunning) {
            tnc.kill(); // SIGKILL to this process id
            tnc.waitForFinished(5000);
        }
    });

    // Connect only once it listens, on the port given.
    QByteArray output;
    const QByteArray ready = "Ready to accept KISS TCP client";
    while (!output.contains(ready) && tnc.state() == QProcess::Running && tnc.waitForReadyRead(10000))
        output += tnc.readAll();
    QVERIFY2(output.contains(ready), output.constData());
    QVERIFY2(output.contains("on port " + QByteArray::number(port)), output.constData());

    StationTable table;
    KissSource source(QStringLiteral("127.0.0.1"), port);
    source.setBackoff(100, 400);
    connect(&source, &StationSource::reportReceived, &table, &StationTable::apply);
    QSignalSpy deleted(&table, &StationTable::stationDeleted);
    source.start();
    // Connect before feeding the sound: at the end of its input Dire Wolf
    // exits and drops the client.
    QTRY_VERIFY_WITH_TIMEOUT(source.isConnected(), 15000);
    QTest::qWait(300); // let it attach the client before the first frame
    tnc.write(audio);
    tnc.closeWriteChannel();

    const QList<Expected> expected{
        {"PD1AAA", 52 + 12.34 / 60, 5 + 12.34 / 60, true},
        {"PD1BBB", 52 + 13.0 / 60, 5 + 13.0 / 60, false},
        {"PD1CCC-9", 52 + 12.34 / 60, 5 + 12.34 / 60, true},
        {"PD1DDD", 52.25, 5.3, true},
        {"TENT_1", 52 + 11.0 / 60, 5 + 11.0 / 60, true},
        {"PD1FFF", 52 + 14.0 / 60, 5 + 14.0 / 60, true},
    };
    QTRY_VERIFY_WITH_TIMEOUT(table.find(QStringLiteral("PD1FFF")) != nullptr, 30000);
    if (table.entryCount() != expected.size())
        qWarning().noquote() << output + tnc.readAll();
    QCOMPARE(table.entryCount(), int(expected.size()));
    for (const Expected &e : expected) {
        const StationTable::Station *station = table.find(e.callsign);
        QVERIFY2(station, qPrintable(e.callsign));
        QVERIFY2(qAbs(station->latitude / 60.0 - e.latitudeDegrees) < 0.0001, qPrintable(e.callsign));
        QVERIFY2(qAbs(station->longitude / 60.0 - e.longitudeDegrees) < 0.0001, qPrintable(e.callsign));
        QCOMPARE(station->heardDirectly, e.direct);
    }
    // The item was heard alive and then killed.
    QCOMPARE(deleted.size(), 1);
    QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("AID_#2"));
    QVERIFY(!table.find(QStringLiteral("AID_#2")));
}

NEARBELL_TEST(DirewolfTest)
#include "DirewolfTest.moc"
