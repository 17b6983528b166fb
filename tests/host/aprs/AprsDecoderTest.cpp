#include "common/TestRegistry.h"
#include "Ax25TestFrames.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "host/aprs/AprsSymbols.h"

#include <QTest>

#include <cmath>

using namespace nearbell;

namespace {

using nearbell::test::ax25Address;

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), std::size_t(bytes.size())};
}

// Equal within a hundredth, or both unknown.
bool sameValue(double actual, double expected)
{
    return std::isnan(expected) ? std::isnan(actual) : qAbs(actual - expected) < 0.01;
}

const double kUnknown = std::nan("");

} // namespace

class AprsDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void positions_data();
    void positions();
    void datumAndPrecision_data();
    void datumAndPrecision();
    void besideThePosition_data();
    void besideThePosition();
    void rejectedAndIgnored_data();
    void rejectedAndIgnored();
    void directness_data();
    void directness();
    void bytesThatAreNotText();
    void ax25Frames_data();
    void ax25Frames();
    void reportCarriesNameAndState();
    void symbolKinds_data();
    void symbolKinds();
};

void AprsDecoderTest::positions_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<char>("table");
    QTest::addColumn<char>("symbol");
    QTest::addColumn<bool>("killed");

    // 49 03.50 N / 72 01.75 W in minutes of arc.
    const double lat = 49 * 60 + 3.50;
    const double lon = -(72 * 60 + 1.75);
    QTest::newRow("no timestamp !") << QByteArray("N0CALL>APRS:!4903.50N/07201.75W-Test 001234")
                                    << "N0CALL" << lat << lon << '/' << '-' << false;
    QTest::newRow("messaging =") << QByteArray("N0CALL>APRS:=4903.50N/07201.75W-")
                                 << "N0CALL" << lat << lon << '/' << '-' << false;
    QTest::newRow("timestamp /") << QByteArray("N0CALL>APRS:/092345z4903.50N/07201.75W>Test1234")
                                 << "N0CALL" << lat << lon << '/' << '>' << false;
    QTest::newRow("timestamp @ local") << QByteArray("N0CALL-9>APRS:@092345/4903.50N/07201.75W>")
                                       << "N0CALL-9" << lat << lon << '/' << '>' << false;
    QTest::newRow("south east overlay")
        << QByteArray("PA3XYZ>APRS:!3350.12S\\15112.50E#") << "PA3XYZ" << -(33 * 60 + 50.12)
        << (151 * 60 + 12.50) << '\\' << '#' << false;
    QTest::newRow("ambiguity 1") << QByteArray("N0CALL>APRS:!4903.5 N/07201.75W-")
                                 << "N0CALL" << 49 * 60 + 3.55 << -(72 * 60 + 1.75) << '/'
                                 << '-' << false;
    QTest::newRow("ambiguity 2") << QByteArray("N0CALL>APRS:!4903.  N/07201.  W-")
                                 << "N0CALL" << 49 * 60 + 3.5 << -(72 * 60 + 1.5) << '/' << '-'
                                 << false;
    QTest::newRow("ambiguity 3, longitude digits dropped")
        << QByteArray("N0CALL>APRS:!490 .  N/07201.75W-") << "N0CALL" << 49 * 60 + 5.0
        << -(72 * 60 + 5.0) << '/' << '-' << false;
    QTest::newRow("ambiguity 4") << QByteArray("N0CALL>APRS:!49  .  N/072  .  W-")
                                 << "N0CALL" << 49 * 60 + 30.0 << -(72 * 60 + 30.0) << '/'
                                 << '-' << false;
    QTest::newRow("extremes") << QByteArray("N0CALL>APRS:!9000.00S/18000.00W-")
                              << "N0CALL" << -5400.0 << -10800.0 << '/' << '-' << false;
    QTest::newRow("compressed") << QByteArray("N0CALL>APRS:!/5L!!<*e7>7P[")
                                << "N0CALL" << 49.5 * 60 << -72.75 * 60 << '/' << '>' << false;
    QTest::newRow("compressed timestamp") << QByteArray("N0CALL>APRS:@092345z/5L!!<*e7>7P[")
                                          << "N0CALL" << 49.5 * 60 << -72.75 * 60 << '/' << '>'
                                          << false;
    QTest::newRow("compressed overlay a=0") << QByteArray("N0CALL>APRS:=a5L!!<*e7#   ")
                                            << "N0CALL" << 49.5 * 60 << -72.75 * 60 << '0'
                                            << '#' << false;
    // Latitude 33 25.64 N from the destination, west, no longitude offset.
    QTest::newRow("Mic-E current") << QByteArray("N0CALL>S32U6T:`dYg\x1c\x1c\x1c>/")
                                   << "N0CALL" << 33 * 60 + 25.64 << -(72 * 60 + 1.75) << '/'
                                   << '>' << false;
    QTest::newRow("Mic-E old, minutes 0-9 low form")
        << QByteArray("N0CALL>S32U6T-2:'d\x1dg\x1c\x1c\x1cj/") << "N0CALL"
        << 33 * 60 + 25.64 << -(72 * 60 + 1.75) << '/' << 'j' << false;
    QTest::newRow("Mic-E offset 0-9 degrees east")
        << QByteArray("PD0ABC>521RS4:`{(>l\x1c\x1c[/") << "PD0ABC" << 52 * 60 + 12.34
        << 5 * 60 + 12.34 << '/' << '[' << false;
    QTest::newRow("Mic-E ambiguity 2") << QByteArray("N0CALL>S32ULZ:`dYg\x1c\x1c\x1c>/")
                                       << "N0CALL" << 33 * 60 + 25.5 << -(72 * 60 + 1.5) << '/'
                                       << '>' << false;
    QTest::newRow("object live") << QByteArray("N0CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>088/036")
                                 << "LEADER" << lat << lon << '/' << '>' << false;
    QTest::newRow("object killed, inner blank")
        << QByteArray("N0CALL>APRS:;MY OBJ   _092345z4903.50N/07201.75W>") << "MY_OBJ" << lat
        << lon << '/' << '>' << true;
    QTest::newRow("object compressed") << QByteArray("N0CALL>APRS:;CAR      *111111z/5L!!<*e7>7P[")
                                       << "CAR" << 49.5 * 60 << -72.75 * 60 << '/' << '>' << false;
    QTest::newRow("item live") << QByteArray("N0CALL>APRS:)AID #2!4903.50N/07201.75WA")
                               << "AID_#2" << lat << lon << '/' << 'A' << false;
    QTest::newRow("item killed") << QByteArray("N0CALL>APRS:)G/WB4APR_4903.50N/07201.75WA")
                                 << "G/WB4APR" << lat << lon << '/' << 'A' << true;
    QTest::newRow("item shortest name") << QByteArray("N0CALL>APRS:)AID!4903.50N/07201.75WA")
                                        << "AID" << lat << lon << '/' << 'A' << false;
    QTest::newRow("third party") << QByteArray("N0GATE>APRS:}WB2OSZ-7>APRS,TCPIP,N0GATE*:!4903.50N/07201.75W-")
                                 << "WB2OSZ-7" << lat << lon << '/' << '-' << false;
    QTest::newRow("GPRMC with checksum")
        << QByteArray("N0CALL>GPS:$GPRMC,063909,A,3349.4302,N,11700.3721,W,43.022,89.3,291099,13.6,E*52")
        << "N0CALL" << 33 * 60 + 49.4302 << -(117 * 60 + 0.3721) << '/' << '/' << false;
    QTest::newRow("GPGGA with checksum")
        << QByteArray("N0CALL>GPS:$GPGGA,102705,5157.9762,N,00029.3256,W,1,04,2.0,75.7,M,47.6,M,,*62")
        << "N0CALL" << 51 * 60 + 57.9762 << -(0 * 60 + 29.3256) << '/' << '/' << false;
    QTest::newRow("GPGGA without checksum")
        << QByteArray("N0CALL>GPS:$GPGGA,102705,5157.9762,S,00029.3256,E,1,04,2.0,75.7,M,47.6,M,,")
        << "N0CALL" << -(51 * 60 + 57.9762) << (0 * 60 + 29.3256) << '/' << '/' << false;
    QTest::newRow("text before ! (old TNC)") << QByteArray("N0CALL>APRS:Beacon !4903.50N/07201.75W-")
                                             << "N0CALL" << lat << lon << '/' << '-' << false;
    // Fixed node text in front of the "!" may start with any type character
    // whose real packets have a longer form of their own.
    const double nodeLat = 50 * 60 + 14.95;
    const double nodeLon = 9 * 60 + 39.65;
    QTest::newRow("node text starting with T")
        << QByteArray("DO4UP>BEACON:TheNet X1J4 (node text)!5014.95N/00939.65E#...") << "DO4UP"
        << nodeLat << nodeLon << '/' << '#' << false;
    QTest::newRow("text starting with : but no addressee")
        << QByteArray("DO4UP>BEACON::node!5014.95N/00939.65E#") << "DO4UP" << nodeLat << nodeLon
        << '/' << '#' << false;
    QTest::newRow("text starting with _ but no timestamp")
        << QByteArray("DO4UP>BEACON:_node_!5014.95N/00939.65E#") << "DO4UP" << nodeLat << nodeLon
        << '/' << '#' << false;
    QTest::newRow("text starting with < but no capability")
        << QByteArray("DO4UP>BEACON:<<node>>!5014.95N/00939.65E#") << "DO4UP" << nodeLat << nodeLon
        << '/' << '#' << false;
    QTest::newRow("text starting with ? but no query")
        << QByteArray("DO4UP>BEACON:?node !5014.95N/00939.65E#") << "DO4UP" << nodeLat << nodeLon
        << '/' << '#' << false;
    QTest::newRow("text starting with $ but no sentence")
        << QByteArray("DO4UP>BEACON:$ node !5014.95N/00939.65E#") << "DO4UP" << nodeLat << nodeLon
        << '/' << '#' << false;
    QTest::newRow("CR LF at the end") << QByteArray("N0CALL>APRS:!4903.50N/07201.75W-\r\n")
                                      << "N0CALL" << lat << lon << '/' << '-' << false;
}

