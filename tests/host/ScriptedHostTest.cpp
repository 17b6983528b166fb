#include "common/TestRegistry.h"

#include <QTest>

#include <functional>

#include "host/HostError.h"
#include "host/ScriptedHost.h"

using namespace nearbell;

namespace {

// True when the call threw HostError.
bool throws(const std::function<void()> &call)
{
    try {
        call();
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
    void failures_data()
    {
        QTest::addColumn<std::function<void(ScriptedHost &)>>("arrange");
        // count, entry 1, entry 2, GetStation A, GetStation B, attach
        QTest::addColumn<QList<bool>>("expected");

        using Arrange = std::function<void(ScriptedHost &)>;
        QTest::newRow("healthy") << Arrange([](ScriptedHost &) {})
                                 << QList<bool>{false, false, false, false, false, false};
        QTest::newRow("vanished") << Arrange([](ScriptedHost &h) { h.vanish(); })
                                  << QList<bool>{true, true, true, true, true, true};
        QTest::newRow("entry at index 2") << Arrange([](ScriptedHost &h) { h.failEntryAt(2); })
                                          << QList<bool>{false, false, true, false, false, false};
        QTest::newRow("GetStation for B")
            << Arrange([](ScriptedHost &h) { h.failGetStationFor(QStringLiteral("B")); })
            << QList<bool>{false, false, false, false, true, false};
        QTest::newRow("second GetStation call")
            << Arrange([](ScriptedHost &h) { h.failGetStationOnCall(1); })
            << QList<bool>{false, false, false, false, true, false};
        QTest::newRow("count") << Arrange([](ScriptedHost &h) { h.failStationCount(true); })
                               << QList<bool>{true, false, false, false, false, false};
        QTest::newRow("attach") << Arrange([](ScriptedHost &h) { h.failSetAttachOption(true); })
                                << QList<bool>{false, false, false, false, false, true};
        QTest::newRow("cleared") << Arrange([](ScriptedHost &h) {
            h.vanish();
            h.failEntryAt(1);
            h.clearFailures();
        }) << QList<bool>{false, false, false, false, false, false};
    }

    void failures()
    {
        QFETCH(std::function<void(ScriptedHost &)>, arrange);
        QFETCH(QList<bool>, expected);

        ScriptedHost host;
        host.setEntries({">A* 00:00:00", ">B 00:00:00", ">C 00:00:00"});
        host.setStation(QStringLiteral("A"), 1.5f, 3000.0f, -300.0f);
        arrange(host);

        HostStation a, b;
        a.setCallsign(QStringLiteral("A"));
        b.setCallsign(QStringLiteral("B"));
        qint16 one = 1, two = 2;
        qint32 attach = -1;
        const QList<bool> actual{throws([&] { host.StationCount(); }),
                                 throws([&] { host.StationListEntry(one); }),
                                 throws([&] { host.StationListEntry(two); }),
                                 throws([&] { host.GetStation(a); }),
                                 throws([&] { host.GetStation(b); }),
                                 throws([&] { host.SetAttachOption(attach); })};
        QCOMPARE(actual, expected);
        QCOMPARE(host.getStationCalls(), 2); // failing calls count too
        QCOMPARE(host.lookedUp(), (QStringList{"A", "B"}));
        if (!expected[3]) {
            QCOMPARE(a.Distance(), 1.5f);
            QCOMPARE(a.Longitude(), -300.0f);
        }
        if (!expected[2])
            QCOMPARE(host.StationListEntry(two), QStringLiteral(">C 00:00:00"));
        qint16 past = 3;
        if (!expected[0])
            QVERIFY(host.StationListEntry(past).isEmpty());
    }
};

NEARBELL_TEST(ScriptedHostTest)
#include "ScriptedHostTest.moc"
