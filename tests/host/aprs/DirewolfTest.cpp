#include "common/TestRegistry.h"
#include "host/StationTable.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "host/aprs/KissSource.h"

#include <QRegularExpression>

#include <cmath>

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
    void fieldsAgreeWithDecodeAprs();
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

namespace {

// What decode_aprs says of one packet: speed (mph), course and altitude
// (feet) where it gives them, and the comment or status text.
struct Reading
{
    std::optional<int> mph;
    std::optional<int> course;
    std::optional<int> feet;
    QString text;
};

Reading readDecodeAprs(const QString &decodeAprs, const QByteArray &line)
{
    QProcess process;
    process.start(decodeAprs, {});
    process.write(line + '\n');
    process.closeWriteChannel();
    process.waitForFinished(10000);
    static const QRegularExpression colours(QStringLiteral("\x1b\\[[0-9;]*[A-Za-z]"));
    static const QRegularExpression place(QStringLiteral("^[NS] \\d+ [\\d.]+, [EW] \\d+ [\\d.]+(.*)$"));
    const QStringList lines = QString::fromLatin1(process.readAllStandardOutput()).remove(colours).split(u'\n');
    Reading reading;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = place.match(lines[i]);
        const bool status = lines[i].startsWith(QStringLiteral("Status Report"));
        if (!match.hasMatch() && !status)
            continue;
        const QString rest = match.captured(1);
        const auto number = [&rest](const QString &pattern) -> std::optional<int> {
            const QRegularExpressionMatch m = QRegularExpression(pattern).match(rest);
            return m.hasMatch() ? std::optional<int>(m.captured(1).toInt()) : std::nullopt;
        };
        reading.mph = number(QStringLiteral("(-?\\d+) MPH"));
        reading.course = number(QStringLiteral("course (\\d+)"));
        reading.feet = number(QStringLiteral("alt (-?\\d+) ft"));
        if (i + 1 < lines.size())
            reading.text = QString(lines[i + 1]).replace(QStringLiteral("<0x20>"), QStringLiteral(" ")).trimmed();
        break;
    }
    return reading;
}

} // namespace

// Course, speed, altitude and texts as the reference decoder reads the
// same packets. Where this program reads otherwise it does so on purpose:
// course 000 and any course past 360 are unknown, not a direction; a
// compressed course of 0 is north (360); a speed past 999 knots is
// unknown; "PHG" stays in the comment, as no field reads it.
void DirewolfTest::fieldsAgreeWithDecodeAprs()
{
    const QString decodeAprs = QStandardPaths::findExecutable(QStringLiteral("decode_aprs"));
    if (decodeAprs.isEmpty())
        QSKIP("decode_aprs is not installed (Debian package direwolf)");
    QByteArrayList packets;
    for (const char *name : {"/tests/host/aprs/reference-packets.tnc2", "/demo/replay.tnc2"}) {
        QFile file(QStringLiteral(NEARBELL_SOURCE_DIR) + QLatin1String(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const QByteArray &line : file.readAll().split('\n')) {
            // The reference does not decode what a third-party packet carries.
            if (!line.isEmpty() && !line.startsWith('#') && !line.contains(":}"))
                packets.append(line);
        }
    }
    int compared = 0;
    for (const QByteArray &line : std::as_const(packets)) {
        AprsPosition position;
        if (!isReport(AprsDecoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())), position)))
            continue;
        const StationReport ours = toStationReport(position);
        const Reading theirs = readDecodeAprs(decodeAprs, line);
        const char *packet = line.constData();

        if (theirs.mph && *theirs.mph >= 0 && *theirs.mph <= 1150)
            QVERIFY2(std::abs(std::lround(ours.speedKmh / 1.609344) - *theirs.mph) <= 1, packet);
        else
            QVERIFY2(std::isnan(ours.speedKmh), packet);
        if (theirs.course && *theirs.course >= 1 && *theirs.course <= 360)
            QVERIFY2(std::abs(ours.course - *theirs.course) < 1.0, packet);
        else if (theirs.course && *theirs.course == 0 && line.contains(":!/"))
            QVERIFY2(ours.course == 360.0 || std::isnan(ours.course), packet);
        else
            QVERIFY2(std::isnan(ours.course), packet);
        if (theirs.feet)
            QVERIFY2(std::abs(ours.altitudeM / 0.3048 - *theirs.feet) <= 1.0, packet);
        else
            QVERIFY2(std::isnan(ours.altitudeM), packet);
        QString text = ours.hasPosition ? ours.comment : ours.status;
        if (text.startsWith(QStringLiteral("PHG")))
            text = text.mid(7).trimmed();
        if (ours.symbolCode != '_')
            QVERIFY2(text == theirs.text, qPrintable(QStringLiteral("%1: \"%2\" / \"%3\"")
                                                         .arg(QString::fromLatin1(line), text, theirs.text)));
        ++compared;
    }
    QVERIFY(compared >= 40);
}

NEARBELL_TEST(DirewolfTest)
#include "DirewolfTest.moc"
