#include "common/TestRegistry.h"
#include "host/GreatCircle.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace nearbell;

namespace {

HostSettings ownAt(double latitudeDeg, double longitudeDeg)
{
    HostSettings settings;
    settings.callsign = QStringLiteral("PA0OWN");
    settings.hasOwnPosition = true;
    settings.ownLatitude = latitudeDeg * 60.0;
    settings.ownLongitude = longitudeDeg * 60.0;
    settings.rangeKm = 100;
    return settings;
}

// An APRS-IS server of our own that filters as the real ones do, for the
// two filter parts we use: it sends each station of its world that lies
// within the range part or is named by the buddy part, once per filter set.
class FilteringServer : public QObject
{
public:
    struct Station
    {
        QByteArray callsign;
        double latitude; // degrees
        double longitude;
    };

    FilteringServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            m_client = m_server.nextPendingConnection();
            ++connections;
            connect(m_client, &QTcpSocket::readyRead, this, [this, client = m_client] {
                m_partial += client->readAll();
                qsizetype end;
                while ((end = m_partial.indexOf("\r\n")) >= 0) {
                    const QByteArray line = m_partial.left(end);
                    m_partial.remove(0, end + 2);
                    lines.append(line);
                    const qsizetype at = line.indexOf(line.startsWith("user ") ? " filter " : "#filter ");
                    if (at >= 0)
                        applyFilter(line.mid(at + 8)); // both markers are 8 long
                    else if (line.startsWith("user "))
                        applyFilter(QByteArray());
                }
            });
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    void dropClient() { m_client->close(); }

    QList<Station> world;
    QList<QByteArray> lines;
    QList<QByteArray> filters;
    int connections = 0;

private:
    void applyFilter(const QByteArray &filter)
    {
        filters.append(filter);
        double lat = 0, lon = 0, km = -1;
        QList<QByteArray> buddies;
        for (const QByteArray &part : filter.split(' ')) {
            const QList<QByteArray> fields = part.split('/');
            if (fields.first() == "r" && fields.size() == 4) {
                lat = fields[1].toDouble();
                lon = fields[2].toDouble();
                km = fields[3].toDouble();
            } else if (fields.first() == "b") {
                buddies = fields.mid(1);
            }
        }
        QByteArray feed;
        for (const Station &s : std::as_const(world)) {
            const bool near = km > 0
                && greatcircle::kilometres(lat * 60, lon * 60, s.latitude * 60, s.longitude * 60) < km;
            if (!near && !buddies.contains(s.callsign))
                continue;
            const auto angle = [](double deg, int width, char pos, char neg) {
                const double a = qAbs(deg);
                const int d = int(a);
                return QByteArray::number(d).rightJustified(width, '0')
                    + QByteArray::number((a - d) * 60, 'f', 2).rightJustified(5, '0')
                    + (deg < 0 ? neg : pos);
            };
            feed += s.callsign + ">APRS,TCPIP*,qAC,T2TEST:!" + angle(s.latitude, 2, 'N', 'S') + '/'
                + angle(s.longitude, 3, 'E', 'W') + "-\r\n";
        }
        m_client->write(feed);
    }

    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    QByteArray m_partial;
};

QStringList callsignsOf(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &call : spy)
        out.append(call.at(0).value<StationReport>().callsign);
    return out;
}

} // namespace

class AprsIsFilterTest : public QObject
{
    Q_OBJECT

private slots:
    void filterText_data();
    void filterText();
    void watchedStationArrivesOnceNamed();
    void filterFollowsTheCar();
    void filterFollowsTheSetup();
    void watchListBeyondTheFilterIsTold();
};

