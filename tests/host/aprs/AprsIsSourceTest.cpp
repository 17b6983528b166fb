#include "common/TestRegistry.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/KissSource.h"
#include "host/aprs/ReplaySource.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace nearbell;

namespace {

// Waits for the next client of the server and returns it (nullptr on time-out).
QTcpSocket *nextClient(QTcpServer &server, int timeoutMs = 5000)
{
    if (!server.hasPendingConnections() && !server.waitForNewConnection(0)) {
        QElapsedTimer timer;
        timer.start();
        while (!server.hasPendingConnections() && timer.elapsed() < timeoutMs)
            QTest::qWait(5);
    }
    return server.nextPendingConnection();
}

QByteArray readLine(QTcpSocket *socket, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!socket->canReadLine() && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return socket->readLine();
}

HostSettings settingsAt(double latMinutes, double lonMinutes)
{
    HostSettings settings;
    settings.callsign = QStringLiteral("PA0OWN");
    settings.hasOwnPosition = true;
    settings.ownLatitude = latMinutes;
    settings.ownLongitude = lonMinutes;
    return settings;
}

} // namespace

class AprsIsSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void loginLine_data();
    void loginLine();
    void hostPort_data();
    void hostPort();
    void factoryChoosesSource_data();
    void factoryChoosesSource();
    void receivesLinesAsBytes();
    void reconnectsWithBackoff();
    void silentServerIsDropped();
    void keepAliveCommentsKeepConnection();
};

void AprsIsSourceTest::loginLine_data()
{
    QTest::addColumn<HostSettings>("settings");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray head = "user PA0OWN pass -1 vers Nearbell 0.5.4";
    HostSettings own = settingsAt(52 * 60 + 12.34, 5 * 60 + 12.34);
    QTest::newRow("range around own position") << own << head + " filter r/52.2057/5.2057/100";
    HostSettings west = settingsAt(-(33 * 60 + 30.0), -(70 * 60 + 45.0));
    west.rangeKm = 25;
    QTest::newRow("south west, own range") << west << head + " filter r/-33.5000/-70.7500/25";
    HostSettings filtered = own;
    filtered.filter = QStringLiteral("b/PA* t/p");
    QTest::newRow("filter replaces range") << filtered << head + " filter b/PA* t/p";
    HostSettings nowhere;
    nowhere.callsign = QStringLiteral("pa0own");
    QTest::newRow("no own position, no filter") << nowhere << head;
    HostSettings injected = own;
    injected.callsign = QStringLiteral("PA0OWN\r\nuser EVIL");
    injected.filter = QStringLiteral("r/1/2/3\r\n#x");
    QTest::newRow("no line breaks from settings") << injected << head + " filter r/1/2/3";
    HostSettings unnamed;
    QTest::newRow("no callsign") << unnamed << QByteArray("user N0CALL pass -1 vers Nearbell 0.5.4");
}

void AprsIsSourceTest::loginLine()
{
    QFETCH(HostSettings, settings);
    QFETCH(QByteArray, expected);
    QCOMPARE(AprsIsSource::loginLine(settings), expected);
}

void AprsIsSourceTest::hostPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("name") << "rotate.aprs2.net:14580" << true << "rotate.aprs2.net" << 14580;
    QTest::newRow("address, blanks") << " 127.0.0.1:8001 " << true << "127.0.0.1" << 8001;
    QTest::newRow("bracketed v6") << "[::1]:8001" << true << "::1" << 8001;
    QTest::newRow("bare v6") << "::1:8001" << false << "" << 0;
    QTest::newRow("no port") << "localhost" << false << "" << 0;
    QTest::newRow("empty port") << "localhost:" << false << "" << 0;
    QTest::newRow("port 0") << "localhost:0" << false << "" << 0;
    QTest::newRow("port too big") << "localhost:65536" << false << "" << 0;
    QTest::newRow("no host") << ":8001" << false << "" << 0;
}

