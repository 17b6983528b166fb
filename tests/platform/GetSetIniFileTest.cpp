#include "platform/A_GetSetIniFile.h"
#include "common/TestRegistry.h"
#include "platform/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace nearbell;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class GetSetIniFileTest : public QObject
{
    Q_OBJECT

private slots:
    void isTrueText_data();
    void isTrueText();
    void boolToText_data();
    void boolToText();
    void upperCaseKey_data();
    void upperCaseKey();
    void readIniStringCutsAt499_data();
    void readIniStringCutsAt499();
    void readIniStringNeverWrites();
    void readIniSettingAddsMissingKey();
    void readIniSettingLeavesOtherValues_data();
    void readIniSettingLeavesOtherValues();
    void readIniSettingRewritesDefault();
    void readIniSettingSurvivesReadOnlyFile();
    void firstRunFillsTheSettingsInOrder();
};

void GetSetIniFileTest::isTrueText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("upperCased");

    QTest::newRow("yes") << "yes" << true << "YES";
    QTest::newRow("On") << "On" << true << "ON";
    QTest::newRow("1") << "1" << true << "1";
    QTest::newRow("TRUE") << "TRUE" << true << "TRUE";
    QTest::newRow("tRuE") << "tRuE" << true << "TRUE";
    QTest::newRow("Y") << "y" << false << "Y";
    QTest::newRow("T") << "t" << false << "T";
    QTest::newRow("2") << "2" << false << "2";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("blank before TRUE") << " TRUE" << false << " TRUE";
    QTest::newRow("blank after on") << "on " << false << "ON ";
    QTest::newRow("FALSE") << "false" << false << "FALSE";
    QTest::newRow("-1") << "-1" << false << "-1";
    QTest::newRow("8-bit letters upper-cased")
        << QStringLiteral("\u00e9t\u00e9 \u00ff\u0161 \u00df\u00b5") << false
        << QStringLiteral("\u00c9T\u00c9 \u0178\u0160 \u00df\u00b5");
}

void GetSetIniFileTest::isTrueText()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QFETCH(QString, upperCased);
    QCOMPARE(IsTrueText(text), expected);
    QCOMPARE(text, upperCased); // the caller's variable changes
}

void GetSetIniFileTest::boolToText_data()
{
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("expected");
    QTest::newRow("-1") << -1 << "TRUE";
    QTest::newRow("1") << 1 << "TRUE";
    QTest::newRow("2") << 2 << "TRUE";
    QTest::newRow("smallest") << INT_MIN << "TRUE";
    QTest::newRow("0") << 0 << "FALSE";
}

void GetSetIniFileTest::boolToText()
{
    QFETCH(int, flag);
    QFETCH(QString, expected);
    QCOMPARE(BoolToText(flag), expected);
}

void GetSetIniFileTest::upperCaseKey_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("expected");
    QTest::newRow("a") << 97 << 65;
    QTest::newRow("z") << 122 << 90;
    QTest::newRow("m") << int('m') << int('M');
    QTest::newRow("capital A") << 65 << 65;
    QTest::newRow("digit") << int('7') << int('7');
    QTest::newRow("backspace") << 8 << 8;
    QTest::newRow("return") << 13 << 13;
    QTest::newRow("backquote before a") << 96 << 96;
    QTest::newRow("brace after z") << 123 << 123;
    QTest::newRow("e acute") << 0xE9 << 0xC9;
    QTest::newRow("a grave") << 0xE0 << 0xC0;
    QTest::newRow("thorn") << 0xFE << 0xDE;
    QTest::newRow("division sign") << 0xF7 << 0xF7;
    QTest::newRow("y diaeresis") << 0xFF << 0x9F;
    QTest::newRow("s caron") << 0x9A << 0x8A;
    QTest::newRow("oe") << 0x9C << 0x8C;
    QTest::newRow("z caron") << 0x9E << 0x8E;
    QTest::newRow("sharp s has no capital") << 0xDF << 0xDF;
    QTest::newRow("micro has no capital") << 0xB5 << 0xB5;
    QTest::newRow("euro") << 0x80 << 0x80;
    QTest::newRow("negative") << -1 << -1;
    QTest::newRow("beyond 8 bits") << 0x161 << 0x161;
}

void GetSetIniFileTest::upperCaseKey()
{
    QFETCH(int, code);
    QFETCH(int, expected);
    QCOMPARE(int(UpperCaseKey(qint16(code))), expected);
}

void GetSetIniFileTest::readIniStringCutsAt499_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("expected");
    QTest::newRow("498") << 498 << 498;
    QTest::newRow("499") << 499 << 499;
    QTest::newRow("500") << 500 << 499;
    QTest::newRow("2000") << 2000 << 499;
}