void AprsDecoderTest::positions()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, name);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QFETCH(char, table);
    QFETCH(char, symbol);
    QFETCH(bool, killed);

    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeTnc2(view(line), position), AprsStatus::Position);
    QCOMPARE(QString::fromLatin1(position.name().data(), qsizetype(position.name().size())), name);
    QVERIFY2(qAbs(position.latitude - latitude) < 0.0001 * 60,
             qPrintable(QString::number(position.latitude, 'f', 6)));
    QVERIFY2(qAbs(position.longitude - longitude) < 0.0001 * 60,
             qPrintable(QString::number(position.longitude, 'f', 6)));
    QCOMPARE(position.symbolTable, table);
    QCOMPARE(position.symbolCode, symbol);
    QCOMPARE(position.killed, killed);
}

void AprsDecoderTest::datumAndPrecision_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    const double lat = 49 * 60 + 3.50;
    const double lon = -(72 * 60 + 1.75);
    const QByteArray plain = "N0CALL>APRS:!4903.50N/07201.75W-";
    QTest::newRow("digits, north west") << plain + "Comment !W47!" << lat + 0.004 << lon - 0.007;
    QTest::newRow("digits, south east")
        << QByteArray("N0CALL>APRS:!3350.12S\\15112.50E#!W93!") << -(33 * 60 + 50.129)
        << 151 * 60 + 12.503;
    QTest::newRow("digits, other datum letter") << plain + "!R12! more" << lat + 0.001 << lon - 0.002;
    // 'T' is base-91 digit 51, '{' the largest, 90.
    QTest::newRow("base-91") << plain + "!wT{!" << lat + 0.01 * 51 / 91 << lon - 0.01 * 90 / 91;
    QTest::newRow("base-91, south east")
        << QByteArray("N0CALL>APRS:!3350.12S\\15112.50E#x!a\"#!") << -(33 * 60 + 50.12 + 0.01 / 91)
        << 151 * 60 + 12.50 + 0.02 / 91;
    QTest::newRow("datum only") << plain + "!W  !" << lat << lon;
    QTest::newRow("timestamp and object")
        << QByteArray("N0CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>088/036!W47!")
        << lat + 0.004 << lon - 0.007;
    QTest::newRow("Mic-E status text") << QByteArray("N0CALL>S32U6T:`dYg\x1c\x1c\x1c>/]text!W58!")
                                       << 33 * 60 + 25.645 << -(72 * 60 + 1.758);
    QTest::newRow("Mic-E base-91") << QByteArray("N0CALL>S32U6T:`dYg\x1c\x1c\x1c>/!wT{!")
                                   << 33 * 60 + 25.64 + 0.01 * 51 / 91
                                   << -(72 * 60 + 1.75 + 0.01 * 90 / 91);
    QTest::newRow("compressed is finer already") << QByteArray("N0CALL>APRS:!/5L!!<*e7>7P[!W47!")
                                                 << 49.5 * 60 << (20427156.0 / 190463 - 180) * 60;
    QTest::newRow("ambiguous position") << QByteArray("N0CALL>APRS:!4903.5 N/07201.75W-!W47!")
                                        << 49 * 60 + 3.55 << lon;
    QTest::newRow("Mic-E ambiguous") << QByteArray("N0CALL>S32ULZ:`dYg\x1c\x1c\x1c>/!W47!")
                                     << 33 * 60 + 25.5 << -(72 * 60 + 1.5);
    QTest::newRow("letter in digit form") << plain + "!W4x!" << lat << lon;
    QTest::newRow("one blank") << plain + "!W4 !" << lat << lon;
    QTest::newRow("base-91 digit out of range") << plain + "!w4}!" << lat << lon;
    QTest::newRow("byte outside ASCII") << plain + "!w4\xc1!" << lat << lon;
    QTest::newRow("datum not a letter") << plain + "!147!" << lat << lon;
    QTest::newRow("unclosed") << plain + "!W47" << lat << lon;
    QTest::newRow("two blocks") << plain + "!W47!!W11!" << lat << lon;
    QTest::newRow("malformed, then well-formed") << plain + "!Wxy! !W47!" << lat + 0.004 << lon - 0.007;
    QTest::newRow("beyond the pole") << QByteArray("N0CALL>APRS:!9000.00N/07201.75W-!W90!")
                                     << 90 * 60.0 << lon;
}

