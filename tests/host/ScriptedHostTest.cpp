#include "common/TestRegistry.h"

#include <QSignalSpy>
#include <QTest>

#include "host/HostError.h"
#include "host/ScriptedHost.h"

using namespace nearbell;

namespace {

enum class Call { Count, Entry, GetStation, Attach };

// True when the call threw HostError.
bool throws(ScriptedHost &host, Call call, int index = 0, const QString &callsign = QString())
{
    try {
        switch (call) {
        case Call::Count:
            host.StationCount();
            break;
        case Call::Entry: {
            qint16 i = qint16(index);
            host.StationListEntry(i);
            break;
        }
        case Call::GetStation: {
            HostStation s;
            s.setCallsign(callsign);
            host.GetStation(s);
            break;
        }
        case Call::Attach: {
            qint32 v = -1;
            host.SetAttachOption(v);
            break;
        }
        }
    } catch (const HostError &) {
        return true;
    }
    return false;
}

} // namespace

class ScriptedHostTest : public QObject
{
    Q_OBJECT

private slots:
    void answersWhatItWasGiven()
    {
        ScriptedHost host;
        host.setEntries({">AB1CD* 12:00:00", "kEF2GH 12:00:01"});
        host.setStation(QStringLiteral("AB1CD"), 3.5f, 3000.0f, -300.0f);

        QCOMPARE(host.StationCount(), qint16(2));
        qint16 index = 1;
        QCOMPARE(host.StationListEntry(index), QStringLiteral("kEF2GH 12:00:01"));
        index = 2;
        QVERIFY(host.StationListEntry(index).isEmpty());
        index = -1;
        QVERIFY(host.StationListEntry(index).isEmpty());

        HostStation station;
        station.setCallsign(QStringLiteral("AB1CD"));
        QVERIFY(host.GetStation(station));
        QCOMPARE(station.Distance(), 3.5f);
        QCOMPARE(station.Latitude(), 3000.0f);
        QCOMPARE(station.Longitude(), -300.0f);
        station.setCallsign(QStringLiteral("EF2GH"));
        QVERIFY(!host.GetStation(station));

        QCOMPARE(host.lookedUp(), (QStringList{"AB1CD", "EF2GH"}));
        QCOMPARE(host.getStationCalls(), 2);
        QCOMPARE(host.entryIndexesRead(), (QList<int>{1, 2, -1}));
        host.resetCounts();
        QCOMPARE(host.getStationCalls(), 0);
        QVERIFY(host.lookedUp().isEmpty());
    }

    void countOverrideAndClamp()
    {
        ScriptedHost host;
        QStringList many;
        for (int i = 0; i < 40000; ++i)
            many.append(QStringLiteral(">S%1 00:00:00").arg(i));
        host.setEntries(many);
        QCOMPARE(host.StationCount(), qint16(32767));
        host.setCountOverride(5);
        QCOMPARE(host.StationCount(), qint16(5));
        host.setCountOverride(-1);
        QCOMPARE(host.StationCount(), qint16(32767));
    }

    void failures_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QList<bool>>("expected"); // count, entry 1, entry 2, GetStation A, B, attach

        // 0: nothing fails; 1: vanished; 2: entry 2; 3: GetStation for B;
        // 4: the second GetStation call; 5: count; 6: attach; 7: failures cleared
        QTest::newRow("healthy") << 0 << QList<bool>{false, false, false, false, false, false};
        QTest::newRow("vanished") << 1 << QList<bool>{true, true, true, true, true, true};
        QTest::newRow("entry at index 2") << 2 << QList<bool>{false, false, true, false, false, false};
        QTest::newRow("GetStation for B") << 3 << QList<bool>{false, false, false, false, true, false};
        QTest::newRow("second GetStation call")
            << 4 << QList<bool>{false, false, false, false, true, false};
        QTest::newRow("count") << 5 << QList<bool>{true, false, false, false, false, false};
        QTest::newRow("attach") << 6 << QList<bool>{false, false, false, false, false, true};
        QTest::newRow("cleared") << 7 << QList<bool>{false, false, false, false, false, false};
    }

    void failures()
    {
        QFETCH(int, mode);
        QFETCH(QList<bool>, expected);

        ScriptedHost host;
        host.setEntries({">A 00:00:00", ">B 00:00:00", ">C 00:00:00"});
        host.setStation(QStringLiteral("A"), 1.0f);
        host.setStation(QStringLiteral("B"), 2.0f);
        switch (mode) {
        case 1: host.vanish(); break;
        case 2: host.failEntryAt(2); break;
        case 3: host.failGetStationFor(QStringLiteral("B")); break;
        case 4: host.failGetStationOnCall(1); break;
        case 5: host.failStationCount(true); break;
        case 6: host.failSetAttachOption(true); break;
        case 7:
            host.vanish();
            host.failEntryAt(1);
            host.failGetStationFor(QStringLiteral("A"));
            host.clearFailures();
            break;
        default: break;
        }

        const QList<bool> actual{throws(host, Call::Count), throws(host, Call::Entry, 1),
                                 throws(host, Call::Entry, 2),
                                 throws(host, Call::GetStation, 0, QStringLiteral("A")),
                                 throws(host, Call::GetStation, 0, QStringLiteral("B")),
                                 throws(host, Call::Attach)};
        QCOMPARE(actual, expected);
        // Failing calls are counted too.
        QCOMPARE(host.getStationCalls(), 2);
        QCOMPARE(host.entryCalls(), 2);
    }

    void entryHookRunsBeforeTheAnswer()
    {
        ScriptedHost host;
        host.setEntries({">A 00:00:00", ">B 00:00:00"});
        host.setEntryHook([&host](int index) {
            if (index == 1)
                host.setEntries({">A 00:00:00"});
        });
        qint16 index = 1;
        QVERIFY(host.StationListEntry(index).isEmpty());
    }

    void attachOptionIsRecorded()
    {
        ScriptedHost host;
        qint32 value = -1;
        host.SetAttachOption(value);
        QCOMPARE(host.attachCalls(), 1);
        QCOMPARE(host.lastAttachOption(), -1);
    }

    void raisesEachEvent()
    {
        ScriptedHost host;
        QSignalSpy data(&host, &HostApplication::DataAvailable);
        QSignalSpy beacon(&host, &HostApplication::NotifyBeacon);
        QSignalSpy del(&host, &HostApplication::NotifyDelete);
        QSignalSpy all(&host, &HostApplication::NotifyDeleteAllStations);
        QSignalSpy closing(&host, &HostApplication::UIView32IsClosing);

        host.raiseDataAvailable();
        host.raiseNotifyBeacon(QStringLiteral("AB1CD"), 1.5f, -2.5f);
        host.raiseNotifyDelete(QStringLiteral("EF2GH"));
        host.raiseNotifyDeleteAllStations();
        host.raiseClosing();

        QCOMPARE(data.count(), 1);
        QCOMPARE(beacon.count(), 1);
        QCOMPARE(beacon.at(0).at(0).toString(), QStringLiteral("AB1CD"));
        QCOMPARE(beacon.at(0).at(2).toFloat(), -2.5f);
        QCOMPARE(del.at(0).at(0).toString(), QStringLiteral("EF2GH"));
        QCOMPARE(all.count(), 1);
        QCOMPARE(closing.count(), 1);
    }
};

NEARBELL_TEST(ScriptedHostTest)
#include "ScriptedHostTest.moc"
