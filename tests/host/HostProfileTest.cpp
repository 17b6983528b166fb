#include "common/TestRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "host/HostProfile.h"

using namespace nearbell;

class HostProfileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeProfile(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("uiview32.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the test profile");
        file.write(content);
        return path;
    }

private slots:
    void positionText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("longitude");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("minutes");

        QTest::newRow("north") << "5212.34N" << false << true << 3132.34;
        QTest::newRow("south") << "5212.34S" << false << true << -3132.34;
        QTest::newRow("lower-case letter") << "5212.34s" << false << true << -3132.34;
        QTest::newRow("one decimal is tenths") << "5212.3N" << false << true << 3132.3;
        QTest::newRow("equator") << "0000.00N" << false << true << 0.0;
        QTest::newRow("pole") << "9000.00N" << false << true << 5400.0;
        QTest::newRow("beyond pole") << "9000.01N" << false << false << 0.0;
        QTest::newRow("minutes 60") << "5260.00N" << false << false << 0.0;
        QTest::newRow("letter in degrees") << "5l12.34N" << false << false << 0.0;
        QTest::newRow("letter in decimals") << "5212.3xN" << false << false << 0.0;
        QTest::newRow("blank in decimals") << "5212. 4N" << false << false << 0.0;
        QTest::newRow("comma") << "5212,34N" << false << false << 0.0;
        QTest::newRow("no decimals") << "5212.N" << false << false << 0.0;
        QTest::newRow("no letter") << "5212.34" << false << false << 0.0;
        QTest::newRow("east on latitude") << "5212.34E" << false << false << 0.0;
        QTest::newRow("short degrees") << "512.34N" << false << false << 0.0;
        QTest::newRow("sign") << "-512.34N" << false << false << 0.0;
        QTest::newRow("empty latitude") << "" << false << false << 0.0;

        QTest::newRow("east") << "00512.34E" << true << true << 312.34;
        QTest::newRow("west") << "00512.34W" << true << true << -312.34;
        QTest::newRow("date line") << "18000.00W" << true << true << -10800.0;
        QTest::newRow("beyond date line") << "18000.01E" << true << false << 0.0;
        QTest::newRow("longitude minutes 60") << "00560.00E" << true << false << 0.0;
        QTest::newRow("two-digit degrees") << "0512.34E" << true << false << 0.0;
        QTest::newRow("north on longitude") << "00512.34N" << true << false << 0.0;
        QTest::newRow("empty longitude") << "" << true << false << 0.0;
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
            QVERIFY2(qAbs(*parsed - minutes) < 1e-9, qPrintable(QString::number(*parsed, 'f', 6)));
    }

    void fullProfile()
    {
        const QString path = writeProfile("[STATION]\r\nCALLSIGN=PA3XYZ-9\r\n"
                                          "LATITUDE=5212.34N\r\nLONGITUDE=00512.34W\r\n"
                                          "[HOST]\r\nSOURCE=DEMO\r\nUNITS=miles\r\nEXPIRE=30\r\n"
                                          "RANGE_KM=250\r\nFILTER=r/52/5/50\r\nREPLAY_MS=0\r\n");
        const HostSettings s = HostProfile::read(path);
        QCOMPARE(s.callsign, QStringLiteral("PA3XYZ-9"));
        QVERIFY(s.hasOwnPosition);
        QCOMPARE(s.ownLatitude, 3132.34);
        QCOMPARE(s.ownLongitude, -312.34);
        QCOMPARE(s.source, QStringLiteral("DEMO"));
        QVERIFY(s.unitsMiles);
        QCOMPARE(s.expireMinutes, 30);
        QCOMPARE(s.rangeKm, 250);
        QCOMPARE(s.filter, QStringLiteral("r/52/5/50"));
        QCOMPARE(s.replayMs, 0);
    }

    // Whatever is missing or unusable falls back to its default, and one
    // bad value never spoils the others.
    void fallbacks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("hasOwnPosition");
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("miles");
        QTest::addColumn<int>("expire");
        QTest::addColumn<int>("rangeKm");
        QTest::addColumn<int>("replayMs");

        const QString kiss = QStringLiteral("KISS 127.0.0.1:8001");
        static const char kGarbage[] = "\x01\x02\xff[[[=\n=\x00\x00zz\r\r\n[STATION\nCALLSIGN\n";
        QTest::newRow("callsign only")
            << QByteArray("[STATION]\nCALLSIGN=AB1CD\n") << "AB1CD" << false << kiss << false
            << 60 << 100 << 1000;
        QTest::newRow("bad latitude drops the position")
            << QByteArray("[STATION]\nCALLSIGN=AB1CD\nLATITUDE=5272.00N\nLONGITUDE=00512.34E\n")
            << "AB1CD" << false << kiss << false << 60 << 100 << 1000;
        QTest::newRow("missing longitude drops the position")
            << QByteArray("[STATION]\nCALLSIGN=AB1CD\nLATITUDE=5212.00N\n") << "AB1CD" << false
            << kiss << false << 60 << 100 << 1000;
        QTest::newRow("bad numbers")
            << QByteArray("[HOST]\nEXPIRE=abc\nRANGE_KM=-5\nREPLAY_MS=-1\nUNITS=FURLONGS\n") << ""
            << false << kiss << false << 60 << 100 << 1000;
        QTest::newRow("zero expiry is not allowed")
            << QByteArray("[HOST]\nEXPIRE=0\nRANGE_KM=12x\n") << "" << false << kiss << false << 60
            << 100 << 1000;
        QTest::newRow("empty source counts as missing")
            << QByteArray("[HOST]\nSOURCE=\nUNITS=KM\n") << "" << false << kiss << false << 60
            << 100 << 1000;
        QTest::newRow("lower-case section and key")
            << QByteArray("[station]\ncallsign=ab1cd\n[host]\nsource=NONE\n") << "ab1cd" << false
            << "NONE" << false << 60 << 100 << 1000;
        QTest::newRow("garbage file")
            << QByteArray(kGarbage, sizeof kGarbage - 1) << ""
            << false << kiss << false << 60 << 100 << 1000;
    }

    void fallbacks()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, callsign);
        QFETCH(bool, hasOwnPosition);
        QFETCH(QString, source);
        QFETCH(bool, miles);
        QFETCH(int, expire);
        QFETCH(int, rangeKm);
        QFETCH(int, replayMs);

        const HostSettings s = HostProfile::read(writeProfile(content));
        QCOMPARE(s.callsign, callsign);
        QCOMPARE(s.hasOwnPosition, hasOwnPosition);
        QCOMPARE(s.source, source);
        QCOMPARE(s.unitsMiles, miles);
        QCOMPARE(s.expireMinutes, expire);
        QCOMPARE(s.rangeKm, rangeKm);
        QCOMPARE(s.replayMs, replayMs);
    }

    void missingFileGivesDefaultsAndCreatesNothing()
    {
        const QString path = m_dir.filePath(QStringLiteral("absent/uiview32.ini"));
        const HostSettings s = HostProfile::read(path);
        QVERIFY(s.callsign.isEmpty());
        QVERIFY(!s.hasOwnPosition);
        QCOMPARE(s.source, QStringLiteral("KISS 127.0.0.1:8001"));
        QVERIFY(!QFile::exists(path));
    }

    void readingNeverWrites()
    {
        const QByteArray content("; comment\n[STATION]\nCALLSIGN=AB1CD\n");
        const QString path = writeProfile(content);
        HostProfile::read(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
};

NEARBELL_TEST(HostProfileTest)
#include "HostProfileTest.moc"