// Packets carrying the datum and precision extension land where the
// extension puts them, to a thousandth of a minute and finer.
void AprsDecoderTest::datumAndPrecision()
{
    QFETCH(QByteArray, line);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeTnc2(view(line), position), AprsStatus::Position);
    QVERIFY2(qAbs(position.latitude - latitude) < 1e-7,
             qPrintable(QString::number(position.latitude, 'f', 7)));
    QVERIFY2(qAbs(position.longitude - longitude) < 1e-7,
             qPrintable(QString::number(position.longitude, 'f', 7)));
}

void AprsDecoderTest::besideThePosition_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("course");
    QTest::addColumn<double>("speedKmh");
    QTest::addColumn<double>("altitudeM");
    QTest::addColumn<QString>("text"); // the comment, or the status of a status packet
    QTest::addColumn<QString>("path");

    const QByteArray at = "N0CALL>APRS:!4903.50N/07201.75W";
    const double nan = kUnknown;
    QTest::newRow("data extension") << at + ">088/036Test" << 88.0 << 66.672 << nan << "Test" << "";
    QTest::newRow("course 000 unknown, speed 0 known")
        << at + ">000/000Stationary" << nan << 0.0 << nan << "Stationary" << "";
    QTest::newRow("360 is north") << at + ">360/010" << 360.0 << 18.52 << nan << "" << "";
    QTest::newRow("course 999") << at + ">999/036" << nan << 66.672 << nan << "" << "";
    QTest::newRow("dots for unknown") << at + ">.../...dots" << nan << nan << nan << "dots" << "";
    QTest::newRow("not an extension") << at + ">08/036 x" << nan << nan << nan << "08/036 x" << "";
    QTest::newRow("weather station: the wind is no motion")
        << at + "_090/005g010t054" << nan << nan << nan << "090/005g010t054" << "";
    QTest::newRow("altitude inside the comment")
        << at + ">088/036 /A=001234 x" << 88.0 << 66.672 << 376.1232 << "x" << "";
    QTest::newRow("altitude below sea level") << at + "-/A=-01000 low" << nan << nan << -304.8 << "low" << "";
    QTest::newRow("altitude 999999 ft") << at + "-/A=999999" << nan << nan << 304799.6952 << "" << "";
    QTest::newRow("altitude of five digits is text")
        << at + "-/A=12345 x" << nan << nan << nan << "/A=12345 x" << "";
    QTest::newRow("DAO and altitude both taken out")
        << at + ">088/036 dao !W47! /A=000100end" << 88.0 << 66.672 << 30.48 << "dao  end" << "";
    QTest::newRow("comment of control bytes and markup kept for the table")
        << at + "-<b>bold</b>\x01" << nan << nan << nan << "<b>bold</b>\x01" << "";
    QTest::newRow("compressed course and speed") << QByteArray("N0CALL>APRS:!/5L!!<*e7>7P[") << 88.0
                                                 << 67.1017 << nan << "" << "";
    QTest::newRow("compressed north while moving")
        << QByteArray("N0CALL>APRS:!/5L!!<*e7>!5[") << 360.0 << 6.7801 << nan << "" << "";
    QTest::newRow("compressed standing") << QByteArray("N0CALL>APRS:!/5L!!<*e7>!!G") << nan << 0.0 << nan
                                         << "" << "";
    QTest::newRow("compressed type byte says altitude")
        << QByteArray("N0CALL>APRS:!/5L!!<*e7>S]1") << nan << nan << 3049.3777 << "" << "";
    QTest::newRow("compressed radio range") << QByteArray("N0CALL>APRS:!/5L!!<*e7>{?!range") << nan << nan
                                            << nan << "range" << "";
    QTest::newRow("compressed without extension, altitude in comment")
        << QByteArray("N0CALL>APRS:=/5L!!<*e7> sT/A=000500 hello") << nan << nan << 152.4 << "hello" << "";
    const QByteArray micE = "N0CALL>S32U6T:`(_fn\"Oj/";
    QTest::newRow("Mic-E with altitude, one maker's radio")
        << micE + "]\"4-}comment=" << 251.0 << 37.04 << 22.0 << "comment" << "";
    QTest::newRow("Mic-E, the other maker's radio") << micE + ">\"4-}comment^" << 251.0 << 37.04 << 22.0
                                                    << "comment" << "";
    QTest::newRow("Mic-E, altitude first") << micE + "\"4-}plain" << 251.0 << 37.04 << 22.0 << "plain" << "";
    QTest::newRow("Mic-E, other radio's suffix taken off")
        << QByteArray("N0CALL>S32U6T:`(_f\x1c\x1c\x1cj/`\"4-}text_%") << nan << 0.0 << 22.0 << "text" << "";
    QTest::newRow("Mic-E, a tracker's suffix taken off")
        << QByteArray("N0CALL>S32U6T:'(_f\x1c\x1c\x1cj/'track|3") << nan << 0.0 << nan << "track" << "";
    QTest::newRow("Mic-E broken speed byte")
        << QByteArray("N0CALL>S32U6T:`(_f\x1b\x1d\x20j/") << 104.0 << nan << nan << "" << "";
    QTest::newRow("Mic-E broken shared byte") << QByteArray("N0CALL>S32U6T:`(_f\x1c\x90\x20j/") << nan << nan
                                              << nan << "" << "";
    QTest::newRow("GPRMC") << QByteArray("N0CALL>GPS:$GPRMC,063909,A,3349.4302,N,11700.3721,W,43.022,89.3,291099,13.6,E*52")
                           << 89.3 << 79.6767 << nan << "" << "";
    QTest::newRow("GPRMC standing") << QByteArray("N0CALL>GPS:$GPRMC,120000,A,5214.000,N,00514.000,E,0.0,0.0,071226,,*1C")
                                    << nan << 0.0 << nan << "" << "";
    QTest::newRow("GPRMC 1500 knots") << QByteArray("N0CALL>GPS:$GPRMC,063909,A,3349.4302,N,11700.3721,W,1500.0,90.0,291099,,")
                                      << 90.0 << nan << nan << "" << "";
    QTest::newRow("GPGGA altitude") << QByteArray("N0CALL>GPS:$GPGGA,102705,5157.9762,N,00029.3256,W,1,04,2.0,75.7,M,47.6,M,,*62")
                                    << nan << nan << 75.7 << "" << "";
    QTest::newRow("object") << QByteArray("N0CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>088/036 obj comment")
                            << 88.0 << 66.672 << nan << "obj comment" << "";
    QTest::newRow("item") << QByteArray("N0CALL>APRS:)AID #2!4903.50N/07201.75WA090/010item") << 90.0 << 18.52
                          << nan << "item" << "";
    QTest::newRow("status with timestamp") << QByteArray("N0CALL>APRS,WIDE2-2:>092345zNet tonight") << nan
                                           << nan << nan << "Net tonight" << "WIDE2-2";
    QTest::newRow("path: all before the last mark repeated it")
        << QByteArray("N0CALL>APRS,DIGI1,DIGI2*,WIDE2-1,qAR,GATE:!4903.50N/07201.75W-") << nan << nan << nan << ""
        << "DIGI1*,DIGI2*,WIDE2-1";
    QTest::newRow("path of eight, the ninth left out")
        << QByteArray("N0CALL>APRS,D1*,D2*,D3*,D4*,D5*,D6*,D7*,D8*,D9*:!4903.50N/07201.75W-") << nan << nan << nan
        << "" << "D1*,D2*,D3*,D4*,D5*,D6*,D7*,D8*";
    QTest::newRow("third party: the inner path")
        << QByteArray("N0GATE>APRS,WIDE2-2:}N0CALL>APRS,TCPIP,N0GATE*:!4903.50N/07201.75W>088/036 third") << 88.0
        << 66.672 << nan << "third" << "TCPIP*,N0GATE*";
}

