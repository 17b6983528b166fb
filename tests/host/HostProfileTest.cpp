#include "common/TestRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "host/HostProfile.h"
#include "host/GreatCircle.h"

using namespace nearbell;

class HostProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void positionText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("longitude");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("minutes");

        QTest::newRow("north") << "5212.34N" << false << true << 3132.34;
        QTest::newRow("south, lower case") << "5212.34s" << false << true << -3132.34;
        QTest::newRow("one decimal is tenths") << "5212.3N" << false << true << 3132.3;
        QTest::newRow("pole") << "9000.00N" << false << true << 5400.0;
        QTest::newRow("west") << "00512.34W" << true << true << -312.34;
        QTest::newRow("date line") << "18000.00E" << true << true << 10800.0;
        QTest::newRow("beyond pole") << "9000.01N" << false << false << 0.0;
        QTest::newRow("beyond date line") << "18000.01W" << true << false << 0.0;
        QTest::newRow("minutes 60") << "5260.00N" << false << false << 0.0;
        QTest::newRow("letter in degrees") << "5l12.34N" << false << false << 0.0;
        QTest::newRow("blank in decimals") << "5212. 4N" << false << false << 0.0;
        QTest::newRow("no decimals") << "5212.N" << false << false << 0.0;
        QTest::newRow("east on latitude") << "5212.34E" << false << false << 0.0;
        QTest::newRow("two-digit degrees of longitude") << "0512.34E" << true << false << 0.0;
        QTest::newRow("empty") << "" << false << false << 0.0;
        // Decimal degrees, signed or with a hemisphere letter.
        QTest::newRow("decimal degrees") << "52.2057" << false << true << 52.2057 * 60;
        QTest::newRow("negative decimal degrees") << "-5.2057" << true << true << -5.2057 * 60;
        QTest::newRow("plus sign") << "+5.5" << true << true << 330.0;
        QTest::newRow("whole degrees") << "52" << false << true << 3120.0;
        QTest::newRow("decimal degrees north") << "52.2057N" << false << true << 52.2057 * 60;
        QTest::newRow("decimal degrees west") << "5.2057W" << true << true << -5.2057 * 60;
        QTest::newRow("decimal degrees south, lower case") << "33.5s" << false << true << -2010.0;
        QTest::newRow("decimal pole") << "-90" << false << true << -5400.0;
        QTest::newRow("decimal beyond pole") << "90.0001" << false << false << 0.0;
        QTest::newRow("decimal beyond date line") << "180.5E" << true << false << 0.0;
        QTest::newRow("sign and letter") << "-52.2N" << false << false << 0.0;
        QTest::newRow("two signs") << "--52.2" << false << false << 0.0;
        QTest::newRow("point without decimals") << "52." << false << false << 0.0;
        QTest::newRow("comma for point") << "52,2057" << false << false << 0.0;
        QTest::newRow("blank inside") << "52 .2057" << false << false << 0.0;
        QTest::newRow("exponent") << "5e1" << false << false << 0.0;
        QTest::newRow("NUL inside") << QString(QStringLiteral("52.2") + QChar(0) + u'N')
                                    << false << false << 0.0;
        QTest::newRow("10000 characters") << QString(10000, u'5') << false << false << 0.0;
        QTest::newRow("10000 decimals") << QString(QStringLiteral("52.") + QString(9997, u'1')) << false << false << 0.0;
    }

    void positionText()
    {
        QFETCH(QString, text);
        QFETCH(bool, longitude);
        QFETCH(bool, valid);
        QFETCH(double, minutes);

        const auto parsed = longitude ? HostProfile::parseLongitude(text)
                                      : HostProfile::parseLatitude(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QVERIFY(qAbs(*parsed - minutes) < 1e-9);
    }

    // Whatever is missing or unusable falls back to its default, and one
    // bad value never spoils the others.
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("hasOwnPosition");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("miles");
        QTest::addColumn<QList<int>>("expireRangeReplay");
        QTest::addColumn<QStringList>("problems"); // a piece of each status-line reason

        const QString kiss = QStringLiteral("KISS 127.0.0.1:8001");
        const QList<int> defaults{1440, 100, 1000}; // a day of stations
        static const char garbage[] = "\x01\x02\xff[[[=\n=\x00\x00zz\r\r\n[STATION\nCALLSIGN\n";
        QTest::newRow("everything")
            << QByteArray("[STATION]\r\nCALLSIGN=PA3XYZ-9\r\nLATITUDE=5212.34N\r\n"
                          "LONGITUDE=00512.34W\r\n[HOST]\r\nSOURCE=DEMO\r\nUNITS=miles\r\n"
                          "EXPIRE=30\r\nRANGE_KM=250\r\nREPLAY_MS=0\r\n")
            << "PA3XYZ-9" << true << "DEMO" << true << QList<int>{30, 250, 0} << QStringList();
        QTest::newRow("callsign only") << QByteArray("[STATION]\nCALLSIGN=AB1CD\n") << "AB1CD"
                                       << false << kiss << false << defaults << QStringList();
        QTest::newRow("bad latitude drops the position")
            << QByteArray("[STATION]\nCALLSIGN=AB1CD\nLATITUDE=5272.00N\nLONGITUDE=00512.34E\n")
            << "AB1CD" << false << kiss << false << defaults << QStringList();
        QTest::newRow("bad numbers and units")
            << QByteArray("[HOST]\nEXPIRE=0\nRANGE_KM=12x\nREPLAY_MS=-1\nUNITS=FURLONGS\nSOURCE=\n")
            << "" << false << kiss << false << defaults
            << QStringList{"EXPIRE \"0\"", "RANGE_KM \"12x\"", "REPLAY_MS \"-1\""};
        QTest::newRow("garbage file") << QByteArray(garbage, sizeof garbage - 1) << "" << false
                                      << kiss << false << defaults << QStringList();
        QTest::newRow("serial TNC, odd case, repeated keys")
            << QByteArray("[host]\nsource=serial /dev/ttyUSB0 4800\nSOURCE=DEMO\n[Station]\nCallsign=AB1CD\n")
            << "AB1CD" << false << "SERIAL /dev/ttyUSB0 4800" << false << defaults << QStringList();
        QTest::newRow("garbage source") << QByteArray("[HOST]\nSOURCE=RADIO\x01 yes\n") << "" << false
                                        << "RADIO\x01 yes" << false << defaults
                                        << QStringList{"no station source this program knows"};
        QTest::newRow("KISS without port") << QByteArray("[HOST]\nSOURCE=KISS tnc\n") << "" << false
                                           << "KISS tnc" << false << defaults << QStringList{"host and port"};
        QTest::newRow("gpsd without port") << QByteArray("[STATION]\nPOSITION=GPSD localhost\n") << "" << false
                                           << kiss << false << defaults << QStringList{"POSITION \"GPSD localhost\""};
        QTest::newRow("10,000-character init file")
            << QByteArray("[HOST]\nSERIAL_INIT=" + QByteArray(10000, 'i') + "\n") << "" << false << kiss << false
            << defaults << QStringList{"SERIAL_INIT is 10000 characters"};
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, callsign);
        QFETCH(bool, hasOwnPosition);
        QFETCH(QString, source);
        QFETCH(bool, miles);
        QFETCH(QList<int>, expireRangeReplay);
        QFETCH(QStringList, problems);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("uiview32.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        const HostSettings s = HostProfile::read(path);
        QCOMPARE(s.callsign, callsign);
        QCOMPARE(s.hasOwnPosition, hasOwnPosition);
        if (hasOwnPosition) {
            QCOMPARE(s.ownLatitude, 3132.34);
            QCOMPARE(s.ownLongitude, -312.34);
        }
        QCOMPARE(s.source.format(), source);
        QCOMPARE(s.unitsMiles, miles);
        QCOMPARE((QList<int>{s.expireMinutes, s.rangeKm, s.replayMs}), expireRangeReplay);
        QCOMPARE(s.problems.size(), problems.size());
        for (qsizetype i = 0; i < problems.size(); ++i)
            QVERIFY2(s.problems[i].contains(problems[i]), qPrintable(s.problems[i]));
        QVERIFY(s.serialInit.isEmpty() || s.serialInit.size() < 5000);
    }

    // SOURCE2 to SOURCE4 name more sources with the same syntax; an empty
    // line names none, one not understood is kept as written and told.
    void moreSources_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<int>("problems");
        QTest::newRow("none") << QByteArray("SOURCE=APRSIS a.b:14580\n") << QStringList{"APRSIS a.b:14580"} << 0;
        QTest::newRow("radio and internet")
            << QByteArray("SOURCE=SERIAL /dev/ttyUSB0 9600\nsource2=aprsis a.b:14580\n")
            << QStringList{"SERIAL /dev/ttyUSB0 9600", "APRSIS a.b:14580"} << 0;
        QTest::newRow("gap, garbage, no SOURCE")
            << QByteArray("SOURCE3=KISS 10.0.0.2:8001\nSOURCE2=\nSOURCE4=FLUX 1\nSOURCE5=DEMO\n")
            << QStringList{"KISS 127.0.0.1:8001", "KISS 10.0.0.2:8001", "FLUX 1"} << 1;
        QTest::newRow("a source named twice")
            << QByteArray("SOURCE=KISS 10.0.0.2:8001\nSOURCE2=DEMO\nSOURCE4=kiss 10.0.0.2:8001\n")
            << QStringList{"KISS 10.0.0.2:8001", "DEMO", "KISS 10.0.0.2:8001"} << 1;
    }

    void moreSources()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QStringList, sources);
        QFETCH(int, problems);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("uiview32.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[HOST]\n" + lines);
        file.close();
        const HostSettings settings = HostProfile::read(path);
        QStringList read;
        for (const SourceLine &source : settings.sources())
            read.append(source.format());
        QCOMPARE(read, sources);
        QCOMPARE(settings.problems.size(), problems);
        if (problems)
            QVERIFY2(settings.problems.first().startsWith("uiview32.ini, HOST, SOURCE4"),
                     qPrintable(settings.problems.first()));
        if (QTest::currentDataTag() == QByteArrayView("a source named twice"))
            QCOMPARE(settings.problems.first(), QStringLiteral("uiview32.ini, HOST, SOURCE4 names the same source as "
                                                               "SOURCE (KISS 10.0.0.2:8001): it is heard once"));
    }

    // Expected values come from geometry (arcs along a meridian or the
    // equator), not from the formula.
    void greatCircle_data()
    {
        QTest::addColumn<QList<double>>("points"); // lat1, lon1, lat2, lon2
        QTest::addColumn<bool>("miles");
        QTest::addColumn<double>("expected");

        QTest::newRow("same point") << QList<double>{3132.34, 312.34, 3132.34, 312.34} << false << 0.0;
        QTest::newRow("one degree of latitude") << QList<double>{3000, 500, 3060, 500} << false << 111.195;
        QTest::newRow("in miles") << QList<double>{3000, 500, 3060, 500} << true << 69.093;
        QTest::newRow("across the date line") << QList<double>{0, 10790, 0, -10790} << false << 37.065;
        QTest::newRow("antipodes") << QList<double>{0, 0, 0, 10800} << false << 20015.114;
        QTest::newRow("ten metres") << QList<double>{3132.34, 0, 3132.345396, 0} << false << 0.010;
    }

    void greatCircle()
    {
        QFETCH(QList<double>, points);
        QFETCH(bool, miles);
        QFETCH(double, expected);
        const DistanceUnit unit = miles ? DistanceUnit::Miles : DistanceUnit::Kilometres;
        const double there = greatcircle::distance(points[0], points[1], points[2], points[3], unit);
        const double back = greatcircle::distance(points[2], points[3], points[0], points[1], unit);
        QVERIFY2(qAbs(there - expected) < 0.0005, qPrintable(QString::number(there, 'f', 6)));
        QVERIFY(qAbs(there - back) < 1e-9);
        // The one bearing: where no direction is better than another, north.
        const double bearing = greatcircle::bearing(points[0], points[1], points[2], points[3]);
        QVERIFY(bearing >= 0.0 && bearing < 360.0);
        if (expected == 0.0 || expected > 20000.0)
            QCOMPARE(bearing, 0.0);
    }
};

NEARBELL_TEST(HostProfileTest)
#include "HostProfileTest.moc"
