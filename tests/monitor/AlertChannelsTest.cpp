#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "platform/WriteFailures.h"
#include "monitor/AlarmHistory.h"
#include "monitor/HistoryWriter.h"
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

#include <QSemaphore>

#include <sys/resource.h>
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
        QTest::newRow("link to /dev/full") << "full";
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
        else if (kind == u"fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(history.path()).constData(), 0644), 0);
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), history.path()));
        QElapsedTimer timer;
        timer.start();
        history.record(one, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(failures.isFailing(history.path()));
        QCOMPARE(history.unwritten(), 1); // kept to be written again
        const QString told = failures.statusParts().first().text;
        QVERIFY2(told.contains(kind == u"directory" ? "folder" : kind == u"fifo" ? "FIFO" : "device"), qPrintable(told));
        QCOMPARE(history.readNewest().size(), 1);
        QDir(dir.path()).rmdir(AlarmHistory::fileName());
        QFile::remove(history.path());
        history.record(one, DistanceUnit::Kilometres);
        history.flush();
        QVERIFY(!failures.isFailing(history.path()));
        QCOMPARE(history.readNewest().size(), 3); // the kept line too
        QCOMPARE(history.unwritten(), 0);
    }

    // A write cut short (here by the file size limit, as by a full disk)
    // leaves no piece of a line: the file is cut back, the lines are kept,
    // the status stays red, and once there is room they go in whole, once.
    void historyWritesWholeLinesOrNone()
    {
        QTemporaryDir dir;
        WriteFailures failures;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), &failures);
        history.writer().setRetryMs(20);
        history.record({AlarmLine{QStringLiteral("FIRST"), 1.0}}, DistanceUnit::Kilometres);
        QVERIFY(history.flush());
        const qint64 before = QFileInfo(history.path()).size();
        struct rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct rlimit tight = saved;
        tight.rlim_cur = rlim_t(before + 30); // room for half a line
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tight), 0);
        history.record({AlarmLine{QStringLiteral("SECOND"), 2.0}, AlarmLine{QStringLiteral("THIRD"), 3.0}},
                       DistanceUnit::Kilometres);
        QVERIFY(history.flush());
        QTest::qWait(60); // retries meet the same limit
        QVERIFY(history.flush());
        const qint64 cut = QFileInfo(history.path()).size();
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &saved), 0);
        QCOMPARE(cut, before);
        QVERIFY(failures.isFailing(history.path()));
        QVERIFY(failures.statusParts().first().text.contains("2 alarm lines kept"));
        QTRY_VERIFY(!failures.isFailing(history.path()));
        QFile file(history.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QStringList> rows = AlarmHistory::parseCsv(file.readAll());
        QStringList calls;
        for (const QStringList &row : rows.mid(1))
            calls.append(row.value(1));
        QCOMPARE(calls, (QStringList{"FIRST", "SECOND", "THIRD"}));
    }

    // A name a spreadsheet would run as a formula is written with a
    // leading ' and quoted; the window gets the name back as heard.
    void historyGuardsAgainstFormulas()
    {
        QTemporaryDir dir;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), nullptr);
        const QStringList names{"=1+1", "@SUM(A1)", "-2+3", "+4", "\tx", "\rx", "'q", "AB1CD"};
        QList<AlarmLine> lines;
        for (const QString &name : names)
            lines.append(AlarmLine{name, 1.0});
        history.record(lines, DistanceUnit::Kilometres);
        QVERIFY(history.flush());
        QFile file(history.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char *guarded : {",\"'=1+1\",", ",\"'@SUM(A1)\",", ",\"'-2+3\",", ",\"'+4\",", ",\"'\tx\",",
                                    ",\"' x\",", ",\"''q\",", ",AB1CD,"})
            QVERIFY2(text.contains(guarded), guarded);
        QStringList back;
        for (const QStringList &row : history.readNewest())
            back.prepend(row.at(1));
        QCOMPARE(back, (QStringList{"=1+1", "@SUM(A1)", "-2+3", "+4", "\tx", " x", "'q", "AB1CD"}));
    }

    // When the older file cannot take the current one, that is said in
    // red and the file grows on; the window still gets the newest lines,
    // read from the end, and a damaged line is one bad row among them.
    void historyRotationFailureAndTailReading()
    {
        QTemporaryDir dir;
        WriteFailures failures;
        AlarmHistory history(dir.filePath(AlarmHistory::fileName()), &failures);
        QVERIFY(QDir(dir.path()).mkdir(QFileInfo(history.olderPath()).fileName()));
        const QList<AlarmLine> batch(2000, AlarmLine{QStringLiteral("OLD"), 1.0});
        for (int i = 0; i < 30; ++i) // about 2.5 MB
            history.record(batch, DistanceUnit::Kilometres);
        QVERIFY(history.flush());
        QVERIFY(QFileInfo(history.path()).size() > 2 * AlarmHistory::kRotateBytes);
        QVERIFY(failures.isFailing(history.path()));
        QVERIFY(failures.statusParts().first().text.contains("cannot be moved to alarms.1.csv"));
        QVERIFY(history.flush());
        {
            QFile file(history.path());
            QVERIFY(file.open(QIODevice::Append));
            file.write("2026-12-07T16:05:09Z,\"BROKEN,1.0\r\n");
        }
        history.record({AlarmLine{QStringLiteral("NEW1"), 1.0}, AlarmLine{QStringLiteral("NEW2"), 2.0}},
                       DistanceUnit::Kilometres);
        QVERIFY(history.flush());
        const QList<QStringList> newest = history.readNewest();
        QCOMPARE(newest.size(), AlarmHistory::kMostShown);
        QCOMPARE(newest.at(0).at(1), QStringLiteral("NEW2"));
        QCOMPARE(newest.at(1).at(1), QStringLiteral("NEW1"));
        QCOMPARE(newest.at(2), AlarmHistory::damagedRow("2026-12-07T16:05:09Z,\"BROKEN,1.0"));
        QCOMPARE(newest.at(3).at(1), QStringLiteral("OLD"));
    }

    // A disk that does not answer holds the window and the exit up for
    // at most the wait, and what is not yet written is counted.
    void historyWaitsAtMostTwoSeconds()
    {
        QTemporaryDir dir;
        const auto disk = std::make_shared<QSemaphore>();
        auto history = std::make_unique<AlarmHistory>(dir.filePath(AlarmHistory::fileName()), nullptr);
        history->writer().setBeforeWrite([disk] { disk->acquire(); });
        history->record({AlarmLine{QStringLiteral("AB1CD"), 1.0}}, DistanceUnit::Kilometres);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!history->flush());
        QVERIFY2(timer.elapsed() >= AlarmHistory::kWaitMs - 50 && timer.elapsed() < AlarmHistory::kWaitMs + 1000,
                 qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(history->unwritten(), 1);
        disk->release();
        QVERIFY(history->flush());
        QCOMPARE(history->unwritten(), 0);
        history->record({AlarmLine{QStringLiteral("AB1CD"), 1.0}}, DistanceUnit::Kilometres);
        timer.restart();
        history.reset(); // the exit: at most the wait, the writer left behind
        QVERIFY(timer.elapsed() < AlarmHistory::kWaitMs + 1000);
        disk->release();
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