// Motion, altitude, texts and path, as the station table gets them.
void AprsDecoderTest::besideThePosition()
{
    QFETCH(QByteArray, line);
    QFETCH(double, course);
    QFETCH(double, speedKmh);
    QFETCH(double, altitudeM);
    QFETCH(QString, text);
    QFETCH(QString, path);

    AprsPosition position;
    const AprsStatus status = AprsDecoder::decodeTnc2(view(line), position);
    QVERIFY(isReport(status));
    const StationReport report = toStationReport(position);
    QCOMPARE(report.hasPosition, status == AprsStatus::Position);
    QVERIFY2(sameValue(report.course, course), qPrintable(QString::number(report.course)));
    QVERIFY2(sameValue(report.speedKmh, speedKmh), qPrintable(QString::number(report.speedKmh)));
    QVERIFY2(sameValue(report.altitudeM, altitudeM), qPrintable(QString::number(report.altitudeM)));
    QCOMPARE(report.hasPosition ? report.comment : report.status, text);
    QVERIFY((report.hasPosition ? report.status : report.comment).isEmpty());
    QCOMPARE(report.path.join(u','), path);
}

void AprsDecoderTest::rejectedAndIgnored_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<AprsStatus>("status");

    const auto rejected = AprsStatus::Rejected;
    const auto ignored = AprsStatus::Ignored;
    QTest::newRow("latitude beyond 90") << QByteArray("N0CALL>APRS:!9100.00N/07201.75W-") << rejected;
    QTest::newRow("90 and a bit") << QByteArray("N0CALL>APRS:!9000.01N/07201.75W-") << rejected;
    QTest::newRow("longitude beyond 180") << QByteArray("N0CALL>APRS:!4903.50N/18100.00W-") << rejected;
    QTest::newRow("60 minutes") << QByteArray("N0CALL>APRS:!4960.00N/07201.75W-") << rejected;
    QTest::newRow("letter in digits") << QByteArray("N0CALL>APRS:!49O3.50N/07201.75W-") << rejected;
    QTest::newRow("comma for point") << QByteArray("N0CALL>APRS:!4903,50N/07201.75W-") << rejected;
    QTest::newRow("bad hemisphere") << QByteArray("N0CALL>APRS:!4903.50X/07201.75W-") << rejected;
    QTest::newRow("ambiguity with a gap") << QByteArray("N0CALL>APRS:!49 3.50N/07201.75W-") << rejected;
    QTest::newRow("blank in longitude only") << QByteArray("N0CALL>APRS:!4903.50N/072 1.75W-") << rejected;
    QTest::newRow("short uncompressed") << QByteArray("N0CALL>APRS:!4903.50N/07201.75W") << rejected;
    QTest::newRow("short compressed") << QByteArray("N0CALL>APRS:!/5L!!<*e7>7P") << rejected;
    QTest::newRow("compressed digit out of range") << QByteArray("N0CALL>APRS:!/5L!}<*e7>7P[") << rejected;
    QTest::newRow("compressed latitude off the globe") << QByteArray("N0CALL>APRS:!/{{{{<*e7>7P[") << rejected;
    QTest::newRow("compressed bad table") << QByteArray("N0CALL>APRS:!~5L!!<*e7>7P[") << rejected;
    QTest::newRow("short timestamp") << QByteArray("N0CALL>APRS:@0923") << rejected;
    QTest::newRow("DAO without a position") << QByteArray("N0CALL>APRS:>status !W47!") << AprsStatus::Status;
    QTest::newRow("Mic-E short destination") << QByteArray("N0CALL>S32U6:`dYg\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("Mic-E bad destination") << QByteArray("N0CALL>S32U6!:`dYg\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("Mic-E custom bit in longitude place")
        << QByteArray("N0CALL>S32UAT:`dYg\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("Mic-E short information") << QByteArray("N0CALL>S32U6T:`dYg\x1c\x1c\x1c>") << rejected;
    QTest::newRow("Mic-E latitude minutes 60") << QByteArray("N0CALL>S36U6T:`dYg\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("Mic-E hundredths 100") << QByteArray("N0CALL>S32U6T:`dY\x80\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("Mic-E byte below 28") << QByteArray("N0CALL>S32U6T:`\x01Yg\x1c\x1c\x1c>/") << rejected;
    QTest::newRow("object too short") << QByteArray("N0CALL>APRS:;LEADER   *0923") << rejected;
    QTest::newRow("object bad state") << QByteArray("N0CALL>APRS:;LEADER   #092345z4903.50N/07201.75W>") << rejected;
    QTest::newRow("object blank name") << QByteArray("N0CALL>APRS:;         *092345z4903.50N/07201.75W>") << rejected;
    QTest::newRow("object control byte in name")
        << QByteArray("N0CALL>APRS:;LEAD\x07R   *092345z4903.50N/07201.75W>") << rejected;
    QTest::newRow("item name too long") << QByteArray("N0CALL>APRS:)ABCDEFGHIJ!4903.50N/07201.75WA") << rejected;
    QTest::newRow("item name too short") << QByteArray("N0CALL>APRS:)AB!4903.50N/07201.75WA") << rejected;
    QTest::newRow("item bad position") << QByteArray("N0CALL>APRS:)AID!4903.50N/07201.7xWA") << rejected;
    QTest::newRow("no header end") << QByteArray("N0CALL>APRS!4903.50N/07201.75W-") << rejected;
    QTest::newRow("no destination") << QByteArray("N0CALL>:!4903.50N/07201.75W-") << rejected;
    QTest::newRow("no source") << QByteArray(">APRS:!4903.50N/07201.75W-") << rejected;
    QTest::newRow("source too long") << QByteArray("N0CALL-123>APRS:!4903.50N/07201.75W-") << rejected;
    QTest::newRow("blank in source") << QByteArray("N0 CALL>APRS:!4903.50N/07201.75W-") << rejected;
    QTest::newRow("third party inner broken") << QByteArray("N0GATE>APRS:}garbage") << rejected;
    QTest::newRow("third party too deep")
        << QByteArray("A>B:}C>D:}E>F:}G>H:}I>J:!4903.50N/07201.75W-") << rejected;
    QTest::newRow("GPRMC bad checksum")
        << QByteArray("N0CALL>GPS:$GPRMC,063909,A,3349.4302,N,11700.3721,W,43.022,89.3,291099,13.6,E*53")
        << rejected;
    QTest::newRow("GPRMC minutes 60") << QByteArray("N0CALL>GPS:$GPRMC,063909,A,3360.0000,N,11700.3721,W,,,,,")
                                      << rejected;
    QTest::newRow("GPRMC latitude digits") << QByteArray("N0CALL>GPS:$GPRMC,063909,A,349.4302,N,11700.3721,W,,,,,")
                                           << rejected;

    QTest::newRow("message") << QByteArray("N0CALL>APRS::N1CALL   :Hello 4903.50N{001") << ignored;
    QTest::newRow("status") << QByteArray("N0CALL>APRS:>Net tonight !4903.50N/07201.75W-") << AprsStatus::Status;
    QTest::newRow("telemetry") << QByteArray("N0CALL>APRS:T#005,199,000,255,073,123,01101001") << ignored;
    QTest::newRow("weather without position") << QByteArray("N0CALL>APRS:_10090556c220s004g005t077r000p000P000h50b09900wRSW")
                                              << ignored;
    QTest::newRow("GPRMC without fix") << QByteArray("N0CALL>GPS:$GPRMC,063909,V,,,,,,,291099,,") << ignored;
    QTest::newRow("GPGGA without fix") << QByteArray("N0CALL>GPS:$GPGGA,102705,,,,,0,00,,,M,,M,,") << ignored;
    QTest::newRow("other NMEA") << QByteArray("N0CALL>GPS:$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39") << ignored;
    QTest::newRow("empty information") << QByteArray("N0CALL>APRS:") << ignored;
    // Their full forms stay what they are, whatever "!" the text holds.
    QTest::newRow("message with a position in its text")
        << QByteArray("N0CALL>APRS::N1CALL   :at !4903.50N/07201.75W-") << ignored;
    QTest::newRow("telemetry with ! in it") << QByteArray("N0CALL>APRS:T#005,199!4903.50N/07201.75W-") << ignored;
    QTest::newRow("weather with ! in it")
        << QByteArray("N0CALL>APRS:_10090556c220!4903.50N/07201.75W-") << ignored;
    QTest::newRow("capabilities") << QByteArray("N0CALL>APRS:<IGATE,MSG_CNT=1!4903.50N/07201.75W-") << ignored;
    QTest::newRow("query") << QByteArray("N0CALL>APRS:?APRS? !4903.50N/07201.75W-") << ignored;
    QTest::newRow("T alone, no position") << QByteArray("N0CALL>APRS:TheNet node") << ignored;
    QTest::newRow("unknown type without position") << QByteArray("N0CALL>APRS:Xhello!") << ignored;
}

void AprsDecoderTest::rejectedAndIgnored()
{
    QFETCH(QByteArray, line);
    QFETCH(AprsStatus, status);
    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeTnc2(view(line), position), status);
}

