#include "common/TestRegistry.h"
#include "Ax25TestFrames.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/AprsReport.h"
#include "host/aprs/KissSource.h"
#include "host/aprs/ReplaySource.h"

#include <QFile>
#include <QHash>
#include <QPointF>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>
#include <QtMath>

#include <cmath>

using namespace nearbell;

namespace {

using nearbell::test::ax25Address;

using nearbell::test::kissFrame;

QTcpSocket *nextClient(QTcpServer &server, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!server.hasPendingConnections() && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return server.nextPendingConnection();
}

StationReport reportAt(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<StationReport>();
}

} // namespace

class KissSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void framesFromTnc();
    void partialFrameForgottenOnReconnect();
    void connectsByHostName();
    void replayPlaysInOrderAndWraps();
    void replayReportsUnreadableFile();
    void demoReplayFileIsSound();
    void packetHeardOnAirAndFromInternet_data();
    void packetHeardOnAirAndFromInternet();
};

void KissSourceTest::framesFromTnc()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    KissSource source(QStringLiteral("127.0.0.1"), server.serverPort());
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QSignalSpy batches(&source, &StationSource::batchReceived);
    source.start();
    QTcpSocket *tnc = nextClient(server);
    QVERIFY(tnc);

    // The second frame holds bytes that need escaping (0xdb in the Mic-E
    // comment), the third is a status without position.
    QByteArray stream = kissFrame("PD1AAA", false, "!5212.00N/00512.00E-");
    stream += kissFrame("PD1BBB", true, QByteArray("`dYg\x1c\x1c\x1c>/\xdb\xc0", 11), "S32U6T");
    stream += kissFrame("PD1CCC", false, ">just status");
    stream += kissFrame("PD1DDD", false, "=5213.00N/00513.00E>");
    // Written in small pieces to cross frame borders.
    for (qsizetype i = 0; i < stream.size(); i += 7) {
        tnc->write(stream.mid(i, 7));
        tnc->flush();
        QTest::qWait(1);
    }
    QTRY_COMPARE(reports.size(), 4);
    QCOMPARE(reportAt(reports, 0).callsign, QStringLiteral("PD1AAA"));
    QVERIFY(reportAt(reports, 0).heardDirectly);
    QCOMPARE(reportAt(reports, 1).callsign, QStringLiteral("PD1BBB"));
    QVERIFY(!reportAt(reports, 1).heardDirectly);
    QCOMPARE(reportAt(reports, 1).latitude, 33 * 60 + 25.64);
    QCOMPARE(reportAt(reports, 2).status, QStringLiteral("just status"));
    QVERIFY(!reportAt(reports, 2).hasPosition);
    QCOMPARE(reportAt(reports, 3).callsign, QStringLiteral("PD1DDD"));
    QVERIFY(batches.size() >= 1);
    // Receive only: the TNC is never sent anything.
    QTest::qWait(50);
    QCOMPARE(tnc->bytesAvailable(), 0);
}

void KissSourceTest::partialFrameForgottenOnReconnect()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    KissSource source(QStringLiteral("127.0.0.1"), server.serverPort());
    source.setBackoff(20, 20);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    source.start();
    QTcpSocket *tnc = nextClient(server);
    QVERIFY(tnc);
    const QByteArray frame = kissFrame("PD1AAA", false, "!5212.00N/00512.00E-");
    tnc->write(frame.left(frame.size() - 5));
    tnc->flush();
    QTest::qWait(30);
    tnc->close();

    QTcpSocket *again = nextClient(server);
    QVERIFY(again);
    QTRY_VERIFY(source.isConnected());
    // The tail of the old frame arrives first on the new connection; it
    // must not be joined to the old part.
    again->write(frame.right(5) + kissFrame("PD1EEE", false, "!5214.00N/00514.00E-"));
    again->flush();
    QTRY_COMPARE(reports.size(), 1);
    QTest::qWait(30);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(reportAt(reports, 0).callsign, QStringLiteral("PD1EEE"));
    QVERIFY(states.size() >= 4); // connecting, connected, lost, connecting, ...
}

void KissSourceTest::connectsByHostName()
{
    // A name is looked up (off the main thread) on each attempt.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    KissSource source(QStringLiteral("localhost"), server.serverPort());
    source.start();
    QTcpSocket *tnc = nextClient(server);
    QVERIFY(tnc);
    QTRY_VERIFY(source.isConnected());

    KissSource nowhere(QStringLiteral("no-such-host.invalid"), 8001);
    nowhere.setBackoff(10000, 10000);
    QSignalSpy states(&nowhere, &StationSource::connectionStateChanged);
    nowhere.start();
    QTRY_VERIFY_WITH_TIMEOUT(states.size() >= 2, 15000);
    QVERIFY2(states.at(1).at(0).toString().contains(QStringLiteral("not found; next attempt in 10 s")),
             qPrintable(states.at(1).at(0).toString()));
}

void KissSourceTest::replayPlaysInOrderAndWraps()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write("# recorded traffic\r\n"
               "PD1AAA>APRS,WIDE1-1:!5212.00N/00512.00E-\r\n"
               "\r\n"
               "PD1BBB>APRS:>status, no position\n"
               "PD1CCC>APRS,DIGI*:;TENT 1   *111111z5213.00N/00513.00E;\n");
    file.close();
    ReplaySource source(file.fileName(), 10);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QSignalSpy batches(&source, &StationSource::batchReceived);
    source.start();
    QCOMPARE(source.lineCount(), 3);
    QTRY_VERIFY(reports.size() >= 4);
    const QStringList expected{"PD1AAA", "PD1BBB", "TENT_1", "PD1AAA"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(reportAt(reports, i).callsign, expected.at(i));
    QVERIFY(reportAt(reports, 0).heardDirectly);
    QVERIFY(!reportAt(reports, 1).hasPosition);
    QVERIFY(!reportAt(reports, 2).heardDirectly);
    QCOMPARE(batches.size(), reports.size());
}

