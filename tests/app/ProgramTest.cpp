#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/Program.h"
#include "app/Settings.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "host/HostExtension.h"
#include "host/ScriptedHost.h"
#include "monitor/StationMonitor.h"
#include "platform/DesktopOpener.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"
#include "ui/PopupMenuPresenter.h"
#include "ui/frmMain.h"

using namespace nearbell;

namespace {

class SilentSound : public SoundPlayer
{
public:
    void play(const QString &path) override { played << path; }
    QStringList played;
};

class CountingRaiser : public WindowRaiser
{
public:
    void bringToFront() override { ++raised; }
    int raised = 0;
};

class NoDesktop : public DesktopOpener
{
public:
    bool open(const QString &target) override
    {
        opened << target;
        return false;
    }
    QStringList opened;
};

class NoPopups : public PopupMenuPresenter
{
public:
    void popup(QMenu *, QPoint) override {}
};

// A host that offers the extension and records each watch list it is told.
class WatchRecordingHost : public ScriptedHost, public HostExtension
{
public:
    StatusParts statusParts() const override { return {}; }
    void setWatchedCallsigns(const QStringList &callsigns) override { told.append(callsigns); }
    QList<QStringList> told;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// One run of the program in a temporary program folder, with every machine
// service replaced by a fake that records what happened.
struct Run
{
    explicit Run(const QString &folder, const QString &exeName = QStringLiteral("nearbell"))
    {
        services.programFolder = folder;
        services.executableName = exeName;
        services.messages = &messages;
        services.popups = &popups;
        services.sound = &sound;
        services.raiser = &raiser;
        services.opener = &opener;
        services.anotherInstanceRunning = [this] {
            events << QStringLiteral("instance check");
            return otherInstance;
        };
        services.createHost = [this](const ProgramGlobals &) {
            events << QStringLiteral("host created");
            std::unique_ptr<ScriptedHost> h;
            if (extendedHost)
                h = std::make_unique<WatchRecordingHost>();
            else
                h = std::make_unique<ScriptedHost>();
            host = h.get();
            return std::unique_ptr<HostApplication>(std::move(h));
        };
        services.endProgram = [this](int status) {
            events << QStringLiteral("ended %1").arg(status);
        };
        services.quit = [this] { events << QStringLiteral("quit"); };
        program = std::make_unique<Program>(services);
    }

