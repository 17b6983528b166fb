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
    void makeLatLongIgnoresFlagOnEntry();
    void readable_data();
    void readable();
    void calcDist_data();
    void calcDist();
    void identicalPositions_data();
    void identicalPositions();
    void acos_data();
    void acos();
};

void PositionTextTest::makeLatLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("expected");
    QTest::addColumn<bool>("expectedLong");

    QTest::newRow("north") << "4903.50N" << 2943.5f << false;
    QTest::newRow("south negated") << "4903.50S" << -2943.5f << false;
    QTest::newRow("west negated, longitude") << "07201.75W" << -4321.75f << true;
    QTest::newRow("east, longitude") << "07201.75E" << 4321.75f << true;
    QTest::newRow("one fraction digit is hundredths") << "4903.5N" << 2943.05f << false;
    QTest::newRow("lower-case letter keeps only the fraction") << "4903.50n" << 0.5f << false;
    QTest::newRow("lower-case w: positive, not a longitude") << "07201.75w" << 0.75f << false;
    QTest::newRow("nothing between point and letter") << "4903.N" << 2943.0f << false;
    QTest::newRow("example latitude") << "5212.34N" << 3132.34f << false;
    QTest::newRow("example longitude") << "00512.34E" << 312.34f << true;
    QTest::newRow("three fraction digits count as hundredths") << "4903.125N" << 2944.25f << false;
    QTest::newRow("blank fraction") << "4903.  N" << 2943.0f << false;
    QTest::newRow("blank in the degrees") << " 903.50N" << 543.5f << false;
    QTest::newRow("fraction with letters") << "4903.5xN" << 2943.05f << false;
    QTest::newRow("largest 16-bit sum") << "54607.00E" << 32767.0f << true;
    // Texts that cannot be read give 0 and return normally.
    QTest::newRow("no point") << "490350N" << 0.0f << false;
    QTest::newRow("point is the last character") << "4903." << 0.0f << false;
    QTest::newRow("empty") << "" << 0.0f << false;
    QTest::newRow("letters for degrees") << "AB03.50N" << 0.0f << false;
    QTest::newRow("no minutes") << "49.50N" << 0.0f << false;
    QTest::newRow("16-bit overflow of the product") << "99900.00E" << 0.0f << true;
    QTest::newRow("16-bit overflow of the sum") << "54608.00E" << 0.0f << true;
    QTest::newRow("exponent is no whole number") << "1E203.00E" << 0.0f << true;
}

void PositionTextTest::makeLatLong()
{
    QFETCH(QString, text);
    QFETCH(float, expected);
    QFETCH(bool, expectedLong);
    float value = 12345.0f;
    bool isLong = !expectedLong;
    MakeLatLong(value, text, isLong);
    QCOMPARE(value, expected);
    QCOMPARE(isLong, expectedLong);
    // The overlay reader's one-pass reading gives the same angle.
    float angle = -1.0f;
    readPositionText(text, expectedLong, angle);
    QCOMPARE(angle, expected);
}

void PositionTextTest::makeLatLongIgnoresFlagOnEntry()
{
    float value = 0;
    bool isLong = true;
    MakeLatLong(value, QStringLiteral("4903.50N"), isLong);
    QCOMPARE(isLong, false);
}

void PositionTextTest::readable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("longitude");
    QTest::addColumn<bool>("readable");

    QTest::newRow("latitude") << "4903.50N" << false << true;
    QTest::newRow("southern latitude") << "4903.50S" << false << true;
    QTest::newRow("longitude") << "07201.75W" << true << true;
    QTest::newRow("single fraction digit") << "4903.5N" << false << true;
    QTest::newRow("no fraction") << "4903.N" << false << true;
    QTest::newRow("lower-case letter") << "4903.50n" << false << false;
    QTest::newRow("other letter") << "4903.50X" << false << false;
    QTest::newRow("latitude letter for a longitude") << "07201.75N" << true << false;
    QTest::newRow("longitude letter for a latitude") << "4903.50E" << false << false;
    QTest::newRow("no point") << "490350N" << false << false;
    QTest::newRow("point last") << "4903." << false << false;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("non-numeric minutes") << "49x3.50N" << false << false;
    QTest::newRow("missing minutes") << "49.50N" << false << false;
    QTest::newRow("beyond 16 bits") << "99900.00E" << true << false;
}

