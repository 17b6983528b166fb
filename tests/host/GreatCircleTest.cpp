#include "common/TestRegistry.h"

#include <QTest>

#include <numbers>

#include "host/GreatCircle.h"

using namespace nearbell;

namespace {
// One degree of a great circle on the mean sphere.
constexpr double kDegreeKm = greatcircle::kEarthRadiusKm * std::numbers::pi / 180.0;
}

class GreatCircleTest : public QObject
{
    Q_OBJECT

private slots:
    // Expected values come from geometry (arcs along a meridian or the
    // equator, a parallel's shrinking by the cosine), not from the formula.
    void kilometres_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("km");
        QTest::addColumn<double>("tolerance");

        QTest::newRow("same point") << 3132.34 << 312.34 << 3132.34 << 312.34 << 0.0 << 1e-9;
        QTest::newRow("one degree of latitude") << 0.0 << 0.0 << 60.0 << 0.0 << kDegreeKm << 1e-6;
        QTest::newRow("one degree of latitude is about 111.2 km")
            << 3000.0 << 500.0 << 3060.0 << 500.0 << 111.195 << 0.001;
        QTest::newRow("one degree along the equator") << 0.0 << -30.0 << 0.0 << 30.0 << kDegreeKm
                                                      << 1e-6;
        QTest::newRow("southern hemisphere meridian")
            << -2000.0 << -7000.0 << -2600.0 << -7000.0 << 10 * kDegreeKm << 1e-6;
        QTest::newRow("across the date line")
            << 0.0 << 10790.0 << 0.0 << -10790.0 << kDegreeKm / 3.0 << 1e-6;
        QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 10800.0
                                   << std::numbers::pi * greatcircle::kEarthRadiusKm << 1e-6;
        QTest::newRow("pole to pole") << 5400.0 << 0.0 << -5400.0 << 1234.0
                                      << std::numbers::pi * greatcircle::kEarthRadiusKm << 1e-6;
        // Ten metres north: short distances must not vanish in rounding.
        QTest::newRow("ten metres") << 3132.34 << 312.34 << 3132.34 + 0.01 / kDegreeKm * 60.0
                                    << 312.34 << 0.01 << 1e-7;
    }

    void kilometres()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, km);
        QFETCH(double, tolerance);

        const double there = greatcircle::kilometres(lat1, lon1, lat2, lon2);
        const double back = greatcircle::kilometres(lat2, lon2, lat1, lon1);
        QVERIFY2(qAbs(there - km) <= tolerance, qPrintable(QString::number(there, 'f', 9)));
        QVERIFY(qAbs(there - back) <= 1e-9);
    }

    void miles_data()
    {
        QTest::addColumn<double>("degreesOfLatitude");
        QTest::addColumn<double>("miles");

        QTest::newRow("one degree") << 1.0 << 69.093;
        QTest::newRow("ten degrees") << 10.0 << 690.934;
    }

    void miles()
    {
        QFETCH(double, degreesOfLatitude);
        QFETCH(double, miles);

        const double lat2 = degreesOfLatitude * 60.0;
        QVERIFY(qAbs(greatcircle::distance(0, 0, lat2, 0, DistanceUnit::Miles) - miles) < 0.001);
        QCOMPARE(greatcircle::distance(0, 0, lat2, 0, DistanceUnit::Kilometres),
                 greatcircle::kilometres(0, 0, lat2, 0));
    }
};

NEARBELL_TEST(GreatCircleTest)
#include "GreatCircleTest.moc"
