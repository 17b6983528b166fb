#include "common/TestRegistry.h"
#include "host/GpsdPositionSource.h"
#include "host/HostProfile.h"
#include "host/HostStation.h"
#include "host/LocalHost.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace nearbell;

namespace {

QTcpSocket *nextClient(QTcpServer &server, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!server.hasPendingConnections() && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return server.nextPendingConnection();
}

QByteArray tpv(int mode, double lat, double lon, const QByteArray &time = "2025-03-01T12:00:00.000Z")
{
    return "{\"class\":\"TPV\",\"device\":\"/dev/ttyUSB0\",\"mode\":" + QByteArray::number(mode)
        + ",\"time\":\"" + time + "\",\"lat\":" + QByteArray::number(lat, 'f', 7)
        + ",\"lon\":" + QByteArray::number(lon, 'f', 7) + ",\"alt\":12.5,\"speed\":13.9}";
}

const QByteArray kVersion = "{\"class\":\"VERSION\",\"release\":\"3.22\",\"rev\":\"3.22\","
                            "\"proto_major\":3,\"proto_minor\":14}\r\n";

double distanceOf(LocalHost &host, const QString &callsign)
{
    HostStation station;
    station.setCallsign(callsign);
    if (!host.GetStation(station))
        return -1.0;
    return station.Distance();
}

} // namespace

class GpsdPositionSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void parseReport_data();
    void parseReport();
    void course_data();
    void course();
    void ageText_data();
    void ageText();
    void positionSetting_data();
    void positionSetting();
    void profileNamesGpsdAndInitFile();
    void protocolSession();
    void fixTimesOut();
    void silentServerIsDropped();
    void unreachableGpsdBacksOff();
    void hostFollowsTheFix();
};

void GpsdPositionSourceTest::parseReport_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("report"); // GpsdPositionSource::Report
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    using R = GpsdPositionSource::Report;
    QTest::newRow("3D fix") << tpv(3, 52.5, -4.25) << int(R::Fix) << 3150.0 << -255.0;
    QTest::newRow("2D fix, south") << tpv(2, -33.75, 151.5) << int(R::Fix) << -2025.0 << 9090.0;
    QTest::newRow("fix without time") << QByteArray("{\"class\":\"TPV\",\"mode\":3,\"lat\":1,\"lon\":2}")
                                      << int(R::Fix) << 60.0 << 120.0;
    QTest::newRow("an hour ahead") << tpv(3, 52, 5, QDateTime::currentDateTimeUtc().addSecs(3600)
                                                        .toString(Qt::ISODateWithMs).toLatin1())
                                   << int(R::Fix) << 3120.0 << 300.0;
    QTest::newRow("mode 1") << tpv(1, 52, 5) << int(R::NoFix) << 0.0 << 0.0;
    QTest::newRow("mode 0, no position") << QByteArray("{\"class\":\"TPV\",\"mode\":0}") << int(R::NoFix)
                                         << 0.0 << 0.0;
    QTest::newRow("SKY") << QByteArray("{\"class\":\"SKY\",\"satellites\":[]}") << int(R::Other) << 0.0
                         << 0.0;
    QTest::newRow("VERSION") << kVersion.trimmed() << int(R::Other) << 0.0 << 0.0;
    QTest::newRow("latitude 91") << tpv(3, 91, 5) << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("latitude -90.5") << tpv(3, -90.5, 5) << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("longitude 181") << tpv(3, 52, 181) << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("NaN token") << QByteArray("{\"class\":\"TPV\",\"mode\":3,\"lat\":NaN,\"lon\":5}")
                               << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("latitude as text") << QByteArray("{\"class\":\"TPV\",\"mode\":3,\"lat\":\"nan\",\"lon\":5}")
                                      << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("no longitude") << QByteArray("{\"class\":\"TPV\",\"mode\":3,\"lat\":52}")
                                  << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("far future") << tpv(3, 52, 5, "2099-01-01T00:00:00.000Z") << int(R::Unusable)
                                << 0.0 << 0.0;
    QTest::newRow("mode 4") << tpv(4, 52, 5) << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("garbage") << QByteArray("$GPRMC,garbage\x01\xff") << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("a JSON list") << QByteArray("[1,2,3]") << int(R::Unusable) << 0.0 << 0.0;
    QTest::newRow("cut-off TPV") << tpv(3, 52, 5).left(40) << int(R::Unusable) << 0.0 << 0.0;
}

