#include <QTest>

#include "common/TestRegistry.h"
#include "monitor/ArrivalTracker.h"

using namespace nearbell;

// Steps of a script: "L line|line|..." is one cycle's lstStations, "A CALL"
// acknowledges CALL. Each cycle's arrivals are written "CALL,CALL(w)".
class ArrivalTrackerTest : public QObject
{
    Q_OBJECT

private slots:
    void parsesListLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("station");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("watch");

        QTest::newRow("distance line") << "AB1CD distance 3.142" << "C" << true << "AB1CD" << 3.142 << false;
        QTest::newRow("watch line, no leading zero") << "AB1CD (watch) .25" << "C" << true << "AB1CD" << 0.25 << true;
        QTest::newRow("whole number ends in the point") << "AB1CD distance 7." << "C" << true << "AB1CD" << 7.0 << false;
        QTest::newRow("comma locale") << "DL1ABC-9 distance 12,346" << "de_DE" << true << "DL1ABC-9" << 12.346 << false;
        QTest::newRow("markup kept as text") << "<b>&X distance 1.5" << "C" << true << "<b>&X" << 1.5 << false;
        QTest::newRow("approaching line") << "AB1CD (approaching) 14.5" << "C" << true << "AB1CD" << 14.5 << false;
        QTest::newRow("disabled") << "disabled" << "C" << false << "" << 0.0 << false;
        QTest::newRow("no distance") << "AB1CD distance " << "C" << false << "" << 0.0 << false;
        QTest::newRow("garbage distance") << "AB1CD distance x1" << "C" << false << "" << 0.0 << false;
        QTest::newRow("other wording") << "AB1CD near 3." << "C" << false << "" << 0.0 << false;
        QTest::newRow("no callsign") << " distance 3." << "C" << false << "" << 0.0 << false;
    }

    void parsesListLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, locale);
        QFETCH(bool, station);
        const std::optional<AlarmLine> parsed = parseAlarmLine(line, QLocale(locale));
        QCOMPARE(parsed.has_value(), station);
        if (!station)
            return;
        QTEST(parsed->callsign, "callsign");
        QTEST(parsed->distance, "distance");
        QTEST(parsed->watch, "watch");
        QCOMPARE(parsed->approaching, line.contains(QStringLiteral("(approaching)")));
    }

    void announcesArrivalsOnce_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("arrivals");

        QTest::newRow("stays listed: once")
            << QStringList{"L A1 distance 3.", "L A1 distance 2.", "L A1 distance 1."}
            << QStringList{"A1", "", ""};
        QTest::newRow("one whole cycle out: again")
            << QStringList{"L A1 distance 3.", "L ", "L A1 distance 3."} << QStringList{"A1", "", "A1"};
        QTest::newRow("acknowledged and re-armed between cycles")
            << QStringList{"L A1 distance 3.", "A A1", "L A1 distance 3."} << QStringList{"A1", "A1"};
        QTest::newRow("acknowledged, out, re-armed")
            << QStringList{"L A1 distance 3.|B2 distance 4.", "A A1", "L B2 distance 4.", "L A1 distance 3.|B2 distance 4."}
            << QStringList{"A1,B2", "", "A1"};
        QTest::newRow("acknowledging another station changes nothing")
            << QStringList{"L A1 distance 3.", "A Z9", "L A1 distance 3."} << QStringList{"A1", ""};
        QTest::newRow("watch and distance line give one arrival")
            << QStringList{"L A1 distance 3.|A1 (watch) 3."} << QStringList{"A1(w)"};
        QTest::newRow("watch line far away")
            << QStringList{"L F1 (watch) 512.3|N1 distance 1."} << QStringList{"N1,F1(w)"};
        QTest::newRow("closest first, equal distances by callsign")
            << QStringList{"L C3 distance 9.|B2 distance 1.|A1 distance 9.|D4 distance 5."}
            << QStringList{"B2,D4,A1,C3"};
        QTest::newRow("newcomer next to a known one")
            << QStringList{"L A1 distance 3.", "L A1 distance 3.|B2 distance 4."} << QStringList{"A1", "B2"};
        QTest::newRow("scanning switched off counts as out")
            << QStringList{"L A1 distance 3.", "L disabled", "L A1 distance 3."} << QStringList{"A1", "", "A1"};
        QTest::newRow("case matters")
            << QStringList{"L ab1cd distance 3.", "L AB1CD distance 3."} << QStringList{"ab1cd", "AB1CD"};
    }

    void announcesArrivalsOnce()
    {
        QFETCH(QStringList, steps);
        ArrivalTracker tracker;
        QStringList seen;
        for (const QString &step : std::as_const(steps)) {
            if (step.startsWith(u'A')) {
                tracker.acknowledged(step.mid(2));
                continue;
            }
            QStringList lines = step.mid(2).split(u'|', Qt::SkipEmptyParts);
            QStringList names;
            for (const AlarmLine &a : tracker.cycle(lines, QLocale::c()))
                names << a.callsign + (a.watch ? QStringLiteral("(w)") : QString());
            seen << names.join(u',');
        }
        QTEST(seen, "arrivals");
    }

    void smallerDistanceOfTwoLinesCounts()
    {
        ArrivalTracker tracker;
        const QList<AlarmLine> arrived =
            tracker.cycle({"A1 (watch) 2.5", "A1 distance 2.25"}, QLocale::c());
        QCOMPARE(arrived, (QList<AlarmLine>{{"A1", 2.25, true}}));
        QVERIFY(tracker.isListed("A1"));
    }
};

NEARBELL_TEST(ArrivalTrackerTest)
#include "ArrivalTrackerTest.moc"
