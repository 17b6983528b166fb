#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "common/TestRegistry.h"
#include "host/HostProfile.h"
#include "ui/HostSetup.h"
#include "ui/DeviceComboBox.h"
#include "ui/frmStationSetup.h"

using namespace nearbell;
using Field = HostSetup::Field;
using Source = HostSetup::Source;

Q_DECLARE_METATYPE(nearbell::HostSetup::Field)
Q_DECLARE_METATYPE(nearbell::HostSetup::Source)

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A set-up that passes every check, to vary one field at a time.
HostSetup validSetup(Source source)
{
    HostSetup setup;
    setup.callsign = QStringLiteral("N0CALL-9");
    setup.latitude = QStringLiteral("5130.00N");
    setup.longitude = QStringLiteral("00007.50W");
    setup.source = source;
    setup.aprsIsServer = QStringLiteral("aprs.example.org");
    setup.replayFile = QStringLiteral(NEARBELL_SOURCE_FILE);
    setup.folder = QFileInfo(QStringLiteral(NEARBELL_SOURCE_FILE)).absolutePath();
    setup.serialDevice = QStringLiteral("/dev/nearbell-test-absent");
    setup.positionFromGpsd = true; // the fixed position is checked all the same when given
    return setup;
}

const QByteArray userProfile = "; my station\r\n[STATION]\r\nCALLSIGN=NOCALL\r\nQTH=Home ; kept\r\n"
                               "[HOST]\r\nSOURCE=DEMO\r\nCUSTOM=1\r\n[OTHER]\r\nA=B\r\n";

} // namespace