void GetSetIniFileTest::readIniStringCutsAt499()
{
    QFETCH(int, length);
    QFETCH(int, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("long.ini");
    QString value;
    for (int i = 0; i < length; ++i)
        value += QChar(u'0' + i % 10);
    putBytes(path, "[S]\r\nK=" + value.toLatin1() + "\r\n");
    QCOMPARE(ReadIniString(path, "S", "K", "dflt"), value.left(expected));
    // The default goes through the same buffer.
    QCOMPARE(ReadIniString(path, "S", "missing", value), value.left(expected));
}

void GetSetIniFileTest::readIniStringNeverWrites()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.ini");
    QCOMPARE(ReadIniString(missing, "STATION", "CALLSIGN", "NOCALL"), QString("NOCALL"));
    QVERIFY(!QFile::exists(missing));

    const QString path = dir.filePath("uiview32.ini");
    const QByteArray before("[STATION]\r\nCALLSIGN=\r\nOTHER=1\n");
    putBytes(path, before);
    QCOMPARE(ReadIniString(path, "STATION", "CALLSIGN", "NOCALL"), QString(""));
    QCOMPARE(ReadIniString(path, "STATION", "MISSING", "NOCALL"), QString("NOCALL"));
    QCOMPARE(ReadIniString(path, "NOSECTION", "CALLSIGN", "NOCALL"), QString("NOCALL"));
    QCOMPARE(fileBytes(path), before);
}

void GetSetIniFileTest::readIniSettingAddsMissingKey()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nearbell.INI");
    putBytes(path, "; mine\r\n[SETUP]\r\nMIN_DISTANCE=5\r\n[OTHER]\r\nX=1\r\n");
    QCOMPARE(ReadIniSetting(path, "SETUP", "AUDIBLE_ALARM", "TRUE"), QString("TRUE"));
    QCOMPARE(fileBytes(path),
             QByteArray("; mine\r\n[SETUP]\r\nMIN_DISTANCE=5\r\nAUDIBLE_ALARM=TRUE\r\n[OTHER]\r\nX=1\r\n"));
}

void GetSetIniFileTest::readIniSettingLeavesOtherValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("other value") << QByteArray("[SETUP]\r\nAUDIBLE_ALARM=yes\r\n") << "yes";
    QTest::newRow("default in other letter case")
        << QByteArray("[SETUP]\r\nAUDIBLE_ALARM=true\r\n") << "true";
    QTest::newRow("empty value") << QByteArray("[SETUP]\r\nAUDIBLE_ALARM=\r\n") << "";
    QTest::newRow("LF-only file") << QByteArray("[SETUP]\nAUDIBLE_ALARM=no\n") << "no";
}

void GetSetIniFileTest::readIniSettingLeavesOtherValues()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath("nearbell.INI");
    putBytes(path, content);
    QCOMPARE(ReadIniSetting(path, "SETUP", "AUDIBLE_ALARM", "TRUE"), expected);
    QCOMPARE(fileBytes(path), content);
}

void GetSetIniFileTest::readIniSettingRewritesDefault()
{
    // A quoted default reads as the default, and is then stored plainly.
    QTemporaryDir dir;
    const QString path = dir.filePath("nearbell.INI");
    putBytes(path, "[SETUP]\r\nMIN_DISTANCE = \"10\"\r\n");
    QCOMPARE(ReadIniSetting(path, "SETUP", "MIN_DISTANCE", "10"), QString("10"));
    QCOMPARE(fileBytes(path), QByteArray("[SETUP]\r\nMIN_DISTANCE=10\r\n"));
}

void GetSetIniFileTest::readIniSettingSurvivesReadOnlyFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nearbell.INI");
    const QByteArray before("[SETUP]\r\n\x01\x02 junk\r\n");
    putBytes(path, before);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QCOMPARE(ReadIniSetting(path, "SETUP", "MIN_DISTANCE", "10"), QString("10"));
    QCOMPARE(fileBytes(path), before);
}

void GetSetIniFileTest::firstRunFillsTheSettingsInOrder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nearbell.INI");
    const char *keys[][2] = {{"MIN_DISTANCE", "10"},  {"BRING_TO_FRONT", "TRUE"},
                             {"AUDIBLE_ALARM", "TRUE"}, {"SCAN_STATIONS", "TRUE"},
                             {"SCAN_OVERLAYS", "TRUE"}, {"LEFT", "6210"},
                             {"TOP", "4305"},          {"MINIMIZED", "FALSE"}};
    for (const auto &key : keys)
        QCOMPARE(ReadIniSetting(path, "SETUP", key[0], key[1]), QString(key[1]));
    QCOMPARE(fileBytes(path),
             QByteArray("[SETUP]\r\nMIN_DISTANCE=10\r\nBRING_TO_FRONT=TRUE\r\nAUDIBLE_ALARM=TRUE\r\n"
                        "SCAN_STATIONS=TRUE\r\nSCAN_OVERLAYS=TRUE\r\nLEFT=6210\r\nTOP=4305\r\n"
                        "MINIMIZED=FALSE\r\n"));
    // A second run finds everything and changes nothing.
    const QByteArray once = fileBytes(path);
    for (const auto &key : keys)
        ReadIniSetting(path, "SETUP", key[0], key[1]);
    QCOMPARE(fileBytes(path), once);
}

NEARBELL_TEST(GetSetIniFileTest)
#include "GetSetIniFileTest.moc"