void AprsIsFilterTest::filterText_data()
{
    QTest::addColumn<bool>("positioned");
    QTest::addColumn<QString>("ownFilter");
    QTest::addColumn<QStringList>("watched");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray range = "r/52.0000/5.0000/100";
    QTest::newRow("range only") << true << "" << QStringList() << range;
    QTest::newRow("buddies after range") << true << "" << QStringList{"PD1ABC", "DL2XYZ-9"}
                                         << range + " b/PD1ABC/DL2XYZ-9";
    QTest::newRow("buddies without position") << false << "" << QStringList{"PD1ABC"}
                                              << QByteArray("b/PD1ABC");
    QTest::newRow("buddies after own filter") << true << "t/p" << QStringList{"PD1ABC"}
                                              << QByteArray("t/p b/PD1ABC");
    QTest::newRow("nothing") << false << "" << QStringList() << QByteArray();
    QTest::newRow("slash injection") << true << "" << QStringList{"PD1ABC/r/0/0/20000", "PD2X"}
                                     << range + " b/PD2X";
    QTest::newRow("blank injection") << true << "" << QStringList{"PD1ABC p/", "p/PD"}
                                     << range;
    QTest::newRow("control characters") << true << "" << QStringList{"PD1\r\n#filter", "PD1\x01"}
                                        << range;
    QTest::newRow("wildcard and markup") << true << "" << QStringList{"PD*", "<b>PD1</b>"} << range;
    QTest::newRow("too long, empty, repeated")
        << true << "" << QStringList{"PD1ABCDEFG", "", "PD3C", "PD3C"} << range + " b/PD3C";
    QTest::newRow("case kept") << true << "" << QStringList{"pd1abc"} << range + " b/pd1abc";
}

void AprsIsFilterTest::filterText()
{
    QFETCH(bool, positioned);
    QFETCH(QString, ownFilter);
    QFETCH(QStringList, watched);
    QFETCH(QByteArray, expected);
    HostSettings settings = ownAt(52, 5);
    settings.hasOwnPosition = positioned;
    settings.filter = ownFilter;
    QCOMPARE(AprsIsSource::filterText(settings, watched), expected);
}

void AprsIsFilterTest::watchedStationArrivesOnceNamed()
{
    FilteringServer server;
    server.world = {{"PD1NEAR", 52.1, 5.1}, {"DL9FAR", 48.0, 11.5}, {"F4OTHER", 45.0, 2.0}};
    LocalHost host(ownAt(52, 5), std::make_unique<AprsIsSource>(QStringLiteral("127.0.0.1"),
                                                                server.port(), ownAt(52, 5)));
    QSignalSpy reports(host.source(), &StationSource::reportReceived);
    host.start();
    QTRY_COMPARE(server.filters.size(), 1);
    QCOMPARE(server.filters.at(0), QByteArray("r/52.0000/5.0000/100"));
    QTRY_COMPARE(callsignsOf(reports), QStringList{"PD1NEAR"});

    // The watch list names the far station: the filter is set again on
    // the same connection, and the station comes.
    host.setWatchedCallsigns({QStringLiteral("DL9FAR"), QStringLiteral("bad call/")});
    QTRY_COMPARE(server.filters.size(), 2);
    QCOMPARE(server.filters.at(1), QByteArray("r/52.0000/5.0000/100 b/DL9FAR"));
    QCOMPARE(server.lines.at(1), QByteArray("#filter r/52.0000/5.0000/100 b/DL9FAR"));
    QTRY_VERIFY(callsignsOf(reports).contains(QStringLiteral("DL9FAR")));
    QVERIFY(!callsignsOf(reports).contains(QStringLiteral("F4OTHER")));
    QVERIFY(host.table().find(QStringLiteral("DL9FAR")));

    // The same list again sends nothing; an empty list drops the buddies.
    host.setWatchedCallsigns({QStringLiteral("DL9FAR")});
    host.setWatchedCallsigns({});
    QTRY_COMPARE(server.filters.size(), 3);
    QCOMPARE(server.filters.at(2), QByteArray("r/52.0000/5.0000/100"));
    QCOMPARE(server.connections, 1);

    // After a loss the login itself carries the watched callsigns.
    host.setWatchedCallsigns({QStringLiteral("F4OTHER")});
    QTRY_COMPARE(server.filters.size(), 4);
    auto *source = static_cast<AprsIsSource *>(host.source());
    source->setBackoff(20, 20);
    server.dropClient();
    QTRY_COMPARE(server.connections, 2);
    QTRY_COMPARE(server.filters.size(), 5);
    QVERIFY(server.lines.last().startsWith("user PA0OWN pass -1"));
    QVERIFY(server.lines.last().endsWith(" filter r/52.0000/5.0000/100 b/F4OTHER"));
}

