#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/AlertFlags.h"
#include "monitor/ScanText.h"
#include "monitor/StationScan.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTest>

#include <algorithm>

using namespace nearbell;
using namespace nearbell::test;

class StationScanTest : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        MonitorFixture f;
        ScanState state;
        StationScan scan{f.c, state, f.objStation, f.globals};
        int yields = 0;
        std::function<void()> onYield;
        // Zero: a yield after every station, so a test can act between two.
        explicit Run(std::chrono::nanoseconds budget = std::chrono::nanoseconds::zero())
        {
            scan.setHost(&f.host);
            scan.setYield(
                [this] {
                    ++yields;
                    if (onYield)
                        onYield();
                },
                budget);
        }
    };

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void callsignCut_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("callsign");
        QTest::newRow("plain") << "/AB1CD 12:00" << true << "AB1CD";
        QTest::newRow("star dropped") << "/AB1CD* 12:00" << true << "AB1CD";
        QTest::newRow("only one star dropped") << ">AB1CD** x" << true << "AB1CD*";
        QTest::newRow("first char never part") << "AAB1CD x" << true << "AB1CD";
        QTest::newRow("first char blank") << " AB1CD x" << true << "AB1CD";
        QTest::newRow("empty callsign") << "/ x" << true << "";
        QTest::newRow("star only") << "/* x" << true << "";
        QTest::newRow("no blank") << "/AB1CD" << false << "";
        QTest::newRow("one char") << "/" << false << "";
        QTest::newRow("blank only at start") << " AB1CD" << false << "";
        QTest::newRow("tab is no blank") << "/AB1CD\t12" << false << "";
    }
    void callsignCut()
    {
        QFETCH(QString, entry);
        QFETCH(bool, valid);
        QFETCH(QString, callsign);
        const auto cut = callsignOfEntry(entry);
        QCOMPARE(cut.has_value(), valid);
        if (valid)
            QCOMPARE(*cut, callsign);
    }

    // One station against one alarm-range text: is it listed?
    void rangeAndFilters_data()
    {
        QTest::addColumn<QString>("radius");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<float>("distance");
        QTest::addColumn<QStringList>("ackedList");
        QTest::addColumn<bool>("listed");
        const QStringList none;
        QTest::newRow("inside") << "25" << "AB1CD" << 24.9f << none << true;
        QTest::newRow("exactly at range") << "25" << "AB1CD" << 25.0f << none << false;
        QTest::newRow("outside") << "25" << "AB1CD" << 30.0f << none << false;
        QTest::newRow("range with unit") << "25km" << "AB1CD" << 24.0f << none << true;
        QTest::newRow("blanks and tabs skipped") << " \t2 5" << "AB1CD" << 24.0f << none << true;
        QTest::newRow("exponent") << "2.5e1" << "AB1CD" << 24.0f << none << true;
        QTest::newRow("empty range") << "" << "AB1CD" << 0.0f << none << false;
        QTest::newRow("letters") << "abc" << "AB1CD" << 0.0f << none << false;
        QTest::newRow("negative") << "-5" << "AB1CD" << 0.0f << none << false;
        QTest::newRow("huge") << "1e308" << "AB1CD" << 3e38f << none << true;
        QTest::newRow("overflowing") << "1e999" << "AB1CD" << 3e38f << none << true;
        QTest::newRow("comma is no point") << "0,5" << "AB1CD" << 0.25f << none << false;
        QTest::newRow("own callsign at 0") << "25" << "MY0CALL" << 0.0f << none << false;
        QTest::newRow("acknowledged") << "25" << "AB1CD" << 1.0f << QStringList{"AB1CD"} << false;
        QTest::newRow("ack is case-sensitive") << "25" << "AB1CD" << 1.0f << QStringList{"ab1cd"}
                                               << true;
        QTest::newRow("ack is whole text") << "25" << "AB1CD" << 1.0f << QStringList{"AB1C"}
                                           << true;
    }
    void rangeAndFilters()
    {
        QFETCH(QString, radius);
        QFETCH(QString, callsign);
        QFETCH(float, distance);
        QFETCH(QStringList, ackedList);
        QFETCH(bool, listed);
        Run r;
        r.f.c.txtRadius->setText(radius);
        r.f.c.lstAcked->addItems(ackedList);
        r.f.addStation(callsign, distance);
        r.scan.scan_stations();
        QCOMPARE(r.f.c.lstStations->count(), listed ? 1 : 0);
        QCOMPARE(r.state.blnAlarm, listed);
        QCOMPARE(r.f.c.lblMinDist->text(),
                 listed ? minDistCaption(1, std::min(double(distance), 99999.0))
                        : QStringLiteral("No stations within alarm range"));
    }

    // Heard-direct alarms at any distance and kinds left out of the range
    // rule, with the options of [ALERTS].
    void directAndKinds_data()
    {
        QTest::addColumn<float>("distance");
        QTest::addColumn<QString>("symbol"); // table and code
        QTest::addColumn<bool>("direct");
        QTest::addColumn<QString>("options"); // D direct, W no weather, I no infrastructure
        QTest::addColumn<QString>("line");    // empty: not listed
        QTest::newRow("direct far, option on") << 500.0f << "/>" << true << "D" << "AB1CD (direct) 500.";
        QTest::newRow("direct far, option off") << 500.0f << "/>" << true << "" << "";
        QTest::newRow("repeated far, option on") << 500.0f << "/>" << false << "D" << "";
        QTest::newRow("direct in range: distance line") << 5.0f << "/>" << true << "D" << "AB1CD distance 5.";
        QTest::newRow("weather in range") << 5.0f << "/_" << false << "" << "AB1CD distance 5.";
        QTest::newRow("weather left out") << 5.0f << "/_" << false << "W" << "";
        QTest::newRow("overlay weather left out") << 5.0f << "A_" << false << "W" << "";
        QTest::newRow("digipeater kept without its option") << 5.0f << "/#" << false << "W" << "AB1CD distance 5.";
        QTest::newRow("overlaid digipeater left out") << 5.0f << "1#" << false << "I" << "";
        QTest::newRow("gateway left out") << 5.0f << "I&" << false << "I" << "";
        QTest::newRow("direct digipeater left out") << 500.0f << "\\#" << true << "DI" << "";
        QTest::newRow("byte outside ASCII is no kind") << 5.0f << "\xb0_" << false << "WI" << "AB1CD distance 5.";
    }
    void directAndKinds()
    {
        QFETCH(float, distance);
        QFETCH(QString, symbol);
        QFETCH(bool, direct);
        QFETCH(QString, options);
        QFETCH(QString, line);
        Run r;
        AlertFlags flags;
        flags.direct = options.contains(u'D');
        flags.noWeather = options.contains(u'W');
        flags.noInfrastructure = options.contains(u'I');
        r.scan.setAlertFlags(&flags);
        r.f.addStation(QStringLiteral("AB1CD"), distance);
        HostStation::Details details;
        details.symbolTable = char(symbol.at(0).unicode());
        details.symbolCode = char(symbol.at(1).unicode());
        details.heardDirectRecently = direct;
        r.f.host.setDetails(QStringLiteral("AB1CD"), details);
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(r.state.blnAlarm, !line.isEmpty());
    }

    // Outside the range of 5, its closest approach inside it within ten
    // minutes: "(approaching)" with APPROACH on. The own station stands at
    // 0 N 0 E; the station is north of it, heading south.
    void approaching_data()
    {
        QTest::addColumn<float>("distance");
        QTest::addColumn<float>("north");   // minutes of arc
        QTest::addColumn<float>("east");
        QTest::addColumn<double>("speed");   // km/h, course 180
        QTest::addColumn<QString>("options"); // A approach, K acknowledged, L own place lost, M miles
        QTest::addColumn<QString>("line");
        const float minute = 1.8532f; // km
        QTest::newRow("closing in") << 14.0f << 14 / minute << 0.0f << 90.0 << "A" << "AB1CD (approaching) 14.";
        QTest::newRow("option off") << 14.0f << 14 / minute << 0.0f << 90.0 << "" << "";
        QTest::newRow("beyond the warning time") << 20.0f << 20 / minute << 0.0f << 90.0 << "A" << "";
        QTest::newRow("inside: its distance line") << 4.0f << 4 / minute << 0.0f << 90.0 << "A" << "AB1CD distance 4.";
        QTest::newRow("passing outside the range") << 15.0f << 14 / minute << 3.5f << 90.0 << "A" << "";
        QTest::newRow("passing inside 5 miles") << 9.3f << 14 / minute << 3.5f << 90.0 << "AM"
                                                << "AB1CD (approaching) 9.3";
        QTest::newRow("acknowledged") << 14.0f << 14 / minute << 0.0f << 90.0 << "AK" << "";
        QTest::newRow("own position lost") << 14.0f << 14 / minute << 0.0f << 90.0 << "AL" << "";
        QTest::newRow("1500 knots") << 14.0f << 14 / minute << 0.0f << 2778.0 << "A" << "";
    }
    void approaching()
    {
        QFETCH(float, distance);
        QFETCH(float, north);
        QFETCH(float, east);
        QFETCH(double, speed);
        QFETCH(QString, options);
        QFETCH(QString, line);
        Run r;
        AlertFlags flags;
        flags.approach = options.contains(u'A');
        r.scan.setAlertFlags(&flags);
        r.scan.setUnit([&] { return options.contains(u'M') ? DistanceUnit::Miles : DistanceUnit::Kilometres; });
        r.f.c.txtRadius->setText("5");
        if (!options.contains(u'L'))
            r.f.host.setStation("MY0CALL", 0, 0, 0);
        if (options.contains(u'K'))
            r.f.c.lstAcked->addItem("AB1CD");
        r.f.host.appendEntry("/AB1CD 12:00:00");
        r.f.host.setStation("AB1CD", distance, north, east);
        HostStation::Details details;
        details.course = 180;
        details.speedKmh = speed;
        details.motionAgeMs = 0;
        r.f.host.setDetails("AB1CD", details);
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(r.state.reason, line.isEmpty()           ? AlarmReason::None
                                 : line.contains("(appr") ? AlarmReason::Approaching
                                                          : AlarmReason::InRange);
        QCOMPARE(r.state.approaches.contains("AB1CD"), line.contains("(appr"));
        QCOMPARE(r.scan.reasonFor("AB1CD"), r.state.reason);
    }

    void starredEntryUsesShortCallsignEverywhere()
    {
        Run r;
        r.f.addStation("AB1CD", 3.14159f, "*");
        r.f.host.appendEntry("/MY0CALL* 1");
        r.f.host.setStation("MY0CALL", 1);
        r.f.host.appendEntry("/EF2GH* 1");
        r.f.host.setStation("EF2GH", 2);
        r.f.c.lstAcked->addItem("EF2GH");
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), QStringList{"AB1CD distance 3.142"});
        // Own callsign skipped before any look-up; the others looked up bare.
        QCOMPARE(r.f.host.lookedUp(), (QStringList{"AB1CD", "EF2GH"}));
    }

    void minimumDistanceAndRebuild()
    {
        Run r;
        r.f.c.txtRadius->setText("200000");
        r.f.addStation("FAR", 150000.f);
        r.f.addStation("B2", 12.f);
        r.f.addStation("C3", 12.f);
        r.f.c.lstStations->addItem("OLD distance 1.");
        r.state.dblMinDist = 0.5;
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(),
                 (QStringList{"B2 distance 12.", "C3 distance 12.", "FAR distance 150000."}));
        QCOMPARE(r.state.dblMinDist, 12.0);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 12.)"));

        // Only stations at 99999 or more: the start value stays.
        r.f.host.setEntries({});
        r.f.addStation("FAR", 150000.f);
        r.scan.scan_stations();
        QCOMPARE(r.state.dblMinDist, 99999.0);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 99999.)"));
    }

    void emptyHostAndEmptyEntry()
    {
        Run r;
        r.state.blnAlarm = true; // the scan never clears it
        r.scan.scan_stations();
        QVERIFY(r.state.blnAlarm);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("No stations within alarm range"));
        QCOMPARE(r.yields, 1); // the one after the loop

        Run s;
        s.f.addStation("A1", 1);
        s.f.host.appendEntry(QString());
        s.f.addStation("B2", 1);
        s.scan.scan_stations();
        QCOMPARE(s.f.stationLines(), QStringList{"A1 distance 1."});
        QCOMPARE(s.f.host.entryIndexesRead(), (QList<int>{0, 1}));
        QCOMPARE(s.yields, 2); // after index 0, then after the loop
        QCOMPARE(s.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 1.)"));
    }

    void yieldsAfterEveryIndexSkippedOrNot()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.addStation("FAR", 100);
        r.f.addStation("MY0CALL", 1);
        r.f.host.appendEntry("/UNKNOWN 1"); // the host does not know it
        r.scan.scan_stations();
        QCOMPARE(r.yields, 5);
        QCOMPARE(r.f.stationLines(), QStringList{"A1 distance 1."});
    }

    // Yields go by the work done since the last one: none while it stays
    // under the budget, one after every station that alone uses it up; the
    // yield after the loop always comes.
    void yieldsByTime_data()
    {
        QTest::addColumn<qint64>("budgetUs");
        QTest::addColumn<int>("stationUs");
        QTest::addColumn<int>("yields");
        QTest::newRow("an hour's budget") << qint64(3600000000) << 1100 << 1;
        QTest::newRow("each station over 1 ms") << qint64(1000) << 1100 << 4;
    }
    void yieldsByTime()
    {
        QFETCH(qint64, budgetUs);
        QFETCH(int, stationUs);
        QFETCH(int, yields);
        Run r{std::chrono::microseconds(budgetUs)};
        for (const char *call : {"A1", "B2", "C3"})
            r.f.addStation(QString::fromLatin1(call), 1);
        r.f.host.setEntryHook([&](int) {
            QElapsedTimer busy;
            busy.start();
            while (busy.nsecsElapsed() < stationUs * 1000LL) {
            }
        });
        r.scan.scan_stations();
        QCOMPARE(r.yields, yields);
        QCOMPARE(r.f.c.lstStations->count(), 3);
    }

    // A malformed entry is passed over; the stations behind it still alarm.
    void malformedEntryIsSkipped()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.host.appendEntry("/NOBLANK");
        r.f.addStation("B2", 2);
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), (QStringList{"A1 distance 1.", "B2 distance 2."}));
        QCOMPARE(r.yields, 4);
        QVERIFY(!r.f.host.lookedUp().contains("NOBLANK"));
    }

    // A failing host call ends the scan; what was listed stays, the caption
    // is left as it was.
    void hostFailures_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("count fails") << "count" << QStringList{};
        QTest::newRow("entry 0 fails") << "entry0" << QStringList{};
        QTest::newRow("entry 2 fails") << "entry2" << QStringList{"A1 distance 1.", "B2 distance 2."};
        QTest::newRow("look-up fails") << "lookupB2" << QStringList{"A1 distance 1."};
        QTest::newRow("host vanishes") << "vanish" << QStringList{};
        QTest::newRow("no host") << "nohost" << QStringList{};
        QTest::newRow("host deleted mid-scan") << "delete" << QStringList{"A1 distance 1."};
    }
    void hostFailures()
    {
        QFETCH(QString, failure);
        QFETCH(QStringList, lines);
        Run r;
        auto *owned = new ScriptedHost;
        for (const char *name : {"A1", "B2", "C3"}) {
            const QString call = QString::fromLatin1(name);
            owned->appendEntry("/" + call + " x");
            owned->setStation(call, call.mid(1).toFloat());
        }
        r.scan.setHost(owned);
        r.f.c.lblMinDist->setText("previous caption");
        if (failure == "count")
            owned->failStationCount(true);
        else if (failure == "entry0")
            owned->failEntryAt(0);
        else if (failure == "entry2")
            owned->failEntryAt(2);
        else if (failure == "lookupB2")
            owned->failGetStationFor("B2");
        else if (failure == "vanish")
            owned->vanish();
        else if (failure == "nohost")
            r.scan.setHost(nullptr);
        else if (failure == "delete")
            r.onYield = [&] { delete owned; owned = nullptr; r.onYield = nullptr; };
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), lines);
        QCOMPARE(r.state.blnAlarm, !lines.isEmpty());
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("previous caption"));
        QCOMPARE(r.state.dblMinDist, lines.isEmpty() ? 99999.0 : 1.0);
        delete owned;
    }

    // Commands that run while the scan yields see their effect from the next
    // station on.
    void changesDuringYieldCountFromNextStation()
    {
        Run r;
        r.f.addStation("A1", 10);
        r.f.addStation("B2", 10);
        r.f.addStation("C3", 10);
        r.f.host.setEntryHook([&](int index) {
            if (index == 1)
                r.f.c.lstAcked->addItem("B2");
            if (index == 2)
                r.f.c.txtRadius->setText("5");
        });
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), QStringList{"A1 distance 10."});
    }

    void listClearedDuringYield()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.addStation("B2", 2);
        r.onYield = [&] {
            if (r.yields == 1)
                r.f.c.lstStations->clear(); // "acknowledge all" while scanning
        };
        r.scan.scan_stations();
        QCOMPARE(r.f.stationLines(), QStringList{"B2 distance 2."});
        QCOMPARE(r.state.dblMinDist, 1.0);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 1.)"));
    }

    void windowGoneDuringYield()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.addStation("B2", 2);
        r.onYield = [&] { r.f.window.reset(); };
        r.scan.scan_stations(); // must not touch the deleted controls
        QCOMPARE(r.yields, 1);
        QCOMPARE(r.f.host.entryCalls(), 1);
    }
};

NEARBELL_TEST(StationScanTest)
#include "StationScanTest.moc"