void AprsIsSourceTest::hostPort()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString gotHost;
    quint16 gotPort = 0;
    QCOMPARE(NetworkStationSource::parseHostPort(text, gotHost, gotPort), valid);
    if (valid) {
        QCOMPARE(gotHost, host);
        QCOMPARE(int(gotPort), port);
    }
}

void AprsIsSourceTest::factoryChoosesSource_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("type"); // class name, empty for no source
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("KISS") << "KISS 127.0.0.1:8001" << "nearbell::KissSource" << "127.0.0.1" << 8001;
    QTest::newRow("kiss, extra blanks") << "  kiss   tnc.local:8100 " << "nearbell::KissSource"
                                        << "tnc.local" << 8100;
    QTest::newRow("APRSIS") << "APRSIS rotate.aprs2.net:14580" << "nearbell::AprsIsSource"
                            << "rotate.aprs2.net" << 14580;
    QTest::newRow("REPLAY") << "REPLAY replay.tnc2" << "nearbell::ReplaySource" << "" << 0;
    QTest::newRow("KISS without port") << "KISS 127.0.0.1" << "" << "" << 0;
    QTest::newRow("APRSIS without address") << "APRSIS" << "" << "" << 0;
    QTest::newRow("REPLAY without path") << "REPLAY" << "" << "" << 0;
}

void AprsIsSourceTest::factoryChoosesSource()
{
    QFETCH(QString, setting);
    QFETCH(QString, type);
    QFETCH(QString, host);
    QFETCH(int, port);
    HostSettings settings;
    settings.source = SourceLine::parse(setting);
    const std::unique_ptr<StationSource> source = makeStationSource(settings);
    QCOMPARE(source ? QString::fromLatin1(source->metaObject()->className()) : QString(), type);
    if (const auto *network = qobject_cast<NetworkStationSource *>(source.get())) {
        QCOMPARE(network->hostName(), host);
        QCOMPARE(int(network->port()), port);
    }
}

void AprsIsSourceTest::receivesLinesAsBytes()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    AprsIsSource source(QStringLiteral("127.0.0.1"), server.serverPort(),
                        settingsAt(52 * 60 + 12.34, 5 * 60 + 12.34));
    QSignalSpy reports(&source, &StationSource::reportReceived);
    QSignalSpy batches(&source, &StationSource::batchReceived);
    source.start();

    QTcpSocket *client = nextClient(server);
    QVERIFY(client);
    QCOMPARE(readLine(client), QByteArray("user PA0OWN pass -1 vers Nearbell 0.5.4 filter r/52.2057/5.2057/100\r\n"));

    QByteArray feed;
    feed += "# aprsc 2.1.4 test server\r\n";
    feed += "PD1AAA>APRS,TCPIP*,qAC,T2TEST:!5212.00N/00512.00E-\r\n";
    feed += "N0CALL>APRS:" + QByteArray(600, '!') + "\r\n";                 // overlong
    static const char binary[] = "PD1BBB>S32U6T,qAR,PA0IG:`dYg\x1c\x1c\x1c>/\0\xff\r\n";
    feed += QByteArray(binary, sizeof binary - 1); // binary bytes, NUL included
    feed += "PD1CCC>APRS:>status only\r\n";
    client->write(feed);
    // A line cut in two reads.
    client->write("PD1DDD>APRS:=5213.00N/005");
    client->flush();
    QTRY_COMPARE(reports.size(), 3);
    client->write("13.00E>\r\n");
    QTRY_COMPARE(reports.size(), 4);

    const auto report = [&reports](int i) { return reports.at(i).at(0).value<StationReport>(); };
    QCOMPARE(report(0).callsign, QStringLiteral("PD1AAA"));
    QCOMPARE(report(0).latitude, 52 * 60 + 12.0);
    QCOMPARE(report(1).callsign, QStringLiteral("PD1BBB"));
    QVERIFY(!report(1).heardDirectly); // heard by the internet, not by our radio
    // A status text is a report without a place.
    QCOMPARE(report(2).status, QStringLiteral("status only"));
    QVERIFY(!report(2).hasPosition);
    QCOMPARE(report(3).callsign, QStringLiteral("PD1DDD"));
    QCOMPARE(report(3).longitude, 5 * 60 + 13.0);
    QVERIFY(batches.size() >= 2);
    QVERIFY(source.isConnected());
    // Nothing but the login was sent.
    QTest::qWait(50);
    QCOMPARE(client->bytesAvailable(), 0);
}