class StationSetupTest : public QObject
{
    Q_OBJECT

private slots:
    void fieldsAreChecked_data()
    {
        QTest::addColumn<Source>("source");
        QTest::addColumn<Field>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason"); // empty: accepted

        const QString tenThousand(10000, u'A');
        QTest::newRow("callsign with SSID") << Source::Kiss << Field::Callsign << "dl1abc-15" << "";
        QTest::newRow("callsign plain") << Source::Kiss << Field::Callsign << "G4XYZ" << "";
        QTest::newRow("callsign empty") << Source::Kiss << Field::Callsign << "  " << "Enter your callsign";
        QTest::newRow("callsign NOCALL") << Source::Kiss << Field::Callsign << "nocall" << "NOCALL";
        QTest::newRow("callsign 10,000 characters") << Source::Kiss << Field::Callsign << tenThousand << "Too long";
        QTest::newRow("callsign with =") << Source::Kiss << Field::Callsign << "A=B" << "Letters and digits";
        QTest::newRow("callsign with [") << Source::Kiss << Field::Callsign << "[HOST]" << "Letters and digits";
        QTest::newRow("callsign empty SSID") << Source::Kiss << Field::Callsign << "N0CALL-" << "Letters and digits";
        QTest::newRow("callsign SSID 123") << Source::Kiss << Field::Callsign << "N0C-123" << "from 0 to 15";
        QTest::newRow("callsign SSID 16") << Source::Kiss << Field::Callsign << "N0C-16" << "from 0 to 15";
        QTest::newRow("callsign SSID letters") << Source::Kiss << Field::Callsign << "N0C-AB" << "from 0 to 15";
        QTest::newRow("callsign SSID 0") << Source::Kiss << Field::Callsign << "N0C-0" << "";
        QTest::newRow("latitude") << Source::Kiss << Field::Latitude << "4807.04S" << "";
        QTest::newRow("latitude beyond the pole") << Source::Kiss << Field::Latitude << "9100.00N" << "Not a latitude";
        QTest::newRow("latitude empty") << Source::Kiss << Field::Latitude << "" << "Enter your latitude";
        QTest::newRow("longitude") << Source::Kiss << Field::Longitude << "01131.00E" << "";
        QTest::newRow("longitude with line break") << Source::Kiss << Field::Longitude << "01131.00E\n[X]"
                                                   << "Not a longitude";
        QTest::newRow("TNC host") << Source::Kiss << Field::KissHost << "tnc.local" << "";
        QTest::newRow("TNC IPv6 host") << Source::Kiss << Field::KissHost << "::1" << "";
        QTest::newRow("TNC host with blank") << Source::Kiss << Field::KissHost << "a b" << "Only letters";
        QTest::newRow("TNC host 10,000 characters") << Source::Kiss << Field::KissHost << tenThousand << "Too long";
        QTest::newRow("TNC port 0") << Source::Kiss << Field::KissPort << "0" << "from 1 to 65535";
        QTest::newRow("TNC port 70000") << Source::Kiss << Field::KissPort << "70000" << "from 1 to 65535";
        QTest::newRow("TNC port 65535") << Source::Kiss << Field::KissPort << "65535" << "";
        QTest::newRow("TNC port sign") << Source::Kiss << Field::KissPort << "+80" << "from 1 to 65535";
        QTest::newRow("TNC port not checked for APRS-IS") << Source::AprsIs << Field::KissPort << "0" << "";
        QTest::newRow("server empty") << Source::AprsIs << Field::AprsIsServer << "" << "Enter the server";
        QTest::newRow("server with =") << Source::AprsIs << Field::AprsIsServer << "a=b" << "Only letters";
        QTest::newRow("APRS-IS port 70000") << Source::AprsIs << Field::AprsIsPort << "70000" << "65535";
        QTest::newRow("range 0") << Source::AprsIs << Field::RangeKm << "0" << "from 1 to 20000";
        QTest::newRow("range huge") << Source::AprsIs << Field::RangeKm << "99999999999999999999" << "20000";
        QTest::newRow("filter with = and [") << Source::AprsIs << Field::Filter << "r/51/0/50 [x]=y" << "";
        QTest::newRow("filter with control character") << Source::AprsIs << Field::Filter << "a\tb"
                                                        << "Control characters";
        QTest::newRow("filter with line break") << Source::AprsIs << Field::Filter << "a\r\n[STATION]"
                                                 << "Control characters";
        QTest::newRow("filter 10,000 characters") << Source::AprsIs << Field::Filter << tenThousand << "Too long";
        QTest::newRow("filter outside the code page") << Source::AprsIs << Field::Filter << QString(QChar(0x4e2d))
                                                      << "cannot be stored";
        QTest::newRow("replay file missing") << Source::Replay << Field::ReplayFile << "/nonexistent/x.tnc2"
                                             << "No such file";
        QTest::newRow("replay file is a folder") << Source::Replay << Field::ReplayFile << "/tmp"
                                                 << "Not a readable file";
        QTest::newRow("replay file beside the profile") << Source::Replay << Field::ReplayFile
                                                        << "StationSetupTest.cpp" << "";
        QTest::newRow("serial device not a terminal") << Source::Serial << Field::SerialDevice << "/dev/null"
                                                      << "not a terminal";
        QTest::newRow("serial device a plain file") << Source::Serial << Field::SerialDevice
                                                    << NEARBELL_SOURCE_FILE << "not a terminal";
        QTest::newRow("serial device a folder") << Source::Serial << Field::SerialDevice << "/tmp" << "A folder";
        QTest::newRow("serial device with blank") << Source::Serial << Field::SerialDevice << "/dev/tty USB0"
                                                  << "no blanks";
        QTest::newRow("serial speed 300") << Source::Serial << Field::SerialSpeed << "300" << "from 1200 to 115200";
        QTest::newRow("serial speed 115200") << Source::Serial << Field::SerialSpeed << "115200" << "";
        QTest::newRow("init file 10,000 characters") << Source::Serial << Field::SerialInit << tenThousand
                                                     << "Too long";
        QTest::newRow("init file beside the profile") << Source::Serial << Field::SerialInit
                                                      << "StationSetupTest.cpp" << "";
        QTest::newRow("init file missing") << Source::Serial << Field::SerialInit << "tnc.txt" << "No such file";
        QTest::newRow("gpsd without port") << Source::None << Field::GpsdAddress << "localhost" << "host:port";
        QTest::newRow("gpsd elsewhere") << Source::None << Field::GpsdAddress << "gps.local:2948" << "";
        QTest::newRow("replay interval 0") << Source::Replay << Field::ReplayMs << "0" << "from 1 to 3600000";
        QTest::newRow("replay interval 1") << Source::Replay << Field::ReplayMs << "1" << "";
        QTest::newRow("replay interval negative") << Source::Replay << Field::ReplayMs << "-5" << "milliseconds";
        QTest::newRow("expiry 0") << Source::Demo << Field::Expire << "0" << "minutes from 1";
        QTest::newRow("expiry empty") << Source::None << Field::Expire << "" << "Enter minutes";
    }

