#include "common/TestRegistry.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include "host/DuplicateFilter.h"
#include "host/HostSettingsModel.h"
#include "host/LocalHost.h"
#include "host/SourceId.h"
#include "host/StationSourceFactory.h"

using namespace nearbell;

namespace {

// A source the test drives by hand.
class HandSource : public StationSource
{
public:
    void start() override { ++starts; }
    void deliver(const QString &callsign, double latitude, double longitude, bool killed = false,
                 quint64 packet = 0, bool direct = false)
    {
        StationReport r;
        r.heardDirectly = direct;
        r.callsign = callsign;
        r.latitude = latitude;
        r.longitude = longitude;
        r.killed = killed;
        r.packet = packet;
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

private:
    HandSource *m_hand = nullptr;
    std::unique_ptr<LocalHost> makeHost(const HostSettings &settings)
    {
        auto source = std::make_unique<HandSource>();
        m_hand = source.get();
        return std::make_unique<LocalHost>(settings, std::move(source));
    }

private slots:
    void getStation_data()
    {
        QTest::addColumn<bool>("miles");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("found");
        QTest::addColumn<float>("latitude");
        QTest::addColumn<float>("distance");

        QTest::newRow("own station") << false << "PA3XYZ" << true << 3000.0f << 0.0f;
        QTest::newRow("km") << false << "AB1CD" << true << 3060.5f << 112.122f;
        QTest::newRow("miles") << true << "AB1CD" << true << 3060.5f << 69.669f;
        QTest::newRow("other letter case") << false << "ab1cd" << false << 0.0f << 0.0f;
    }

    void getStation()
    {
        QFETCH(bool, miles);
        QFETCH(QString, callsign);
        QFETCH(bool, found);
        QFETCH(float, latitude);
        QFETCH(float, distance);

        auto host = makeHost(ownAt(3000, 300, miles));
        m_hand->deliver(QStringLiteral("AB1CD"), 3060.5, 300.0);
        HostStation station;
        station.setCallsign(callsign);
        QCOMPARE(host->GetStation(station), found);
        if (found) {
            QCOMPARE(station.Latitude(), latitude);
            QCOMPARE(station.Longitude(), 300.0f);
            QVERIFY2(qAbs(station.Distance() - distance) < 0.01f,
                     qPrintable(QString::number(station.Distance())));
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

        auto host = makeHost(HostSettings{}); // no own station
        for (int i = 0; i < stations; ++i)
            m_hand->deliver(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')), 0, 0);
        QCOMPARE(int(host->StationCount()), count);
        for (qint16 index : {qint16(count - 1), qint16(count), qint16(-1), qint16(-32768)}) {
            const bool inside = index >= 0 && index < count;
            QCOMPARE(host->StationListEntry(index).isEmpty(), !inside);
        }
    }

    // 40,000 distant stations and two 22 m away at both ends of the callsign
    // order: both near ones are listed, whether the table evicts (its bound)
    // or the list leaves out (a table made larger than the count can say).
    void nearStationsSurviveAFloodOfDistantOnes_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<bool>("nearFirst");
        QTest::newRow("bounded table, near ones first") << StationTable::kDefaultCapacity << true;
        QTest::newRow("bounded table, near ones last") << StationTable::kDefaultCapacity << false;
        QTest::newRow("larger table cut by the count") << 50000 << true;
    }

    void nearStationsSurviveAFloodOfDistantOnes()
    {
        QFETCH(int, capacity);
        QFETCH(bool, nearFirst);

        auto host = makeHost(ownAt(3000, 300));
        host->table().setCapacity(capacity);
        const auto deliverNear = [this] {
            m_hand->deliver(QStringLiteral("AACLOS"), 3000.0119, 300.0); // 22 m north
            m_hand->deliver(QStringLiteral("ZZCLOS"), 3000.0, 300.0185); // 22 m east
        };
        if (nearFirst)
            deliverNear();
        for (int i = 0; i < 40000; ++i)
            m_hand->deliver(QStringLiteral("D%1").arg(i, 5, 10, QLatin1Char('0')), -3000.0 + i % 500, 2000.0 + i / 500);
        if (!nearFirst)
            deliverNear();

        QCOMPARE(int(host->StationCount()), 32767);
        QStringList listed;
        for (qint16 i = 0; i < 32767; ++i) {
            const QString entry = host->StationListEntry(i);
            listed.append(entry.mid(1, entry.indexOf(u' ') - 1));
        }
        QVERIFY(std::is_sorted(listed.cbegin(), listed.cend()));
        QCOMPARE(listed.first(), QStringLiteral("AACLOS"));
        QCOMPARE(listed.last(), QStringLiteral("ZZCLOS"));
        QVERIFY(listed.contains(QStringLiteral("PA3XYZ")));

        // The status line tells of a full table and its drops.
        const StatusParts parts = host->statusParts();
        const bool full = capacity == StationTable::kDefaultCapacity;
        QCOMPARE(parts.size(), full ? 2 : 1);
        if (full) {
            QCOMPARE(parts.last().text,
                     QStringLiteral("Station table full (32767 stations): %1 farthest dropped").arg(40002 + 1 - 32767));
            QVERIFY(!parts.last().failure);
        }
    }

    // A walk reads the list as it stood at StationCount; a station that
    // left meanwhile is no longer found.
    void walkReadsASteadyList()
    {
        auto host = makeHost(ownAt(0, 0));
        for (const char *name : {"B", "D", "F"})
            m_hand->deliver(QString::fromLatin1(name), 1, 1);
        QCOMPARE(int(host->StationCount()), 4);
        m_hand->deliver(QStringLiteral("A"), 1, 1);
        m_hand->deliver(QStringLiteral("D"), 0, 0, true);
        QStringList seen;
        for (qint16 i = 0; i < 5; ++i)
            seen.append(host->StationListEntry(i).section(u' ', 0, 0).mid(1));
        QCOMPARE(seen, (QStringList{"B", "D", "F", "PA3XYZ", ""}));
        HostStation gone;
        gone.setCallsign(QStringLiteral("D"));
        QVERIFY(!host->GetStation(gone));
        QCOMPARE(int(host->StationCount()), 4); // the next walk sees A, not D
        qint16 first = 0;
        QCOMPARE(host->StationListEntry(first).mid(1, 2), QStringLiteral("A "));
        // A table cleared during a walk ends it at once.
        host->clearStations();
        QVERIFY(host->StationListEntry(first).isEmpty());
        QCOMPARE(int(host->StationCount()), 1);
    }

    void eventsFollowTheSource()
    {
        auto host = makeHost(ownAt(0, 0));
        QSignalSpy beacons(host.get(), &HostApplication::NotifyBeacon);
        QSignalSpy deletes(host.get(), &HostApplication::NotifyDelete);
        QSignalSpy batches(host.get(), &HostApplication::DataAvailable);
        QSignalSpy clears(host.get(), &HostApplication::NotifyDeleteAllStations);

        host->start();
        QCOMPARE(m_hand->starts, 1);
        m_hand->deliver(QStringLiteral("AB1CD"), 3132.5, -312.25);
        m_hand->deliver(QStringLiteral("OBJ1"), 1, 1);
        QCOMPARE(batches.count(), 0);
        m_hand->endBatch();
        QCOMPARE(batches.count(), 1);
        QCOMPARE(beacons.count(), 2);
        QCOMPARE(beacons.at(0).at(0).toString(), QStringLiteral("AB1CD"));
        QCOMPARE(beacons.at(0).at(1).toFloat(), 3132.5f);
        QCOMPARE(beacons.at(0).at(2).toFloat(), -312.25f);

        m_hand->deliver(QStringLiteral("OBJ1"), 0, 0, true);
        QCOMPARE(deletes.count(), 1);
        QCOMPARE(deletes.at(0).at(0).toString(), QStringLiteral("OBJ1"));
        QCOMPARE(beacons.count(), 2);

        host->clearStations();
        QCOMPARE(clears.count(), 1);
        QCOMPARE(host->StationCount(), qint16(1));
    }

    void expiryRunsOnItsTimer()
    {
        HostSettings settings = ownAt(0, 0);
        settings.expireMinutes = 5;
        auto host = makeHost(settings);
        QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        host->table().setClock([&now] { return now; });
        m_hand->deliver(QStringLiteral("AB1CD"), 1, 1);

        QSignalSpy deletes(host.get(), &HostApplication::NotifyDelete);
        host->setExpiryCheckInterval(5);
        host->start();
        QTest::qWait(30);
        QCOMPARE(deletes.count(), 0);
        now = now.addSecs(5 * 60);
        QTRY_COMPARE(deletes.count(), 1);
        QCOMPARE(host->StationCount(), qint16(1));
    }

    // The packet memory: its window, a clock gone back, and a quiet
    // source's share while the other floods.
    void duplicateFilter_data()
    {
        QTest::addColumn<int>("laterMs");
        QTest::addColumn<int>("laterSource");
        QTest::addColumn<int>("flood"); // packets the other source sends meanwhile
        QTest::addColumn<bool>("taken");
        QTest::newRow("copy from the other source") << 5000 << 1 << 0 << false;
        QTest::newRow("copy from the same source") << 29999 << 0 << 0 << false;
        QTest::newRow("window over") << 30000 << 1 << 0 << true;
        QTest::newRow("clock gone back") << -1 << 1 << 0 << true;
        QTest::newRow("quiet source remembered under a flood") << 1000 << 1 << 5000 << false;
    }

    void duplicateFilter()
    {
        QFETCH(int, laterMs);
        QFETCH(int, laterSource);
        QFETCH(int, flood);
        QFETCH(bool, taken);

        DuplicateFilter filter(1000);
        filter.setSourceCount(2);
        const qint64 start = 1000000;
        QVERIFY(filter.admit(0, 42, start));
        for (int i = 0; i < flood; ++i)
            QVERIFY(filter.admit(1, 1000 + quint64(i), start + i / 10));
        QVERIFY(filter.size() <= 1000);
        QCOMPARE(filter.admit(laterSource, 42, start + laterMs), taken);
        QCOMPARE(filter.copiesRefused(), taken ? 0 : 1);
        QVERIFY(filter.admit(laterSource, 0, start + laterMs)); // an unknown packet
        QVERIFY(filter.admit(laterSource, 0, start + laterMs));
    }

    // Several sources feed one table: a station both hear is one entry at
    // the newest report, with the source that gave it; two places within a
    // second are counted; a fifth source is left out.
    void severalSourcesFeedOneTable()
    {
        std::vector<std::unique_ptr<StationSource>> sources;
        std::vector<HandSource *> hands;
        for (const char *name : {"KISS 127.0.0.1:8001", "APRSIS 127.0.0.1:14580", "DEMO", "NONE", "KISS x:1"}) {
            auto hand = std::make_unique<HandSource>();
            hand->setName(QString::fromLatin1(name));
            hands.push_back(hand.get());
            sources.push_back(std::move(hand));
        }
        sources.insert(sources.begin() + 1, nullptr);
        LocalHost host(ownAt(0, 0), std::move(sources));
        QCOMPARE(host.sourceCount(), LocalHost::kMaxSources);
        QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        host.table().setClock([&now] { return now; });
        QSignalSpy beacons(&host, &HostApplication::NotifyBeacon);
        host.start();
        QCOMPARE(hands[3]->starts, 1);
        QCOMPARE(hands[4]->starts, 0);

        HandSource &radio = *hands[0];
        HandSource &internet = *hands[1];
        radio.deliver(QStringLiteral("AB1CD"), 1, 1, false, 7);
        now = now.addSecs(2);
        internet.deliver(QStringLiteral("AB1CD"), 2, 2, false, 8);
        now = now.addMSecs(999);
        radio.deliver(QStringLiteral("AB1CD"), 3, 3, false, 9); // elsewhere within the second
        QCOMPARE(beacons.count(), 3);
        const StationTable::Station *station = host.table().find(QStringLiteral("AB1CD"));
        QCOMPARE(station->latitude, 3.0);
        QCOMPARE(station->source, QStringLiteral("KISS 127.0.0.1:8001"));
        QCOMPARE(host.table().conflictCount(), 1);
        QCOMPARE(int(host.StationCount()), 2);

        // The internet's copy first: the radio's, heard direct, is not taken
        // in again but still tells that the station was heard direct.
        internet.deliver(QStringLiteral("XY9ZZ"), 4, 4, false, 10);
        QVERIFY(!host.table().heardDirectRecently(*host.table().find(QStringLiteral("XY9ZZ"))));
        radio.deliver(QStringLiteral("XY9ZZ"), 4, 4, false, 10, true);
        QCOMPARE(beacons.count(), 4);
        QVERIFY(host.table().heardDirectRecently(*host.table().find(QStringLiteral("XY9ZZ"))));
    }

    // A changed source line restarts only its own source, and only the
    // stations it heard go; when every line changes, the table is cleared.
    void changedSourceLineRestartsOnlyItself()
    {
        HostSettings settings = ownAt(0, 0);
        settings.source = SourceLine::parse(QStringLiteral("KISS 127.0.0.1:1"));
        settings.moreSources = {SourceLine::parse(QStringLiteral("aprsis 127.0.0.1:2"))};
        LocalHost host(settings, makeStationSources(settings));
        QCOMPARE(host.sourceCount(), 2);
        StationSource *radio = host.sourceAt(0);
        QCOMPARE(radio->name(), QStringLiteral("KISS 127.0.0.1:1"));
        QCOMPARE(host.sourceAt(1)->name(), QStringLiteral("APRSIS 127.0.0.1:2"));
        StationReport report;
        report.latitude = 1;
        report.callsign = QStringLiteral("HEARD1");
        emit radio->reportReceived(report);
        report.callsign = QStringLiteral("HEARD2");
        emit host.sourceAt(1)->reportReceived(report);

        QSignalSpy deletes(&host, &HostApplication::NotifyDelete);
        QSignalSpy clears(&host, &HostApplication::NotifyDeleteAllStations);
        settings.moreSources = {SourceLine::parse(QStringLiteral("NONE")),
                                SourceLine::parse(QStringLiteral("REPLAY x.tnc2"))};
        host.applySettings(settings);
        QCOMPARE(host.sourceCount(), 2);
        QCOMPARE(host.sourceAt(0), radio);
        QCOMPARE(host.sourceAt(1)->name(), QStringLiteral("REPLAY x.tnc2"));
        // The status line names each source as the set-up and the table do.
        QVERIFY(host.statusParts().at(1).text.startsWith(QStringLiteral("REPLAY x.tnc2")));
        QCOMPARE(deletes.size(), 1);
        QCOMPARE(deletes.at(0).at(0).toString(), QStringLiteral("HEARD2"));
        QVERIFY(host.table().find(QStringLiteral("HEARD1")));
        QSignalSpy beacons(&host, &HostApplication::NotifyBeacon);
        emit radio->reportReceived(report); // wired once, as before
        QCOMPARE(beacons.size(), 1);

        settings.source = SourceLine::parse(QStringLiteral("NONE"));
        settings.moreSources.clear();
        host.applySettings(settings);
        QCOMPARE(clears.size(), 1);
        QCOMPARE(host.sourceCount(), 0);
        QCOMPARE(host.statusParts().first().text, QStringLiteral("No station source: no stations will be heard"));
    }

    // A source is known by its line, not its place: whatever is removed,
    // moved, or removed and added again in one OK, the sources whose lines
    // stay keep running and keep their stations; a line named twice is
    // heard once.
    void sourcesAreKnownByTheirLine_data()
    {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("deleted");
        QTest::newRow("second of three removed") << QStringList{"KISS 127.0.0.1:1", "KISS 127.0.0.1:3"}
                                                 << QStringList{"HEARD2"};
        QTest::newRow("SOURCE itself removed") << QStringList{"aprsis 127.0.0.1:2", "KISS 127.0.0.1:3"}
                                               << QStringList{"HEARD1"};
        QTest::newRow("reordered") << QStringList{"KISS 127.0.0.1:3", "KISS 127.0.0.1:1", "APRSIS 127.0.0.1:2"}
                                   << QStringList{};
        QTest::newRow("removed and added again") << QStringList{"KISS 127.0.0.1:1", "KISS 127.0.0.1:3",
                                                                "APRSIS 127.0.0.1:2"}
                                                 << QStringList{};
        QTest::newRow("a line repeated") << QStringList{"KISS 127.0.0.1:1", "APRSIS 127.0.0.1:2",
                                                        "kiss 127.0.0.1:1", "KISS 127.0.0.1:3"}
                                         << QStringList{};
    }

    void sourcesAreKnownByTheirLine()
    {
        QFETCH(QStringList, after);
        QFETCH(QStringList, deleted);
        HostSettings settings = ownAt(0, 0);
        settings.source = SourceLine::parse(QStringLiteral("KISS 127.0.0.1:1"));
        settings.moreSources = {SourceLine::parse(QStringLiteral("APRSIS 127.0.0.1:2")),
                                SourceLine::parse(QStringLiteral("KISS 127.0.0.1:3"))};
        LocalHost host(settings, makeStationSources(settings));
        QHash<QString, StationSource *> running;
        for (int i = 0; i < host.sourceCount(); ++i) {
            StationSource *source = host.sourceAt(i);
            running.insert(source->name(), source);
            StationReport report;
            report.latitude = 1;
            report.callsign = QStringLiteral("HEARD%1").arg(i + 1);
            emit source->reportReceived(report);
        }
        QSignalSpy deletes(&host, &HostApplication::NotifyDelete);
        QSignalSpy clears(&host, &HostApplication::NotifyDeleteAllStations);
        settings.source = SourceLine::parse(after.first());
        settings.moreSources.clear();
        for (const QString &line : after.mid(1))
            settings.moreSources.append(SourceLine::parse(line));
        host.applySettings(settings);

        QStringList gone;
        for (const QList<QVariant> &signal : deletes)
            gone.append(signal.at(0).toString());
        QCOMPARE(gone, deleted);
        QCOMPARE(clears.size(), 0);
        QStringList names;
        for (int i = 0; i < host.sourceCount(); ++i) {
            StationSource *source = host.sourceAt(i);
            names.append(source->name());
            QCOMPARE(source, running.value(source->name())); // the very same, still running
        }
        QStringList expected;
        for (const QString &line : after) {
            if (!expected.contains(SourceId::of(line).text()))
                expected.append(SourceId::of(line).text());
        }
        QCOMPARE(names, expected);
        // Each station is still told as heard by its own source.
        for (int i = 1; i <= 3; ++i) {
            const StationTable::Station *station = host.table().find(QStringLiteral("HEARD%1").arg(i));
            QCOMPARE(!station, deleted.contains(QStringLiteral("HEARD%1").arg(i)));
            if (station)
                QVERIFY(running.value(station->source));
        }
    }

    void createFromProfile_data()
    {
        QTest::addColumn<QByteArray>("position");
        QTest::addColumn<int>("count");
        QTest::newRow("own position") << QByteArray("LATITUDE=5212.34N\r\nLONGITUDE=00512.34E\r\n") << 7;
        QTest::newRow("no own position") << QByteArray("LATITUDE=5212.34N\r\n") << 6;
    }

    void createFromProfile()
    {
        QFETCH(QByteArray, position);
        QFETCH(int, count);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("uiview32.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[STATION]\r\nCALLSIGN=PA3XYZ\r\n" + position
                   + "[HOST]\r\nSOURCE=DEMO\r\nUNITS=MILES\r\n");
        file.close();

        std::unique_ptr<LocalHost> host = LocalHost::create(path);
        QCOMPARE(host->table().unit(), DistanceUnit::Miles);
        host->start();
        QCOMPARE(int(host->StationCount()), count);
        HostStation own;
        own.setCallsign(QStringLiteral("PA3XYZ"));
        QCOMPARE(host->GetStation(own), count == 7);
    }

    // A change of the set-up goes one way: one changed() per change, none
    // for the same set-up; the callsign of the start stays; once gpsd has
    // given a fix, the fix outranks the fixed position.
    void setupChangesTakeOnePath()
    {
        const HostSettings settings = ownAt(3000, 300);
        auto host = makeHost(settings);
        QSignalSpy changed(host->settingsModel(), &HostSettingsModel::changed);
        host->applySettings(settings);
        QCOMPARE(changed.size(), 0);
        HostSettings next = ownAt(3100, 310, true);
        next.callsign = QStringLiteral("PA3NEW");
        next.expireMinutes = 20;
        host->applySettings(next);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(host->settings().callsign, QStringLiteral("PA3XYZ"));
        QCOMPARE(host->table().expiryMinutes(), 20);
        QCOMPARE(host->source(), m_hand); // same source: not restarted
        HostStation own;
        own.setCallsign(QStringLiteral("PA3XYZ"));
        QVERIFY(host->GetStation(own));
        QCOMPARE(own.Latitude(), 3100.0f);

        next.positionFromGpsd = true;
        host->applySettings(next);
        QVERIFY(host->positionSource());
        host->settingsModel()->moveOwnPosition(3200, 320);
        next.ownLatitude = 2000; // typed while gpsd leads
        host->applySettings(next);
        QCOMPARE(host->settings().ownLatitude, 3200.0);
        QVERIFY(host->GetStation(own));
        QCOMPARE(own.Latitude(), 3200.0f);
        next.positionFromGpsd = false;
        host->applySettings(next);
        QVERIFY(!host->positionSource());
        QVERIFY(host->GetStation(own));
        QCOMPARE(own.Latitude(), 2000.0f);
    }
};

NEARBELL_TEST(LocalHostTest)
#include "LocalHostTest.moc"
