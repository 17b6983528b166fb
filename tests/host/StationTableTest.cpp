#include "common/TestRegistry.h"

#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/StationTable.h"

using namespace nearbell;

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(13, 5, 9), Qt::UTC);

StationReport report(const QString &callsign, double latitude = 0, double longitude = 0,
                     bool direct = false, char symbol = '>')
{
    StationReport r;
    r.callsign = callsign;
    r.latitude = latitude;
    r.longitude = longitude;
    r.heardDirectly = direct;
    r.symbolCode = symbol;
    return r;
}

StationReport kill(const QString &callsign)
{
    StationReport r = report(callsign);
    r.killed = true;
    return r;
}

// The callsigns as the program cuts them out of the entries.
QStringList listedCallsigns(const StationTable &table)
{
    QStringList callsigns;
    for (int i = 0; i < table.entryCount(); ++i) {
        const QString e = table.entry(i);
        QString callsign = e.mid(1, e.indexOf(u' ', 1) - 1);
        if (callsign.endsWith(u'*'))
            callsign.chop(1);
        callsigns.append(callsign);
    }
    return callsigns;
}

QStringList deletions(const QSignalSpy &spy)
{
    QStringList out;
    for (const auto &args : spy)
        out.append(args.at(0).toString());
    return out;
}

} // namespace

class StationTableTest : public QObject
{
    Q_OBJECT

private:
    QDateTime m_now;
    void useFakeClock(StationTable &table) { table.setClock([this] { return m_now; }); }

private slots:
    void init() { m_now = kStart; }

    void entryForm_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<char>("symbol");
        QTest::addColumn<QString>("entry");