    void fieldsAreChecked()
    {
        QFETCH(Source, source);
        QFETCH(Field, field);
        QFETCH(QString, text);
        QFETCH(QString, reason);

        HostSetup setup = validSetup(source);
        QVERIFY(setup.valid());
        setup.setText(field, text);
        QCOMPARE(setup.text(field), text);
        const QString problem = setup.problem(field);
        if (reason.isEmpty())
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        else
            QVERIFY2(problem.contains(reason), qPrintable(problem));
        QCOMPARE(setup.valid(), reason.isEmpty());
    }

    void profileTextsRoundTrip_data()
    {
        QTest::addColumn<QString>("stored");   // HOST/SOURCE as found
        QTest::addColumn<Source>("source");
        QTest::addColumn<QString>("written");  // HOST/SOURCE as written back

        QTest::newRow("demo") << "demo" << Source::Demo << "DEMO";
        QTest::newRow("none") << "NONE" << Source::None << "NONE";
        QTest::newRow("kiss") << "KISS 10.0.0.5:8100" << Source::Kiss << "KISS 10.0.0.5:8100";
        QTest::newRow("kiss IPv6") << "KISS [::1]:8001" << Source::Kiss << "KISS [::1]:8001";
        QTest::newRow("aprs-is") << "APRSIS aprs.example.org:14580" << Source::AprsIs
                                 << "APRSIS aprs.example.org:14580";
        QTest::newRow("replay") << "REPLAY " NEARBELL_SOURCE_FILE << Source::Replay << "REPLAY " NEARBELL_SOURCE_FILE;
        QTest::newRow("missing: the usual TNC") << "" << Source::Kiss << "KISS 127.0.0.1:8001";
        QTest::newRow("serial") << "SERIAL /dev/ttyUSB0 4800" << Source::Serial << "SERIAL /dev/ttyUSB0 4800";
        QTest::newRow("serial, usual speed") << "serial /dev/ttyACM0" << Source::Serial
                                             << "SERIAL /dev/ttyACM0 9600";
        QTest::newRow("unknown kept as written") << "RADIO 7" << Source::Unknown << "RADIO 7";
        QTest::newRow("KISS without port kept") << "KISS tnc" << Source::Unknown << "KISS tnc";
    }

    void profileTextsRoundTrip()
    {
        QFETCH(QString, stored);
        QFETCH(Source, source);
        QFETCH(QString, written);
        HostProfile::Texts texts;
        texts.callsign = QStringLiteral("n0abc-7");
        texts.latitude = QStringLiteral(" 5130.00N ");
        texts.longitude = QStringLiteral("00007.50W");
        texts.source = stored;
        texts.units = QStringLiteral("miles");
        texts.expire = QStringLiteral("30");

        const HostSetup setup = HostSetup::fromTexts(texts);
        QCOMPARE(setup.source, source);
        QCOMPARE(setup.sourceProblem().isEmpty(), source != Source::Unknown);
        QVERIFY(setup.unitsMiles);
        const HostProfile::Texts back = setup.toTexts();
        QCOMPARE(back.source, written);
        QCOMPARE(back.callsign, QStringLiteral("N0ABC-7"));
        QCOMPARE(back.latitude, QStringLiteral("5130.00N"));
        QCOMPARE(back.units, QStringLiteral("MILES"));
        QCOMPARE(back.expire, QStringLiteral("30"));
        QCOMPARE(back.rangeKm, QStringLiteral("100"));
        QCOMPARE(back.replayMs, QStringLiteral("1000"));
    }

