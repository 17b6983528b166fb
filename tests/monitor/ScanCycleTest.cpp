#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/AckList.h"
#include "monitor/ScanCycle.h"
#include "monitor/SirenPath.h"
#include "monitor/StationMonitor.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

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
        Run()
        {
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