void AprsDecoderTest::directness_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("direct");

    QTest::newRow("no path") << QByteArray("N0CALL>APRS:!4903.50N/07201.75W-") << true;
    QTest::newRow("unused aliases") << QByteArray("N0CALL>APRS,WIDE1-1,WIDE2-2:!4903.50N/07201.75W-") << true;
    QTest::newRow("repeated") << QByteArray("N0CALL>APRS,DIGI1*,WIDE2-1:!4903.50N/07201.75W-") << false;
    QTest::newRow("repeated twice") << QByteArray("N0CALL>APRS,DIGI1,DIGI2*:!4903.50N/07201.75W-") << false;
    QTest::newRow("internet") << QByteArray("N0CALL>APRS,TCPIP*,qAC,T2TEST:!4903.50N/07201.75W-") << false;
    QTest::newRow("gateway marked after qAR") << QByteArray("N0CALL>APRS,qAR,IGATE*:!4903.50N/07201.75W-") << true;
    QTest::newRow("third party never direct")
        << QByteArray("N0GATE>APRS:}N0CALL>APRS:!4903.50N/07201.75W-") << false;
}

void AprsDecoderTest::directness()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, direct);
    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeTnc2(view(line), position), AprsStatus::Position);
    QCOMPARE(position.heardDirectly, direct);
}

