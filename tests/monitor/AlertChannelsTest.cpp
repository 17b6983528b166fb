#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/AlertChannels.h"
#include "monitor/StationMonitor.h"
#include "platform/DesktopNotifier.h"
#include "platform/Speaker.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

namespace {

class RecordingNotifier : public DesktopNotifier
{
public:
    void notify(const DesktopNotice &notice) override
    {
        notices.append(notice);
        if (log)
            log->append(QStringLiteral("notify"));
    }
    QString unavailableReason() const override { return {}; }
    QList<DesktopNotice> notices;
    QStringList *log = nullptr;
};

class RecordingSpeaker : public Speaker
{
public:
    void speak(const QStringList &texts) override { batches.append(texts); }
    QString unavailableReason() const override { return {}; }
    QList<QStringList> batches;
};

// The whole monitor with the alarm channels hooked into its cycle.
struct Run
{
    MonitorFixture f;
    QStringList log;
    AlertFlags flags;
    RecordingNotifier notifier;
    RecordingSpeaker speaker;
    StationMonitor monitor{f.c, f.objStation, f.globals, f.options, f.messages, f.sound, f.raiser};
    AlertChannels alerts{f.c.lstStations, f.c.lstAcked, flags};
    Run()
    {
        f.sound.log = &log;
        f.raiser.log = &log;
        notifier.log = &log;
        monitor.setHost(&f.host);
        monitor.setYield([] {});
        monitor.setOverlayScan([this] { log.append(QStringLiteral("overlays")); });
        monitor.cycle().setAfterStationScans([this] {
            log.append(QStringLiteral("hook(lines=%1)").arg(f.c.lstStations->count()));
            alerts.afterStationScans();
        });
        alerts.setNotifier(&notifier);
        alerts.setSpeaker(&speaker);
        alerts.setRaise([this] { f.raiser.bringToFront(); });
    }
    void tick() { QMetaObject::invokeMethod(f.c.Timer1, "timeout"); }
    QString lastSummary() const { return notifier.notices.isEmpty() ? QString() : notifier.notices.last().summary; }
};

} // namespace

class AlertChannelsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    // One run through arrivals, staying, acknowledging, re-arming, leaving
    // and coming back, with the hook's place in the cycle; the acknowledged
    // callsign goes at the end of lstAcked or between others.
    void announcesEachArrivalOnce_data()
    {
        QTest::addColumn<QStringList>("ackedBefore");
        QTest::newRow("lstAcked empty") << QStringList{};
        QTest::newRow("lstAcked holds callsigns around it") << QStringList{"AAA1", "ZZZ9"};
    }

    void announcesEachArrivalOnce()
    {
        QFETCH(QStringList, ackedBefore);
        Run r;
        r.f.c.lstAcked->addItems(ackedBefore);
        r.f.addStation("NEAR", 3.3f);
        r.f.addStation("FAR1", 500);
        r.f.c.lstWatch->addItem("FAR1");
        r.tick();
        QCOMPARE(r.log, (QStringList{"hook(lines=2)", "notify", "overlays", "siren", "raise"}));
        QCOMPARE(r.notifier.notices.size(), 1);
        QCOMPARE(r.notifier.notices[0].summary, QStringLiteral("2 stations raised the alarm"));
        QCOMPARE(r.notifier.notices[0].body, QStringLiteral("NEAR is 3.3 km away\nFAR1 (watch) is 500.0 km away"));
        QCOMPARE(r.notifier.notices[0].tag, QStringLiteral("NEAR"));

        r.tick(); // both still listed: the siren repeats, the notification does not
        QCOMPARE(r.notifier.notices.size(), 1);
        QCOMPARE(r.f.sound.played.size(), 2);

        r.f.select(r.f.c.lstStations, "NEAR distance 3.3");
        r.f.c.cmdAck->click();
        r.f.select(r.f.c.lstAcked, "NEAR");
        r.f.c.cmdRearm->click(); // re-armed before the next cycle saw it gone
        r.tick();
        QCOMPARE(r.notifier.notices.size(), 2);
        QCOMPARE(r.lastSummary(), QStringLiteral("NEAR is 3.3 km away"));

        r.alerts.setUnit(DistanceUnit::Miles);
        r.f.host.removeStation("FAR1"); // out for one whole cycle
        r.tick();
        QCOMPARE(r.notifier.notices.size(), 2);
        r.f.host.setStation("FAR1", 500);
        r.tick();
        QCOMPARE(r.notifier.notices.size(), 3);
        QCOMPARE(r.lastSummary(), QStringLiteral("FAR1 (watch) is 500.0 mi away"));
    }

    void channelsFollowTheirOptions_data()
    {
        QTest::addColumn<bool>("notify");
        QTest::addColumn<bool>("speak");
        QTest::addColumn<bool>("scanStations");
        QTest::addColumn<int>("notices");
        QTest::addColumn<int>("spoken");

        QTest::newRow("notify only") << true << false << true << 1 << 0;
        QTest::newRow("speak only") << false << true << true << 0 << 1;
        QTest::newRow("both") << true << true << true << 1 << 1;
        QTest::newRow("neither") << false << false << true << 0 << 0;
        QTest::newRow("scanning off") << true << true << false << 0 << 0;
    }

    void channelsFollowTheirOptions()
    {
        QFETCH(bool, notify);
        QFETCH(bool, speak);
        QFETCH(bool, scanStations);
        Run r;
        r.flags = {notify, speak};
        r.f.options.gblnScanStations = scanStations;
        r.f.addStation("DL1ABC", 3.2f);
        r.tick();
        QTEST(int(r.notifier.notices.size()), "notices");
        QTRY_COMPARE(int(r.speaker.batches.size()), speak && scanStations ? 1 : 0);
        QTEST(int(r.speaker.batches.size()), "spoken");
        if (!r.speaker.batches.isEmpty())
            QCOMPARE(r.speaker.batches[0], QStringList{"D L 1 A B C, 3.2 kilometres"});
    }

    // Speech waits for the siren; arrivals of a later cycle join the texts
    // already waiting and never push them back.
    void speechFollowsTheSiren()
    {
        Run r;
        r.flags.speak = true;
        r.flags.notify = false;
        int delayAsked = 0;
        r.alerts.setSpeechDelay([&] {
            ++delayAsked;
            return 300;
        });
        r.f.addStation("A1", 1);
        QElapsedTimer clock;
        clock.start();
        r.tick();
        QVERIFY(r.speaker.batches.isEmpty());
        r.f.addStation("B2", 2);
        r.tick();
        QVERIFY(r.speaker.batches.isEmpty());
        QTRY_COMPARE(r.speaker.batches.size(), 1);
        QVERIFY(clock.elapsed() >= 290);
        QCOMPARE(r.speaker.batches[0], (QStringList{"A 1, 1 kilometre", "B 2, 2 kilometres"}));
        QCOMPARE(delayAsked, 1);
    }
};

NEARBELL_TEST(AlertChannelsTest)
#include "AlertChannelsTest.moc"
