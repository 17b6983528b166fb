#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/AckList.h"
#include "monitor/AlertFlags.h"
#include "monitor/AlertTexts.h"
#include "monitor/ScanCycle.h"
#include "monitor/SirenPath.h"
#include "monitor/StationMonitor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimeZone>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class ScanCycleTest : public QObject
{
    Q_OBJECT

private:
    // The whole monitor on the fixture's controls, every step logged.
    struct Run
    {
        MonitorFixture f;
        QTemporaryDir folder;
        QStringList log;
        StationMonitor monitor{f.c,     f.objStation, f.globals, f.options,
                               f.messages, f.sound,   f.raiser};
        std::function<void()> onYield;
        AlertFlags flags;
        qint64 steady = 0;
        QDateTime wall = QDateTime(QDate(2026, 12, 8), QTime(13, 5), Qt::UTC);
        Run()
        {
            monitor.setAlertFlags(&flags);
            monitor.setClocks([this] { return steady; }, [this] { return wall; });
            f.globals.programFolder = folder.path();
            f.sound.log = &log;
            f.raiser.log = &log;
            monitor.setHost(&f.host);
            monitor.setYield([this] {
                if (onYield)
                    onYield();
            });
            monitor.setOverlayScan([this] {
                log.append(QStringLiteral("overlays(lines=%1)").arg(f.c.lstStations->count()));
            });
            f.host.setEntryHook([this](int index) {
                if (index == 0)
                    log.append(QStringLiteral("scan"));
            });
        }
        void tick() { QMetaObject::invokeMethod(f.c.Timer1, "timeout"); }
    };

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // Which steps run, in which order, for each option setting.
    void gatesAndOrder_data()
    {
        QTest::addColumn<bool>("scanStations");
        QTest::addColumn<bool>("scanOverlays");
        QTest::addColumn<bool>("audible");
        QTest::addColumn<bool>("toFront");
        QTest::addColumn<bool>("inRange");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("all on, alarm")
            << true << true << true << true << true
            << QStringList{"scan", "scan", "overlays(lines=1)", "siren", "raise"};
        QTest::newRow("no alarm") << true << true << true << true << false
                                  << QStringList{"scan", "scan", "overlays(lines=0)"};
        QTest::newRow("stations off: overlays never alarm")
            << false << true << true << true << true << QStringList{"overlays(lines=0)"};
        QTest::newRow("overlays off") << true << false << true << true << true
                                      << QStringList{"scan", "scan", "siren", "raise"};
        QTest::newRow("silent, raise only") << true << false << false << true << true
                                            << QStringList{"scan", "scan", "raise"};
        QTest::newRow("both alarm options off") << true << false << false << false << true
                                                << QStringList{"scan", "scan"};
    }
    void gatesAndOrder()
    {
        QFETCH(bool, scanStations);
        QFETCH(bool, scanOverlays);
        QFETCH(bool, audible);
        QFETCH(bool, toFront);
        QFETCH(bool, inRange);
        QFETCH(QStringList, steps);
        Run r;
        r.f.options = {audible, toFront, scanStations, scanOverlays};
        r.f.addStation("NEAR", inRange ? 3 : 30);
        r.f.addStation("W1", 500);
        r.f.c.lstWatch->addItem("W1");
        r.f.c.lstAcked->addItem("W1");
        r.monitor.state().blnAlarm = true; // left over from an earlier cycle
        r.tick();
        QCOMPARE(r.log, steps);
        QCOMPARE(r.monitor.state().blnAlarm, scanStations && inRange);
    }

    void alarmRepeatsUntilAcknowledged()
    {
        Run r;
        r.f.addStation("NEAR", 3);
        r.tick();
        r.tick();
        QCOMPARE(r.f.raiser.raised, 2);
        QCOMPARE(r.f.sound.played.size(), 2);
        r.f.select(r.f.c.lstStations, "NEAR distance 3.");
        r.f.c.cmdAck->click();
        r.tick();
        QCOMPARE(r.f.raiser.raised, 2);
        QVERIFY(!r.monitor.state().blnAlarm);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("No stations within alarm range"));
    }

    // A tick that falls due while a cycle yields is skipped, not queued.
    void tickDuringYieldIsSkipped()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.addStation("B2", 2);
        int nested = 0;
        r.onYield = [&] {
            if (nested++ == 0)
                r.tick();
        };
        r.tick();
        QCOMPARE(r.monitor.cycle().skippedTicks(), 1);
        QCOMPARE(r.log.count("scan"), 2); // one station scan, one watch scan
        QVERIFY(!r.monitor.cycle().isRunning());
        r.tick(); // the next regular tick runs again
        QCOMPARE(r.log.count("scan"), 4);
    }

    void sirenLookup_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("played");
        QTest::newRow("both") << QStringList{"NB_SIREN.WAV", "SIREN.WAV"} << "WAV/NB_SIREN.WAV";
        QTest::newRow("fallback") << QStringList{"SIREN.WAV"} << "WAV/SIREN.WAV";
        QTest::newRow("neither") << QStringList{} << "WAV/";
        QTest::newRow("a folder is no file") << QStringList{"NB_SIREN.WAV/", "SIREN.WAV"}
                                             << "WAV/SIREN.WAV";
    }
    void sirenLookup()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, played);
        Run r;
        QDir(r.folder.path()).mkpath("WAV");
        for (const QString &name : files) {
            if (name.endsWith('/')) {
                QDir(r.folder.path()).mkpath("WAV/" + name);
            } else {
                QFile file(r.folder.filePath("WAV/" + name));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        r.f.addStation("NEAR", 3);
        r.tick();
        QCOMPARE(r.f.sound.played, QStringList{r.folder.path() + "/" + played});
        QVERIFY(r.f.messages.shown.isEmpty());
    }

    // One sound per cycle, for its most urgent reason; with "Siren for new
    // stations only" only a cycle that lists a new line (station and
    // reason, whatever its distance) sounds. The window comes forward in
    // every alarming cycle all the same.
    void soundPerReasonAndNewOnly()
    {
        Run r;
        QDir(r.folder.path()).mkpath("WAV");
        for (const char *name : {"NB_SIREN.WAV", "NB_WATCH.WAV", "NB_DIRECT.WAV"}) {
            QFile file(r.folder.filePath(QStringLiteral("WAV/") + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        r.f.addStation("W1", 500);
        r.f.c.lstWatch->addItem("W1");
        r.tick();
        r.f.addStation("NEAR", 3);
        r.tick();
        r.flags.sirenNewOnly = true;
        r.tick();
        r.f.host.setStation("NEAR", 2.5f); // moved: the same line
        r.tick();
        r.f.c.lstAcked->addItem("NEAR");
        r.tick();
        r.f.c.lstAcked->clear(); // re-armed: new again
        r.tick();
        r.f.host.setEntries({});
        r.tick();
        const QString wav = r.folder.path() + "/WAV/";
        QCOMPARE(r.f.sound.played, (QStringList{wav + "NB_WATCH.WAV", wav + "NB_SIREN.WAV", wav + "NB_SIREN.WAV"}));
        QCOMPARE(r.f.raiser.raised, 6);
    }

    // "Acknowledge for an hour" re-arms after an hour of elapsed time,
    // whatever the wall clock does; its end is kept beside the list file.
    // "Acknowledge" makes it lasting, a re-arm forgets it.
    void acknowledgedForAnHour()
    {
        Run r;
        r.f.globals.executableName = "nearbell";
        r.f.addStation("AB1CD", 3);
        r.f.addStation("EF2GH", 4);
        r.tick();
        r.f.select(r.f.c.lstStations, "AB1CD distance 3.");
        r.monitor.ackList().mnuPopup1AckHour_Click();
        r.f.select(r.f.c.lstStations, "EF2GH distance 4.");
        r.monitor.ackList().mnuPopup1AckHour_Click();
        QCOMPARE(r.f.acked(), (QStringList{"AB1CD", "EF2GH"}));
        QCOMPARE(acknowledgedUntilText(*r.monitor.acknowledgedUntil("AB1CD")),
                 "acknowledged until " + r.wall.addSecs(3600).toLocalTime().toString("HH:mm"));
        r.f.select(r.f.c.lstAcked, "EF2GH");
        r.f.c.cmdRearm->click();
        QVERIFY(!r.monitor.acknowledgedUntil("EF2GH"));
        QVERIFY(r.monitor.save_acked_list());
        QCOMPARE(readAll(r.folder.filePath("nearbell.ACKTIME")), QByteArray("AB1CD 2026-12-08T14:05:00Z\r\n"));

        r.wall = r.wall.addSecs(-7200); // the wall clock is set back
        r.steady += AckTimes::kHourMs - 1;
        r.tick();
        QCOMPARE(r.f.acked(), QStringList{"AB1CD"});
        r.steady += 1;
        r.tick();
        QVERIFY(r.f.acked().isEmpty());
        QCOMPARE(r.f.stationLines(), (QStringList{"AB1CD distance 3.", "EF2GH distance 4."}));

        // Acknowledged for an hour, then for good.
        r.f.select(r.f.c.lstStations, "AB1CD distance 3.");
        r.monitor.ackList().mnuPopup1AckHour_Click();
        r.f.c.lstStations->addItem("AB1CD distance 3.");
        r.f.select(r.f.c.lstStations, "AB1CD distance 3.");
        r.monitor.ackList().mnuPopup1Ack_Click();
        r.steady += 2 * AckTimes::kHourMs;
        r.tick();
        QCOMPARE(r.f.acked(), QStringList{"AB1CD"});
    }

    // An acknowledged station that stays out of the range (and off the
    // watch list) for the set minutes is re-armed, also while it is heard
    // direct; one weaving at the edge is not.
    void rearmAfterLeaving()
    {
        Run r;
        r.flags.rearmAfterMinutes = 30;
        r.flags.direct = true;
        r.f.addStation("EDGE", 3);
        HostStation::Details direct;
        direct.heardDirectRecently = true;
        const auto edge = [&](float distance) {
            r.f.host.setStation("EDGE", distance);
            r.f.host.setDetails("EDGE", direct);
        };
        r.f.addStation("WATCHED", 900);
        r.f.c.lstAcked->addItems({"EDGE", "WATCHED", "GONE"});
        r.f.c.lstWatch->addItem("WATCHED");
        const auto minutes = [&r](int m) {
            r.steady += qint64(m) * 60000;
            r.tick();
        };
        minutes(0);
        edge(30);
        minutes(29);
        edge(4); // back in for a moment
        minutes(1);
        edge(30);
        minutes(29);
        QCOMPARE(r.f.acked(), (QStringList{"EDGE", "WATCHED"}));
        minutes(1);
        QCOMPARE(r.f.acked(), QStringList{"WATCHED"});
        minutes(120);
        QCOMPARE(r.f.acked(), QStringList{"WATCHED"});
        // Off, nothing is re-armed however long a station stays away.
        r.flags.rearmAfterMinutes = 0;
        r.f.c.lstAcked->addItem("EDGE");
        minutes(600);
        QCOMPARE(r.f.acked(), (QStringList{"EDGE", "WATCHED"}));
    }

    // With "Alarm at once" a report that would list a station new runs a
    // cycle within 0.5 s, at most one a second; one already listed, or
    // acknowledged, or with the option off, waits for Timer1.
    void alarmAtOnce()
    {
        Run r;
        r.flags.atOnce = true;
        QElapsedTimer clock;
        clock.start();
        r.monitor.setClocks([&clock] { return clock.elapsed(); }, [] { return QDateTime::currentDateTimeUtc(); });
        int cycles = 0;
        QObject::connect(&r.monitor.cycle(), &ScanCycle::cycleFinished, [&] { ++cycles; });
        r.f.addStation("NEAR", 3);
        r.f.addStation("ACKED", 3);
        r.f.c.lstAcked->addItem("ACKED");
        r.f.host.raiseNotifyBeacon("ACKED", 0, 0);
        r.f.host.raiseNotifyBeacon("NEAR", 0, 0);
        r.f.host.raiseNotifyBeacon("NEAR", 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 1, 500);
        QCOMPARE(r.f.stationLines(), QStringList{"NEAR distance 3."});
        QCOMPARE(r.f.sound.played.size(), 1);
        r.f.host.raiseNotifyBeacon("NEAR", 0, 0); // listed already
        r.f.addStation("NEXT", 4);
        const qint64 first = clock.elapsed();
        r.f.host.raiseNotifyBeacon("NEXT", 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(cycles, 2, 1500);
        QVERIFY2(clock.elapsed() - first >= 900, qPrintable(QString::number(clock.elapsed() - first)));
        QCOMPARE(r.monitor.extraCycle().runs(), 2);
        r.flags.atOnce = false;
        r.f.addStation("LATE", 4);
        r.f.host.raiseNotifyBeacon("LATE", 0, 0);
        QTest::qWait(1200);
        QCOMPARE(cycles, 2);
    }

    void commandsRestartTimer1()
    {
        Run r;
        r.f.c.Timer1->start();
        QTest::qWait(60);
        const int before = r.f.c.Timer1->remainingTime();
        r.f.c.lstAcked->addItem("X1");
        r.f.c.lstAcked->setSelectedRow(0);
        r.f.c.cmdRearm->click();
        QVERIFY(r.f.c.Timer1->isActive());
        QVERIFY2(r.f.c.Timer1->remainingTime() > before,
                 qPrintable(QStringLiteral("%1 then %2").arg(before).arg(r.f.c.Timer1->remainingTime())));
        QVERIFY(r.f.c.Timer1->remainingTime() > 9980);
    }

    // After each cycle the rest of the program reads what it listed, and
    // can select a station's line as the user would, for ">" to act on.
    void linesAfterCycleAndSelectingByCallsign()
    {
        Run r;
        r.f.addStation("ZZ9", 3);
        r.f.addStation("ab1", 2);
        r.f.addStation("AB2", 900);
        r.f.c.lstWatch->addItem("AB2");
        QList<bool> finished;
        QObject::connect(&r.monitor.cycle(), &ScanCycle::cycleFinished, [&](bool alarm) {
            finished.append(alarm);
            QCOMPARE(r.monitor.stationLines(),
                     (QStringList{"ab1 distance 2.", "AB2 (watch) 900.", "ZZ9 distance 3."}));
        });
        r.tick();
        QCOMPARE(finished, QList<bool>{true});
        QVERIFY(!r.monitor.selectStation("AB1")); // exact callsign only
        QVERIFY(r.monitor.selectStation("AB2"));
        r.f.c.cmdAck->click();
        QCOMPARE(r.f.acked(), QStringList{"AB2"});
        QCOMPARE(r.monitor.stationLines(), (QStringList{"ab1 distance 2.", "ZZ9 distance 3."}));
    }

    // Each finished cycle hands out what it saw: in range listed or
    // acknowledged, watched at any distance (once, also when in range),
    // with the host's position and entry; nothing else. A cycle with
    // station scanning off saw nothing.
    void stationsSeenByTheCycle()
    {
        Run r;
        r.f.host.appendEntry("/NEAR* 10:11:12");
        r.f.host.setStation("NEAR", 3, 3120, 300);
        r.f.addStation("ACK1", 4);
        r.f.addStation("WNEAR", 5);
        r.f.addStation("WFAR", 900);
        r.f.addStation("FAR", 800);
        r.f.c.lstAcked->addItem("ACK1");
        r.f.c.lstWatch->addItems({"WNEAR", "WFAR"});
        quint64 cyclesSeenAtFinish = 0;
        QObject::connect(&r.monitor.cycle(), &ScanCycle::cycleFinished,
                         [&] { cyclesSeenAtFinish = r.monitor.seen().cycles(); });
        r.tick();
        QCOMPARE(cyclesSeenAtFinish, quint64(1));
        QStringList seen;
        for (const SeenStation &s : r.monitor.seen().stations())
            seen << s.callsign + u' ' + QString::number(int(s.kind)) + u' ' + QString::number(s.distance);
        QCOMPARE(seen, (QStringList{"NEAR 0 3", "ACK1 1 4", "WNEAR 2 5", "WFAR 2 900"}));
        const SeenStation &near = r.monitor.seen().stations().first();
        QCOMPARE(near.latitude, 3120.0);
        QCOMPARE(near.longitude, 300.0);
        QCOMPARE(CycleSnapshot::lastHeard(near.entry), QStringLiteral("10:11:12"));

        r.f.options.gblnScanStations = false;
        r.tick();
        QVERIFY(r.monitor.seen().stations().isEmpty());
        QCOMPARE(r.monitor.seen().cycles(), quint64(2));
    }

    void listFileNamedAfterProgram()
    {
        Run r;
        r.f.globals.executableName = "nearbell";
        r.f.c.lstAcked->addItem("AB1CD");
        QVERIFY(r.monitor.save_acked_list());
        QFile file(r.folder.filePath("nearbell.LST"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("AB1CD\r\n"));
        r.f.c.lstAcked->clear();
        QVERIFY(r.monitor.load_acked_list());
        QCOMPARE(r.f.acked(), QStringList{"AB1CD"});
    }
};

NEARBELL_TEST(ScanCycleTest)
#include "ScanCycleTest.moc"