void GpsdPositionSourceTest::parseReport()
{
    QFETCH(QByteArray, line);
    QFETCH(int, report);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    GpsFix fix;
    QCOMPARE(int(GpsdPositionSource::parseReport(line, QDateTime::currentDateTimeUtc(), fix)), report);
    if (report == int(GpsdPositionSource::Report::Fix)) {
        QVERIFY(qAbs(fix.latitude - latitude) < 1e-6);
        QVERIFY(qAbs(fix.longitude - longitude) < 1e-6);
    }
}

// The course over ground comes from "track" when it is a real direction.
void GpsdPositionSourceTest::course_data()
{
    QTest::addColumn<QByteArray>("track");
    QTest::addColumn<double>("course"); // -1: none
    QTest::newRow("none sent") << QByteArray() << -1.0;
    QTest::newRow("87.5") << QByteArray(",\"track\":87.5") << 87.5;
    QTest::newRow("360 is north") << QByteArray(",\"track\":360") << 0.0;
    QTest::newRow("negative") << QByteArray(",\"track\":-3") << -1.0;
    QTest::newRow("text") << QByteArray(",\"track\":\"87\"") << -1.0;
}

void GpsdPositionSourceTest::course()
{
    QFETCH(QByteArray, track);
    QFETCH(double, course);
    QByteArray line = tpv(3, 52, 5);
    line.insert(line.size() - 1, track);
    GpsFix fix;
    fix.course = 1.0; // a fix without a course has none, whatever came before
    QCOMPARE(int(GpsdPositionSource::parseReport(line, QDateTime::currentDateTimeUtc(), fix)),
             int(GpsdPositionSource::Report::Fix));
    QCOMPARE(fix.course.value_or(-1.0), course);
}

void GpsdPositionSourceTest::ageText_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("fresh") << qint64(400) << "0 s";
    QTest::newRow("seconds") << qint64(59999) << "59 s";
    QTest::newRow("minutes") << qint64(185000) << "3 min 5 s";
    QTest::newRow("hours") << qint64(7800000) << "2 h 10 min";
}

void GpsdPositionSourceTest::ageText()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(GpsdPositionSource::ageText(ms), text);
}

void GpsdPositionSourceTest::positionSetting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("gpsd");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("missing") << "" << true << false << "127.0.0.1" << 2947;
    QTest::newRow("default") << "GPSD" << true << true << "127.0.0.1" << 2947;
    QTest::newRow("lower case, blanks") << "  gpsd  " << true << true << "127.0.0.1" << 2947;
    QTest::newRow("host and port") << "GPSD 127.0.0.2:3000" << true << true << "127.0.0.2" << 3000;
    QTest::newRow("IPv6") << "GPSD [::1]:2948" << true << true << "::1" << 2948;
    QTest::newRow("no port") << "GPSD 127.0.0.1" << false << false << "127.0.0.1" << 2947;
    QTest::newRow("port 0") << "GPSD 127.0.0.1:0" << false << false << "127.0.0.1" << 2947;
    QTest::newRow("another kind") << "NMEA /dev/ttyUSB1" << false << false << "127.0.0.1" << 2947;
}

void GpsdPositionSourceTest::positionSetting()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(bool, gpsd);
    QFETCH(QString, host);
    QFETCH(int, port);
    HostSettings settings;
    QCOMPARE(HostProfile::parsePositionSource(text, settings), valid);
    QCOMPARE(settings.positionFromGpsd, gpsd);
    QCOMPARE(settings.gpsdHost, host);
    QCOMPARE(int(settings.gpsdPort), port);
}

void GpsdPositionSourceTest::profileNamesGpsdAndInitFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("uiview32.ini"));
    QFile profile(path);
    QVERIFY(profile.open(QIODevice::WriteOnly));
    profile.write("[STATION]\r\nCALLSIGN=PD0CAR\r\nPOSITION=GPSD 127.0.0.1:3000\r\n"
                  "[HOST]\r\nSOURCE=NONE\r\nSERIAL_INIT=tnc/kiss-on.txt\r\n");
    profile.close();
    const HostSettings settings = HostProfile::read(path);
    QCOMPARE(settings.serialInit, dir.filePath(QStringLiteral("tnc/kiss-on.txt")));
    QVERIFY(!settings.hasOwnPosition);
    const std::unique_ptr<LocalHost> host = LocalHost::create(path);
    QVERIFY(host->positionSource());
    QCOMPARE(host->positionSource()->hostName(), QStringLiteral("127.0.0.1"));
    QCOMPARE(int(host->positionSource()->port()), 3000);
}

