#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "platform/WriteFailures.h"
#include "monitor/AlarmHistory.h"
#include "monitor/AlertChannels.h"
#include "monitor/StationMonitor.h"
#include "platform/DesktopNotifier.h"
#include "platform/Speaker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QLocale>
#include <QTest>

#include <sys/stat.h>

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

    // Arrivals of the cycle go to the history with what the host adds,
    // quoted so that a CSV reader gets every field back.
    void historyLinesReadBack()
    {
        QTemporaryDir dir;
        WriteFailures failures;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), &failures);
        history.setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(16, 5, 9), Qt::UTC); });
        Run r;
        r.alerts.setHistory(&history);
        r.alerts.setDetails([](AlarmLine &a) {
            a.bearing = a.callsign == u"FAR" ? 359.6 : 44.4;
            a.source = QStringLiteral("KISS \"radio\", left");
        });
        r.f.addStation(QStringLiteral("NEAR"), 3.0f);
        r.f.addStation(QStringLiteral("FAR"), 500.0f);
        r.f.c.lstWatch->addItem(QStringLiteral("FAR"));
        r.tick();
        r.tick(); // nothing new: nothing written
        history.flush();
        QFile file(history.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = AlarmHistory::parseCsv(file.readAll());
        const QString source = QStringLiteral("KISS \"radio\", left");
        QCOMPARE(rows, (QList<QStringList>{
                           AlarmHistory::columns(),
                           {"2026-12-07T16:05:09Z", "NEAR", "3.000", "km", "44", "range", source},
                           {"2026-12-07T16:05:09Z", "FAR", "500.000", "km", "0", "watch", source}}));
        QCOMPARE(history.readNewest().first().at(1), QStringLiteral("FAR"));
        QVERIFY(!failures.isFailing(history.path()));
        // RFC 4180 by hand: a callsign with a comma and a quote.
        QCOMPARE(AlarmHistory::csvLine({"A,\"B", "x"}), QByteArray("\"A,\"\"B\",x\r\n"));
    }

    // Leaving out weather stations never hides a watched one.
    void watchedWeatherStationStaysListed()
    {
        Run r;
        r.flags.noWeather = true;
        r.monitor.stationScan().setAlertFlags(&r.flags);
        r.f.addStation(QStringLiteral("WX1"), 3.0f);
        r.f.addStation(QStringLiteral("WX2"), 4.0f);
        HostStation::Details weather;
        weather.symbolCode = '_';
        r.f.host.setDetails(QStringLiteral("WX1"), weather);
        r.f.host.setDetails(QStringLiteral("WX2"), weather);
        r.f.c.lstWatch->addItem(QStringLiteral("WX1"));
        r.tick();
        QCOMPARE(r.f.stationLines(), QStringList{"WX1 (watch) 3."});
        QCOMPARE(r.lastSummary(), QStringLiteral("WX1 (watch) is 3.0 km away"));
    }

    // Past 1 MB the file moves to alarms.1.csv (one old file kept) and a
    // new one starts with the column names; reading goes across both.
    void historyRotates()
    {
        QTemporaryDir dir;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), nullptr);
        const QList<AlarmLine> batch(200, AlarmLine{QStringLiteral("AB1CD"), 1.0});
        const qint64 lineSize = AlarmHistory::csvLine(AlarmHistory::fields(batch.first(), DistanceUnit::Kilometres,
                                                                           QDateTime::currentDateTimeUtc())).size();
        const int batches = int(2.5 * AlarmHistory::kRotateBytes / (lineSize * 200)) + 1;
        for (int i = 0; i < batches; ++i)
            history.record(batch, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(QFileInfo(history.path()).size() <= AlarmHistory::kRotateBytes);
        QVERIFY(QFileInfo(history.olderPath()).size() <= AlarmHistory::kRotateBytes);
        QVERIFY(QFileInfo(history.olderPath()).size() > AlarmHistory::kRotateBytes - lineSize * 200);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        QFile current(history.path());
        QVERIFY(current.open(QIODevice::ReadOnly));
        QCOMPARE(current.readLine(), AlarmHistory::csvLine(AlarmHistory::columns()));
        QCOMPARE(history.readNewest(300).size(), 300);
    }

    // A folder or a FIFO where the file belongs: refused at once, shown as
    // a failing save, and what was written before stays.
    void historyFileReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("directory") << "directory";
        QTest::newRow("fifo") << "fifo";
    }
    void historyFileReplaced()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        WriteFailures failures;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), &failures);
        const QList<AlarmLine> one{AlarmLine{QStringLiteral("AB1CD"), 1.0}};
        history.record(one, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(QFile::rename(history.path(), history.olderPath()));
        if (kind == u"directory")
            QVERIFY(QDir(dir.path()).mkdir(AlarmHistory::fileName()));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(history.path()).constData(), 0644), 0);
        QElapsedTimer timer;
        timer.start();
        history.record(one, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(failures.isFailing(history.path()));
        QCOMPARE(history.readNewest().size(), 1);
        QDir(dir.path()).rmdir(AlarmHistory::fileName());
        QFile::remove(history.path());
        history.record(one, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(!failures.isFailing(history.path()));
        QCOMPARE(history.readNewest().size(), 2);
    }

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
