#include "common/TestRegistry.h"
#include "host/GpsdPositionSource.h"
#include "host/HostStation.h"
#include "host/LocalHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace nearbell;

namespace {

// The drive: 20 s standing at 52 N 4.70 E, then along 52 N to 5.30 E,
// 0.0075 degrees (about 515 m) a second, past a station standing at
// 52 N 5 E. gpsfake plays it at ten seconds a second, over and over.
constexpr double kLatitude = 52.0;
constexpr double kStartLongitude = 4.70;
constexpr double kStep = 0.0075;
constexpr int kStanding = 20;
constexpr int kFixes = kStanding + 81;
constexpr double kRangeKm = 5.0;

QByteArray withChecksum(const QByteArray &body)
{
    unsigned char sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + body + '*' + QByteArray::number(sum, 16).toUpper().rightJustified(2, '0') + "\r\n";
}

QByteArray nmeaAngle(double degrees, int width)
{
    const int whole = int(degrees);
    return QByteArray::number(whole).rightJustified(width, '0')
        + QByteArray::number((degrees - whole) * 60.0, 'f', 4).rightJustified(7, '0');
}

// A log of our own as a receiver writes it: GGA and RMC each second.
QByteArray driveLog()
{
    QByteArray log;
    for (int i = 0; i < kFixes; ++i) {
        const int second = 12 * 3600 + i;
        const QByteArray time = QByteArray::number(second / 3600).rightJustified(2, '0')
            + QByteArray::number(second / 60 % 60).rightJustified(2, '0')
            + QByteArray::number(second % 60).rightJustified(2, '0') + ".00";
        const QByteArray lat = nmeaAngle(kLatitude, 2) + ",N";
        const QByteArray lon = nmeaAngle(kStartLongitude + std::max(0, i - kStanding) * kStep, 3) + ",E";
        log += withChecksum("GPGGA," + time + ',' + lat + ',' + lon + ",1,09,0.9,12.0,M,47.0,M,,");
        log += withChecksum("GPRMC," + time + ",A," + lat + ',' + lon + ",27.8,90.0,010325,,,A");
    }
    return log;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class GpsdIntegrationTest : public QObject
{
    Q_OBJECT

private slots:
    void stationEntersAndLeavesAsTheCarDrivesPast();
};

void GpsdIntegrationTest::stationEntersAndLeavesAsTheCarDrivesPast()
{
    const QString gpsfake = QStandardPaths::findExecutable(QStringLiteral("gpsfake"));
    QString gpsd = QStandardPaths::findExecutable(QStringLiteral("gpsd"));
    if (gpsd.isEmpty()) {
        gpsd = QStandardPaths::findExecutable(
            QStringLiteral("gpsd"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    }
    if (gpsfake.isEmpty() || gpsd.isEmpty())
        QSKIP("gpsd and gpsfake are needed (Debian gpsd, gpsd-clients, python3-gps)");

    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("drive.nmea"));
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write(driveLog());
    log.close();

    QElapsedTimer total;
    total.start();
    const quint16 port = freePort();
    QProcess fake;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"),
                       environment.value(QStringLiteral("PATH")) + QStringLiteral(":/usr/sbin"));
    fake.setProcessEnvironment(environment);
    fake.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    fake.start(gpsfake, {QStringLiteral("-q"), QStringLiteral("-c"),
                         QStringLiteral("0.05"), QStringLiteral("-P"), QString::number(port),
                         logPath});
    QVERIFY(fake.waitForStarted(5000));

    HostSettings settings;
    settings.callsign = QStringLiteral("PD0CAR");
    LocalHost host(settings, nullptr);
    StationReport fixed;
    fixed.callsign = QStringLiteral("PD1FIX");
    fixed.latitude = kLatitude * 60;
    fixed.longitude = 5.0 * 60;
    QVERIFY(host.table().apply(fixed));
    auto gps = std::make_unique<GpsdPositionSource>(QStringLiteral("127.0.0.1"), port);
    gps->setBackoff(100, 400); // gpsfake's daemon takes a moment to listen
    GpsdPositionSource *source = gps.get();
    host.setPositionSource(std::move(gps));
    host.start();

    // Watched as the scan sees it: the station's distance, read every 20 ms,
    // until it has been seen out of range, in range and out again.
    QList<bool> phases; // in range or not, each change once
    double enteredAt = 0.0;
    double leftAt = 0.0;
    QElapsedTimer timer;
    timer.start();
    qint64 firstFixMs = -1;
    const auto drivenPast = [&phases] {
        return phases.size() >= 3 && !phases.at(phases.size() - 3) && phases.at(phases.size() - 2)
            && !phases.last();
    };
    while (timer.elapsed() < 60000 && fake.state() != QProcess::NotRunning && !drivenPast()) {
        QTest::qWait(20);
        if (!source->lastFix())
            continue;
        if (firstFixMs < 0)
            firstFixMs = total.elapsed();
        HostStation station;
        station.setCallsign(QStringLiteral("PD1FIX"));
        QVERIFY(host.GetStation(station));
        const bool inRange = station.Distance() < kRangeKm;
        if (phases.isEmpty() || phases.last() != inRange) {
            phases.append(inRange);
            (inRange ? enteredAt : leftAt) = source->lastFix()->longitude / 60.0;
        }
    }
    const qint64 elapsed = total.elapsed();
    fake.terminate();
    fake.waitForFinished(5000);

    QVERIFY2(firstFixMs >= 0, "no fix came from gpsd");
    QVERIFY2(drivenPast(), "the station did not enter and leave the alarm range");
    // 5 km at 52 N is 0.073 degrees of longitude either side of the station.
    QVERIFY2(qAbs(enteredAt - (5.0 - 0.073)) < 0.02, qPrintable(QString::number(enteredAt)));
    QVERIFY2(qAbs(leftAt - (5.0 + 0.073)) < 0.02, qPrintable(QString::number(leftAt)));
    QCOMPARE(host.StationCount(), qint16(2));
    qInfo("gpsd drive past: first fix after %lld ms, in and out of range after %lld ms", firstFixMs,
          elapsed);
}

NEARBELL_TEST(GpsdIntegrationTest)
#include "GpsdIntegrationTest.moc"
