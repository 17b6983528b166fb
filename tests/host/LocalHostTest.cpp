#include "common/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "host/LocalHost.h"

using namespace nearbell;

namespace {

// A source the test drives by hand.
class HandSource : public StationSource
{
public:
    using StationSource::StationSource;
    void start() override { ++starts; }
    void deliver(const QString &callsign, double latitude, double longitude, bool killed = false)
    {
        StationReport r;
        r.callsign = callsign;
        r.latitude = latitude;
        r.longitude = longitude;
        r.killed = killed;
        emit reportReceived(r);
    }
    void endBatch() { emit batchReceived(); }
    int starts = 0;
};

HostSettings ownAt(double latitude, double longitude, bool miles = false)
{
    HostSettings s;
    s.callsign = QStringLiteral("PA3XYZ");
    s.hasOwnPosition = true;
    s.ownLatitude = latitude;
    s.ownLongitude = longitude;
    s.unitsMiles = miles;
    return s;
}

} // namespace

class LocalHostTest : public QObject
{
    Q_OBJECT

private slots:
    void getStation_data()
    {
        QTest::addColumn<bool>("miles");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("found");
        QTest::addColumn<float>("distance");

        QTest::newRow("own station") << false << "PA3XYZ" << true << 0.0f;
        QTest::newRow("km") << false << "AB1CD" << true << 112.122f;
        QTest::newRow("miles") << true << "AB1CD" << true << 69.669f;
        QTest::newRow("unknown") << false << "ZZ9ZZ" << false << 0.0f;
        QTest::newRow("other letter case") << false << "ab1cd" << false << 0.0f;
    }

    void getStation()
    {
        QFETCH(bool, miles);
        QFETCH(QString, callsign);
        QFETCH(bool, found);
        QFETCH(float, distance);

        auto source = std::make_unique<HandSource>();
        HandSource *hand = source.get();
        LocalHost host(ownAt(3000, 300, miles), std::move(source));
        hand->deliver(QStringLiteral("AB1CD"), 3060.5, 300.0);

        HostStation station;
        station.setCallsign(callsign);
        QCOMPARE(host.GetStation(station), found);
        if (!found)
            return;
        QVERIFY2(qAbs(station.Distance() - distance) < 0.01f,
                 qPrintable(QString::number(station.Distance())));
        if (callsign == QLatin1String("AB1CD")) {
            QCOMPARE(station.Latitude(), 3060.5f);
            QCOMPARE(station.Longitude(), 300.0f);
        } else {
            QCOMPARE(station.Latitude(), 3000.0f);
            QCOMPARE(station.Longitude(), 300.0f);
        }
    }

    void listEntriesAndIndexBounds()
    {
        auto source = std::make_unique<HandSource>();
        HandSource *hand = source.get();
        LocalHost host(ownAt(0, 0), std::move(source));
        hand->deliver(QStringLiteral("AB1CD"), 1, 1);

        QCOMPARE(host.StationCount(), qint16(2));
        qint16 index = 0;
        QVERIFY(host.StationListEntry(index).startsWith(QLatin1String("/AB1CD ")));
        index = 1;
        QVERIFY(host.StationListEntry(index).startsWith(QLatin1String("-PA3XYZ ")));
        for (qint16 outside : {qint16(-1), qint16(2), qint16(32767), qint16(-32768)}) {
            index = outside;
            QVERIFY2(host.StationListEntry(index).isEmpty(), qPrintable(QString::number(outside)));
        }
    }

    void countIsClampedTo16Bits_data()
    {
        QTest::addColumn<int>("stations");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("largest count") << 32767 << 32767;
        QTest::newRow("one more") << 32768 << 32767;
        QTest::newRow("far more") << 40000 << 32767;
    }