    void okWritesTheProfileKeepingTheRest()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        writeFile(ini, userProfile);
        frmStationSetup dialog(ini, QString());
        QCOMPARE(dialog.setup().source, Source::Demo);
        QVERIFY(!dialog.okEnabled()); // NOCALL and no position yet
        QVERIFY(dialog.reason(Field::Callsign)->text().contains("NOCALL"));

        dialog.edit(Field::Callsign)->setText("n0abc");
        dialog.edit(Field::Latitude)->setText("5130.00N");
        QVERIFY(!dialog.okEnabled());
        QVERIFY(dialog.reason(Field::Longitude)->text().contains("longitude"));
        dialog.edit(Field::Longitude)->setText("00007.50W");
        QVERIFY(dialog.okEnabled());
        dialog.setSource(Source::AprsIs);
        QCOMPARE(dialog.edit(Field::AprsIsServer)->text(), QStringLiteral("rotate.aprs2.net"));
        QCOMPARE(dialog.edit(Field::AprsIsPort)->text(), QStringLiteral("14580"));
        dialog.edit(Field::AprsIsServer)->clear();
        QVERIFY(!dialog.okEnabled()); // the server is empty
        QVERIFY(dialog.edit(Field::AprsIsServer)->isVisibleTo(&dialog));
        QVERIFY(!dialog.edit(Field::KissHost)->isVisibleTo(&dialog));
        dialog.edit(Field::AprsIsServer)->setText("aprs.example.org");
        dialog.edit(Field::Filter)->setText("r/51/0/50 [STATION]=x");
        dialog.cboUnits->setCurrentIndex(1);
        QVERIFY(dialog.okEnabled());
        QVERIFY(dialog.reason(Field::AprsIsServer)->text().isEmpty());

