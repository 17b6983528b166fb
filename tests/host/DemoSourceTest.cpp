#include "common/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

#include <map>
#include <memory>

#include "host/DemoSource.h"
#include "host/GreatCircle.h"
#include "host/StationSourceFactory.h"
#include "host/StationTable.h"

using namespace nearbell;

namespace {

struct Heard
{
    int step;
    QString callsign;
    double latitude;
    double longitude;
    bool direct;
    char symbol;
    bool operator==(const Heard &) const = default;
};

// Everything a demo reports over a number of steps, in order.
std::vector<Heard> run(DemoSource &demo, int steps)
{
    std::vector<Heard> heard;
    int step = 0;
    QObject::connect(&demo, &StationSource::reportReceived, &demo, [&](const StationReport &r) {
        heard.push_back({step, r.callsign, r.latitude, r.longitude, r.heardDirectly, r.symbolCode});
    });
    for (step = 0; step < steps; ++step)
        demo.step();
    QObject::disconnect(&demo, &StationSource::reportReceived, &demo, nullptr);
    return heard;
}

constexpr double kCentreLatitude = 3132.34;
constexpr double kCentreLongitude = 312.34;

} // namespace

class DemoSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void sameSeedSameTraffic()
    {
        DemoSource a(kCentreLatitude, kCentreLongitude, 42);
        DemoSource b(kCentreLatitude, kCentreLongitude, 42);
        const auto first = run(a, 60);
        QVERIFY(first.size() > 60);
        QVERIFY(first == run(b, 60));

        DemoSource c(kCentreLatitude, kCentreLongitude, 43);
        QVERIFY(!(first == run(c, 60)));
    }

    void stationsComeAndGoAcrossTenKilometres()
    {
        DemoSource demo(kCentreLatitude, kCentreLongitude, 7);
        std::map<QString, std::pair<double, double>> range; // nearest, farthest
        std::map<QString, int> crossings;
        std::map<QString, bool> wasInside;
        for (const Heard &h : run(demo, 200)) {
            const double km = greatcircle::kilometres(kCentreLatitude, kCentreLongitude,
                                                      h.latitude, h.longitude);
            auto [it, first] = range.try_emplace(h.callsign, km, km);
            it->second.first = std::min(it->second.first, km);
            it->second.second = std::max(it->second.second, km);
            const bool inside = km < 10.0;
            if (!first && wasInside[h.callsign] != inside)
                ++crossings[h.callsign];
            wasInside[h.callsign] = inside;
        }

        int comeAndGo = 0, alwaysInside = 0, alwaysOutside = 0;
        for (const auto &[callsign, nearFar] : range) {
            if (crossings[callsign] >= 2)
                ++comeAndGo; // in and out at least once each
            else if (nearFar.second < 10.0)
                ++alwaysInside;
            else if (nearFar.first > 10.0)
                ++alwaysOutside;
            QVERIFY2(nearFar.second < 50.0, qPrintable(callsign)); // stays around the centre
        }
        QCOMPARE(int(range.size()), 6);
        QVERIFY(comeAndGo >= 2);
        QVERIFY(alwaysInside >= 1);
        QVERIFY(alwaysOutside >= 1);
    }

    void oneStationIsHeardDirectly()
    {
        DemoSource demo(kCentreLatitude, kCentreLongitude, 1);
        StationTable table;
        table.setOwnStation(QStringLiteral("PA3XYZ"), kCentreLatitude, kCentreLongitude);
        connect(&demo, &StationSource::reportReceived, &table,
                [&table](const StationReport &r) { QVERIFY(table.apply(r)); });
        for (int i = 0; i < 6; ++i)
            demo.step();

        QCOMPARE(table.entryCount(), 7);
        int direct = 0;
        for (int i = 0; i < table.entryCount(); ++i) {
            const QString e = table.entry(i);
            const QString callsign = e.mid(1, e.indexOf(u' ') - 1);
            if (callsign.endsWith(u'*'))
                ++direct;
        }
        QCOMPARE(direct, 1);
    }

    void everyStepIsOneBatch()
    {
        DemoSource demo(0, 0, 5);
        QSignalSpy batches(&demo, &StationSource::batchReceived);
        QSignalSpy reports(&demo, &StationSource::reportReceived);
        QList<int> reportsBeforeBatch;
        connect(&demo, &StationSource::batchReceived, this,
                [&] { reportsBeforeBatch.append(int(reports.count())); });
        for (int i = 0; i < 6; ++i)
            demo.step();
        QCOMPARE(batches.count(), 6);
        // The first step reports all six; slower beaconers skip later steps.
        QCOMPARE(reportsBeforeBatch.first(), 6);
        QVERIFY(reportsBeforeBatch.at(1) - reportsBeforeBatch.at(0) < 6);
        QVERIFY(reportsBeforeBatch.at(1) - reportsBeforeBatch.at(0) > 0);
    }

    void startReportsAtOnceThenRunsOnTheTimer()
    {
        DemoSource demo(0, 0, 5);
        demo.setInterval(5);
        QSignalSpy batches(&demo, &StationSource::batchReceived);
        demo.start();
        QCOMPARE(batches.count(), 1);
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
        QTest::newRow("demo") << "DEMO" << true;
        QTest::newRow("demo in lower case") << "demo" << true;
        QTest::newRow("none") << "NONE" << false;
        QTest::newRow("unknown") << "CARRIER-PIGEON loft:1" << false;
    }

    void factoryChoosesBySourceName()
    {
        QFETCH(QString, source);
        QFETCH(bool, demo);
        HostSettings settings;
        settings.source = source;
        settings.hasOwnPosition = true;
        settings.ownLatitude = kCentreLatitude;
        settings.ownLongitude = kCentreLongitude;
        QObject parent;
        std::unique_ptr<StationSource> made = makeStationSource(settings, &parent);
        QCOMPARE(qobject_cast<DemoSource *>(made.get()) != nullptr, demo);
        if (!demo)
            QVERIFY(!made);
    }
};

NEARBELL_TEST(DemoSourceTest)
#include "DemoSourceTest.moc"