    test::RecordingMessageDisplay messages;
    NoPopups popups;
    SilentSound sound;
    CountingRaiser raiser;
    NoDesktop opener;
    ProgramServices services;
    bool otherInstance = false;
    bool extendedHost = false;
    QStringList events;
    ScriptedHost *host = nullptr;
    std::unique_ptr<Program> program;
};

const QByteArray demoProfile = "[STATION]\r\nCALLSIGN=N0DEMO\r\nLATITUDE=5212.34N\r\nLONGITUDE=00512.34E\r\n";

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void captionAndPaths()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path(), QStringLiteral("Y"));
        QVERIFY(run.program->Form_Load());
        const ProgramGlobals &g = run.program->globals();
        QCOMPARE(g.gstrProgramTitle, QStringLiteral("UI-View32 add-on Nearbell"));
        QCOMPARE(g.gstrCaption, QStringLiteral("UI-View32 add-on Nearbell V0.5.4"));
        QCOMPARE(run.program->window()->windowTitle(), g.gstrCaption);
        QCOMPARE(run.program->strIniFile(), dir.filePath("Y.INI"));
        QCOMPARE(run.program->strListFile(), dir.filePath("Y.LST"));
        QCOMPARE(g.gstrHelpFile, dir.filePath("Y.html"));
        QCOMPARE(g.gstrHostIniFile, dir.filePath("uiview32.ini"));
        QCOMPARE(g.gstrMyCallsign, QStringLiteral("N0DEMO"));
        QVERIFY(QFile::exists(dir.filePath("Y.INI")));
    }

    void startupOrder()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.LST"), "AB1CD\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.events, (QStringList{"instance check", "host created"}));
        frmMain *w = run.program->window();
        QVERIFY(w->isVisible());
        QCOMPARE(run.host->attachCalls(), 1);
        QCOMPARE(run.host->lastAttachOption(), qint32(-1));
        // The watch list starts hidden with its timer stopped.
        QVERIFY(!w->lstWatch->isVisibleTo(w));
        QVERIFY(w->lstOverlayItems->isVisibleTo(w));
        QCOMPARE(w->cmdShowWatch->text(), QStringLiteral("Show"));
        QVERIFY(!w->Timer2->isActive());
        QVERIFY(w->Timer1->isActive());
        // The list file is read last.
        QCOMPARE(w->lstAcked->count(), 1);
        QCOMPARE(w->lstAcked->item(0)->text(), QStringLiteral("AB1CD"));
        QVERIFY(run.messages.shown.isEmpty());
    }

    void secondInstanceStopsBeforeTouchingFiles()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        run.otherInstance = true;
        QVERIFY(!run.program->Form_Load());
        QCOMPARE(run.events, (QStringList{"instance check", "ended 1"}));
        QCOMPARE(run.messages.shown.size(), 1);
        QCOMPARE(run.messages.shown[0].text,
                 QStringLiteral("Another instance of this program (UI-View32 add-on Nearbell V0.5.4) is already running"));
        QCOMPARE(run.messages.shown[0].title, QStringLiteral("UI-View32 add-on Nearbell V0.5.4"));
        QCOMPARE(run.messages.shown[0].icon, MessageDisplay::Icon::Critical);
        QVERIFY(!QFile::exists(dir.filePath("nearbell.INI")));
        QVERIFY(!run.program->window()->isVisible());
    }

    void missingCallsignIsCriticalStop_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<bool>("writeProfile");
        QTest::newRow("no profile") << QByteArray() << false;
        QTest::newRow("no section") << QByteArray("[HOST]\r\nSOURCE=DEMO\r\n") << true;
        QTest::newRow("NOCALL") << QByteArray("[STATION]\r\nCALLSIGN=NOCALL\r\n") << true;
        QTest::newRow("binary garbage") << QByteArray("\x01\xff[ST\0ATION\r\n==\r\n", 18) << true;
    }

    void missingCallsignIsCriticalStop()
    {
        QFETCH(QByteArray, profile);
        QFETCH(bool, writeProfile);
        QTemporaryDir dir;
        if (writeProfile)
            writeFile(dir.filePath("uiview32.ini"), profile);
        Run run(dir.path());
        QVERIFY(!run.program->Form_Load());
        QVERIFY(run.program->ended());
        QVERIFY(run.program->exitStatus() != 0);
        QCOMPARE(run.messages.shown.size(), 1);
        const auto &box = run.messages.shown[0];
        QCOMPARE(box.icon, MessageDisplay::Icon::Critical);
        QCOMPARE(box.title, QStringLiteral("UI-View32 add-on Nearbell V0.5.4 Error message"));
        QCOMPARE(box.text, QStringLiteral("The following critical error has ocurred, you may want to read the online "
                                          "help file (")
                               + dir.filePath("nearbell.html")
                               + QStringLiteral(") on this :\r\n\r\nError getting station callsign from "
                                                "UIView32.INI\r\n\r\nThe program will be stopped"));
        QVERIFY(!run.program->window()->isVisible());
        QVERIFY(!run.events.contains(QStringLiteral("host created")));
        // The profile is never written.
        if (writeProfile)
            QCOMPARE(readAll(dir.filePath("uiview32.ini")), profile);
        else
            QVERIFY(!QFile::exists(dir.filePath("uiview32.ini")));
        QVERIFY(!QFile::exists(dir.filePath("nearbell.LST")));
    }

    void lowerCaseAndEmptyCallsignsRun_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("callsign");
        QTest::newRow("lower nocall") << QByteArray("CALLSIGN=nocall") << "nocall";
        QTest::newRow("empty value") << QByteArray("CALLSIGN=") << "";
    }

    void lowerCaseAndEmptyCallsignsRun()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, callsign);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), "[STATION]\r\n" + line + "\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.program->globals().gstrMyCallsign, callsign);
    }

    void firstRunSettingsFile()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        QCOMPARE(w->txtRadius->text(), QStringLiteral("10"));
        for (QAction *a : {w->mnuAlarm, w->mnuAlarmBringToFront, w->mnuOptionsStations, w->mnuOptionsOverlays})
            QVERIFY(a->isChecked());
        const OptionFlags &o = run.program->options();
        QVERIFY(o.gblnAudibleAlarm && o.gblnBringToFront && o.gblnScanStations && o.gblnScanOverlays);

        const QByteArray ini = readAll(dir.filePath("nearbell.INI"));
        const QList<QByteArray> lines = ini.split('\n');
        QCOMPARE(lines.size(), 10); // nine lines, each ending in CRLF
        QCOMPARE(lines[0], QByteArray("[SETUP]\r"));
        QCOMPARE(lines[1], QByteArray("MIN_DISTANCE=10\r"));
        QCOMPARE(lines[2], QByteArray("BRING_TO_FRONT=TRUE\r"));
        QCOMPARE(lines[3], QByteArray("AUDIBLE_ALARM=TRUE\r"));
        QCOMPARE(lines[4], QByteArray("SCAN_STATIONS=TRUE\r"));
        QCOMPARE(lines[5], QByteArray("SCAN_OVERLAYS=TRUE\r"));
        QVERIFY(lines[6].startsWith("LEFT="));
        QVERIFY(lines[7].startsWith("TOP="));
        QCOMPARE(lines[8], QByteArray("MINIMIZED=FALSE\r"));
        QCOMPARE(lines[9], QByteArray());

        // LEFT and TOP are those of the centred window.
        const double tpp = w->twipsPerPixel();
        const int left = lines[6].mid(5).trimmed().toInt();
        const int top = lines[7].mid(4).trimmed().toInt();
        const QRect screen = w->screen()->geometry();
        QVERIFY(qAbs(left - (screen.width() - w->frameGeometry().width()) * tpp / 2) <= 2 * tpp);
        QVERIFY(qAbs(top - (screen.height() - w->frameGeometry().height()) * tpp / 2) <= 2 * tpp);
    }

    void settingsRoundTripAndToggles()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"),
                  "; mine\r\n[SETUP]\r\nMIN_DISTANCE= 7.5km \r\nAUDIBLE_ALARM=yes\r\nBRING_TO_FRONT=off\r\n"
                  "SCAN_STATIONS=yes\r\nSCAN_OVERLAYS=0\r\nLEFT=1500\r\nTOP=1200\r\nMINIMIZED=FALSE\r\n");
        {
            Run run(dir.path());
            QVERIFY(run.program->Form_Load());
            frmMain *w = run.program->window();
            QCOMPARE(w->txtRadius->text(), QStringLiteral("7.5km"));
            QVERIFY(w->mnuAlarm->isChecked());
            QVERIFY(!w->mnuAlarmBringToFront->isChecked());
            QVERIFY(w->mnuOptionsStations->isChecked());
            QVERIFY(!w->mnuOptionsOverlays->isChecked());
            QVERIFY(!w->lstOverlayItems->isEnabled());
            QCOMPARE(w->pos(), QPoint(100, 80));

            // A toggle changes its own key at once, and nothing else.
            const QByteArray before = readAll(dir.filePath("nearbell.INI"));
            w->mnuOptionsStations->trigger();
            QVERIFY(!run.program->options().gblnScanStations);
            QCOMPARE(w->lstStations->count(), 1);
            QCOMPARE(w->lstStations->item(0)->text(), QStringLiteral("disabled"));
            QVERIFY(!w->lstStations->isEnabled());
            for (QWidget *b : {(QWidget *)w->cmdAck, (QWidget *)w->cmdAckAll, (QWidget *)w->cmdRearm,
                               (QWidget *)w->cmdRearmAll})
                QVERIFY(!b->isEnabled());
            QByteArray expected = before;
            expected.replace("SCAN_STATIONS=yes", "SCAN_STATIONS=FALSE");
            QCOMPARE(readAll(dir.filePath("nearbell.INI")), expected);

            w->mnuOptionsStations->trigger();
            QCOMPARE(w->lstStations->count(), 0);
            QVERIFY(w->lstStations->isEnabled());

            w->txtRadius->setText(QStringLiteral("  12 "));
            w->mnuFileExit->trigger();
            QCOMPARE(run.events.last(), QStringLiteral("quit"));
            QCOMPARE(run.program->saveCount(), 1);
        }
        const QByteArray after = readAll(dir.filePath("nearbell.INI"));
        QVERIFY(after.startsWith("; mine\r\n[SETUP]\r\n"));
        QVERIFY(after.contains("MIN_DISTANCE=12\r\n"));
        QVERIFY(after.contains("AUDIBLE_ALARM=TRUE\r\n"));
        QVERIFY(after.contains("BRING_TO_FRONT=FALSE\r\n"));
        QVERIFY(after.contains("SCAN_STATIONS=TRUE\r\n"));
        QVERIFY(after.contains("SCAN_OVERLAYS=0\r\n"));
        QVERIFY(after.contains("MINIMIZED=FALSE\r\n"));
    }

    void offScreenAndOutOfRangePositionsAreMended_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::addColumn<QByteArray>("top");
        QTest::newRow("far right") << QByteArray("30000") << QByteArray("100");
        QTest::newRow("beyond 16 bits") << QByteArray("99999999") << QByteArray("-99999999");
        QTest::newRow("letters") << QByteArray("abc") << QByteArray("");
    }

    void offScreenAndOutOfRangePositionsAreMended()
    {
        QFETCH(QByteArray, left);
        QFETCH(QByteArray, top);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"), "[SETUP]\r\nLEFT=" + left + "\r\nTOP=" + top + "\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        const QRect screen = w->screen()->availableGeometry();
        QVERIFY(screen.contains(w->frameGeometry().topLeft()));
        run.program->window()->close();
        const QByteArray after = readAll(dir.filePath("nearbell.INI"));
        const int savedLeft = after.mid(after.indexOf("LEFT=") + 5, 12).split('\r').first().toInt();
        QVERIFY(savedLeft >= -32768 && savedLeft <= 32767);
    }

    void startingMinimizedKeepsLoadedPosition()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"), "[SETUP]\r\nLEFT=1500\r\nTOP=1200\r\nMINIMIZED=TRUE\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QVERIFY(run.program->window()->windowState() & Qt::WindowMinimized);
        run.program->window()->close();
        const QByteArray after = readAll(dir.filePath("nearbell.INI"));
        QVERIFY(after.contains("LEFT=1500\r\n"));
        QVERIFY(after.contains("TOP=1200\r\n"));
        QVERIFY(after.contains("MINIMIZED=TRUE\r\n"));
    }

    void eachEndingSavesOnce_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("exit command") << "exit";
        QTest::newRow("close box") << "close";
        QTest::newRow("host closing") << "host";
        QTest::newRow("termination signal") << "signal";
    }

    void eachEndingSavesOnce()
    {
        QFETCH(QString, path);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        w->lstAcked->addItem(QStringLiteral("ZZ9ZZ"));
        w->txtRadius->setText(QStringLiteral("33"));
        if (path == "exit")
            w->mnuFileExit->trigger();
        else if (path == "close")
            w->close();
        else if (path == "host")
            run.host->raiseClosing();
        else
            run.program->terminate();
        // A later close (the toolkit closing windows on quit) saves nothing more.
        w->close();
        QCOMPARE(run.program->saveCount(), 1);
        QCOMPARE(readAll(dir.filePath("nearbell.LST")), QByteArray("ZZ9ZZ\r\n"));
        QVERIFY(readAll(dir.filePath("nearbell.INI")).contains("MIN_DISTANCE=33\r\n"));
        QVERIFY(!w->isVisible() || path == "exit");
    }

    void silentHostEventsChangeNothing()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        w->lstStations->addItem(QStringLiteral("AB1CD distance 1."));
        run.host->raiseDataAvailable();
        run.host->raiseNotifyBeacon(QStringLiteral("AB1CD"), 1.0f, 2.0f);
        run.host->raiseNotifyDelete(QStringLiteral("AB1CD"));
        run.host->raiseNotifyDeleteAllStations();
        QCOMPARE(w->lstStations->count(), 1);
        QVERIFY(w->isVisible());
        QCOMPARE(run.program->saveCount(), 0);
    }

    void watchListChangesReachTheHost()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        run.extendedHost = true;
        QVERIFY(run.program->Form_Load());
        auto *host = dynamic_cast<WatchRecordingHost *>(run.host);
        QVERIFY(host);
        QCOMPARE(host->told, QList<QStringList>{QStringList()}); // told once at start
        frmMain *w = run.program->window();
        for (const QString &callsign : {QStringLiteral("PA3XYZ-9"), QStringLiteral("DL1ABC")}) {
            w->txtWatch->setText(callsign);
            w->cmdAddWatch->click();
        }
        QCOMPARE(host->told.size(), 3);
        QStringList both = host->told.last();
        both.sort();
        QCOMPARE(both, (QStringList{QStringLiteral("DL1ABC"), QStringLiteral("PA3XYZ-9")}));
        delete w->lstWatch->takeItem(0);
        QCOMPARE(host->told.size(), 4);
        QCOMPARE(host->told.last().size(), 1);
        w->lstWatch->clear();
        QCOMPARE(host->told.last(), QStringList());
    }

    void unwritableFolderStillRuns()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        {
            Run run(dir.path());
            QVERIFY(run.program->Form_Load());
            QCOMPARE(run.program->window()->txtRadius->text(), QStringLiteral("10"));
            run.program->window()->close();
            QCOMPARE(run.program->saveCount(), 1);
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(readAll(dir.filePath("uiview32.ini")), demoProfile);
    }
};

NEARBELL_TEST(ProgramTest)
#include "ProgramTest.moc"