        dialog.buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QByteArray bytes = readAll(ini);
        for (const char *kept : {"; my station\r\n", "QTH=Home ; kept\r\n", "CUSTOM=1\r\n", "[OTHER]\r\nA=B\r\n"})
            QVERIFY2(bytes.contains(kept), kept);
        QVERIFY(bytes.contains("CALLSIGN=N0ABC\r\n"));
        QVERIFY(!bytes.contains("EXPIRE")); // left at the default in force, a day
        QCOMPARE(bytes.count("\n[STATION]\r\n"), 1); // the filter text opened no section
        const HostSettings settings = HostProfile::read(ini);
        QCOMPARE(settings.callsign, QStringLiteral("N0ABC"));
        QVERIFY(settings.hasOwnPosition);
        QCOMPARE(settings.ownLatitude, 51 * 60 + 30.0);
        QCOMPARE(settings.ownLongitude, -7.5);
        QVERIFY(settings.unitsMiles);
        QCOMPARE(settings.source.format(), QStringLiteral("APRSIS aprs.example.org:14580"));
        QCOMPARE(settings.filter, QStringLiteral("r/51/0/50 [STATION]=x"));
    }

    // Whatever the profile holds, the window shows it, and OK with nothing
    // changed leaves every byte; one change writes that key alone.
    void okWithNothingChangedKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<Source>("source");
        QTest::addColumn<Field>("field"); // shows the source's main value
        QTest::addColumn<QString>("shown");

        const QByteArray station = "; mine\r\n[STATION]\r\nCALLSIGN=N0ABC\r\nLATITUDE=5130.00N\r\nLONGITUDE=00007.50W\r\n";
        QTest::newRow("demo") << station + "[HOST]\r\nSOURCE=DEMO\r\nCUSTOM=1\r\n" << Source::Demo
                              << Field::Expire << "1440";
        QTest::newRow("kiss, LF, odd case, blanks")
            << QByteArray("[station]\ncallsign = n0abc\nLatitude=5130.00N\nLONGITUDE=00007.50W\n[Host]\n"
                          "Source = kiss 10.0.0.5:8100\nexpire=30\n")
            << Source::Kiss << Field::KissHost << "10.0.0.5";
        QTest::newRow("serial TNC") << station + "[HOST]\r\nSOURCE=SERIAL /dev/ttyUSB0 9600\r\nSERIAL_INIT=\r\n"
                                    << Source::Serial << Field::SerialDevice << "/dev/ttyUSB0";
        QTest::newRow("APRS-IS, range, filter")
            << station + "[HOST]\r\nSOURCE=APRSIS aprs.example.org:10152\r\nRANGE_KM=50\r\nFILTER=r/51/0/50\r\n"
            << Source::AprsIs << Field::AprsIsPort << "10152";
        QTest::newRow("replay beside the profile")
            << station + "[HOST]\r\nSOURCE=REPLAY feed.tnc2\r\nREPLAY_MS=250\r\n" << Source::Replay
            << Field::ReplayMs << "250";
        QTest::newRow("none, gpsd, keys repeated")
            << QByteArray("[STATION]\r\nCALLSIGN=N0ABC\r\nCALLSIGN=N0XYZ\r\nPOSITION=gpsd gps.local:2948\r\n"
                          "[HOST]\r\nSOURCE=NONE\r\nSOURCE=DEMO\r\nUNITS=miles\r\n")
            << Source::None << Field::GpsdAddress << "gps.local:2948";
    }

    void okWithNothingChangedKeepsEveryByte()
    {
        QFETCH(QByteArray, profile);
        QFETCH(Source, source);
        QFETCH(Field, field);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        writeFile(ini, profile);
        writeFile(dir.filePath("feed.tnc2"), "N0CALL>APRS:!5130.00N/00007.50W-\n");
        {
            frmStationSetup dialog(ini, QString());
            QCOMPARE(dialog.setup().source, source);
            QCOMPARE(dialog.edit(field)->text(), shown);
            QVERIFY(dialog.edit(field)->isVisibleTo(&dialog));
            QVERIFY2(dialog.okEnabled(), qPrintable(dialog.reason(field)->text()));
            dialog.buttons->button(QDialogButtonBox::Ok)->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(readAll(ini), profile);
        }
        frmStationSetup dialog(ini, QString());
        dialog.edit(Field::Callsign)->setText("N0NEW");
        dialog.buttons->button(QDialogButtonBox::Ok)->click();
        QByteArray expected = profile;
        const qsizetype at = expected.toUpper().indexOf("CALLSIGN");
        const qsizetype end = expected.indexOf('\n', at);
        const bool crlf = expected.at(end - 1) == '\r';
        expected.replace(at, end - at - (crlf ? 1 : 0), expected.mid(at, 8) + "=N0NEW");
        QCOMPARE(readAll(ini), expected);
    }

    void badSourceIsShownAndKept()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        const QByteArray profile = "[STATION]\r\nCALLSIGN=N0ABC\r\nLATITUDE=5130.00N\r\nLONGITUDE=00007.50W\r\n"
                                   "[HOST]\r\nSOURCE=KISS tnc.local\r\n";
        writeFile(ini, profile);
        frmStationSetup dialog(ini, QString());
        QVERIFY(dialog.cboSource->currentText().contains("KISS tnc.local"));
        QVERIFY(dialog.lblSourceReason->text().contains("host and port"));
        QVERIFY(!dialog.okEnabled());
        dialog.accept();
        QCOMPARE(readAll(ini), profile);
        // Run time says the same on the status line.
        QVERIFY(HostProfile::read(ini).problems.join(u' ').contains("host and port"));
        dialog.setSource(Source::Kiss);
        QVERIFY(dialog.lblSourceReason->isHidden());
        QVERIFY(dialog.okEnabled());
    }

    void choosersFillTheFields()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        writeFile(ini, "[HOST]\r\nSOURCE=SERIAL /dev/ttyS9\r\n");
        writeFile(dir.filePath("feed.tnc2"), "");
        frmStationSetup dialog(ini, QString());
        QStringList asked;
        dialog.chooseFile = [&](const QString &caption, const QString &start) {
            asked << caption + u'|' + start;
            return dir.filePath("feed.tnc2");
        };
        dialog.serialDevices = [] { return QStringList{"/dev/serial/by-id/usb-TNC", "/dev/ttyUSB0"}; };
        dialog.refreshDevices();
        QCOMPARE(dialog.cboSerialDevice->count(), 2);
        QCOMPARE(dialog.edit(Field::SerialDevice)->text(), QStringLiteral("/dev/ttyS9")); // typed, kept
        dialog.cboSerialDevice->setCurrentIndex(0);
        QCOMPARE(dialog.setup().serialDevice, QStringLiteral("/dev/serial/by-id/usb-TNC"));
        // None found: the list says so, and what is typed stays.
        dialog.serialDevices = [] { return QStringList{}; };
        dialog.refreshDevices();
        QCOMPARE(dialog.cboSerialDevice->count(), 1);
        QCOMPARE(dialog.cboSerialDevice->itemText(0), QStringLiteral("No serial ports found"));
        QCOMPARE(dialog.edit(Field::SerialDevice)->text(), QStringLiteral("/dev/serial/by-id/usb-TNC"));
        dialog.setSource(Source::Replay);
        dialog.browseButton(Field::ReplayFile)->click();
        QCOMPARE(asked, QStringList{"Replay file|" + dir.path()});
        // A file in the profile's folder is named as the source finds it.
        QCOMPARE(dialog.edit(Field::ReplayFile)->text(), QStringLiteral("feed.tnc2"));
        QVERIFY(dialog.reason(Field::ReplayFile)->text().isEmpty());
    }

    void injectionIsRefusedBeforeWriting()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        writeFile(ini, userProfile);
        frmStationSetup dialog(ini, QString());
        dialog.edit(Field::Callsign)->setText("N0ABC");
        dialog.edit(Field::Latitude)->setText("5130.00N");
        dialog.edit(Field::Longitude)->setText("00007.50W");
        dialog.setSource(Source::AprsIs);
        dialog.edit(Field::AprsIsServer)->setText("aprs.example.org");
        dialog.edit(Field::Filter)->setText("x\r\n[STATION]\r\nCALLSIGN=EVIL");
        QVERIFY(!dialog.okEnabled());
        dialog.accept(); // even when forced, nothing is written
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(readAll(ini), userProfile);
    }

    void profileThatIsAFolderKeepsTheWindowOpen()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        QVERIFY(QDir().mkpath(ini));
        frmStationSetup dialog(ini, QString());
        dialog.edit(Field::Callsign)->setText("N0ABC");
        dialog.edit(Field::Latitude)->setText("5130.00N");
        dialog.edit(Field::Longitude)->setText("00007.50W");
        QVERIFY(dialog.okEnabled());
        dialog.buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.lblWriteError->isHidden());
        QVERIFY2(dialog.lblWriteError->text().contains("it is a folder"), qPrintable(dialog.lblWriteError->text()));
        QVERIFY(QFileInfo(ini).isDir());
    }

    void changedCallsignIsNoted_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("noted");
        QTest::newRow("first start") << "" << "N0NEW" << false;
        QTest::newRow("unchanged") << "N0ABC" << "N0ABC" << false;
        QTest::newRow("other letter case only") << "N0ABC" << "n0abc" << false;
        QTest::newRow("changed") << "N0ABC" << "N0NEW" << true;
    }

    void changedCallsignIsNoted()
    {
        QFETCH(QString, running);
        QFETCH(QString, typed);
        QFETCH(bool, noted);
        QTemporaryDir dir;
        frmStationSetup dialog(dir.filePath("uiview32.ini"), running);
        dialog.edit(Field::Callsign)->setText(typed);
        QCOMPARE(!dialog.lblCallsignNote->isHidden(), noted);
        QVERIFY(dialog.lblCallsignNote->text().contains("next start"));
    }

    void everyFieldIsNamedByItsLabel()
    {
        QTemporaryDir dir;
        frmStationSetup dialog(dir.filePath("uiview32.ini"), QString());
        int named = 0;
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (!label->buddy())
                continue;
            QCOMPARE(label->buddy()->accessibleName(), label->text());
            ++named;
        }
        QCOMPARE(named, int(std::size(HostSetup::kFields)) + 1); // and the list of sources
        QCOMPARE(dialog.cboUnits->accessibleName(), QStringLiteral("Distance units"));
        QCOMPARE(dialog.cboSource->accessibleName(), QStringLiteral("Station source"));
        // The reason is also told to assistive tools.
        QCOMPARE(dialog.edit(Field::Callsign)->accessibleDescription(), dialog.reason(Field::Callsign)->text());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Station setup"));
    }

    // A device is judged by what the file is, never by opening it: many
    // TNCs reset when their port opens. A pseudo-terminal stands in for one.
    void serialDeviceIsLookedAtNotOpened()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString terminal = QString::fromLocal8Bit(::ptsname(master));
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        for (const QString &path : {terminal, QStringLiteral("/dev/null")})
            QVERIFY(::inotify_add_watch(watch, QFile::encodeName(path).constData(), IN_OPEN) >= 0);
        HostSetup setup = validSetup(Source::Serial);
        setup.serialDevice = terminal;
        QCOMPARE(setup.problem(Field::SerialDevice), QString());
        setup.serialDevice = QStringLiteral("/dev/null");
        QVERIFY(setup.problem(Field::SerialDevice).contains("not a terminal"));
        char events[4096];
        QCOMPARE(::read(watch, events, sizeof events), ssize_t(-1)); // nothing was opened
        ::close(watch);
        ::close(master);
    }

    // One size whatever kind is shown and however many sources there are,
    // the list beside its buttons, and the whole window on the screen.
    void windowKeepsOneSizeOnTheScreen()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        writeFile(ini, "[STATION]\r\nCALLSIGN=N0CALL-9\r\nLATITUDE=5130.00N\r\nLONGITUDE=00007.50W\r\n");
        QWidget owner;
        owner.move(0, QGuiApplication::primaryScreen()->availableGeometry().bottom() - 50); // low on the screen
        frmStationSetup dialog(ini, QString(), &owner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize size = dialog.size();
        const QRect screen = dialog.screen()->availableGeometry();
        QVERIFY2(screen.contains(dialog.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
            .arg(dialog.frameGeometry().x()).arg(dialog.frameGeometry().y())
            .arg(dialog.frameGeometry().width()).arg(dialog.frameGeometry().height())));
        for (Source kind : {Source::Serial, Source::AprsIs, Source::Replay, Source::None, Source::Demo, Source::Kiss}) {
            dialog.setSource(kind);
            dialog.edit(Field::Callsign)->setText("N0CALL-99"); // a long reason
            QCoreApplication::processEvents();
            QCOMPARE(dialog.size(), size);
            dialog.edit(Field::Callsign)->setText("N0CALL-9");
        }
        for (int i = 0; i < 3; ++i)
            dialog.cmdAddSource->click();
        dialog.cmdRemoveSource->click();
        QCoreApplication::processEvents();
        QCOMPARE(dialog.size(), size);
        QVERIFY(dialog.buttons->button(QDialogButtonBox::Ok)->isVisibleTo(&dialog));
        // The buttons stand to the right of the list, their tops within it.
        const QRect list(dialog.lstSources->mapTo(&dialog, QPoint()), dialog.lstSources->size());
        const QPoint add = dialog.cmdAddSource->mapTo(&dialog, QPoint());
        QVERIFY(add.x() >= list.right() && add.y() >= list.top() && add.y() < list.bottom());
    }

    // The list of sources: looking writes nothing; add, edit, remove; a
    // line left with a fault keeps OK off and says why.
    void sourceListIsEdited()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("uiview32.ini");
        const QByteArray profile = "[STATION]\r\nCALLSIGN=N0CALL-9\r\nLATITUDE=5130.00N\r\nLONGITUDE=00007.50W\r\n"
                                   "[HOST]\r\nSOURCE=KISS 10.0.0.5:8100\r\nsource3=aprsis a.b:14580\r\n";
        writeFile(ini, profile);
        {
            frmStationSetup dialog(ini, QString());
            QCOMPARE(dialog.lstSources->count(), 2);
            QCOMPARE(dialog.lstSources->item(1)->text(), QStringLiteral("2. APRSIS a.b:14580"));
            dialog.lstSources->setCurrentRow(1);
            QCOMPARE(dialog.cboSource->currentData().toInt(), int(Source::AprsIs));
            QCOMPARE(dialog.edit(Field::AprsIsServer)->text(), QStringLiteral("a.b"));
            dialog.lstSources->setCurrentRow(0);
            QCOMPARE(dialog.edit(Field::KissHost)->text(), QStringLiteral("10.0.0.5"));
            dialog.buttons->button(QDialogButtonBox::Ok)->click();
            QCOMPARE(readAll(ini), profile);
        }

        frmStationSetup dialog(ini, QString());
        dialog.cmdAddSource->click();
        QCOMPARE(dialog.lstSources->currentRow(), 2);
        QCOMPARE(dialog.edit(Field::AprsIsServer)->text(), QStringLiteral("rotate.aprs2.net"));
        dialog.setSource(Source::Kiss);
        dialog.edit(Field::KissHost)->setText("tnc.local");
        dialog.cmdAddSource->click();
        QVERIFY(!dialog.cmdAddSource->isEnabled()); // four at most
        dialog.edit(Field::AprsIsServer)->clear();
        dialog.lstSources->setCurrentRow(0); // refused: the line has a fault
        QCOMPARE(dialog.lstSources->currentRow(), 3);
        QVERIFY(!dialog.okEnabled());
        QVERIFY(dialog.lstSources->item(3)->text().contains("Enter the server"));
        dialog.cmdRemoveSource->click();
        dialog.lstSources->setCurrentRow(0);
        dialog.cmdRemoveSource->click(); // the second line becomes SOURCE
        QCOMPARE(dialog.lstSources->count(), 2);
        QVERIFY(dialog.okEnabled());
        dialog.buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QStringList sources;
        for (const SourceLine &source : HostProfile::read(ini).sources())
            sources.append(source.format());
        QCOMPARE(sources, (QStringList{"APRSIS a.b:14580", "KISS tnc.local:8001"}));
        QVERIFY(readAll(ini).contains("SOURCE=APRSIS a.b:14580\r\n"));
        QVERIFY(!readAll(ini).toUpper().contains("SOURCE3")); // no empty line left behind

        // A source named twice is refused on the second line; the range
        // both APRS-IS lines share is told on the line being edited only.
        frmStationSetup again(ini, QString());
        again.cmdAddSource->click();
        again.edit(Field::AprsIsServer)->setText("a.b");
        QVERIFY(!again.okEnabled());
        QCOMPARE(again.lstSources->item(2)->text(),
                 QStringLiteral("3. APRSIS a.b:14580  (The same source as line 1: remove one of them)"));
        again.edit(Field::AprsIsServer)->setText("c.d");
        again.edit(Field::RangeKm)->setText("0");
        QVERIFY(again.reason(Field::RangeKm)->text().contains("from 1 to 20000"));
        QVERIFY(again.lstSources->item(2)->text().contains("from 1 to 20000"));
        QCOMPARE(again.lstSources->item(0)->text(), QStringLiteral("1. APRSIS a.b:14580"));
    }
};

NEARBELL_TEST(StationSetupTest)
#include "StationSetupTest.moc"