void AprsDecoderTest::bytesThatAreNotText()
{
    // Mic-E with NUL and high bytes in the status text after the symbol.
    const QByteArray micE("N0CALL>S32U6T:`dYg\x1c\x1c\x1c>/\0\xff\xfe text", 31);
    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeTnc2(view(micE), position), AprsStatus::Position);
    QVERIFY(qAbs(position.latitude - (33 * 60 + 25.64)) < 1e-6);

    // A NUL inside the position is a bad digit, not the end of the text.
    const QByteArray nul("N0CALL>APRS:!4903.5\0N/07201.75W-", 32);
    QCOMPARE(AprsDecoder::decodeTnc2(view(nul), position), AprsStatus::Rejected);

    // Each prefix of a valid line is decoded or refused without reading
    // past its end (the sanitizer build checks the reads).
    const QByteArray full("N0CALL>APRS:;LEADER   *092345z4903.50N/07201.75W>");
    for (qsizetype n = 0; n < full.size(); ++n) {
        const QByteArray prefix = full.left(n);
        QVERIFY2(AprsDecoder::decodeTnc2(view(prefix), position) != AprsStatus::Position,
                 prefix.constData());
    }
}

void AprsDecoderTest::ax25Frames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<AprsStatus>("status");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("direct");
    QTest::addColumn<QString>("path");

    const QByteArray info("!4903.50N/07201.75W-");
    const QByteArray ui("\x03\xf0", 2);
    QTest::newRow("direct") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 7, true) + ui + info
                            << AprsStatus::Position << "N0CALL-7" << true << "";
    QTest::newRow("digipeater not yet used")
        << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, false)
               + ax25Address("WIDE2", 2, true) + ui + info
        << AprsStatus::Position << "N0CALL" << true << "WIDE2-2";
    QTest::newRow("repeated") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 15, false)
                                     + ax25Address("DIGI", 0, false, true) + ax25Address("WIDE2", 1, true)
                                     + ui + info
                              << AprsStatus::Position << "N0CALL-15" << false << "DIGI*,WIDE2-1";
    QTest::newRow("Mic-E destination with SSID")
        << ax25Address("S32U6T", 2, false) + ax25Address("N0CALL", 0, true) + ui
               + QByteArray("`dYg\x1c\x1c\x1c>/")
        << AprsStatus::Position << "N0CALL" << true << "";
    QTest::newRow("poll bit set") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, true)
                                         + QByteArray("\x13\xf0", 2) + info
                                  << AprsStatus::Position << "N0CALL" << true << "";
    QTest::newRow("not UI") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, true)
                                   + QByteArray("\x00\xf0", 2) + info
                            << AprsStatus::Ignored << "" << true << "";
    QTest::newRow("other PID") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, true)
                                      + QByteArray("\x03\xcc", 2) + info
                               << AprsStatus::Ignored << "" << true << "";
    QTest::newRow("one address only") << ax25Address("APRS", 0, true) + ui + info
                                      << AprsStatus::Rejected << "" << true << "";
    QTest::newRow("address cut short") << ax25Address("APRS", 0, false) + QByteArray("\x9c\x60")
                                       << AprsStatus::Rejected << "" << true << "";
    QTest::newRow("no end of addresses") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, false)
                                         << AprsStatus::Rejected << "" << true << "";
    QTest::newRow("lower case in address")
        << ax25Address("APRS", 0, false) + ax25Address("n0call", 0, true) + ui + info
        << AprsStatus::Rejected << "" << true << "";
    QTest::newRow("blank inside callsign")
        << ax25Address("APRS", 0, false) + ax25Address("N0 CAL", 0, true) + ui + info
        << AprsStatus::Rejected << "" << true << "";
    QByteArray many = ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, false);
    for (int i = 0; i < 9; ++i)
        many += ax25Address("DIGI", i, i == 8);
    QTest::newRow("nine digipeaters") << many + ui + info << AprsStatus::Rejected << "" << true << "";
    QByteArray eight = ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, false);
    for (int i = 0; i < 7; ++i)
        eight += ax25Address("DIGI", i, false);
    QTest::newRow("eight digipeaters, none used")
        << eight + ax25Address("WIDE2", 2, true) + ui + info << AprsStatus::Position << "N0CALL" << true
        << "DIGI,DIGI-1,DIGI-2,DIGI-3,DIGI-4,DIGI-5,DIGI-6,WIDE2-2";
    QTest::newRow("eight digipeaters, the last used")
        << eight + ax25Address("WIDE2", 2, true, true) + ui + info << AprsStatus::Position << "N0CALL" << false
        << "DIGI*,DIGI-1*,DIGI-2*,DIGI-3*,DIGI-4*,DIGI-5*,DIGI-6*,WIDE2-2*";
    QTest::newRow("no control") << ax25Address("APRS", 0, false) + ax25Address("N0CALL", 0, true)
                                << AprsStatus::Rejected << "" << true << "";
}

