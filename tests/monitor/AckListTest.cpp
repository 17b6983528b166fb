#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/AckList.h"
#include "monitor/AckListFile.h"
#include "monitor/AckTimes.h"
#include "monitor/WatchListFile.h"
#include "monitor/StationScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace nearbell;
using namespace nearbell::test;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class AckListTest : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        MonitorFixture f;
        AckList ack{f.c, f.messages, QStringLiteral("Nearbell")};
        Run()
        {
            f.c.Timer1->start();
            f.c.lstStations->addItems({"AB1CD distance 3.142", "EF2GH (watch) 900.",
                                       "EF2GH distance 20.5", "IJ3KL distance 1."});
        }
    };

private slots:
    void acknowledgeSelected_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("ackedBefore");
        QTest::addColumn<QStringList>("ackedAfter");
        QTest::addColumn<int>("linesAfter");
        QTest::newRow("distance line") << "AB1CD distance 3.142" << QStringList{}
                                       << QStringList{"AB1CD"} << 3;
        QTest::newRow("watch line") << "EF2GH (watch) 900." << QStringList{}
                                    << QStringList{"EF2GH"} << 3;
        QTest::newRow("already acknowledged") << "AB1CD distance 3.142" << QStringList{"AB1CD"}
                                              << QStringList{"AB1CD"} << 4;
        QTest::newRow("other case is another callsign")
            << "AB1CD distance 3.142" << QStringList{"ab1cd"} << QStringList{"ab1cd", "AB1CD"} << 3;
    }
    void acknowledgeSelected()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, ackedBefore);
        QFETCH(QStringList, ackedAfter);
        QFETCH(int, linesAfter);
        for (const bool byButton : {true, false}) {
            Run r;
            r.f.c.lstAcked->addItems(ackedBefore);
            r.f.select(r.f.c.lstStations, line);
            r.f.c.Timer1->start(10000);
            QTest::qWait(30);
            if (byButton)
                r.f.c.cmdAck->click();
            else
                r.ack.mnuPopup1Ack_Click();
            QCOMPARE(r.f.acked(), ackedAfter);
            QCOMPARE(r.f.c.lstStations->count(), linesAfter);
            QCOMPARE(r.f.stationLines().contains(line), linesAfter == 4);
            // Restarted: a full new interval from now.
            QVERIFY(r.f.c.Timer1->isActive());
            QVERIFY(r.f.c.Timer1->remainingTime() > 9980);
            QVERIFY(r.f.messages.shown.isEmpty());
        }
    }

    void buttonsWithoutSelection()
    {
        Run r;
        int timerActiveDuringBox = -1;
        r.f.messages.onShow = [&] { timerActiveDuringBox = r.f.c.Timer1->isActive(); };
        r.f.c.lstAcked->addItem("AB1CD");
        r.f.c.cmdAck->click();
        QCOMPARE(timerActiveDuringBox, 0);
        r.f.c.cmdRearm->click();
        QCOMPARE(r.f.messages.shown.size(), 2);
        for (const auto &box : r.f.messages.shown) {
            QCOMPARE(box.title, QStringLiteral("Nearbell"));
            QCOMPARE(box.text, QStringLiteral("You should select a station first"));
            QCOMPARE(box.icon, MessageDisplay::Icon::None);
        }
        QCOMPARE(r.f.c.lstStations->count(), 4);
        QCOMPARE(r.f.acked(), QStringList{"AB1CD"});
        QVERIFY(r.f.c.Timer1->isActive());
        r.ack.mnuPopup1Ack_Click(); // pop-up without a selection changes nothing
        QCOMPARE(r.f.c.lstStations->count(), 4);
    }

    // After a line leaves its list, or a scan refills lstStations, nothing
    // there is selected: a press without a new choice acts on no station.
    void nothingSelectedAfterRemoval_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("acknowledge button") << "ack";
        QTest::newRow("acknowledge pop-up") << "ackPopup";
        QTest::newRow("re-arm button") << "rearm";
        QTest::newRow("re-arm pop-up") << "rearmPopup";
        QTest::newRow("scan refill") << "scan";
    }
    void nothingSelectedAfterRemoval()
    {
        QFETCH(QString, command);
        Run r;
        r.f.window->show();
        r.f.c.lstAcked->addItems({"AA1", "BB2", "CC3"});
        QCoreApplication::processEvents(); // focus arrives before the choice
        const bool stations = !command.startsWith("rearm");
        ListBox *list = stations ? r.f.c.lstStations : r.f.c.lstAcked;
        list->setSelectedRow(1);
        if (command == "ack")
            r.f.c.cmdAck->click();
        else if (command == "ackPopup")
            r.ack.mnuPopup1Ack_Click();
        else if (command == "rearm")
            r.f.c.cmdRearm->click();
        else if (command == "rearmPopup")
            r.ack.mnuPopup2ReArm_Click();
        else {
            r.f.addStation("DEMO-1", 1);
            r.f.addStation("DEMO-3", 2);
            ScanState state;
            StationScan scan(r.f.c, state, r.f.objStation, r.f.globals);
            scan.setHost(&r.f.host);
            scan.scan_stations();
            QCOMPARE(r.f.stationLines(), (QStringList{"DEMO-1 distance 1.", "DEMO-3 distance 2."}));
        }
        QCoreApplication::processEvents();
        QCOMPARE(list->selectedRow(), -1);
        QCOMPARE(list->currentRow(), -1);

        const QStringList stationsBefore = r.f.stationLines();
        const QStringList ackedBefore = r.f.acked();
        (stations ? r.f.c.cmdAck : r.f.c.cmdRearm)->click();
        QCOMPARE(r.f.messages.shown.size(), 1);
        QCOMPARE(r.f.messages.shown[0].text, QStringLiteral("You should select a station first"));
        QCOMPARE(r.f.stationLines(), stationsBefore);
        QCOMPARE(r.f.acked(), ackedBefore);
    }

    void acknowledgeAll()
    {
        Run r;
        r.f.c.lstAcked->addItem("IJ3KL");
        r.f.c.cmdAckAll->click();
        QCOMPARE(r.f.acked(), (QStringList{"AB1CD", "EF2GH", "IJ3KL"}));
        QCOMPARE(r.f.c.lstStations->count(), 0);
        QVERIFY(r.f.c.Timer1->isActive());

        r.f.c.Timer1->stop();
        r.f.c.cmdAckAll->click(); // empty list: nothing added, timer still restarted
        QCOMPARE(r.f.acked().size(), 3);
        QVERIFY(r.f.c.Timer1->isActive());
    }

    void rearm()
    {
        Run r;
        r.f.c.lstAcked->addItems({"AB1CD", "AB1CD", "ZZ9ZZ"});
        r.f.c.lstAcked->setSelectedRow(0);
        r.f.c.Timer1->stop();
        r.ack.mnuPopup2ReArm_Click(); // the pop-up command leaves Timer1 alone
        QVERIFY(!r.f.c.Timer1->isActive());
        QCOMPARE(r.f.acked(), (QStringList{"AB1CD", "ZZ9ZZ"}));

        r.f.c.lstAcked->setSelectedRow(1);
        r.f.c.cmdRearm->click();
        QVERIFY(r.f.c.Timer1->isActive());
        QCOMPARE(r.f.acked(), QStringList{"AB1CD"});

        r.f.c.Timer1->stop();
        r.f.c.cmdRearmAll->click();
        QVERIFY(r.f.acked().isEmpty());
        QVERIFY(!r.f.c.Timer1->isActive());
    }

    // Saved files come back byte for byte; reading follows the line rules.
    void fileRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("callsigns") << QByteArray("AB1CD\r\nEF2GH-9\r\n")
                                   << QStringList{"AB1CD", "EF2GH-9"};
        QTest::newRow("duplicates and empty kept")
            << QByteArray("\r\nAB1CD\r\nAB1CD\r\n") << QStringList{"", "AB1CD", "AB1CD"};
        QTest::newRow("8-bit text") << QByteArray("D\xc9J\xc0\r\nZ\xe9\r\n")
                                    << QStringList{QString::fromLatin1("D\xc9J\xc0"),
                                                   QString::fromLatin1("Z\xe9")};
        QTest::newRow("binary bytes") << QByteArray("\x01\x02\x7f\0X\r\nY\tZ\r\n", 12)
                                      << QStringList{QString::fromLatin1("\x01\x02\x7f\0X", 5),
                                                     "Y\tZ"};
    }
    void fileRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QTemporaryDir dir;
        const QString path = dir.filePath("nearbell.LST");
        writeBytes(path, bytes);
        Run r;
        r.ack.setListFile(path);
        QVERIFY(r.ack.load_acked_list());
        QCOMPARE(r.f.acked(), entries);
        QFile::remove(path);
        QVERIFY(r.ack.save_acked_list());
        QCOMPARE(readBytes(path), bytes);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"nearbell.LST"});
    }

    // The end times beside the list file, read against the acknowledged
    // list at 12:00 UTC: each line either gives an end or is told of.
    void ackTimesFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("ends"); // callsign and minutes left
        QTest::addColumn<int>("readings");
        QTest::newRow("CR LF and LF") << QByteArray("AB1CD 2026-12-08T12:30:00Z\r\nEF2GH 2026-12-08T12:45:00Z\n")
                                      << QStringList{"AB1CD 30", "EF2GH 45"} << 0;
        QTest::newRow("garbage lines") << QByteArray("AB1CD\r\n\x01\x02 x\r\nEF2GH tomorrow\r\n\r\n")
                                       << QStringList{} << 3;
        QTest::newRow("in the past: due at once") << QByteArray("AB1CD 2020-01-01T00:00:00Z\r\n")
                                                  << QStringList{"AB1CD 0"} << 1;
        QTest::newRow("the year 9999: an hour") << QByteArray("AB1CD 9999-12-31T23:59:00Z\r\n")
                                                << QStringList{"AB1CD 60"} << 1;
        QTest::newRow("not in the list file") << QByteArray("ZZ9ZZ 2026-12-08T12:30:00Z\r\n") << QStringList{} << 1;
        QTest::newRow("offset other than UTC") << QByteArray("AB1CD 2026-12-08T13:10:00+01:00")
                                               << QStringList{"AB1CD 10"} << 0;
    }
    void ackTimesFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, ends);
        QTemporaryDir dir;
        const QString path = dir.filePath("nearbell.ACKTIME");
        writeBytes(path, bytes);
        qint64 steady = 5000;
        const QDateTime noon(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
        AckTimes times;
        times.setClocks([&] { return steady; }, [&] { return noon; });
        QFETCH(int, readings);
        QStringList told;
        QVERIFY(times.read(path, {"AB1CD", "EF2GH"}, &told));
        QCOMPARE(told.size(), qsizetype(readings));
        QStringList found;
        for (const QString &callsign : {QStringLiteral("AB1CD"), QStringLiteral("EF2GH")}) {
            if (const auto end = times.endsAt(callsign))
                found << callsign + u' ' + QString::number(std::max<qint64>(0, noon.secsTo(*end) / 60));
        }
        QCOMPARE(found, ends);
        // Written back whole, in whole seconds of UTC.
        QVERIFY(times.write(path));
        AckTimes again;
        again.setClocks([&] { return steady; }, [&] { return noon; });
        QVERIFY(again.read(path, {"AB1CD", "EF2GH"}, nullptr));
        for (const QString &callsign : {QStringLiteral("AB1CD"), QStringLiteral("EF2GH")})
            QCOMPARE(again.endsAt(callsign).has_value(), times.endsAt(callsign).has_value());
    }

    // The kept watch list reads as typing would have entered it, and is
    // saved whole or not at all.
    void keptWatchList()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("nearbell.WATCH");
        QByteArray bytes = "  dl1abc \r\n\r\n   \nAB 1CD\r\nK1X\r\n";
        for (int i = 0; i < 10000; ++i)
            bytes += "N" + QByteArray::number(i) + "\r\n";
        writeBytes(path, bytes);
        QStringList callsigns;
        QStringList readings;
        QVERIFY(WatchListFile::read(path, &callsigns, &readings));
        QCOMPARE(callsigns.size(), 10003);
        QCOMPARE(callsigns.mid(0, 4), (QStringList{"DL1ABC", "AB1CD", "K1X", "N0"}));
        QCOMPARE(readings.size(), 2); // two empty lines left out, two changed
        QVERIFY(WatchListFile::write(path, {"DL1ABC", "K1X"}));
        QCOMPARE(readBytes(path), QByteArray("DL1ABC\r\nK1X\r\n"));
        QVERIFY(QFile::remove(path) && QDir().mkpath(path)); // a folder in its place
        QVERIFY(!WatchListFile::write(path, {"X"}));
        QVERIFY(QFileInfo(path).isDir());
        callsigns.clear();
        QVERIFY(WatchListFile::read(dir.filePath("missing.WATCH"), &callsigns, &readings));
        QVERIFY(callsigns.isEmpty());
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no final line end") << QByteArray("A\r\nB") << QStringList{"A", "B"};
        QTest::newRow("CR alone ends a line") << QByteArray("A\rB\r") << QStringList{"A", "B"};
        QTest::newRow("CR CR LF") << QByteArray("A\r\r\nB") << QStringList{"A", "", "B"};
        QTest::newRow("LF alone ends a line") << QByteArray("AB1CD\nXY9\n") << QStringList{"AB1CD", "XY9"};
        QTest::newRow("mixed ends, last without")
            << QByteArray("A\r\nB\nC\rD\n\rE") << QStringList{"A", "B", "C", "D", "", "E"};
        QTest::newRow("only CR LF") << QByteArray("\r\n") << QStringList{""};
        const QByteArray longLine(300000, 'K');
        QTest::newRow("very long line cut, next line kept")
            << (longLine + "\r\nB") << QStringList{QString(4096, u'K'), "B"};
        QByteArray split = QByteArray(64 * 1024 - 2, '\n') + "S\r\nT"; // the CR ends one read
        QStringList splitLines(64 * 1024 - 2, QString());
        splitLines << "S" << "T";
        QTest::newRow("line end across reads") << split << splitLines;
    }
    void readingRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath("list.LST");
        writeBytes(path, bytes);
        QStringList read;
        QVERIFY(AckListFile::read(path, [&](const QString &line) { read.append(line); }));
        QCOMPARE(read, lines);
    }

    // A file edited here (LF ends, any letter case) loads sorted without
    // regard to case and is written back with CR LF, then reads back unchanged.
    void editedFileNormalisedOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("nearbell.LST");
        writeBytes(path, "ZZ1\nab1cd\nAB2\nab1CD");
        Run r;
        r.ack.setListFile(path);
        QVERIFY(r.ack.load_acked_list());
        QCOMPARE(r.f.acked(), (QStringList{"ab1cd", "ab1CD", "AB2", "ZZ1"}));
        QVERIFY(r.ack.save_acked_list());
        const QByteArray saved("ab1cd\r\nab1CD\r\nAB2\r\nZZ1\r\n");
        QCOMPARE(readBytes(path), saved);
        Run again;
        again.ack.setListFile(path);
        QVERIFY(again.ack.load_acked_list());
        QVERIFY(again.ack.save_acked_list());
        QCOMPARE(readBytes(path), saved);
    }

    void missingFileAndLoadJoinsList()
    {
        QTemporaryDir dir;
        Run r;
        r.f.c.lstAcked->addItem("MM1MM");
        r.ack.setListFile(dir.filePath("none.LST"));
        QVERIFY(!r.ack.load_acked_list());
        QCOMPARE(r.f.acked(), QStringList{"MM1MM"});
        QVERIFY(r.f.messages.shown.isEmpty());
        writeBytes(dir.filePath("none.LST"), "ZZ1ZZ\r\nAA1AA\r\n");
        QVERIFY(r.ack.load_acked_list());
        QCOMPARE(r.f.acked(), (QStringList{"AA1AA", "MM1MM", "ZZ1ZZ"}));
    }

    // A save that cannot complete leaves the previous file whole.
    void failedSaveKeepsPreviousFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("path is a folder") << "folder";
    }
    void failedSaveKeepsPreviousFile()
    {
        QFETCH(QString, how);
        if (how == "readonly" && ::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QTemporaryDir dir;
        const QByteArray previous("OLD1\r\nOLD2\r\n");
        QString path = dir.filePath("ro/list.LST");
        QDir().mkpath(dir.filePath("ro"));
        writeBytes(path, previous);
        if (how == "readonly")
            QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
        else if (how == "missing")
            path = dir.filePath("gone/list.LST");
        else
            path = dir.filePath("ro");
        Run r;
        r.f.c.lstAcked->addItems({"NEW1", "NEW2"});
        r.ack.setListFile(path);
        QVERIFY(!r.ack.save_acked_list());
        QCOMPARE(readBytes(dir.filePath("ro/list.LST")), previous);
        QCOMPARE(QDir(dir.filePath("ro")).entryList(QDir::Files), QStringList{"list.LST"});
        QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A write that fails part-way (the disk fills up) replaces nothing: a
    // file-size limit makes the write fail after the first kilobyte.
    void writeFailingPartWayKeepsPreviousFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("list.LST");
        writeBytes(path, "OLD\r\n");
        Run r;
        for (int i = 0; i < 20000; ++i)
            r.f.c.lstAcked->addItem(QStringLiteral("CALL%1").arg(i));
        r.ack.setListFile(path);

        rlimit before{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before;
        small.rlim_cur = 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = r.ack.save_acked_list();
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!saved);
        QCOMPARE(readBytes(path), QByteArray("OLD\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"list.LST"});
        // With room again the same save goes through whole.
        QVERIFY(r.ack.save_acked_list());
        QVERIFY(readBytes(path).endsWith("CALL9999\r\n"));
    }
};

NEARBELL_TEST(AckListTest)
#include "AckListTest.moc"