        QTest::newRow("heard directly") << "AB1CD-9" << true << '>' << ">AB1CD-9* 13:05:09";
        QTest::newRow("through a digipeater") << "AB1CD" << false << 'k' << "kAB1CD 13:05:09";
        QTest::newRow("blank symbol") << "AB1CD" << true << ' ' << "/AB1CD* 13:05:09";
    }

    void entryForm()
    {
        QFETCH(QString, callsign);
        QFETCH(bool, direct);
        QFETCH(char, symbol);
        QFETCH(QString, entry);

        StationTable table;
        useFakeClock(table);
        QVERIFY(table.apply(report(callsign, 3000, 300, direct, symbol)));
        QCOMPARE(table.entry(0), entry);
        QCOMPARE(listedCallsigns(table), QStringList{callsign});
        QVERIFY(table.entry(-1).isEmpty());
        QVERIFY(table.entry(1).isEmpty());
    }

    void timeIsUtcWhateverTheClockZone()
    {
        StationTable table;
        table.setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(23, 30), QTimeZone(7200)); });
        table.apply(report(QStringLiteral("AB1CD")));
        QCOMPARE(table.entry(0), QStringLiteral(">AB1CD 21:30:00"));
    }

    void ascendingCaseSensitiveOrder()
    {
        StationTable table;
        table.setOwnStation(QStringLiteral("MM0OWN"), 3000, 300);
        for (const char *name : {"ZZ9ZZ", "ab1cd", "AB1CD", "AB1CD-1", "K1A"})
            table.apply(report(QString::fromLatin1(name)));
        QCOMPARE(listedCallsigns(table),
                 (QStringList{"AB1CD", "AB1CD-1", "K1A", "MM0OWN", "ZZ9ZZ", "ab1cd"}));
        QVERIFY(!table.find(QStringLiteral("Ab1cd")));
    }

    // Random arrivals, kills, expiries and reads in bursts of different
    // sizes, against a plain sorted map of what must be listed.
    void orderMatchesAModelUnderChurn()
    {
        StationTable table;
        useFakeClock(table);
        table.setExpiryMinutes(10);
        table.setOwnStation(QStringLiteral("M0OWN"), 0, 0);
        QMap<QString, QDateTime> model{{QStringLiteral("M0OWN"), kStart}};

        quint32 seed = 12345;
        auto next = [&seed](quint32 bound) {
            seed = seed * 1664525u + 1013904223u;
            return (seed >> 8) % bound;
        };
        for (int round = 0; round < 300; ++round) {
            const int burst = int(next(3) == 0 ? 40 : next(5));
            for (int i = 0; i < burst; ++i) {
                const QString name = QStringLiteral("S%1").arg(next(200));
                const bool killed = next(6) == 0;
                table.apply(killed ? kill(name) : report(name));
                if (killed)
                    model.remove(name);
                else
                    model.insert(name, m_now);
            }
            m_now = m_now.addSecs(20);
            if (next(10) == 0) {
                table.expire();
                for (auto it = model.begin(); it != model.end();) {
                    const bool due = it.key() != QLatin1String("M0OWN") && it.value().addSecs(600) <= m_now;
                    it = due ? model.erase(it) : std::next(it);
                }
            }
            if (next(2) == 0)
                continue; // no read this round: changes pile up
            QCOMPARE(listedCallsigns(table), model.keys());
        }
    }

    // At the full size: the 32,768th station either takes the place of the
    // farthest or, being the farthest itself, is dropped; a near one never goes.
    void fullTableAtTheContractBound_data()
    {
        QTest::addColumn<double>("arrivalLatitude");
        QTest::addColumn<bool>("arrivalKept");
        QTest::addColumn<QString>("evicted");

        // Own at 0/0; S00000..S32765 at 0.1 to 3276.6 minutes north.
        QTest::newRow("near newcomer evicts the farthest") << 0.05 << true << "S32765";
        QTest::newRow("newcomer beyond all is dropped") << 4000.0 << false << "";
        QTest::newRow("newcomer as far as the farthest wins the tie") << 32766 * 0.1 << true << "S32765";
    }

    void fullTableAtTheContractBound()
    {
        QFETCH(double, arrivalLatitude);
        QFETCH(bool, arrivalKept);
        QFETCH(QString, evicted);

        StationTable table;
        table.setOwnStation(QStringLiteral("OWN"), 0, 0);
        QCOMPARE(table.capacity(), 32767);
        for (int i = 0; i < 32766; ++i)
            table.apply(report(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')), (i + 1) * 0.1, 0));
        QCOMPARE(table.entryCount(), 32767);
        QVERIFY(table.isFull());
        QCOMPARE(table.droppedCount(), 0);

        QSignalSpy deleted(&table, &StationTable::stationDeleted);
        QVERIFY(table.apply(report(QStringLiteral("NEWCOMER"), arrivalLatitude, 0)));
        QCOMPARE(table.entryCount(), 32767);
        QCOMPARE(table.droppedCount(), 1);
        QCOMPARE(bool(table.find(QStringLiteral("NEWCOMER"))), arrivalKept);
        QCOMPARE(deletions(deleted), evicted.isEmpty() ? QStringList{} : QStringList{evicted});
        QVERIFY(table.find(QStringLiteral("OWN")));
        QVERIFY(table.find(QStringLiteral("S00000")));
        // A station already held is updated in place, full or not.
        QVERIFY(table.apply(report(QStringLiteral("S00001"), 0.25, 0)));
        QCOMPARE(table.droppedCount(), 1);
        QCOMPARE(table.entryCount(), 32767);
    }

    // Random arrivals, moves, kills, expiries and moves of the own position
    // in a small table, against a model that drops the farthest of all.
    void evictsFarthestFirstLikeAModel()
    {
        StationTable table;
        useFakeClock(table);
        table.setCapacity(40);
        table.setExpiryMinutes(30);
        double ownLat = 3000, ownLon = 300;
        table.setOwnStation(QStringLiteral("OWN"), ownLat, ownLon);
        struct Held { double lat, lon; QDateTime heard; };
        QMap<QString, Held> model;
        QRandomGenerator random(777);
        const auto kmFromOwn = [&](double lat, double lon) {
            return greatcircle::kilometres(ownLat, ownLon, lat, lon);
        };
        qint64 dropped = 0;
        for (int step = 0; step < 6000; ++step) {
            const int what = random.bounded(100);
            const QString name = QStringLiteral("S%1").arg(random.bounded(300));
            if (what < 3) {
                table.apply(kill(name));
                model.remove(name);
            } else if (what < 4) {
                ownLat = std::clamp(ownLat + random.bounded(600.0) - 300.0, -4000.0, 4000.0);
                ownLon = std::clamp(ownLon + random.bounded(600.0) - 300.0, -9000.0, 9000.0);
                table.setOwnStation(QStringLiteral("OWN"), ownLat, ownLon);
            } else if (what < 5) {
                m_now = m_now.addSecs(random.bounded(20 * 60));
                table.expire();
                for (auto it = model.begin(); it != model.end();)
                    it = it->heard.addSecs(30 * 60) <= m_now ? model.erase(it) : std::next(it);
            } else {
                const double lat = ownLat + random.bounded(2000.0) - 1000.0;
                const double lon = ownLon + random.bounded(2000.0) - 1000.0;
                if (!model.contains(name) && model.size() + 1 >= 40) {
                    // The farthest of the held ones and the newcomer goes.
                    QString farthest = name;
                    double worst = kmFromOwn(lat, lon);
                    for (auto it = model.cbegin(); it != model.cend(); ++it) {
                        if (kmFromOwn(it->lat, it->lon) >= worst) {
                            worst = kmFromOwn(it->lat, it->lon);
                            farthest = it.key();
                        }
                    }
                    ++dropped;
                    if (farthest == name) {
                        table.apply(report(name, lat, lon));
                        continue;
                    }
                    model.remove(farthest);
                }
                model.insert(name, Held{lat, lon, m_now});
                table.apply(report(name, lat, lon));
            }
            m_now = m_now.addSecs(1);
            QStringList expected = model.keys();
            expected.append(QStringLiteral("OWN"));
            expected.sort();
            QCOMPARE(listedCallsigns(table), expected);
            QCOMPARE(table.droppedCount(), dropped);
        }
        QVERIFY(dropped > 500);
    }

    // A taken list stays readable through deletions, until more pile up
    // than twice the table holds (a walk given up long ago).
    void takenListOutlivesDeletionsWithinABound()
    {
        StationTable table;
        table.setCapacity(100);
        for (int i = 0; i < 99; ++i)
            table.apply(report(QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'))));
        const auto &list = table.takeList(1000);
        QCOMPARE(list.size(), size_t(99));
        int killed = 0;
        for (int round = 0; table.listIntact() && round < 10; ++round) {
            for (int i = 0; i < 99; ++i) {
                const QString name = QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'));
                table.apply(kill(name));
                table.apply(report(name));
                ++killed;
                table.entry(0); // reads let go of the deleted ones
                if (table.listIntact())
                    QCOMPARE(list[size_t(i)]->callsign, name); // still readable
            }
        }
        QVERIFY(!table.listIntact());
        QVERIFY(killed > 200 && killed <= 300);
        QCOMPARE(table.takeList(1000).size(), size_t(99));
        QVERIFY(table.listIntact());
    }

    void fullTableMakesRoomAgainAfterExpiry()
    {
        StationTable table;
        useFakeClock(table);
        table.setCapacity(4);
        table.setExpiryMinutes(10);
        table.setOwnStation(QStringLiteral("OWN"), 0, 0);
        const auto put = [&table](const char *name, double latitude) {
            table.apply(report(QString::fromLatin1(name), latitude, 0));
        };
        put("A", 100);
        put("B", 200);
        put("C", 300);
        put("D", 50);
        QCOMPARE(listedCallsigns(table), (QStringList{"A", "B", "D", "OWN"}));
        m_now = m_now.addSecs(10 * 60);
        QCOMPARE(table.expire(), 3);
        put("X", 500);
        put("Y", 600);
        put("Z", 400);
        QCOMPARE(table.droppedCount(), 1);
        // Candidates chosen before the expiry are gone; Y moved in since.
        put("Y", 10);
        put("NEAR", 20);
        QCOMPARE(listedCallsigns(table), (QStringList{"NEAR", "OWN", "Y", "Z"}));
        QCOMPARE(table.droppedCount(), 2);
    }

    void ownStationStaysPut()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3132.34, 312.34);
        QCOMPARE(table.entry(0), QStringLiteral("-PA3XYZ 13:05:09"));

        // Its own beacon heard back does not move it; nothing deletes it.
        table.apply(report(QStringLiteral("PA3XYZ"), 3200, 400, true));
        table.apply(kill(QStringLiteral("PA3XYZ")));
        table.expire(kStart.addDays(2));
        table.clear();
        const auto *own = table.find(QStringLiteral("PA3XYZ"));
        QVERIFY(own);
        QCOMPARE(own->latitude, 3132.34);
        QCOMPARE(table.distanceOf(*own), 0.0);
        QCOMPARE(table.entryCount(), 1);
    }

    // When a station was last heard direct outlives reports through a
    // digipeater, for the heard-direct window and no longer; the newest
    // report's source is kept; the bearing points from the own station.
    void heardDirectWindowSourceAndBearing()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3000, 300);
        StationReport direct = report(QStringLiteral("AB1CD"), 3000, 360, true);
        direct.source = QStringLiteral("KISS 127.0.0.1:8001");
        table.apply(direct);
        m_now = kStart.addSecs(StationTable::kDirectMinutes * 60);
        StationReport relayed = report(QStringLiteral("AB1CD"), 2940, 300, false);
        relayed.source = QStringLiteral("APRSIS");
        table.apply(relayed);
        const auto *station = table.find(QStringLiteral("AB1CD"));
        QCOMPARE(station->lastHeardDirect, kStart);
        QVERIFY(table.heardDirectRecently(*station));
        QCOMPARE(station->source, QStringLiteral("APRSIS"));
        QVERIFY(qAbs(table.bearingOf(*station) - 180.0) < 1e-9);
        m_now = m_now.addSecs(1);
        QVERIFY(!table.heardDirectRecently(*station));
        QVERIFY(std::isnan(table.bearingOf(*table.find(QStringLiteral("PA3XYZ")))));
        table.apply(report(QStringLiteral("EAST"), 3000, 360));
        QVERIFY(qAbs(table.bearingOf(*table.find(QStringLiteral("EAST"))) - 89.617) < 0.001);
    }

    void withoutOwnPositionNothingIsNear()
    {
        StationTable table;
        table.apply(report(QStringLiteral("AB1CD")));
        QCOMPARE(table.distanceOf(*table.find(QStringLiteral("AB1CD"))),
                 StationTable::kUnknownDistance);
    }

    void newestPositionWins()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3000, 300);
        table.apply(report(QStringLiteral("AB1CD"), 3000, 300, true));
        m_now = kStart.addSecs(30);
        table.apply(report(QStringLiteral("AB1CD"), 3060, 300, false, 'k'));

        QCOMPARE(table.entryCount(), 2);
        QCOMPARE(table.entry(0), QStringLiteral("kAB1CD 13:05:39"));
        QVERIFY(qAbs(table.distanceOf(*table.find(QStringLiteral("AB1CD"))) - 111.195) < 0.001);
    }

    void killedObjectIsDeleted()
    {
        StationTable table;
        QSignalSpy deleted(&table, &StationTable::stationDeleted);
        table.apply(report(QStringLiteral("BALLOON")));
        table.apply(report(QStringLiteral("OTHER")));
        QVERIFY(table.apply(kill(QStringLiteral("BALLOON"))));
        QCOMPARE(listedCallsigns(table), QStringList{QStringLiteral("OTHER")});
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("BALLOON"));

        // Killing what is not there deletes nothing and says nothing.
        table.apply(kill(QStringLiteral("BALLOON")));
        QCOMPARE(deleted.count(), 1);
    }

    void unlistableReportsAreIgnored_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<double>("latitude");

        QTest::newRow("empty name") << "" << 0.0;
        QTest::newRow("blank in name") << "MY OBJ" << 0.0;
        QTest::newRow("trailing star") << "AB1CD*" << 0.0;
        QTest::newRow("beyond the pole") << "AB1CD" << 5400.5;
        QTest::newRow("not a number") << "AB1CD" << std::numeric_limits<double>::quiet_NaN();
    }

    void unlistableReportsAreIgnored()
    {
        QFETCH(QString, callsign);
        QFETCH(double, latitude);
        StationTable table;
        QSignalSpy beacons(&table, &StationTable::beaconReceived);
        QVERIFY(!table.apply(report(callsign, latitude)));
        QCOMPARE(table.entryCount(), 0);
        QCOMPARE(beacons.count(), 0);
    }

    // What reports leave beside the place: motion with its age and the
    // course before it, texts cleaned and cut, the newest path, packets,
    // first and last heard, and a track of 20 that a small step only
    // refreshes.
    void reportsLeaveTheirDetails()
    {
        StationTable table;
        useFakeClock(table);
        StationReport first = report(QStringLiteral("AB1CD"), 3000, 300);
        first.course = 90;
        first.speedKmh = 50;
        first.altitudeM = 120;
        first.comment = QStringLiteral("<b>x</b>\x01\tend") + QString(300, u'c');
        first.path = QStringList{"D1*", "D2*", "D3*", "D4*", "D5*", "D6*", "D7*", "WIDE2-2"};
        table.apply(first);
        m_now = kStart.addSecs(4);
        StationReport second = report(QStringLiteral("AB1CD"), 3000.0001, 300); // 0.2 m away
        second.course = 270;
        second.speedKmh = 40;
        second.status = QString(120, u's') + u'\x7f';
        table.apply(second);
        m_now = kStart.addSecs(10);

        const auto *station = table.find(QStringLiteral("AB1CD"));
        QCOMPARE(station->course, 270.0);
        QCOMPARE(station->speedKmh, 40.0);
        QCOMPARE(station->altitudeM, 120.0); // kept from the report that gave it
        QCOMPARE(station->priorCourse, 90.0);
        QCOMPARE(station->courseGapMs, 4000);
        QCOMPARE(table.motionAgeMs(*station), 6000);
        QCOMPARE(station->comment.size(), StationTable::kTextLength);
        QVERIFY(station->comment.startsWith(QStringLiteral("<b>x</b>\uFFFD end")));
        QCOMPARE(station->status, QString(80, u's'));
        QVERIFY(station->path.isEmpty()); // the newest packet came direct
        QCOMPARE(station->packets, 2);
        QCOMPARE(station->firstHeard, kStart);
        QCOMPARE(station->lastHeard, kStart.addSecs(4));
        QCOMPARE(int(station->track.size()), 1);
        QCOMPARE(station->track.back().heard, kStart.addSecs(4));

        for (int i = 1; i <= 25; ++i)
            table.apply(report(QStringLiteral("AB1CD"), 3000 + i * 0.01, 300)); // 18.5 m steps
        QCOMPARE(int(station->track.size()), StationTable::kTrackLength);
        QCOMPARE(station->track.front().latitude, 3000 + 6 * 0.01);
        QCOMPARE(station->track.back().latitude, 3000 + 25 * 0.01);
        QCOMPARE(station->comment.size(), StationTable::kTextLength); // no comment: the old one stays

        StationReport relayed = report(QStringLiteral("AB1CD"), 3001, 300);
        relayed.path = QStringList{"DIGI*", "WIDE2-1"};
        table.apply(relayed);
        QCOMPARE(station->path, (QStringList{"DIGI*", "WIDE2-1"}));
        QCOMPARE(table.motionAgeMs(*table.find(QStringLiteral("AB1CD"))), 6000);
    }

    // A status text alone never places a station: one not yet heard waits
    // for its first position, one that is there keeps its place.
    void statusTextsAlone()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("OWN"), 3000, 300);
        QSignalSpy beacons(&table, &StationTable::beaconReceived);
        StationReport status = report(QStringLiteral("AB1CD"));
        status.hasPosition = false;
        status.status = QStringLiteral("Net tonight");
        QVERIFY(table.apply(status));
        QCOMPARE(listedCallsigns(table), QStringList{QStringLiteral("OWN")});
        QVERIFY(!table.find(QStringLiteral("AB1CD")));

        table.apply(report(QStringLiteral("AB1CD"), 3010, 300));
        QCOMPARE(table.find(QStringLiteral("AB1CD"))->status, QStringLiteral("Net tonight"));
        m_now = kStart.addSecs(60);
        status.status = QStringLiteral("QRT");
        status.heardDirectly = true;
        table.apply(status);
        const auto *station = table.find(QStringLiteral("AB1CD"));
        QCOMPARE(station->status, QStringLiteral("QRT"));
        QCOMPARE(station->latitude, 3010.0);
        QCOMPARE(station->packets, 2);
        QCOMPARE(station->lastHeard, kStart.addSecs(60));
        QVERIFY(table.heardDirectRecently(*station));
        QCOMPARE(int(station->track.size()), 1);
        QCOMPARE(beacons.count(), 1);
    }

    // A step of the wall clock neither expires nor revives anyone, nor
    // makes two sources disagree; the times shown follow the new clock.
    void wallClockSteps_data()
    {
        QTest::addColumn<qint64>("stepSecs");
        QTest::newRow("6 hours on") << qint64(6 * 3600);
        QTest::newRow("6 hours back") << qint64(-6 * 3600);
        QTest::newRow("10 years on") << qint64(3652) * 86400;
        QTest::newRow("10 years back") << qint64(-3652) * 86400;
    }

    void wallClockSteps()
    {
        QFETCH(qint64, stepSecs);
        qint64 steadyMs = 5000;
        StationTable table;
        table.setClock([this] { return m_now; }, [&steadyMs] { return steadyMs; });
        table.setExpiryMinutes(60);
        table.setOwnStation(QStringLiteral("OWN"), 3000, 300);
        StationReport heard = report(QStringLiteral("AB1CD"), 3010, 300, true);
        heard.source = QStringLiteral("KISS");
        heard.speedKmh = 30;
        table.apply(heard);
        QSignalSpy deleted(&table, &StationTable::stationDeleted);

        const auto pass = [&](int minutes) {
            steadyMs += minutes * 60000;
            m_now = m_now.addSecs(minutes * 60);
        };
        pass(20);
        m_now = m_now.addSecs(stepSecs);
        QCOMPARE(table.expire(), 0);
        const auto *station = table.find(QStringLiteral("AB1CD"));
        QVERIFY(table.heardDirectRecently(*station));
        QCOMPARE(table.motionAgeMs(*station), 20 * 60000);
        QCOMPARE(station->lastHeard, m_now.addSecs(-20 * 60)); // shown on the new clock
        QCOMPARE(station->firstHeard, m_now.addSecs(-20 * 60));
        QCOMPARE(station->track.back().heard, m_now.addSecs(-20 * 60));

        pass(11);
        QVERIFY(!table.heardDirectRecently(*station));
        StationReport elsewhere = report(QStringLiteral("AB1CD"), 3020, 300);
        elsewhere.source = QStringLiteral("APRSIS");
        table.apply(elsewhere);
        table.apply(heard); // back from the first source, a moment later
        QCOMPARE(table.conflictCount(), 1);
        QCOMPARE(table.entry(0), StationTable::entryText(*station));
        QVERIFY(table.entry(0).endsWith(m_now.toString(QStringLiteral("HH:mm:ss"))));

        pass(59);
        QCOMPARE(table.expire(), 0);
        pass(1);
        QCOMPARE(table.expire(), 1);
        QCOMPARE(deleted.count(), 1);
    }

    void expiry_data()
    {
        QTest::addColumn<int>("expiryMinutes");
        QTest::addColumn<int>("minutesLater");
        QTest::addColumn<QStringList>("deleted");

        // OLD heard at the start, NEW 30 minutes later.
        QTest::newRow("nothing due") << 60 << 59 << QStringList{};
        QTest::newRow("exactly due") << 60 << 60 << QStringList{"OLD"};
        QTest::newRow("both due") << 60 << 120 << QStringList{"NEW", "OLD"};
        QTest::newRow("expiry off") << 0 << 100000 << QStringList{};
    }

    void expiry()
    {
        QFETCH(int, expiryMinutes);
        QFETCH(int, minutesLater);
        QFETCH(QStringList, deleted);

        StationTable table;
        useFakeClock(table);
        table.setExpiryMinutes(expiryMinutes);
        table.setOwnStation(QStringLiteral("OWN"), 0, 0);
        table.apply(report(QStringLiteral("OLD")));
        m_now = kStart.addSecs(30 * 60);
        table.apply(report(QStringLiteral("NEW")));

        QSignalSpy spy(&table, &StationTable::stationDeleted);
        m_now = kStart.addSecs(minutesLater * 60);
        QCOMPARE(table.expire(), int(deleted.size()));
        QStringList announced;
        for (const auto &args : spy)
            announced.append(args.at(0).toString());
        QCOMPARE(announced, deleted);
        QCOMPARE(table.entryCount(), 3 - int(deleted.size()));
        QVERIFY(table.find(QStringLiteral("OWN")));
    }
};

NEARBELL_TEST(StationTableTest)
#include "StationTableTest.moc"