void PositionTextTest::readable()
{
    QFETCH(QString, text);
    QFETCH(bool, longitude);
    QFETCH(bool, readable);
    QCOMPARE(isReadablePosition(text, longitude), readable);
    float angle = 0.0f;
    QCOMPARE(readPositionText(text, longitude, angle), readable);
}

void PositionTextTest::calcDist_data()
{
    QTest::addColumn<float>("lat1");
    QTest::addColumn<float>("long1");
    QTest::addColumn<float>("lat2");
    QTest::addColumn<float>("long2");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");

    const double pi = 4.0 * std::atan(1.0);
    QTest::newRow("one degree along the equator") << 0.f << 0.f << 0.f << 60.f << 111.12 << 1e-5;
    QTest::newRow("one degree along the meridian") << 0.f << 0.f << 60.f << 0.f << 111.12 << 1e-5;
    QTest::newRow("one degree west") << 0.f << 0.f << 0.f << -60.f << 111.12 << 1e-5;
    QTest::newRow("one degree south") << 0.f << 0.f << -60.f << 0.f << 111.12 << 1e-5;
    QTest::newRow("antipode") << 0.f << 0.f << 0.f << 10800.f << pi * 6366.707019 << 1e-3;
    QTest::newRow("pole to pole") << 5400.f << 0.f << -5400.f << 0.f << pi * 6366.707019 << 1e-3;
    // A quarter of the earth: from the equator to the pole is 90 degrees.
    QTest::newRow("equator to pole") << 0.f << 500.f << 5400.f << 0.f << 90 * 111.12 << 1e-3;
    // On the parallel of 60 degrees a degree of longitude is about half as long.
    QTest::newRow("one degree along 60N") << 3600.f << 0.f << 3600.f << 60.f << 55.559471 << 1e-3;
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
    QVERIFY2(std::fabs(d - expected) <= tolerance,
             qPrintable(QString::number(d, 'f', 9) + " vs " + QString::number(expected, 'f', 9)));
    // The distance is the same both ways.
    QVERIFY(std::fabs(calc_dist(lat2, long2, lat1, long1) - d) <= tolerance);
}

void PositionTextTest::identicalPositions_data()
{
    QTest::addColumn<float>("lat");
    QTest::addColumn<float>("lon");
    QTest::newRow("origin") << 0.f << 0.f;
    QTest::newRow("demo station") << 3132.34f << 312.34f;
    QTest::newRow("south west") << -2943.5f << -4321.75f;
    QTest::newRow("near the pole") << 5399.99f << 10799.99f;
    QTest::newRow("pole") << 5400.f << 0.f;
}

void PositionTextTest::identicalPositions()
{
    QFETCH(float, lat);
    QFETCH(float, lon);
    const double d = calc_dist(lat, lon, lat, lon);
    QVERIFY(std::isfinite(d));
    QVERIFY(d >= 0.0);
    QVERIFY2(d < 0.001, qPrintable(QString::number(d, 'g', 17)));
}

void PositionTextTest::acos_data()
{
    const double pi = 4.0 * std::atan(1.0);
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("above one clamps to 0") << 2.0 << 0.0;
    QTest::newRow("below minus one clamps to pi") << -2.0 << pi;
    QTest::newRow("just above one") << 1.0000000000000002 << 0.0;
    QTest::newRow("one") << 1.0 << 0.0;
    QTest::newRow("minus one") << -1.0 << pi;
    QTest::newRow("zero") << 0.0 << pi / 2;
    QTest::newRow("half") << 0.5 << pi / 3;
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