void GpsdPositionSourceTest::protocolSession()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    GpsdPositionSource gps(QStringLiteral("127.0.0.1"), server.serverPort());
    QSignalSpy moves(&gps, &GpsdPositionSource::positionChanged);
    gps.start();
    QTcpSocket *gpsd = nextClient(server);
    QVERIFY(gpsd);
    QTRY_VERIFY(gps.isConnected());
    QByteArray asked;
    QTRY_VERIFY((asked += gpsd->readAll()).endsWith('\n'));
    QCOMPARE(asked, QByteArray("?WATCH={\"enable\":true,\"json\":true}\n"));

    // No fix yet: mode 1, garbage, a sky view.
    gpsd->write(kVersion + tpv(1, 0, 0) + "\n%%garbage%%\n{\"class\":\"SKY\"}\n");
    QTest::qWait(50);
    QCOMPARE(gps.status().text, QStringLiteral("waiting for a GPS fix"));
    QVERIFY(!gps.status().failure);
    QVERIFY(!gps.lastFix());

    // A fix split across writes, then impossible ones.
    const QByteArray fix = tpv(3, 52.1, 5.2) + "\r\n";
    gpsd->write(fix.left(20));
    gpsd->flush();
    QTest::qWait(20);
    QCOMPARE(moves.size(), 0);
    gpsd->write(fix.mid(20));
    QTRY_COMPARE(moves.size(), 1);
    QVERIFY(qAbs(moves.at(0).at(0).toDouble() - 52.1 * 60) < 1e-6);
    QVERIFY(qAbs(moves.at(0).at(1).toDouble() - 5.2 * 60) < 1e-6);
    QCOMPARE(gps.status().text, QStringLiteral("GPS fix 3D"));
    gpsd->write(tpv(3, 91, 5) + "\n" + tpv(2, 52, 5, "2099-12-31T00:00:00.000Z") + "\n");

    // A line of 1 MB is dropped whole; the fix after it counts.
    QByteArray huge = "{\"class\":\"TPV\",\"mode\":3,\"tag\":\"" + QByteArray(1 << 20, 'x');
    QElapsedTimer timer;
    for (qsizetype i = 0; i < huge.size(); i += 65536)
        gpsd->write(huge.mid(i, 65536));
    gpsd->write("\n" + tpv(2, 52.2, 5.3) + "\n");
    QTRY_COMPARE(moves.size(), 2);
    QVERIFY(qAbs(moves.at(1).at(0).toDouble() - 52.2 * 60) < 1e-6);
    // The same megabyte in a single read holds the event loop up for less
    // than 20 ms.
    GpsdPositionSource offline(QStringLiteral("127.0.0.1"), 1);
    QSignalSpy offlineMoves(&offline, &GpsdPositionSource::positionChanged);
    timer.start();
    offline.consume(huge + "\n" + tpv(3, 1, 2) + "\n");
    QVERIFY2(timer.elapsed() < 20, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(offlineMoves.size(), 1);
    QCOMPARE(gps.status().text, QStringLiteral("GPS fix 2D"));
    QVERIFY(gps.unusableReports() >= 4);

    // The fix is lost: the last one stays, and the status says its age.
    gpsd->write(tpv(1, 0, 0) + "\n");
    QTRY_VERIFY(!gps.hasFix());
    QVERIFY(gps.lastFix());
    QVERIFY(qAbs(gps.lastFix()->latitude - 52.2 * 60) < 1e-6);
    QVERIFY(gps.status().failure);
    QCOMPARE(gps.status().text, QStringLiteral("GPS fix lost: using the last fix, 0 s old"));
    QCOMPARE(moves.size(), 2);

    // gpsd goes away: still the last fix, and the status says gpsd is gone.
    gpsd->close();
    QTRY_VERIFY(!gps.isConnected());
    QVERIFY(gps.status().text.endsWith(QLatin1String("; gpsd not connected")));
}

void GpsdPositionSourceTest::fixTimesOut()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    GpsdPositionSource gps(QStringLiteral("127.0.0.1"), server.serverPort());
    gps.setFixTimeout(150);
    gps.start();
    QTcpSocket *gpsd = nextClient(server);
    QVERIFY(gpsd);
    QTRY_VERIFY(gps.isConnected());
    gpsd->write(tpv(3, 10, 10) + "\n");
    QTRY_VERIFY(gps.hasFix());
    // gpsd stays connected but the receiver stops reporting.
    QTRY_VERIFY(!gps.hasFix());
    QVERIFY(gps.isConnected());
    QVERIFY(gps.status().text.startsWith(QLatin1String("GPS fix lost")));
}

