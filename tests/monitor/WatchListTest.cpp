#include "common/TestRegistry.h"
#include "MonitorFixture.h"

#include "monitor/StationScan.h"
#include "monitor/WatchList.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

using namespace nearbell;
using namespace nearbell::test;

class WatchListTest : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        MonitorFixture f;
        ScanState state;
        StationScan stations{f.c, state, f.objStation, f.globals};
        WatchList watch{f.c, state, f.objStation, f.messages, QStringLiteral("Nearbell")};
        int yields = 0;
        Run()
        {
            stations.setHost(&f.host);
            watch.setHost(&f.host);
            stations.setYield([] {});
            watch.setYield([this] { ++yields; }, std::chrono::nanoseconds::zero());
        }
        void watchFor(const QStringList &calls) { f.c.lstWatch->addItems(calls); }
        void cycle()
        {
            state.blnAlarm = false;
            stations.scan_stations();
            watch.scan_watchlist();
        }
    };

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void scanRules_data()
    {
        QTest::addColumn<QStringList>("watched");
        QTest::addColumn<QStringList>("ackedList");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<QString>("caption");
        // Host: NEAR at 3 (in range 25), FAR at 500, MY0CALL at 0, GHOST listed but unknown.
        const QStringList none;
        QTest::newRow("nothing watched")
            << none << none << QStringList{"NEAR distance 3."} << true
            << "(minimum distance observed is 3.)";
        QTest::newRow("far station at any distance")
            << QStringList{"FAR"} << none << QStringList{"FAR (watch) 500.", "NEAR distance 3."}
            << true << "(minimum distance observed is 3.)";
        QTest::newRow("near station listed twice")
            << QStringList{"NEAR"} << none << QStringList{"NEAR (watch) 3.", "NEAR distance 3."}
            << true << "(minimum distance observed is 3.)";
        QTest::newRow("own callsign watched")
            << QStringList{"MY0CALL"} << QStringList{"NEAR"} << QStringList{"MY0CALL (watch) ."}
            << true << "(minimum distance observed is .)";
        QTest::newRow("far becomes the minimum")
            << QStringList{"FAR"} << QStringList{"NEAR"} << QStringList{"FAR (watch) 500."}
            << true << "(minimum distance observed is 500.)";
        QTest::newRow("acknowledged watched station")
            << QStringList{"FAR"} << QStringList{"FAR", "NEAR"} << none << false
            << "No stations within alarm range";
        QTest::newRow("not heard") << QStringList{"XX9XX"} << QStringList{"NEAR"} << none << false
                                   << "No stations within alarm range";
        QTest::newRow("heard but host has no record alarms without a line")
            << QStringList{"GHOST"} << QStringList{"NEAR"} << none << true
            << "No stations within alarm range";
        QTest::newRow("case-sensitive") << QStringList{"far"} << QStringList{"NEAR"} << none
                                        << false << "No stations within alarm range";
        QTest::newRow("inner blank never matches")
            << QStringList{"F AR"} << QStringList{"NEAR"} << none << false
            << "No stations within alarm range";
    }
    void scanRules()
    {
        QFETCH(QStringList, watched);
        QFETCH(QStringList, ackedList);
        QFETCH(QStringList, lines);
        QFETCH(bool, alarm);
        QFETCH(QString, caption);
        Run r;
        r.f.addStation("NEAR", 3);
        r.f.addStation("FAR", 500, "*");
        r.f.addStation("MY0CALL", 0);
        r.f.host.appendEntry("/GHOST 1");
        r.watchFor(watched);
        r.f.c.lstAcked->addItems(ackedList);
        r.cycle();
        QCOMPARE(r.f.stationLines(), lines);
        QCOMPARE(r.state.blnAlarm, alarm);
        QCOMPARE(r.f.c.lblMinDist->text(), caption);
        QCOMPARE(r.yields, 4); // after every index, none after the loop
    }

    // Under its budget the watch scan yields once, at its end, and the
    // caption still comes from the whole cycle.
    void yieldOwedAtTheEnd()
    {
        Run r;
        r.watch.setYield([&r] { ++r.yields; }, std::chrono::hours(1));
        r.f.addStation("NEAR", 3);
        r.f.addStation("FAR", 500);
        r.watchFor({"FAR"});
        r.cycle();
        QCOMPARE(r.yields, 1);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 3.)"));
    }

    void failureKeepsStationScanCaption()
    {
        Run r;
        r.f.addStation("A1", 1);
        r.f.addStation("W2", 900);
        r.f.addStation("W3", 950);
        r.watchFor({"W2", "W3"});
        // The station scan makes look-ups 0 to 2 (A1, W2, W3); the watch
        // scan's second look-up (W3) fails.
        r.f.host.failGetStationOnCall(4);
        r.cycle();
        QCOMPARE(r.f.stationLines(), (QStringList{"A1 distance 1.", "W2 (watch) 900."}));
        QVERIFY(r.state.blnAlarm);
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 1.)"));
    }

    void malformedEntrySkippedEmptyEntryEnds()
    {
        Run r;
        r.f.host.appendEntry("/BROKEN");
        r.f.addStation("W1", 700);
        r.f.host.appendEntry(QString());
        r.f.addStation("W2", 800);
        r.watchFor({"W1", "W2", "BROKEN"});
        r.cycle();
        QCOMPARE(r.f.stationLines(), QStringList{"W1 (watch) 700."});
        QCOMPARE(r.f.c.lblMinDist->text(), QStringLiteral("(minimum distance observed is 700.)"));
    }

    // Typing goes through the upper-casing filter; blanks are dropped; Enter adds.
    void keyFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("text");
        QTest::newRow("lower case and blank") << "ab 1" << "AB1";
        QTest::newRow("already capitals") << "AB1CD-9" << "AB1CD-9";
        QTest::newRow("accented letter") << QString::fromUtf8("\xc3\xa9t\xc3\xa9") << QString::fromUtf8("\xc3\x89T\xc3\x89");
        QTest::newRow("only blanks") << "   " << "";
        QTest::newRow("outside the code page") << (QString(QChar(0x436)) + "a") << (QString(QChar(0x436)) + "A");
    }
    void keyFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, text);
        Run r;
        // Key events as the keyboard sends them, each carrying its character.
        for (const QChar ch : typed) {
            const int key = ch == u' ' ? int(Qt::Key_Space) : int(ch.toUpper().unicode());
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(r.f.c.txtWatch, &press);
            QApplication::sendEvent(r.f.c.txtWatch, &release);
        }
        QCOMPARE(r.f.c.txtWatch->text(), text);
        QCOMPARE(r.f.c.lstWatch->count(), 0);
    }

    void enterAddsAndEditingKeysWork()
    {
        Run r;
        QTest::keyClicks(r.f.c.txtWatch, "ab1cx");
        QTest::keyClick(r.f.c.txtWatch, Qt::Key_Backspace);
        QTest::keyClicks(r.f.c.txtWatch, "d");
        QTest::keyClick(r.f.c.txtWatch, Qt::Key_Return);
        QTest::keyClicks(r.f.c.txtWatch, "ab1cd");
        QTest::keyClick(r.f.c.txtWatch, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(r.f.c.lstWatch->count(), 2); // duplicates allowed
        QCOMPARE(r.f.c.lstWatch->text(0), QStringLiteral("AB1CD"));
        QCOMPARE(r.f.c.lstWatch->text(1), QStringLiteral("AB1CD"));
        QVERIFY(r.f.c.txtWatch->text().isEmpty());
        QVERIFY(r.f.messages.shown.isEmpty());
    }

    void pastedTextIsNotFiltered()
    {
        Run r;
        QApplication::clipboard()->setText("  ab 1cd ");
        r.f.c.txtWatch->paste();
        QCOMPARE(r.f.c.txtWatch->text(), QStringLiteral("  ab 1cd "));
        r.watch.cmdAddWatch_Click();
        QCOMPARE(r.f.c.lstWatch->text(0), QStringLiteral("ab 1cd"));
    }

    void addWithoutCallsign_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "    ";
    }
    void addWithoutCallsign()
    {
        QFETCH(QString, text);
        Run r;
        r.f.c.txtWatch->setText(text);
        r.f.c.cmdAddWatch->click();
        QCOMPARE(r.f.c.lstWatch->count(), 0);
        QCOMPARE(r.f.messages.shown.size(), 1);
        QCOMPARE(r.f.messages.shown[0].title, QStringLiteral("Nearbell"));
        QCOMPARE(r.f.messages.shown[0].text,
                 QStringLiteral("You're supposed to put a callsign in the box!"));
        QCOMPARE(r.f.messages.shown[0].icon, MessageDisplay::Icon::Critical);
    }

    void showHideAndTimer2()
    {
        Run r;
        r.watch.setShowWatchList(false);
        r.watch.show_hide_watchlist();
        r.f.c.Timer2->stop();
        auto shows = [&](bool watchList) {
            return r.f.c.lstWatch->isVisibleTo(r.f.window.get()) == watchList
                   && r.f.c.lstOverlayItems->isVisibleTo(r.f.window.get()) != watchList
                   && r.f.c.cmdShowWatch->text() == (watchList ? "Hide" : "Show")
                   && r.f.c.lblOverlays->text()
                          == (watchList ? "Watch list" : "Overlay objects in alarm");
        };
        QVERIFY(shows(false));

        r.f.c.cmdShowWatch->click();
        QVERIFY(shows(true));
        QVERIFY(r.f.c.Timer2->isActive());

        // "Hide" hides at once and leaves Timer2 running; its tick then
        // repeats the hidden state and switches it off.
        r.f.c.cmdShowWatch->click();
        QVERIFY(shows(false));
        QVERIFY(r.f.c.Timer2->isActive());
        QMetaObject::invokeMethod(r.f.c.Timer2, "timeout");
        QVERIFY(shows(false));
        QVERIFY(!r.f.c.Timer2->isActive());

        // Shown, then hidden by the timer itself.
        r.f.c.Timer2->setInterval(50);
        r.f.c.cmdShowWatch->click();
        QVERIFY(shows(true));
        QTRY_VERIFY_WITH_TIMEOUT(shows(false), 2000);
        QVERIFY(!r.f.c.Timer2->isActive());
        QVERIFY(!r.watch.gblnShowWatchList());
    }

    void deleteLeavesDuplicateWatched()
    {
        Run r;
        r.f.addStation("W1", 700);
        r.watchFor({"W1", "W1"});
        r.watch.mnuPopu3Delete_Click(); // no selection: nothing happens
        QCOMPARE(r.f.c.lstWatch->count(), 2);
        r.f.c.lstWatch->setSelectedRow(0);
        r.watch.mnuPopu3Delete_Click();
        QCOMPARE(r.f.c.lstWatch->count(), 1);
        // The remaining entry is not selected in the deleted one's place.
        QCOMPARE(r.f.c.lstWatch->selectedRow(), -1);
        QCOMPARE(r.f.c.lstWatch->currentRow(), -1);
        r.cycle();
        QCOMPARE(r.f.stationLines(), QStringList{"W1 (watch) 700."});
        r.f.c.lstWatch->setSelectedRow(0);
        r.watch.mnuPopu3Delete_Click();
        r.cycle();
        QVERIFY(r.f.stationLines().isEmpty());
        QVERIFY(!r.state.blnAlarm);
    }
};

NEARBELL_TEST(WatchListTest)
#include "WatchListTest.moc"
