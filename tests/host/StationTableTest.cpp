#include "common/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>
#include <QMap>
#include <QTimeZone>

#include <cmath>
#include <limits>

#include "host/StationTable.h"

using namespace nearbell;

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(13, 5, 9), Qt::UTC);

StationReport report(const QString &callsign, double latitude, double longitude,
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

} // namespace

class StationTableTest : public QObject
{
    Q_OBJECT

private:
    QDateTime m_now;

    void useFakeClock(StationTable &table)
    {
        table.setClock([this] { return m_now; });
    }

    static QStringList allEntries(const StationTable &table)
    {
        QStringList entries;
        for (int i = 0; i < table.entryCount(); ++i)
            entries.append(table.entry(i));
        return entries;
    }

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
        QTest::newRow("object name") << "BALLOON.1" << false << 'O' << "OBALLOON.1 13:05:09";
        QTest::newRow("unprintable symbol") << "AB1CD" << false << '\x01' << "/AB1CD 13:05:09";
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
        QCOMPARE(table.entryCount(), 1);
        QCOMPARE(table.entry(0), entry);
        // What the program cuts out of the entry is the callsign again.
        QString cut = entry.mid(1, entry.indexOf(u' ', 1) - 1);
        if (cut.endsWith(u'*'))
            cut.chop(1);
        QCOMPARE(cut, callsign);
    }

    void timeIsUtcWhateverTheClockZone()
    {
        StationTable table;
        table.setClock([] {
            return QDateTime(QDate(2026, 12, 7), QTime(23, 30, 0), QTimeZone(7200));
        });
        table.apply(report(QStringLiteral("AB1CD"), 0, 0));
        QCOMPARE(table.entry(0), QStringLiteral(">AB1CD 21:30:00"));
    }

    void ascendingCaseSensitiveOrder()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("MM0OWN"), 3000, 300);
        for (const char *name : {"ZZ9ZZ", "ab1cd", "AB1CD", "AB1CD-1", "K1A"})
            table.apply(report(QString::fromLatin1(name), 3001, 301));

        QStringList callsigns;
        for (const QString &e : allEntries(table))
            callsigns.append(e.mid(1, e.indexOf(u' ') - 1));
        QCOMPARE(callsigns, (QStringList{"AB1CD", "AB1CD-1", "K1A", "MM0OWN", "ZZ9ZZ", "ab1cd"}));
        QVERIFY(table.find(QStringLiteral("ab1cd")) != table.find(QStringLiteral("AB1CD")));
        QVERIFY(!table.find(QStringLiteral("Ab1cd")));
    }

    void indexOutsideTheListGivesEmptyText_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("negative") << -1;
        QTest::newRow("just past the end") << 2;
        QTest::newRow("far past the end") << 32767;
    }

    void indexOutsideTheListGivesEmptyText()
    {
        QFETCH(int, index);
        StationTable table;
        table.apply(report(QStringLiteral("AB1CD"), 0, 0));
        table.apply(report(QStringLiteral("AB2CD"), 0, 0));
        QVERIFY(table.entry(index).isEmpty());
    }

    void listFollowsChangesBetweenReads()
    {
        StationTable table;
        useFakeClock(table);
        table.apply(report(QStringLiteral("BB1"), 0, 0));
        table.apply(report(QStringLiteral("DD1"), 0, 0));
        QCOMPARE(table.entry(1), QStringLiteral(">DD1 13:05:09"));

        table.apply(report(QStringLiteral("CC1"), 0, 0, true));
        QCOMPARE(table.entry(1), QStringLiteral(">CC1* 13:05:09"));
        QCOMPARE(table.entryCount(), 3);

        StationReport kill = report(QStringLiteral("BB1"), 0, 0);
        kill.killed = true;
        table.apply(kill);
        QCOMPARE(allEntries(table), (QStringList{">CC1* 13:05:09", ">DD1 13:05:09"}));

        // A new position of a listed station changes its entry in place.
        m_now = kStart.addSecs(61);
        table.apply(report(QStringLiteral("DD1"), 1, 1, true, 'b'));
        QCOMPARE(table.entry(1), QStringLiteral("bDD1* 13:06:10"));
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
                StationReport r = report(name, 0, 0);
                r.killed = next(6) == 0;
                table.apply(r);
                if (r.killed)
                    model.remove(name);
                else
                    model.insert(name, m_now);
            }
            m_now = m_now.addSecs(20);
            if (next(10) == 0) {
                table.expire();
                for (auto it = model.begin(); it != model.end();) {
                    if (it.key() != QLatin1String("M0OWN") && it.value().addSecs(600) <= m_now)
                        it = model.erase(it);
                    else
                        ++it;
                }
            }
            if (next(2) == 0)
                continue; // no read this round: changes pile up
            QStringList listed;
            for (const QString &e : allEntries(table))
                listed.append(e.mid(1, e.indexOf(u' ') - 1));
            QCOMPARE(listed, model.keys());
            QCOMPARE(table.entryCount(), int(model.size()));
        }
    }

    void ownStation()
    {
        StationTable table;
        useFakeClock(table);
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3132.34, 312.34);
        QVERIFY(table.hasOwnStation());
        QCOMPARE(allEntries(table), QStringList{QStringLiteral("-PA3XYZ 13:05:09")});
        const auto *own = table.find(QStringLiteral("PA3XYZ"));
        QVERIFY(own);
        QCOMPARE(table.distanceOf(*own), 0.0);
        QCOMPARE(own->latitude, 3132.34);

        // Its own beacon heard back does not move it, and it is never deleted.
        table.apply(report(QStringLiteral("PA3XYZ"), 3200, 400, true));
        QCOMPARE(table.find(QStringLiteral("PA3XYZ"))->latitude, 3132.34);
        QCOMPARE(table.distanceOf(*table.find(QStringLiteral("PA3XYZ"))), 0.0);
        StationReport kill = report(QStringLiteral("PA3XYZ"), 0, 0);
        kill.killed = true;
        table.apply(kill);
        m_now = kStart.addDays(2);
        table.expire();
        table.clear();
        QCOMPARE(table.entryCount(), 1);
        QVERIFY(table.find(QStringLiteral("PA3XYZ")));
    }

    void movingTheOwnStationReplacesIt()
    {
        StationTable table;
        table.setOwnStation(QStringLiteral("OLD1"), 0, 0);
        table.setOwnStation(QStringLiteral("NEW1"), 60, 0);
        QCOMPARE(table.entryCount(), 1);
        QVERIFY(!table.find(QStringLiteral("OLD1")));
        table.apply(report(QStringLiteral("AB1CD"), 120, 0));
        QVERIFY(qAbs(table.distanceOf(*table.find(QStringLiteral("AB1CD"))) - 111.195) < 0.001);
    }

    void distances_data()
    {
        QTest::addColumn<bool>("miles");
        QTest::addColumn<double>("expected");
        QTest::newRow("km") << false << 111.195;
        QTest::newRow("miles") << true << 69.093;
    }

    void distances()
    {
        QFETCH(bool, miles);
        QFETCH(double, expected);

        StationTable table;
        table.setUnit(miles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
        table.setOwnStation(QStringLiteral("PA3XYZ"), 3000, 300);
        table.apply(report(QStringLiteral("AB1CD"), 3060, 300));
        QVERIFY(qAbs(table.distanceOf(*table.find(QStringLiteral("AB1CD"))) - expected) < 0.001);
    }

    void withoutOwnPositionNothingIsNear()
    {
        StationTable table;
        table.apply(report(QStringLiteral("AB1CD"), 0, 0));
        QVERIFY(!table.hasOwnStation());
        QCOMPARE(table.entryCount(), 1);
        QCOMPARE(table.distanceOf(*table.find(QStringLiteral("AB1CD"))),
                 StationTable::kUnknownDistance);
    }

    void newestPositionWins()
    {
        StationTable table;
        useFakeClock(table);
        table.apply(report(QStringLiteral("AB1CD"), 3000, 300, true));
        m_now = kStart.addSecs(30);
        table.apply(report(QStringLiteral("AB1CD"), 3010, 310, false, 'k'));

        QCOMPARE(table.entryCount(), 1);
        const auto *s = table.find(QStringLiteral("AB1CD"));
        QCOMPARE(s->latitude, 3010.0);
        QCOMPARE(s->longitude, 310.0);
        QVERIFY(!s->heardDirectly);
        QCOMPARE(s->lastHeard, kStart.addSecs(30));
        QCOMPARE(table.entry(0), QStringLiteral("kAB1CD 13:05:39"));
    }

    void killedObjectIsDeleted()
    {
        StationTable table;
        QSignalSpy deleted(&table, &StationTable::stationDeleted);
        table.apply(report(QStringLiteral("BALLOON"), 0, 0));
        table.apply(report(QStringLiteral("OTHER"), 0, 0));

        StationReport kill = report(QStringLiteral("BALLOON"), 0, 0);
        kill.killed = true;
        QVERIFY(table.apply(kill));
        QVERIFY(!table.find(QStringLiteral("BALLOON")));
        QCOMPARE(table.entryCount(), 1);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(deleted.at(0).at(0).toString(), QStringLiteral("BALLOON"));

        // Killing what is not there deletes nothing and says nothing.
        table.apply(kill);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(table.entryCount(), 1);
    }

    void unlistableReportsAreIgnored_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");

        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("empty name") << "" << 0.0 << 0.0;
        QTest::newRow("blank in name") << "MY OBJ" << 0.0 << 0.0;
        QTest::newRow("tab in name") << "MY\tOBJ" << 0.0 << 0.0;
        QTest::newRow("trailing star") << "AB1CD*" << 0.0 << 0.0;
        QTest::newRow("latitude beyond the pole") << "AB1CD" << 5400.5 << 0.0;
        QTest::newRow("longitude beyond the date line") << "AB1CD" << 0.0 << -10801.0;
        QTest::newRow("not a number") << "AB1CD" << nan << 0.0;
    }

    void unlistableReportsAreIgnored()
    {
        QFETCH(QString, callsign);
        QFETCH(double, latitude);
        QFETCH(double, longitude);

        StationTable table;
        QSignalSpy beacons(&table, &StationTable::beaconReceived);
        QVERIFY(!table.apply(report(callsign, latitude, longitude)));
        QCOMPARE(table.entryCount(), 0);
        QCOMPARE(beacons.count(), 0);
    }

    void beaconSignal()
    {
        StationTable table;
        QSignalSpy beacons(&table, &StationTable::beaconReceived);
        table.apply(report(QStringLiteral("AB1CD"), 3132.34, -312.34));
        table.apply(report(QStringLiteral("AB1CD"), 3132.5, -312.5));
        QCOMPARE(beacons.count(), 2);
        QCOMPARE(beacons.at(1).at(0).toString(), QStringLiteral("AB1CD"));
        QCOMPARE(beacons.at(1).at(1).toDouble(), 3132.5);
        QCOMPARE(beacons.at(1).at(2).toDouble(), -312.5);
    }

    void expiry_data()
    {
        QTest::addColumn<int>("minutesLater");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QStringList>("deleted");

        // OLD heard at the start, NEW 30 minutes later; expiry 60 minutes.
        QTest::newRow("nothing due") << 59 << QStringList{"NEW", "OLD", "OWN"} << QStringList{};
        QTest::newRow("exactly due") << 60 << QStringList{"NEW", "OWN"} << QStringList{"OLD"};
        QTest::newRow("both due") << 120 << QStringList{"OWN"} << QStringList{"NEW", "OLD"};
    }

    void expiry()
    {
        QFETCH(int, minutesLater);
        QFETCH(QStringList, left);
        QFETCH(QStringList, deleted);

        StationTable table;
        useFakeClock(table);
        table.setExpiryMinutes(60);
        table.setOwnStation(QStringLiteral("OWN"), 0, 0);
        table.apply(report(QStringLiteral("OLD"), 1, 1));
        m_now = kStart.addSecs(30 * 60);
        table.apply(report(QStringLiteral("NEW"), 1, 1));

        QSignalSpy spy(&table, &StationTable::stationDeleted);
        m_now = kStart.addSecs(minutesLater * 60);
        QCOMPARE(table.expire(), int(deleted.size()));

        QStringList names;
        for (const QString &e : allEntries(table))
            names.append(e.mid(1, e.indexOf(u' ') - 1));
        QCOMPARE(names, left);
        QStringList announced;
        for (const auto &args : spy)
            announced.append(args.at(0).toString());
        QCOMPARE(announced, deleted);
    }

    void rehearingPostponesExpiry()
    {
        StationTable table;
        useFakeClock(table);
        table.setExpiryMinutes(10);
        table.apply(report(QStringLiteral("AB1CD"), 1, 1));
        m_now = kStart.addSecs(9 * 60);
        table.apply(report(QStringLiteral("AB1CD"), 2, 2));
        QCOMPARE(table.expire(kStart.addSecs(15 * 60)), 0);
        QCOMPARE(table.expire(kStart.addSecs(19 * 60)), 1);
    }

    void noExpiryWhenSwitchedOff()
    {
        StationTable table;
        useFakeClock(table);
        table.setExpiryMinutes(0);
        table.apply(report(QStringLiteral("AB1CD"), 1, 1));
        QCOMPARE(table.expire(kStart.addDays(365)), 0);
        QCOMPARE(table.entryCount(), 1);
    }

    void clearKeepsOwnStationAndAnnouncesOnce()
    {
        StationTable table;
        table.setOwnStation(QStringLiteral("OWN"), 0, 0);
        table.apply(report(QStringLiteral("AB1CD"), 1, 1));
        table.apply(report(QStringLiteral("AB2CD"), 1, 1));
        QSignalSpy cleared(&table, &StationTable::cleared);
        QSignalSpy deleted(&table, &StationTable::stationDeleted);
        table.clear();
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(deleted.count(), 0);
        QCOMPARE(table.entryCount(), 1);
        QCOMPARE(table.entry(0).mid(1, 3), QStringLiteral("OWN"));
    }
};

NEARBELL_TEST(StationTableTest)
#include "StationTableTest.moc"