void KissSourceTest::replayReportsUnreadableFile()
{
    ReplaySource source(QStringLiteral("/nonexistent/replay.tnc2"), 10);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    QSignalSpy reports(&source, &StationSource::reportReceived);
    source.start();
    QCOMPARE(states.size(), 1);
    QVERIFY(states.at(0).at(0).toString().contains(QStringLiteral("cannot be read")));
    QTest::qWait(50);
    QCOMPARE(reports.size(), 0);
}

void KissSourceTest::demoReplayFileIsSound()
{
    // The replay file shipped for the demo: every line decodes or is a
    // packet without position, and it shows moving stations, objects and
    // items, some within 10 km of the demo's own position 5212.34N 00512.34E.
    QFile file(QStringLiteral(NEARBELL_SOURCE_DIR "/demo/replay.tnc2"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const double ownLat = 52 * 60 + 12.34;
    const double ownLon = 5 * 60 + 12.34;
    QHash<QString, QList<QPointF>> positions;
    int killed = 0;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        AprsPosition position;
        const AprsStatus status =
            AprsDecoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())), position);
        QVERIFY2(status != AprsStatus::Rejected, line.constData());
        if (status != AprsStatus::Position)
            continue;
        const StationReport report = toStationReport(position);
        killed += report.killed ? 1 : 0;
        positions[report.callsign].append(QPointF(report.latitude, report.longitude));
    }
    int near = 0;
    int moving = 0;
    for (auto it = positions.cbegin(); it != positions.cend(); ++it) {
        const QPointF p = it.value().constLast();
        // Flat-earth kilometres are close enough at this scale.
        const double dy = (p.x() - ownLat) / 60.0 * 111.2;
        const double dx = (p.y() - ownLon) / 60.0 * 111.2 * std::cos(qDegreesToRadians(52.2));
        near += std::hypot(dx, dy) < 10.0 ? 1 : 0;
        moving += it.value().size() > 1 && it.value().constFirst() != p ? 1 : 0;
    }
    QVERIFY(positions.size() >= 8);
    QVERIFY(near >= 4);
    QVERIFY(moving >= 2);
    QVERIFY(killed >= 1);
    QVERIFY(positions.contains(QStringLiteral("MEET_PT")));
}

// A packet heard by the radio and the same packet from APRS-IS carry one
// digest, whatever path they took; any other packet carries another.
void KissSourceTest::packetHeardOnAirAndFromInternet_data()
{
    QTest::addColumn<QByteArray>("sender");
    QTest::addColumn<QByteArray>("info");
    QTest::addColumn<QByteArray>("destination");
    QTest::addColumn<QByteArray>("line"); // from APRS-IS
    QTest::addColumn<bool>("same");

    const QByteArray pos = "!5212.00N/00512.00E-";
    QTest::newRow("gated by an igate") << QByteArray("PD1AAA") << pos << QByteArray("APRS")
                                       << "PD1AAA>APRS,DIGI-1*,WIDE2-1,qAR,PA0IG:" + pos << true;
    QTest::newRow("line end on the air") << QByteArray("PD1AAA") << pos + "\r" << QByteArray("APRS")
                                         << "PD1AAA>APRS,qAR,PA0IG:" + pos << true;
    QTest::newRow("third party on the air") << QByteArray("PA0IG")
                                            << "}PD1AAA>APRS,TCPIP,PA0IG*:" + pos << QByteArray("APRS")
                                            << "PD1AAA>APRS,TCPIP*,qAC,T2TEST:" + pos << true;
    QTest::newRow("another comment") << QByteArray("PD1AAA") << pos + "x" << QByteArray("APRS")
                                     << "PD1AAA>APRS,qAR,PA0IG:" + pos << false;
    QTest::newRow("another sender") << QByteArray("PD1AAB") << pos << QByteArray("APRS")
                                    << "PD1AAA>APRS,qAR,PA0IG:" + pos << false;
    const QByteArray micE("`dYg\x1c\x1c\x1c>/", 9);
    QTest::newRow("Mic-E, other latitude") << QByteArray("PD1BBB") << micE << QByteArray("S32U6T")
                                           << "PD1BBB>S32U6U,qAR,PA0IG:" + micE << false;
    QTest::newRow("Mic-E, same") << QByteArray("PD1BBB") << micE << QByteArray("S32U6T")
                                 << "PD1BBB>S32U6T,qAR,PA0IG:" + micE << true;
}

void KissSourceTest::packetHeardOnAirAndFromInternet()
{
    QFETCH(QByteArray, sender);
    QFETCH(QByteArray, info);
    QFETCH(QByteArray, destination);
    QFETCH(QByteArray, line);
    QFETCH(bool, same);

    KissSource radio(QStringLiteral("127.0.0.1"), 8001);
    AprsIsSource internet(QStringLiteral("127.0.0.1"), 14580, HostSettings{});
    QSignalSpy heard(&radio, &StationSource::reportReceived);
    QSignalSpy fetched(&internet, &StationSource::reportReceived);
    radio.consume(kissFrame(sender, true, info, destination));
    internet.consume(line + "\r\n");
    QCOMPARE(heard.size(), 1);
    QCOMPARE(fetched.size(), 1);
    const StationReport a = reportAt(heard, 0);
    const StationReport b = reportAt(fetched, 0);
    QVERIFY(a.packet != 0 && b.packet != 0);
    QCOMPARE(a.packet == b.packet, same);
}

NEARBELL_TEST(KissSourceTest)
#include "KissSourceTest.moc"
