#include "common/TestRegistry.h"
#include "overlay/PositionText.h"

#include <QTest>

#include <cmath>

using namespace nearbell;

class PositionTextTest : public QObject
{
    Q_OBJECT
private slots:
    void makeLatLong_data();
    void makeLatLong();
    void calcDist_data();
    void calcDist();
    void acos_data();
    void acos();
};

void PositionTextTest::makeLatLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("expected");
    QTest::addColumn<bool>("expectedLong");
    QTest::addColumn<bool>("readable"); // as a latitude (N/S) or a longitude (E/W) as expectedLong says

    QTest::newRow("north") << "4903.50N" << 2943.5f << false << true;
    QTest::newRow("south negated") << "4903.50S" << -2943.5f << false << true;
    QTest::newRow("west negated") << "07201.75W" << -4321.75f << true << true;
    QTest::newRow("east") << "07201.75E" << 4321.75f << true << true;
    QTest::newRow("one fraction digit is hundredths") << "4903.5N" << 2943.05f << false << true;
    QTest::newRow("three fraction digits") << "4903.125N" << 2944.25f << false << true;
    QTest::newRow("nothing between point and letter") << "4903.N" << 2943.0f << false << true;
    QTest::newRow("blank fraction") << "4903.  N" << 2943.0f << false << true;
    QTest::newRow("blank in the degrees") << " 903.50N" << 543.5f << false << true;
    QTest::newRow("largest 16-bit sum") << "54607.00E" << 32767.0f << true << true;
    QTest::newRow("lower-case n: fraction only") << "4903.50n" << 0.5f << false << false;
    QTest::newRow("lower-case w: positive, no longitude") << "07201.75w" << 0.75f << false << false;
    QTest::newRow("other letter") << "4903.50X" << 0.5f << false << false;
    // Unreadable texts give 0 and return normally.
    QTest::newRow("no point") << "490350N" << 0.0f << false << false;
    QTest::newRow("point is the last character") << "4903." << 0.0f << false << false;
    QTest::newRow("empty") << "" << 0.0f << false << false;
    QTest::newRow("letters for degrees") << "AB03.50N" << 0.0f << false << false;
    QTest::newRow("no minutes") << "49.50N" << 0.0f << false << false;
    QTest::newRow("exponent in the degrees") << "1E203.00E" << 0.0f << true << false;
    QTest::newRow("16-bit overflow of the product") << "99900.00E" << 0.0f << true << false;
    QTest::newRow("16-bit overflow of the sum") << "54608.00E" << 0.0f << true << false;
}

void PositionTextTest::makeLatLong()
{
    QFETCH(QString, text);
    QFETCH(float, expected);
    QFETCH(bool, expectedLong);
    QFETCH(bool, readable);
    float value = 12345.0f;
    bool isLong = !expectedLong; // the value on entry does not matter
    MakeLatLong(value, text, isLong);
    QCOMPARE(value, expected);
    QCOMPARE(isLong, expectedLong);

    QCOMPARE(isReadablePosition(text, expectedLong), readable);
    if (readable) // a latitude is no longitude and the other way round
        QVERIFY(!isReadablePosition(text, !expectedLong));
    float angle = -1.0f;
    QCOMPARE(readPositionText(text, expectedLong, angle), readable);
    QCOMPARE(angle, expected);
}

void PositionTextTest::calcDist_data()
{
    QTest::addColumn<float>("lat1");
    QTest::addColumn<float>("long1");
    QTest::addColumn<float>("lat2");
    QTest::addColumn<float>("long2");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");

    const double halfEarth = 4.0 * std::atan(1.0) * 6366.707019;
    QTest::newRow("one degree along the equator") << 0.f << 0.f << 0.f << 60.f << 111.12 << 1e-5;
    QTest::newRow("one degree along the meridian") << 0.f << 0.f << 60.f << 0.f << 111.12 << 1e-5;
    QTest::newRow("antipode") << 0.f << 0.f << 0.f << 10800.f << halfEarth << 1e-3;
    QTest::newRow("pole to pole") << 5400.f << 0.f << -5400.f << 0.f << halfEarth << 1e-3;
    QTest::newRow("equator to pole") << 0.f << 500.f << 5400.f << 0.f << 90 * 111.12 << 1e-3;
    QTest::newRow("one degree along 60N") << 3600.f << 0.f << 3600.f << 60.f << 55.559471 << 1e-3;
    // Identical points: 0, or a hair above it where rounding leaves c under 1.
    QTest::newRow("same: origin") << 0.f << 0.f << 0.f << 0.f << 0.0 << 1e-3;
    QTest::newRow("same: demo station") << 3132.34f << 312.34f << 3132.34f << 312.34f << 0.0 << 1e-3;
    QTest::newRow("same: south west") << -2943.5f << -4321.75f << -2943.5f << -4321.75f << 0.0 << 1e-3;
    QTest::newRow("same: near the pole") << 5399.99f << 10799.99f << 5399.99f << 10799.99f << 0.0 << 1e-3;
}

void PositionTextTest::calcDist()
{
    QFETCH(float, lat1);
    QFETCH(float, long1);
    QFETCH(float, lat2);
    QFETCH(float, long2);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    const double d = calc_dist(lat1, long1, lat2, long2);
    QVERIFY2(d >= 0 && std::fabs(d - expected) <= tolerance, qPrintable(QString::number(d, 'f', 9)));
    QVERIFY(std::fabs(calc_dist(lat2, long2, lat1, long1) - d) <= tolerance);
}

void PositionTextTest::acos_data()
{
    const double pi = 4.0 * std::atan(1.0);
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("above one clamps to 0") << 2.0 << 0.0;
    QTest::newRow("below minus one clamps to pi") << -2.0 << pi;
    QTest::newRow("a hair above one") << 1.0000000000000002 << 0.0;
    QTest::newRow("one") << 1.0 << 0.0;
    QTest::newRow("minus one") << -1.0 << pi;
    QTest::newRow("zero") << 0.0 << pi / 2;
    QTest::newRow("minus half") << -0.5 << 2 * pi / 3;
}

void PositionTextTest::acos()
{
    QFETCH(double, x);
    QFETCH(double, expected);
    QVERIFY2(std::fabs(Acos(x) - expected) < 1e-12, qPrintable(QString::number(Acos(x), 'g', 17)));
}

NEARBELL_TEST(PositionTextTest)
#include "PositionTextTest.moc"
