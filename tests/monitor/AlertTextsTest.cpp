#include <QTest>

#include <cmath>

#include "common/TestRegistry.h"
#include "monitor/AlertTexts.h"

using namespace nearbell;

Q_DECLARE_METATYPE(DistanceUnit)

namespace {

QList<AlarmLine> stations(int n)
{
    QList<AlarmLine> list;
    for (int i = 0; i < n; ++i)
        list.append({QStringLiteral("S%1").arg(i), 1.0 + i, false});
    return list;
}

} // namespace

class AlertTextsTest : public QObject
{
    Q_OBJECT

private slots:
    void arrivalTexts_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("watch");
        QTest::addColumn<DistanceUnit>("unit");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");

        const auto km = DistanceUnit::Kilometres;
        const auto mi = DistanceUnit::Miles;
        QTest::newRow("km") << "DL1ABC" << 3.214 << false << km << "C" << "DL1ABC is 3.2 km away";
        QTest::newRow("miles, rounded up") << "DL1ABC" << 3.26 << false << mi << "C" << "DL1ABC is 3.3 mi away";
        QTest::newRow("watch") << "DL1ABC" << 512.34 << true << km << "C" << "DL1ABC (watch) is 512.3 km away";
        QTest::newRow("no grouping") << "K1X" << 12345.67 << false << km << "en_US" << "K1X is 12345.7 km away";
        QTest::newRow("comma locale") << "K1X" << 0.26 << false << km << "de_DE" << "K1X is 0,3 km away";
        QTest::newRow("markup stays text") << "<b>X" << 1.0 << false << km << "C" << "<b>X is 1.0 km away";
    }

    void arrivalTexts()
    {
        QFETCH(QString, callsign);
        QFETCH(double, distance);
        QFETCH(bool, watch);
        QFETCH(DistanceUnit, unit);
        QFETCH(QString, locale);
        QTEST(arrivalText({callsign, distance, watch}, unit, QLocale(locale)), "text");
    }

    // An approaching station: written with its closest approach, spoken
    // alike; the texts the Stations and details windows show.
    void approachingTexts_data()
    {
        QTest::addColumn<double>("bearing");
        QTest::addColumn<double>("cpa");
        QTest::addColumn<double>("tcpa");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("all known") << 315.0 << 1.23 << 5.4 << "DL1ABC approaching: 12.3 km north-west, closest 1.2 km in 6 minutes"
                                   << "D L 1 A B C, approaching, 12.3 kilometres, north-west, closest 1.2 kilometres in 6 minutes";
        QTest::newRow("under a minute") << -1.0 << 0.0 << 0.2 << "DL1ABC approaching: 12.3 km, closest 0.0 km in 1 minute"
                                        << "D L 1 A B C, approaching, 12.3 kilometres, closest 0 kilometres in 1 minute";
        QTest::newRow("approach unknown") << 0.0 << std::nan("") << std::nan("") << "DL1ABC approaching: 12.3 km north"
                                          << "D L 1 A B C, approaching, 12.3 kilometres, north";
    }
    void approachingTexts()
    {
        QFETCH(double, bearing);
        QFETCH(double, cpa);
        QFETCH(double, tcpa);
        AlarmLine line{QStringLiteral("DL1ABC"), 12.34};
        line.approaching = true;
        line.bearing = bearing;
        line.cpa = cpa;
        line.tcpaMinutes = tcpa;
        QTEST(arrivalText(line, DistanceUnit::Kilometres, QLocale::c()), "text");
        QTEST(spokenArrival(line, DistanceUnit::Kilometres), "spoken");
        QCOMPARE(closestApproachText(cpa, tcpa, DistanceUnit::Miles, QLocale::c()).isEmpty(), std::isnan(cpa));
        QCOMPARE(closestApproachText(1.0, -2.0, DistanceUnit::Miles, QLocale::c()), QString());
        const QDateTime end(QDate(2026, 12, 8), QTime(14, 5, 59));
        QCOMPARE(acknowledgedUntilText(end), QStringLiteral("acknowledged until 14:05"));
    }

    // The reason and the compass point, written and spoken alike.
    void reasonAndDirection_data()
    {
        QTest::addColumn<bool>("watch");
        QTest::addColumn<bool>("direct");
        QTest::addColumn<double>("bearing");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("range, north-east") << false << false << 45.0 << "DL1ABC is 3.2 km away, north-east"
                                           << "D L 1 A B C, 3.2 kilometres, north-east";
        QTest::newRow("watch wins over direct") << true << true << 180.0 << "DL1ABC (watch) is 3.2 km away, south"
                                                << "D L 1 A B C, watch, 3.2 kilometres, south";
        QTest::newRow("heard direct") << false << true << 270.0 << "DL1ABC (heard direct) is 3.2 km away, west"
                                      << "D L 1 A B C, heard direct, 3.2 kilometres, west";
        QTest::newRow("just below a boundary") << false << false << 22.49 << "DL1ABC is 3.2 km away, north"
                                               << "D L 1 A B C, 3.2 kilometres, north";
        QTest::newRow("at a boundary") << false << false << 337.5 << "DL1ABC is 3.2 km away, north"
                                       << "D L 1 A B C, 3.2 kilometres, north";
        QTest::newRow("north-west") << false << false << 337.49 << "DL1ABC is 3.2 km away, north-west"
                                    << "D L 1 A B C, 3.2 kilometres, north-west";
        QTest::newRow("unknown bearing") << false << false << -1.0 << "DL1ABC is 3.2 km away"
                                         << "D L 1 A B C, 3.2 kilometres";
    }
    void reasonAndDirection()
    {
        QFETCH(bool, watch);
        QFETCH(bool, direct);
        QFETCH(double, bearing);
        const AlarmLine line{QStringLiteral("DL1ABC"), 3.2, watch, direct, bearing, QString()};
        QTEST(arrivalText(line, DistanceUnit::Kilometres, QLocale::c()), "text");
        QTEST(spokenArrival(line, DistanceUnit::Kilometres), "spoken");
    }

    void noticeNamesFiveAndCountsTheRest_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");

        QTest::newRow("one") << 1 << "S0 is 1.0 km away" << "";
        QTest::newRow("two") << 2 << "2 stations raised the alarm" << "S0 is 1.0 km away\nS1 is 2.0 km away";
        QTest::newRow("five") << 5 << "5 stations raised the alarm"
                              << "S0 is 1.0 km away\nS1 is 2.0 km away\nS2 is 3.0 km away\n"
                                 "S3 is 4.0 km away\nS4 is 5.0 km away";
        QTest::newRow("seven") << 7 << "7 stations raised the alarm"
                               << "S0 is 1.0 km away\nS1 is 2.0 km away\nS2 is 3.0 km away\n"
                                  "S3 is 4.0 km away\nS4 is 5.0 km away\nand 2 more";
    }

    void noticeNamesFiveAndCountsTheRest()
    {
        QFETCH(int, count);
        const ArrivalNotice notice = arrivalNotice(stations(count), DistanceUnit::Kilometres, QLocale::c());
        QTEST(notice.summary, "summary");
        QTEST(notice.body, "body");
        QCOMPARE(notice.callsign, QStringLiteral("S0")); // a click shows the closest
    }

    void spokenText_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<double>("distance");
        QTest::addColumn<DistanceUnit>("unit");
        QTest::addColumn<QString>("spoken");

        const auto km = DistanceUnit::Kilometres;
        const auto mi = DistanceUnit::Miles;
        QTest::newRow("plain") << "DL1ABC" << 3.2 << km << "D L 1 A B C, 3.2 kilometres";
        QTest::newRow("miles") << "W1AW" << 10.04 << mi << "W 1 A W, 10 miles";
        QTest::newRow("one mile") << "W1AW" << 0.96 << mi << "W 1 A W, 1 mile";
        QTest::newRow("one kilometre") << "W1AW" << 1.0 << km << "W 1 A W, 1 kilometre";
        QTest::newRow("ssid and lower case") << "dl1abc-9" << 0.04 << km << "D L 1 A B C dash 9, 0 kilometres";
        QTest::newRow("portable") << "DL1ABC/P" << 12.34 << km << "D L 1 A B C slash P, 12.3 kilometres";
        QTest::newRow("markup and controls left out") << "<b>A\x01&1</b>" << 2.5 << km << "B A 1 slash B, 2.5 kilometres";
        QTest::newRow("locale never matters") << "K1X" << 1234.56 << km << "K 1 X, 1234.6 kilometres";
    }

    void spokenText()
    {
        QFETCH(QString, callsign);
        QFETCH(double, distance);
        QFETCH(DistanceUnit, unit);
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German));
        const QString spoken = spokenArrival({callsign, distance, false}, unit);
        QLocale::setDefault(saved);
        QTEST(spoken, "spoken");
    }

    void spokenListCountsTheRest_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("texts");
        QTest::addColumn<QString>("last");

        QTest::newRow("five") << 5 << 5 << "S 4, 5 kilometres";
        QTest::newRow("six") << 6 << 6 << "and 1 more station";
        QTest::newRow("nine") << 9 << 6 << "and 4 more stations";
    }

    void spokenListCountsTheRest()
    {
        QFETCH(int, count);
        const QStringList texts = spokenArrivals(stations(count), DistanceUnit::Kilometres);
        QTEST(int(texts.size()), "texts");
        QTEST(texts.last(), "last");
        QCOMPARE(texts.first(), QStringLiteral("S 0, 1 kilometre"));
    }
};

NEARBELL_TEST(AlertTextsTest)
#include "AlertTextsTest.moc"