void GpsdPositionSourceTest::silentServerIsDropped()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    GpsdPositionSource gps(QStringLiteral("127.0.0.1"), server.serverPort());
    gps.setSilenceLimit(200);
    gps.setBackoff(50, 50);
    QSignalSpy states(&gps, &StationSource::connectionStateChanged);
    gps.start();
    QTcpSocket *first = nextClient(server);
    QVERIFY(first);
    QTRY_VERIFY(gps.isConnected());
    QCOMPARE(gps.status().text, QStringLiteral("waiting for a GPS fix"));
    // The event loop keeps turning while the server says nothing.
    QElapsedTimer timer;
    timer.start();
    QTest::qWait(100);
    QVERIFY(timer.elapsed() < 150);
    QTcpSocket *second = nextClient(server, 3000);
    QVERIFY2(second, "a silent gpsd is not dropped and called again");
    bool sawSilence = false;
    for (const QList<QVariant> &state : std::as_const(states))
        sawSilence |= state.at(0).toString().contains(QLatin1String("nothing received"));
    QVERIFY(sawSilence);
}

void GpsdPositionSourceTest::unreachableGpsdBacksOff()
{
    // A port nobody listens on: taken from a server that closed again.
    quint16 port = 0;
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        port = server.serverPort();
    }
    GpsdPositionSource gps(QStringLiteral("127.0.0.1"), port);
    gps.setBackoff(40, 160);
    QSignalSpy states(&gps, &StationSource::connectionStateChanged);
    gps.start();
    QTest::qWait(600);
    QVERIFY(!gps.isConnected());
    QVERIFY(gps.status().failure);
    QVERIFY2(gps.status().text.startsWith(QStringLiteral("GPSD 127.0.0.1:%1").arg(port)),
             qPrintable(gps.status().text));
    // connecting / lost pairs at 40, 80, 160, 160 ms: a handful, not a spin.
    QVERIFY2(states.size() >= 4 && states.size() <= 14, qPrintable(QString::number(states.size())));
}

void GpsdPositionSourceTest::hostFollowsTheFix()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    HostSettings settings;
    settings.callsign = QStringLiteral("PD0CAR");
    settings.hasOwnPosition = true; // LATITUDE/LONGITUDE: 52 N 5 E
    settings.ownLatitude = 52 * 60;
    settings.ownLongitude = 5 * 60;
    LocalHost host(settings, nullptr);
    StationReport fixed;
    fixed.callsign = QStringLiteral("PD1FIX");
    fixed.latitude = 53 * 60;
    fixed.longitude = 5 * 60;
    QVERIFY(host.table().apply(fixed));
    host.setPositionSource(std::make_unique<GpsdPositionSource>(QStringLiteral("127.0.0.1"),
                                                                server.serverPort()));
    host.start();
    QTcpSocket *gpsd = nextClient(server);
    QVERIFY(gpsd);

    // Until the first fix the profile's position serves.
    QVERIFY(qAbs(distanceOf(host, QStringLiteral("PD1FIX")) - 111.2) < 0.1);
    QCOMPARE(host.statusParts().size(), 2); // no station source, then the position
    QTRY_COMPARE(host.statusParts().at(1).text, QStringLiteral("waiting for a GPS fix"));
    QCOMPARE(host.positionStatus(), host.statusParts().at(1));
    QVERIFY(!host.ownCourse());

    gpsd->write(tpv(3, 52.9, 5.0) + "\n");
    QTRY_VERIFY(distanceOf(host, QStringLiteral("PD1FIX")) < 12.0);
    QVERIFY(qAbs(distanceOf(host, QStringLiteral("PD1FIX")) - 11.12) < 0.05);
    QCOMPARE(distanceOf(host, QStringLiteral("PD0CAR")), 0.0);
    QCOMPARE(host.StationCount(), qint16(2));
    QCOMPARE(host.statusParts().at(1).text, QStringLiteral("GPS fix 3D"));
    QVERIFY(!host.ownCourse()); // no track sent
    // The car drives on past the station, heading north.
    QByteArray moving = tpv(3, 53.5, 5.0);
    moving.insert(moving.size() - 1, ",\"track\":2.5");
    gpsd->write(moving + "\n");
    QTRY_VERIFY(qAbs(distanceOf(host, QStringLiteral("PD1FIX")) - 55.6) < 0.1);
    QCOMPARE(host.ownCourse().value_or(-1), 2.5);
    QCOMPARE(host.StationCount(), qint16(2));
}

NEARBELL_TEST(GpsdPositionSourceTest)
#include "GpsdPositionSourceTest.moc"