    void countIsClampedTo16Bits()
    {
        QFETCH(int, stations);
        QFETCH(int, count);

        auto source = std::make_unique<HandSource>();
        HandSource *hand = source.get();
        LocalHost host(HostSettings{}, std::move(source));
        for (int i = 0; i < stations; ++i)
            hand->deliver(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')), 0, 0);
        QCOMPARE(host.table().entryCount(), stations);
        QCOMPARE(int(host.StationCount()), count);
        if (count > 0) {
            qint16 last = qint16(count - 1);
            QVERIFY(!host.StationListEntry(last).isEmpty());
        }
    }

    void attachOptionIsKept()
    {
        LocalHost host(HostSettings{}, nullptr);
        qint32 value = -1;
        host.SetAttachOption(value);
        QCOMPARE(host.attachOption(), -1);
        QCOMPARE(value, -1);
    }

    void withoutSourceOnlyTheOwnStationIsListed()
    {
        LocalHost host(ownAt(10, 10), nullptr);
        host.start();
        QCOMPARE(host.StationCount(), qint16(1));
        QVERIFY(!host.source());
    }

    void withoutOwnPositionTheOwnStationIsNotListed()
    {
        HostSettings settings;
        settings.callsign = QStringLiteral("PA3XYZ");
        LocalHost host(settings, nullptr);
        QCOMPARE(host.StationCount(), qint16(0));
        HostStation own;
        own.setCallsign(QStringLiteral("PA3XYZ"));
        QVERIFY(!host.GetStation(own));
    }

    void eventsFollowTheSource()
    {
        auto source = std::make_unique<HandSource>();
        HandSource *hand = source.get();
        LocalHost host(ownAt(0, 0), std::move(source));
        QSignalSpy beacons(&host, &HostApplication::NotifyBeacon);
        QSignalSpy deletes(&host, &HostApplication::NotifyDelete);
        QSignalSpy batches(&host, &HostApplication::DataAvailable);
        QSignalSpy clears(&host, &HostApplication::NotifyDeleteAllStations);
        QSignalSpy closing(&host, &HostApplication::UIView32IsClosing);

        host.start();
        QCOMPARE(hand->starts, 1);
        hand->deliver(QStringLiteral("AB1CD"), 3132.5, -312.25);
        hand->deliver(QStringLiteral("OBJ1"), 1, 1);
        QCOMPARE(batches.count(), 0);
        hand->endBatch();
        QCOMPARE(beacons.count(), 2);
        QCOMPARE(batches.count(), 1);
        QCOMPARE(beacons.at(0).at(0).toString(), QStringLiteral("AB1CD"));
        QCOMPARE(beacons.at(0).at(1).toFloat(), 3132.5f);
        QCOMPARE(beacons.at(0).at(2).toFloat(), -312.25f);

        hand->deliver(QStringLiteral("OBJ1"), 0, 0, true);
        QCOMPARE(deletes.count(), 1);
        QCOMPARE(deletes.at(0).at(0).toString(), QStringLiteral("OBJ1"));
        QCOMPARE(beacons.count(), 2);

        host.clearStations();
        QCOMPARE(clears.count(), 1);
        QCOMPARE(host.StationCount(), qint16(1));

        QCOMPARE(closing.count(), 0);
        host.announceClosing();
        QCOMPARE(closing.count(), 1);
    }

    void expiryRunsOnItsTimer()
    {
        auto source = std::make_unique<HandSource>();
        HandSource *hand = source.get();
        HostSettings settings = ownAt(0, 0);
        settings.expireMinutes = 5;
        LocalHost host(settings, std::move(source));
        QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        host.table().setClock([&now] { return now; });
        hand->deliver(QStringLiteral("AB1CD"), 1, 1);

        QSignalSpy deletes(&host, &HostApplication::NotifyDelete);
        host.setExpiryCheckInterval(5);
        host.start();
        QTest::qWait(30);
        QCOMPARE(deletes.count(), 0);
        now = now.addSecs(5 * 60);
        QTRY_COMPARE(deletes.count(), 1);
        QCOMPARE(host.StationCount(), qint16(1));
    }
};

NEARBELL_TEST(LocalHostTest)
#include "LocalHostTest.moc"
