#include "common/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <map>
#include <memory>

#include "host/DemoSource.h"
#include "host/GreatCircle.h"
#include "host/LocalHost.h"
#include "host/StationSourceFactory.h"
#include "host/StationTable.h"

using namespace nearbell;

namespace {

constexpr double kCentreLatitude = 3132.34;
constexpr double kCentreLongitude = 312.34;

struct Heard
{
    QString callsign;
    double latitude;
    double longitude;
    bool direct;
    double course = 0; // -1 unknown, so that equal runs compare equal
    double speedKmh = 0;
    QStringList path;
    QString comment;
    bool operator==(const Heard &) const = default;
};

// Everything a demo reports over a number of steps, in order.
std::vector<Heard> run(DemoSource &demo, int steps)
{
    std::vector<Heard> heard;
    const auto c = QObject::connect(&demo, &StationSource::reportReceived, [&](const StationReport &r) {
        heard.push_back({r.callsign, r.latitude, r.longitude, r.heardDirectly, std::isnan(r.course) ? -1.0 : r.course, r.speedKmh, r.path,
                         r.comment});
    });
    for (int step = 0; step < steps; ++step)
        demo.step();
    QObject::disconnect(c);
    return heard;
}

} // namespace

class DemoSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedSameTraffic()
    {
        DemoSource a(kCentreLatitude, kCentreLongitude, 42);
        DemoSource b(kCentreLatitude, kCentreLongitude, 42);
        DemoSource c(kCentreLatitude, kCentreLongitude, 43);
        const auto first = run(a, 60);
        QVERIFY(first.size() > 60);
        QVERIFY(first == run(b, 60));
        QVERIFY(!(first == run(c, 60)));
    }

    void stationsComeAndGoAcrossTenKilometres()
    {
        DemoSource demo(kCentreLatitude, kCentreLongitude, 7);
        std::map<QString, std::pair<double, double>> nearFar;
        std::map<QString, int> crossings;
        std::map<QString, bool> inside;
        int direct = 0;
        for (const Heard &h : run(demo, 200)) {
            const double km = greatcircle::kilometres(kCentreLatitude, kCentreLongitude,
                                                      h.latitude, h.longitude);
            auto [it, first] = nearFar.try_emplace(h.callsign, km, km);
            it->second = {std::min(it->second.first, km), std::max(it->second.second, km)};
            if (!first && inside[h.callsign] != (km < 10.0))
                ++crossings[h.callsign];
            inside[h.callsign] = km < 10.0;
            direct += h.direct ? 1 : 0;
            if (h.direct)
                QCOMPARE(h.callsign, QStringLiteral("DEMO-1"));
        }

        int comeAndGo = 0, alwaysInside = 0, alwaysOutside = 0;
        for (const auto &[callsign, range] : nearFar) {
            comeAndGo += crossings[callsign] >= 2 ? 1 : 0; // in and out, each at least once
            alwaysInside += range.second < 10.0 ? 1 : 0;
            alwaysOutside += range.first > 10.0 ? 1 : 0;
            QVERIFY2(range.second < 50.0, qPrintable(callsign));
        }
        QCOMPARE(int(nearFar.size()), 6);
        QVERIFY(comeAndGo >= 2);
        QVERIFY(alwaysInside >= 1);
        QVERIFY(alwaysOutside >= 1);
        QVERIFY(direct > 0);
    }

    // Moving stations say where they go, the fixed digipeater does not;
    // one of them comes straight at the centre now and then.
    void motionIsBelievable()
    {
        DemoSource demo(kCentreLatitude, kCentreLongitude, 7);
        int towards = 0;
        for (const Heard &h : run(demo, 200)) {
            QVERIFY(!h.comment.isEmpty());
            QCOMPARE(h.path.isEmpty(), h.direct || h.callsign == QStringLiteral("DEMO-6"));
            if (h.callsign == QStringLiteral("DEMO-6")) {
                QCOMPARE(h.speedKmh, 0.0);
                QCOMPARE(h.course, -1.0);
                continue;
            }
            QVERIFY2(h.speedKmh > 0 && h.speedKmh <= 80, qPrintable(h.callsign));
            QVERIFY2(h.course >= 1 && h.course <= 360, qPrintable(h.callsign));
            const double home = greatcircle::bearing(h.latitude, h.longitude, kCentreLatitude, kCentreLongitude);
            towards += std::abs(std::remainder(h.course - home, 360.0)) < 20.0 ? 1 : 0;
        }
        QVERIFY(towards >= 5);
    }

    // With gpsd and no fixed position the demo waits for the first fix and
    // places its stations around it, not around 0° 0°.
    void demoWaitsForTheFirstFix()
    {
        HostSettings settings;
        settings.callsign = QStringLiteral("PA3XYZ");
        settings.positionFromGpsd = true;
        settings.source = SourceLine::parse(QStringLiteral("DEMO"));
        LocalHost host(settings, makeStationSources(settings));
        host.start();
        QCOMPARE(host.table().entryCount(), 0);
        host.settingsModel()->moveOwnPosition(kCentreLatitude, kCentreLongitude);
        host.settingsModel()->moveOwnPosition(kCentreLatitude + 600, kCentreLongitude); // the next fix
        QCOMPARE(host.table().entryCount(), 7);
        for (int i = 1; i <= 6; ++i) {
            const auto *station = host.table().find(QStringLiteral("DEMO-%1").arg(i));
            QVERIFY(station);
            QVERIFY(greatcircle::kilometres(kCentreLatitude, kCentreLongitude, station->latitude,
                                            station->longitude) < 50.0);
        }
    }

    void startReportsAtOnceThenRunsOnTheTimer()
    {
        DemoSource demo(0, 0, 5);
        demo.setInterval(5);
        QSignalSpy batches(&demo, &StationSource::batchReceived);
        QSignalSpy reports(&demo, &StationSource::reportReceived);
        demo.start();
        QCOMPARE(batches.count(), 1);
        QCOMPARE(reports.count(), 6);
        QTRY_VERIFY(batches.count() >= 3);
        demo.stop();
    }

    // Near a pole or the date line every position must still be a real one.
    void positionsStayValidAtTheEdges_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::newRow("north pole") << 5399.9 << 0.0;
        QTest::newRow("south pole and date line") << -5400.0 << -10800.0;
        QTest::newRow("date line") << 0.0 << 10799.9;
    }

    void positionsStayValidAtTheEdges()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        DemoSource demo(latitude, longitude, 3);
        StationTable table;
        int refused = 0;
        connect(&demo, &StationSource::reportReceived, &table,
                [&](const StationReport &r) { refused += table.apply(r) ? 0 : 1; });
        for (int i = 0; i < 100; ++i)
            demo.step();
        QCOMPARE(refused, 0);
        QCOMPARE(table.entryCount(), 6);
    }

    void factoryChoosesBySourceName_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("demo");
        QTest::newRow("demo in lower case") << "demo" << true;
        QTest::newRow("none") << "NONE" << false;
        QTest::newRow("unknown") << "CARRIER-PIGEON loft:1" << false;
    }

    void factoryChoosesBySourceName()
    {
        QFETCH(QString, source);
        QFETCH(bool, demo);
        HostSettings settings;
        settings.source = SourceLine::parse(source);
        std::unique_ptr<StationSource> made = makeStationSource(settings);
        QCOMPARE(qobject_cast<DemoSource *>(made.get()) != nullptr, demo);
        QCOMPARE(made != nullptr, demo);
    }
};

NEARBELL_TEST(DemoSourceTest)
#include "DemoSourceTest.moc"