void AprsDecoderTest::ax25Frames()
{
    QFETCH(QByteArray, frame);
    QFETCH(AprsStatus, status);
    QFETCH(QString, name);
    QFETCH(bool, direct);
    AprsPosition position;
    QCOMPARE(AprsDecoder::decodeAx25(view(frame), position), status);
    if (status == AprsStatus::Position) {
        QCOMPARE(QString::fromLatin1(position.name().data(), qsizetype(position.name().size())), name);
        QCOMPARE(position.heardDirectly, direct);
        QVERIFY(position.latitude > 0.0);
        QTEST(toStationReport(position).path.join(u','), "path");
    }
}

void AprsDecoderTest::symbolKinds_data()
{
    QTest::addColumn<char>("table");
    QTest::addColumn<char>("code");
    QTest::addColumn<StationKind>("kind");
    QTest::addColumn<bool>("alternate");
    QTest::addColumn<QString>("description");
    const auto weather = StationKind::Weather;
    const auto infrastructure = StationKind::Infrastructure;
    const auto other = StationKind::Other;
    QTest::newRow("weather station") << '/' << '_' << weather << false << "weather station";
    QTest::newRow("weather, alternate") << '\\' << '_' << weather << true << "weather station";
    QTest::newRow("weather, overlay") << 'W' << '_' << weather << true << "weather station, overlay W";
    QTest::newRow("weather service") << '/' << 'W' << weather << false << "weather service site";
    QTest::newRow("digipeater") << '/' << '#' << infrastructure << false << "digipeater";
    QTest::newRow("digipeater, overlay digit") << '1' << '#' << infrastructure << true << "digipeater, overlay 1";
    QTest::newRow("digipeater, overlay letter") << 'S' << '#' << infrastructure << true << "digipeater, overlay S";
    QTest::newRow("gateway") << '/' << '&' << infrastructure << false << "HF gateway";
    QTest::newRow("internet gateway overlay") << 'I' << '&' << infrastructure << true << "gateway, overlay I";
    QTest::newRow("car") << '/' << '>' << other << false << "car";
    QTest::newRow("lower-case overlay is no table") << 'a' << '#' << other << false << "unknown symbol";
    QTest::newRow("table byte outside ASCII") << char(0xb0) << '#' << other << false << "unknown symbol";
    QTest::newRow("house, alternate table") << '\\' << '-' << other << true << "house (HF)";
    QTest::newRow("no symbol in that place") << '/' << 'J' << other << false << "unknown symbol";
    QTest::newRow("last code of the set, left empty") << '/' << '~' << other << false << "unknown symbol";
    QTest::newRow("code below the set") << '/' << ' ' << other << false << "unknown symbol";
    QTest::newRow("code byte outside ASCII") << '/' << char(0xdf) << other << false << "unknown symbol";
}

// The one place that tells kinds of station by their symbol, and names them.
void AprsDecoderTest::symbolKinds()
{
    QFETCH(char, table);
    QFETCH(char, code);
    QTEST(AprsSymbols::kindOf(table, code), "kind");
    QTEST(AprsSymbols::isAlternateOrOverlay(table), "alternate");
    QTEST(symbolDescription(table, code), "description");
}

void AprsDecoderTest::reportCarriesNameAndState()
{
    AprsPosition position;
    const QByteArray line("N0CALL>APRS,DIGI*:;TENT 2   _092345z4903.50N\\07201.75W;");
    QCOMPARE(AprsDecoder::decodeTnc2(view(line), position), AprsStatus::Position);
    const StationReport report = toStationReport(position);
    QCOMPARE(report.callsign, QStringLiteral("TENT_2"));
    QVERIFY(report.killed);
    QVERIFY(!report.heardDirectly);
    QCOMPARE(report.symbolTable, '\\');
    QCOMPARE(report.symbolCode, ';');
    QCOMPARE(report.latitude, 49 * 60 + 3.50);
    QCOMPARE(report.longitude, -(72 * 60 + 1.75));
}

NEARBELL_TEST(AprsDecoderTest)
#include "AprsDecoderTest.moc"