void AprsIsSourceTest::reconnectsWithBackoff()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    AprsIsSource source(QStringLiteral("127.0.0.1"), port, settingsAt(0, 0));
    source.setBackoff(40, 160);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    source.start();

    QTcpSocket *client = nextClient(server);
    QVERIFY(client);
    readLine(client);
    client->write("# hello\r\n");
    client->flush();
    QTest::qWait(50);
    // The server goes away altogether: every attempt is refused.
    client->close();
    server.close();
    QTRY_VERIFY_WITH_TIMEOUT(states.size() >= 12, 5000);

    QStringList lines;
    for (const QList<QVariant> &args : states)
        lines.append(args.at(0).toString());
    const QString prefix = QStringLiteral("APRSIS 127.0.0.1:%1 ").arg(port);
    QCOMPARE(lines.at(0), prefix + "connecting");
    QCOMPARE(lines.at(1), prefix + "connected");
    QVERIFY2(lines.at(2).startsWith(prefix + "lost: "), qPrintable(lines.at(2)));
    // Back-off doubles up to the limit, then stays.
    QStringList delays;
    for (const QString &line : lines) {
        if (line.contains(QStringLiteral("next attempt in ")))
            delays.append(line.section(QStringLiteral("next attempt in "), 1));
    }
    QVERIFY(delays.size() >= 4);
    QCOMPARE(delays.mid(0, 4), (QStringList{"40 ms", "80 ms", "160 ms", "160 ms"}));

    // The server returns on the same port: the source finds it again.
    QVERIFY(server.listen(QHostAddress::LocalHost, port));
    QTcpSocket *again = nextClient(server);
    QVERIFY(again);
    QVERIFY(readLine(again).startsWith("user PA0OWN pass -1"));
    QTRY_VERIFY(source.isConnected());
}

void AprsIsSourceTest::silentServerIsDropped()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    AprsIsSource source(QStringLiteral("127.0.0.1"), server.serverPort(), settingsAt(0, 0));
    source.setBackoff(20, 20);
    source.setSilenceLimit(150);
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    source.start();
    QTcpSocket *first = nextClient(server);
    QVERIFY(first);
    // Says nothing: the source gives up on it and connects again.
    QTcpSocket *second = nextClient(server, 3000);
    QVERIFY(second);
    bool sawSilence = false;
    for (const QList<QVariant> &args : states)
        sawSilence |= args.at(0).toString().contains(QStringLiteral("nothing received for 0.15 s"));
    QVERIFY(sawSilence);
}

void AprsIsSourceTest::keepAliveCommentsKeepConnection()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    AprsIsSource source(QStringLiteral("127.0.0.1"), server.serverPort(), settingsAt(0, 0));
    source.setSilenceLimit(300);
    source.start();
    QTcpSocket *client = nextClient(server);
    QVERIFY(client);
    QTRY_VERIFY(source.isConnected());
    QSignalSpy states(&source, &StationSource::connectionStateChanged);
    for (int i = 0; i < 10; ++i) {
        client->write("# keepalive\r\n");
        client->flush();
        QTest::qWait(100);
    }
    QCOMPARE(states.size(), 0);
    QVERIFY(source.isConnected());
}

NEARBELL_TEST(AprsIsSourceTest)
#include "AprsIsSourceTest.moc"
