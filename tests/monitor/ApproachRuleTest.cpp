#include "common/TestRegistry.h"

#include "monitor/ApproachRule.h"
#include "monitor/ClosestApproach.h"

#include <QTest>

#include <cmath>

using namespace nearbell;

namespace {
// One minute of arc on the mean earth, km.
const double kmPerMinute = 6371.0088 * 3.14159265358979323846 / 180.0 / 60.0;
const double kNaN = std::nan("");
} // namespace

class ApproachRuleTest : public QObject
{
    Q_OBJECT

private slots:
    // Own station and station (positions in minutes of arc), the station's
    // last report, and what is predicted from it. NaN: nothing predicted;
    // a TCPA of NaN: the two never come closer.
    void predict_data()
    {
        QTest::addColumn<double>("ownLon");
        QTest::addColumn<double>("ownCourse");
        QTest::addColumn<double>("ownSpeed");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("course");
        QTest::addColumn<double>("speed");
        QTest::addColumn<qint64>("ageMs");
        QTest::addColumn<double>("priorCourse");
        QTest::addColumn<qint64>("gapMs");
        QTest::addColumn<double>("cpaKm");
        QTest::addColumn<double>("tcpaMinutes");
        const double d10 = 10 * kmPerMinute; // 18.53 km
        QTest::newRow("head-on, own standing still")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << kNaN << qint64(-1) << 0.0 << d10;
        QTest::newRow("passing by")
            << 0.0 << kNaN << 0.0 << 10.0 << 2.0 << 180.0 << 60.0 << qint64(0) << kNaN << qint64(-1)
            << 2 * kmPerMinute << d10;
        QTest::newRow("moving away: TCPA < 0")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 360.0 << 60.0 << qint64(0) << kNaN << qint64(-1) << d10 << -d10;
        QTest::newRow("course 360 and course 0 are north")
            << 0.0 << kNaN << 0.0 << -10.0 << 0.0 << 0.0 << 60.0 << qint64(0) << kNaN << qint64(-1) << 0.0 << d10;
        QTest::newRow("parallel: never closer")
            << 0.0 << 90.0 << 60.0 << 10.0 << 0.0 << 90.0 << 60.0 << qint64(0) << kNaN << qint64(-1) << d10 << kNaN;
        // Own north at 60, station west at 60 from 10' east: they meet
        // 9.27 minutes on, 13.1 km apart.
        QTest::newRow("both moving")
            << 0.0 << 360.0 << 60.0 << 0.0 << 10.0 << 270.0 << 60.0 << qint64(0) << kNaN << qint64(-1)
            << std::hypot(d10 / 2, d10 / 2) << d10 / 2;
        QTest::newRow("own driving toward a parked one")
            << 0.0 << 360.0 << 60.0 << 10.0 << 0.0 << kNaN << 0.0 << qint64(-1) << kNaN << qint64(-1) << 0.0 << d10;
        QTest::newRow("across the antimeridian")
            << 10799.0 << kNaN << 0.0 << 0.0 << -10795.0 << 270.0 << 60.0 << qint64(0) << kNaN << qint64(-1) << 0.0
            << 6 * kmPerMinute;
        // Reported 5 minutes ago: 5 km nearer by now.
        QTest::newRow("moved on from an older report")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(300000) << kNaN << qint64(-1) << 0.0
            << d10 - 5.0;
        QTest::newRow("stale report: not predicted")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(600001) << kNaN << qint64(-1) << kNaN
            << kNaN;
        QTest::newRow("speed gate: walking pace is parked")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 4.9 << qint64(0) << kNaN << qint64(-1) << d10 << kNaN;
        QTest::newRow("speed gate: own walking counts as standing")
            << 0.0 << 360.0 << 4.9 << 10.0 << 0.0 << 180.0 << 5.0 << qint64(0) << kNaN << qint64(-1) << 0.0
            << d10 / 5.0 * 60.0;
        QTest::newRow("aircraft at 1000 km/h")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 1000.0 << qint64(0) << kNaN << qint64(-1) << 0.0
            << d10 / 1000.0 * 60.0;
        QTest::newRow("1500 knots is noise")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 1500 * 1.852 << qint64(0) << kNaN << qint64(-1) << kNaN
            << kNaN;
        QTest::newRow("moving without a course")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << kNaN << 60.0 << qint64(0) << kNaN << qint64(-1) << kNaN << kNaN;
        QTest::newRow("course jump within 30 s: noise")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << 45.0 << qint64(10000) << kNaN
            << kNaN;
        QTest::newRow("the same jump across north")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << 350.0 << qint64(10000) << kNaN
            << kNaN;
        QTest::newRow("a turn of 80 degrees is driving")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << 100.0 << qint64(10000) << 0.0
            << d10;
        QTest::newRow("a jump after 30 s is a new course")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << 0.0 << qint64(30000) << 0.0
            << d10;
        // Reports out of order: the older one, arriving last, is the one
        // predicted from; its age counts from its arrival.
        QTest::newRow("out of order, arriving now")
            << 0.0 << kNaN << 0.0 << 10.0 << 0.0 << 180.0 << 60.0 << qint64(0) << 0.0 << qint64(0) << kNaN << kNaN;
    }
    void predict()
    {
        QFETCH(double, ownLon);
        QFETCH(double, ownCourse);
        QFETCH(double, ownSpeed);
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, course);
        QFETCH(double, speed);
        QFETCH(qint64, ageMs);
        QFETCH(double, priorCourse);
        QFETCH(qint64, gapMs);
        QFETCH(double, cpaKm);
        QFETCH(double, tcpaMinutes);
        HostStation::Details details;
        details.course = course;
        details.speedKmh = speed;
        details.motionAgeMs = ageMs;
        details.priorCourse = priorCourse;
        details.courseGapMs = gapMs;
        const Motion own = ApproachRule::ownMotion(std::isnan(ownCourse) ? std::nullopt : std::optional(ownCourse),
                                                   ownSpeed);
        const auto approach = ApproachRule::predict(0.0, ownLon, own, lat, lon, details);
        QCOMPARE(approach.has_value(), !std::isnan(cpaKm));
        if (!approach)
            return;
        QVERIFY2(std::fabs(approach->cpaKm - cpaKm) < 0.05, qPrintable(QString::number(approach->cpaKm)));
        if (std::isnan(tcpaMinutes))
            QVERIFY(std::isnan(approach->tcpaMinutes));
        else
            QVERIFY2(std::fabs(approach->tcpaMinutes - tcpaMinutes) < 0.05,
                     qPrintable(QString::number(approach->tcpaMinutes)));
        QVERIFY(std::fabs(approach->distanceKm
                          - std::hypot(lat * kmPerMinute, std::remainder(lon - ownLon, 21600.0) * kmPerMinute))
                < 0.05 + ageMs / 60000.0 * speed / 60.0);
    }

    // Inside the range, and within the warning time: 0 < TCPA <= minutes.
    void warns_data()
    {
        QTest::addColumn<double>("cpaKm");
        QTest::addColumn<double>("tcpa");
        QTest::addColumn<bool>("warns");
        QTest::newRow("inside, in time") << 1.0 << 6.0 << true;
        QTest::newRow("at the warning time") << 1.0 << 10.0 << true;
        QTest::newRow("too far ahead") << 1.0 << 10.01 << false;
        QTest::newRow("passed") << 1.0 << -1.0 << false;
        QTest::newRow("now") << 1.0 << 0.0 << false;
        QTest::newRow("at the range is outside") << 5.0 << 6.0 << false;
        QTest::newRow("never closer") << 1.0 << kNaN << false;
    }
    void warns()
    {
        QFETCH(double, cpaKm);
        QFETCH(double, tcpa);
        QFETCH(bool, warns);
        Approach approach;
        approach.cpaKm = cpaKm;
        approach.tcpaMinutes = tcpa;
        QCOMPARE(ApproachRule::warns(approach, 5.0, 10), warns);
    }

    void deadReckoningWrapsTheAntimeridian()
    {
        double lat = 0.0;
        double lon = 10799.0; // 179 59' E
        deadReckon(lat, lon, Motion{90.0, 60.0}, 2.0 * kmPerMinute); // two minutes of arc east
        QVERIFY2(std::fabs(lon - -10799.0) < 0.01, qPrintable(QString::number(lon)));
        QVERIFY(std::fabs(lat) < 1e-6);
    }
};

NEARBELL_TEST(ApproachRuleTest)
#include "ApproachRuleTest.moc"
