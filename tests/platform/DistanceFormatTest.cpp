#include "platform/DistanceFormat.h"
#include "common/TestRegistry.h"

#include <QTest>

class DistanceFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void hugeDistancesHaveNoFraction_data();
    void hugeDistancesHaveNoFraction();
};

void DistanceFormatTest::formats_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three decimals rounded") << 12.3456 << "C" << "12.346";
    QTest::newRow("trailing zeros dropped") << 100.5 << "C" << "100.5";
    QTest::newRow("no leading zero") << 0.25 << "C" << ".25";
    QTest::newRow("whole number keeps separator") << 7.0 << "C" << "7.";
    QTest::newRow("start of the minimum") << 99999.0 << "C" << "99999.";
    QTest::newRow("half a thousandth rounds up") << 0.0005 << "C" << ".001";
    QTest::newRow("below half a thousandth") << 0.0004 << "C" << ".";
    QTest::newRow("rounding carries into whole") << 0.9995 << "C" << "1.";
    QTest::newRow("half away from zero") << 2.6745 << "C" << "2.675";
    QTest::newRow("twelve") << 12.0 << "C" << "12.";
    QTest::newRow("zero") << 0.0 << "C" << ".";
    QTest::newRow("single precision widened") << double(3.14159f) << "C" << "3.142";
    QTest::newRow("comma locale") << 12.3456 << "de_DE" << "12,346";
    QTest::newRow("comma locale whole") << 7.0 << "de_DE" << "7,";
    QTest::newRow("comma locale fraction") << 0.25 << "de_DE" << ",25";
    QTest::newRow("no group separators") << 1234567.5 << "en_US" << "1234567.5";
    QTest::newRow("large with fraction") << 123456789.125 << "C" << "123456789.125";
}

void DistanceFormatTest::formats()
{
    QFETCH(double, distance);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(nearbell::formatDistance(distance, QLocale(locale)), expected);
}

void DistanceFormatTest::hugeDistancesHaveNoFraction_data()
{
    QTest::addColumn<double>("distance");
    QTest::addColumn<QString>("leadingDigits");
    QTest::addColumn<int>("digitCount");
    QTest::newRow("1e13") << 1e13 << "10000000000000" << 14;
    QTest::newRow("1e20") << 1e20 << "100000000000000000000" << 21;
    QTest::newRow("largest single") << double(3.4028234663852886e38f) << "340282346638529" << 39;
    QTest::newRow("largest double") << 1.7976931348623157e308 << "179769313486231" << 309;
}

void DistanceFormatTest::hugeDistancesHaveNoFraction()
{
    QFETCH(double, distance);
    QFETCH(QString, leadingDigits);
    QFETCH(int, digitCount);
    // A distance beyond what a double holds to the thousandth still reads as
    // its whole number followed by the separator, never with made-up decimals.
    const QString text = nearbell::formatDistance(distance, QLocale::c());
    QVERIFY2(text.startsWith(leadingDigits), qPrintable(text));
    QCOMPARE(text.size(), digitCount + 1);
    QCOMPARE(text.indexOf(u'.'), digitCount);
}

NEARBELL_TEST(DistanceFormatTest)
#include "DistanceFormatTest.moc"