void AprsIsFilterTest::filterFollowsTheCar()
{
    FilteringServer server;
    AprsIsSource source(QStringLiteral("127.0.0.1"), server.port(), ownAt(52, 5));
    source.start();
    QTRY_COMPARE(server.filters.size(), 1);

    // 100 km range: moves up to 10 km from where the filter was set keep it.
    const double kmPerDegree = greatcircle::kilometres(0, 0, 60, 0);
    source.setOwnPosition((52 + 6.0 / kmPerDegree) * 60, 5 * 60);
    source.setOwnPosition((52 + 9.9 / kmPerDegree) * 60, 5 * 60);
    QTest::qWait(50);
    QCOMPARE(server.filters.size(), 1);
    source.setOwnPosition((52 + 10.2 / kmPerDegree) * 60, 5 * 60);
    QTRY_COMPARE(server.filters.size(), 2);
    QCOMPARE(server.lines.last(), QByteArray("#filter r/52.0917/5.0000/100"));
    // Measured from the new centre now, not from the login's.
    source.setOwnPosition((52 + 19.0 / kmPerDegree) * 60, 5 * 60);
    QTest::qWait(50);
    QCOMPARE(server.filters.size(), 2);
    source.setOwnPosition((52 + 20.5 / kmPerDegree) * 60, 5 * 60);
    QTRY_COMPARE(server.filters.size(), 3);
    QCOMPARE(server.connections, 1);
    QCOMPARE(source.currentFilter(), server.filters.last());
}

void AprsIsFilterTest::filterFollowsTheSetup()
{
    FilteringServer server;
    HostSettings settings = ownAt(52, 5);
    settings.source = SourceLine::parse(QStringLiteral("APRSIS 127.0.0.1:%1").arg(server.port()));
    LocalHost host(settings, makeStationSource(settings));
    host.start();
    QTRY_COMPARE(server.filters.size(), 1);

    // A place and range typed in the set-up window move the filter on the
    // open connection, and the next login carries them.
    HostSettings typed = settings;
    typed.ownLatitude = 48 * 60.0;
    typed.ownLongitude = 11 * 60.0;
    host.applySettings(typed);
    QTRY_COMPARE(server.filters.size(), 2);
    QCOMPARE(server.filters.last(), QByteArray("r/48.0000/11.0000/100"));
    typed.rangeKm = 50;
    host.applySettings(typed);
    QTRY_COMPARE(server.filters.size(), 3);
    QCOMPARE(server.filters.last(), QByteArray("r/48.0000/11.0000/50"));
    static_cast<AprsIsSource *>(host.source())->setBackoff(20, 20);
    server.dropClient();
    QTRY_COMPARE(server.filters.size(), 4);
    QCOMPARE(server.connections, 2);
    QVERIFY(server.lines.last().endsWith(" filter r/48.0000/11.0000/50"));
}

void AprsIsFilterTest::watchListBeyondTheFilterIsTold()
{
    HostSettings settings = ownAt(52, 5);
    settings.source = SourceLine::parse(QStringLiteral("APRSIS 127.0.0.1:9"));
    LocalHost host(settings, makeStationSource(settings));
    QStringList watched;
    for (int i = 0; i < 80; ++i)
        watched << QStringLiteral("PA%1XY").arg(i, 2, 10, QChar(u'0'));
    host.setWatchedCallsigns(watched);
    const QByteArray filter = AprsIsSource::filterText(settings, watched);
    const qsizetype named = filter.mid(filter.indexOf("b/") + 2).split('/').size();
    QVERIFY(named > 0 && named < watched.size());
    const QString told = QStringLiteral("%1 callsigns left out").arg(watched.size() - named);
    bool shown = false;
    for (const StatusPart &part : host.statusParts())
        shown |= part.failure && part.text.contains(told);
    QVERIFY2(shown, qPrintable(told));

    // A list that fits says nothing.
    host.setWatchedCallsigns(watched.mid(0, 5));
    for (const StatusPart &part : host.statusParts())
        QVERIFY(!part.text.contains(QLatin1String("left out")));
}

NEARBELL_TEST(AprsIsFilterTest)
#include "AprsIsFilterTest.moc"
