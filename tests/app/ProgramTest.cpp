#include <QApplication>
#include <QDataStream>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTcpSocket>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeZone>
#include <QTest>
#include <QUrl>

#include <csignal>

#include "app/Program.h"
#include "app/RadarLink.h"
#include "app/RadarSettings.h"
#include "app/StationRowCollector.h"
#include "app/StationsLink.h"
#include "app/Settings.h"
#include "app/StatusBoard.h"
#include "common/RecordingMessageDisplay.h"
#include "common/TestRegistry.h"
#include "host/LocalHost.h"
#include "host/StationReport.h"
#include "host/HostExtension.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "host/aprs/NetworkStationSource.h"
#include "host/ScriptedHost.h"
#include "monitor/AlarmHistory.h"
#include "monitor/AlertChannels.h"
#include "monitor/StationMonitor.h"
#include "platform/SingleInstance.h"
#include "platform/DesktopNotifier.h"
#include "platform/Speaker.h"
#include "ui/StatusLine.h"
#include "platform/DesktopOpener.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"
#include "ui/PopupMenuPresenter.h"
#include "host/aprs/Ax25TestFrames.h"
#include "ui/DialogPresenter.h"
#include "ui/frmAlarmHistory.h"
#include "ui/frmApproachTime.h"
#include "ui/frmMain.h"
#include "map/TileService.h"
#include "ui/DialogPresenter.h"
#include "ui/frmMapSource.h"
#include "ui/frmRadar.h"
#include "ui/frmStationDetails.h"
#include "ui/frmStations.h"
#include "platform/A_GetSetIniFile.h"
#include "platform/QtMessageDisplay.h"
#include "ui/DialogPresenter.h"

using namespace nearbell;

namespace {

class SilentSound : public SoundPlayer
{
public:
    void play(const QString &path) override { played << path; }
    QString outputProblem() const override { return problem; }
    QStringList played;
    QString problem;
};

// Keeps a dialog open in a loop of its own, as QDialog::exec does, runs
// whileOpen there, then cancels it.
class HeldDialogs : public DialogPresenter
{
public:
    bool present(QDialog &dialog) override
    {
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [this, &loop] {
            if (whileOpen)
                whileOpen();
            loop.quit();
        });
        loop.exec();
        dialog.reject();
        return false;
    }
    std::function<void()> whileOpen;
};

class CountingRaiser : public WindowRaiser
{
public:
    void bringToFront() override { ++raised; }
    QString unavailableReason() const override { return reason; }
    int raised = 0;
    QString reason;
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
    void popup(QMenu *menu, QPoint) override { shown = menu; }
    QMenu *shown = nullptr; // the last menu asked for; nothing chosen
};

class FakeNotifier : public DesktopNotifier
{
public:
    void notify(const DesktopNotice &notice) override { notices.append(notice); }
    QString unavailableReason() const override { return reason; }
    void click(const QString &tag) { emit activated(tag); }
    QList<DesktopNotice> notices;
    QString reason;
};

class FakeSpeaker : public Speaker
{
public:
    void speak(const QStringList &texts) override { spoken += texts; }
    QString unavailableReason() const override { return reason; }
    QStringList spoken;
    QString reason;
};

// Answers "Approach warning time" with its minutes.
class WarningTime : public DialogPresenter
{
public:
    bool present(QDialog &dialog) override
    {
        auto *time = dynamic_cast<frmApproachTime *>(&dialog);
        if (!time)
            return false;
        shown = time->minutes();
        time->spnMinutes->setValue(minutes);
        return true;
    }
    int minutes = 10;
    int shown = 0;
};

// A host that offers the extension and records each watch list it is told.
class WatchRecordingHost : public ScriptedHost, public HostExtension
{
public:
    StatusParts statusParts() const override
    {
        return position.text.isEmpty() ? sources : sources + StatusParts{position};
    }
    void setWatchedCallsigns(const QStringList &callsigns) override { told.append(callsigns); }
    void applySettings(const HostSettings &) override {}
    StatusPart positionStatus() const override { return position; }
    DistanceUnit distanceUnit() const override { return unit; }
    // Heading north at this speed; unknown when NaN.
    std::optional<double> ownCourse() const override { return std::isnan(speed) ? std::nullopt : std::optional(0.0); }
    std::optional<double> ownSpeedKmh() const override { return std::isnan(speed) ? std::nullopt : std::optional(speed); }
    QList<QStringList> told;
    StatusPart position;
    StatusParts sources;
    DistanceUnit unit = DistanceUnit::Kilometres;
    double speed = std::nan("");
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
        services.instanceCheckFailure = [this] { return instanceFailure; };
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
    QString instanceFailure;
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
        QCOMPARE(w->lstAcked->text(0), QStringLiteral("AB1CD"));
        QVERIFY(run.messages.shown.isEmpty());
    }

    // A running copy, or a folder lock that cannot be checked (said as
    // such, not as a running copy): both stop before any file is touched.
    void secondInstanceStopsBeforeTouchingFiles_data()
    {
        QTest::addColumn<bool>("uncheckable");
        QTest::newRow("another copy runs") << false;
        QTest::newRow("lock cannot be checked") << true;
    }

    void secondInstanceStopsBeforeTouchingFiles()
    {
        QFETCH(bool, uncheckable);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        run.otherInstance = true;
        SingleInstance lock(dir.filePath("uiview32.ini")); // a file: its lock cannot be taken
        if (uncheckable) {
            QVERIFY(lock.anotherInstanceRunning());
            run.instanceFailure = lock.failure();
        }
        QVERIFY(!run.program->Form_Load());
        QCOMPARE(run.events, (QStringList{"instance check", "ended 1"}));
        QCOMPARE(run.messages.shown.size(), 1);
        const QString text = run.messages.shown[0].text;
        if (uncheckable) {
            QVERIFY2(text.startsWith("Nearbell cannot make sure that it is the only copy using its folder: the "
                                     "program folder " + dir.filePath("uiview32.ini") + " cannot be opened: "),
                     qPrintable(text));
            QVERIFY(!text.contains("already running"));
        } else {
            QCOMPARE(text, "Another instance of this program (UI-View32 add-on Nearbell V0.5.4) is already running");
        }
        QCOMPARE(run.messages.shown[0].title, QStringLiteral("UI-View32 add-on Nearbell V0.5.4"));
        QCOMPARE(run.messages.shown[0].icon, MessageDisplay::Icon::Critical);
        QVERIFY(run.messages.shown[0].aboveAll); // the running copy's window may be kept on top
        QVERIFY(!QFile::exists(dir.filePath("nearbell.INI")));
        QVERIFY(!run.program->window()->isVisible());
    }

    // The real box stands above a window kept on top and has the focus.
    void boxAboveAllWindows()
    {
        QWidget onTop;
        onTop.setWindowFlag(Qt::WindowStaysOnTopHint);
        onTop.show();
        QVERIFY(QTest::qWaitForWindowActive(&onTop));
        bool aboveAll = false;
        bool focused = false;
        int polls = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &poll, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || (QApplication::activeWindow() != box && ++polls < 200))
                return;
            aboveAll = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            focused = QApplication::activeWindow() == box;
            box->accept();
        });
        poll.start(5);
        QtMessageDisplay().showAboveAll(QStringLiteral("Nearbell"), QStringLiteral("already running"),
                                        MessageDisplay::Icon::Critical);
        QVERIFY(aboveAll);
        QVERIFY(focused);
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
        QCOMPARE(lines.size(), 23); // 22 lines, each ending in CRLF
        QCOMPARE(lines[0], QByteArray("[SETUP]\r"));
        QCOMPARE(lines[1], QByteArray("MIN_DISTANCE=10\r"));
        QCOMPARE(lines[2], QByteArray("BRING_TO_FRONT=TRUE\r"));
        QCOMPARE(lines[3], QByteArray("AUDIBLE_ALARM=TRUE\r"));
        QCOMPARE(lines[4], QByteArray("SCAN_STATIONS=TRUE\r"));
        QCOMPARE(lines[5], QByteArray("SCAN_OVERLAYS=TRUE\r"));
        QVERIFY(lines[6].startsWith("LEFT="));
        QVERIFY(lines[7].startsWith("TOP="));
        QCOMPARE(lines[8], QByteArray("MINIMIZED=FALSE\r"));
        // The alarm channels follow in a section of their own.
        QCOMPARE(lines.mid(9), (QList<QByteArray>{"\r", "[ALERTS]\r", "NOTIFY=TRUE\r", "SPEAK=FALSE\r",
                                                  "DIRECT=FALSE\r", "NO_WEATHER=FALSE\r",
                                                  "NO_INFRASTRUCTURE=FALSE\r", "APPROACH=FALSE\r",
                                                  "APPROACH_MINUTES=10\r", "REARM_AFTER_MINUTES=0\r",
                                                  "SIREN_NEW_ONLY=FALSE\r", "KEEP_WATCH=FALSE\r", "AT_ONCE=FALSE\r",
                                                  ""}));
        // No file of the options that are off.
        QVERIFY(!QFile::exists(dir.filePath("nearbell.WATCH")) && !QFile::exists(dir.filePath("nearbell.ACKTIME")));

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
            QCOMPARE(w->lstStations->text(0), QStringLiteral("disabled"));
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

    void alertOptionsMenuAndSection()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        const QByteArray setup = "[SETUP]\r\nMIN_DISTANCE=5\r\nBRING_TO_FRONT=TRUE\r\nAUDIBLE_ALARM=TRUE\r\n"
                                 "SCAN_STATIONS=TRUE\r\nSCAN_OVERLAYS=TRUE\r\nLEFT=1500\r\nTOP=1200\r\n"
                                 "MINIMIZED=FALSE\r\n";
        writeFile(dir.filePath("nearbell.INI"),
                  setup + "\r\n[ALERTS]\r\nNOTIFY=no\r\nSPEAK=On\r\nREARM_AFTER_MINUTES=45\r\n");
        FakeSpeaker speaker;
        WarningTime dialogs;
        Run run(dir.path());
        run.services.speaker = &speaker;
        run.services.dialogs = &dialogs;
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();

        QStringList options;
        for (QAction *a : w->mnuOptions->actions())
            options << a->text();
        QCOMPARE(options, (QStringList{"Stations", "Overlay Items", "Desktop notifications", "Speak alarms", "",
                                       "Alarm for stations heard direct", "Leave out weather stations",
                                       "Leave out digipeaters and gateways", "Alarm for stations approaching",
                                       "Approach warning time...", "Re-arm after leaving for 45 minutes",
                                       "Siren for new stations only", "Keep the watch list", "Alarm at once"}));
        QVERIFY(!w->mnuOptionsNotify->isChecked() && !run.program->alertFlags().notify);
        QVERIFY(w->mnuOptionsSpeak->isChecked() && run.program->alertFlags().speak);
        QVERIFY(w->mnuOptionsSpeak->isEnabled());

        w->mnuOptionsNotify->trigger();
        w->mnuOptionsSpeak->trigger();
        QVERIFY(w->mnuOptionsNotify->isChecked() && run.program->alertFlags().notify);
        QVERIFY(!run.program->alertFlags().speak);
        for (QAction *a : {w->mnuOptionsDirect, w->mnuOptionsNoWeather, w->mnuOptionsNoInfrastructure}) {
            QVERIFY(!a->isChecked());
            a->trigger();
            QVERIFY(a->isChecked());
        }
        const AlertFlags &flags = run.program->alertFlags();
        QVERIFY(flags.direct && flags.noWeather && flags.noInfrastructure);
        QVERIFY(w->mnuOptionsRearm->isChecked());
        w->mnuOptionsRearm->trigger();
        QCOMPARE(w->mnuOptionsRearm->text(), QStringLiteral("Re-arm after leaving for 30 minutes"));
        QVERIFY(!w->mnuOptionsRearm->isChecked() && flags.rearmAfterMinutes == 0);
        w->mnuOptionsRearm->trigger();
        QCOMPARE(flags.rearmAfterMinutes, 30);
        for (QAction *a : {w->mnuOptionsApproach, w->mnuOptionsSirenNewOnly, w->mnuOptionsKeepWatch,
                           w->mnuOptionsAtOnce}) {
            QVERIFY(!a->isChecked());
            a->trigger();
            QVERIFY(a->isChecked());
        }
        QVERIFY(flags.approach && flags.sirenNewOnly && flags.keepWatch && flags.atOnce);
        dialogs.minutes = 25;
        w->mnuOptionsApproachTime->trigger();
        QCOMPARE(dialogs.shown, 10);
        QCOMPARE(flags.approachMinutes, 25);
        // Only [ALERTS] changed; [SETUP] is byte for byte what it was.
        QCOMPARE(readAll(dir.filePath("nearbell.INI")),
                 setup + "\r\n[ALERTS]\r\nNOTIFY=TRUE\r\nSPEAK=FALSE\r\nREARM_AFTER_MINUTES=30\r\nDIRECT=TRUE\r\n"
                         "NO_WEATHER=TRUE\r\nNO_INFRASTRUCTURE=TRUE\r\nAPPROACH=TRUE\r\nAPPROACH_MINUTES=25\r\n"
                         "SIREN_NEW_ONLY=TRUE\r\nKEEP_WATCH=TRUE\r\nAT_ONCE=TRUE\r\n");
        // Switched on, the watch list is kept from then on.
        QCOMPARE(readAll(dir.filePath("nearbell.WATCH")), QByteArray());
    }

    // Warning times and re-arm minutes that cannot be used are read as the
    // nearest that can, and said so.
    void alertMinutesRead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("approach");
        QTest::addColumn<int>("rearm");
        QTest::addColumn<bool>("told");
        QTest::newRow("usable") << " 15 " << 15 << 15 << false;
        QTest::newRow("zero") << "0" << 1 << 0 << true;
        QTest::newRow("negative") << "-5" << 1 << 0 << true;
        QTest::newRow("past an hour") << "61" << 60 << 61 << true;
        QTest::newRow("letters") << "abc" << 10 << 0 << true;
    }
    void alertMinutesRead()
    {
        QFETCH(QString, text);
        QFETCH(bool, told);
        QString approachReading;
        QString rearmReading;
        QTEST(Settings::approachMinutesFrom(text, &approachReading), "approach");
        QTEST(Settings::rearmMinutesFrom(text, &rearmReading), "rearm");
        QCOMPARE(!approachReading.isEmpty(), told);
        QCOMPARE(!rearmReading.isEmpty(), text == "abc" || text == "-5");
    }

    void speakItemNeedsAnEngine_data()
    {
        QTest::addColumn<bool>("hasSpeaker");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("toolTip");

        QTest::newRow("no speaker") << false << "" << "Speech is unavailable: no speech engine";
        QTest::newRow("engine missing") << true << "no speech engine is installed"
                                        << "Speech is unavailable: no speech engine is installed";
        QTest::newRow("engine works") << true << "" << "";
    }

    void speakItemNeedsAnEngine()
    {
        QFETCH(bool, hasSpeaker);
        QFETCH(QString, reason);
        QFETCH(QString, toolTip);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        FakeSpeaker speaker;
        speaker.reason = reason;
        Run run(dir.path());
        run.services.speaker = hasSpeaker ? &speaker : nullptr;
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        QCOMPARE(w->mnuOptionsSpeak->isEnabled(), toolTip.isEmpty());
        if (!toolTip.isEmpty())
            QCOMPARE(w->mnuOptionsSpeak->toolTip(), toolTip);
    }

    // A station heard by the host arrives: one notification and, with
    // speech on, its spoken form; the click selects its line; the status
    // line tells of a missing service only while notifications are wanted.
    void arrivalReachesEveryChannel()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"), "[SETUP]\r\nAUDIBLE_ALARM=FALSE\r\n[ALERTS]\r\nSPEAK=TRUE\r\n");
        FakeNotifier notifier;
        FakeSpeaker speaker;
        Run run(dir.path());
        run.services.notifier = &notifier;
        run.services.speaker = &speaker;
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        run.host->appendEntry(QStringLiteral("/DL1ABC 12:00:00"));
        run.host->setStation(QStringLiteral("DL1ABC"), 3.2f);
        run.host->appendEntry(QStringLiteral("/FAR1 12:00:00"));
        run.host->setStation(QStringLiteral("FAR1"), 700.0f);

        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(notifier.notices.size(), 1);
        QCOMPARE(notifier.notices[0].summary, QStringLiteral("DL1ABC is 3.2 km away"));
        QTRY_COMPARE(speaker.spoken, QStringList{"D L 1 A B C, 3.2 kilometres"});

        w->lstStations->setSelectedRow(-1);
        const int raised = run.raiser.raised;
        notifier.click(QStringLiteral("DL1ABC"));
        QCOMPARE(run.raiser.raised, raised + 1);
        const int selected = w->lstStations->selectedRow();
        QVERIFY(selected >= 0);
        QVERIFY(w->lstStations->text(selected).startsWith(QStringLiteral("DL1ABC ")));

        // A desktop that keeps the window back (Wayland): said once, with
        // the notification as the stand-in while it is on.
        run.raiser.reason = QStringLiteral("Bring to front is ignored here");
        notifier.reason = QStringLiteral("Desktop notifications unavailable: no notification service");
        run.program->statusBoard()->refresh();
        QVERIFY(w->lblStatus->plainText().contains(notifier.reason));
        const StatusPart standIn{run.raiser.reason + "; desktop notifications stand in for it", false};
        QCOMPARE(w->lblStatus->parts().count(standIn), 1);
        w->mnuOptionsNotify->trigger();
        run.program->statusBoard()->refresh();
        QVERIFY(!w->lblStatus->plainText().contains(notifier.reason));
        const StatusPart noStandIn{
            run.raiser.reason + "; switch on Options, Desktop notifications to be told of alarms", true};
        QCOMPARE(w->lblStatus->parts().count(noStandIn), 1);
        w->mnuAlarmBringToFront->trigger();
        run.program->statusBoard()->refresh();
        QVERIFY(!w->lblStatus->plainText().contains(run.raiser.reason));
    }

    // Installed, the siren is in the data folder: speech still waits for it.
    void speechWaitsForTheInstalledSiren()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("prog")) && QDir().mkpath(dir.filePath("data/WAV")));
        writeFile(dir.filePath("prog/uiview32.ini"), demoProfile);
        writeFile(dir.filePath("prog/nearbell.INI"), "[SETUP]\r\nAUDIBLE_ALARM=TRUE\r\n[ALERTS]\r\nSPEAK=TRUE\r\n");
        QByteArray wav; // half a second of 16-bit mono silence at 8 kHz
        QDataStream out(&wav, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out.writeRawData("RIFF", 4);
        out << quint32(36 + 8000);
        out.writeRawData("WAVEfmt ", 8);
        out << quint32(16) << quint16(1) << quint16(1) << quint32(8000) << quint32(16000) << quint16(2) << quint16(16);
        out.writeRawData("data", 4);
        out << quint32(8000);
        writeFile(dir.filePath("data/WAV/SIREN.WAV"), wav + QByteArray(8000, '\0'));
        FakeSpeaker speaker;
        Run run(dir.filePath("prog"));
        run.services.dataFolder = dir.filePath("data");
        run.services.speaker = &speaker;
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        run.host->appendEntry(QStringLiteral("/DL1ABC 12:00:00"));
        run.host->setStation(QStringLiteral("DL1ABC"), 3.2f);
        QMetaObject::invokeMethod(run.program->window()->Timer1, "timeout");
        QMetaObject::invokeMethod(run.program->window()->Timer1, "timeout");
        QTest::qWait(250);
        QVERIFY(speaker.spoken.isEmpty());
        QTRY_COMPARE(speaker.spoken.size(), 1);
    }

    // Each of our windows, opened by a click that comes while a scan yields
    // (as every click may), leaves the alarm running: a station heard while
    // it is open is listed and alarms within two cycles, and a scan held by
    // a dialog's own loop adds nothing twice when it resumes.
    void scanGoesOnBehindOurWindows_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("alarm history") << "mnuFileHistory";
        QTest::newRow("radar") << "mnuFileRadar";
        QTest::newRow("station setup") << "mnuFileSetup";
    }

    void scanGoesOnBehindOurWindows()
    {
        QFETCH(QString, item);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        HeldDialogs dialogs;
        run.services.dialogs = &dialogs;
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        run.host->appendEntry("/AB1CD 12:00:00");
        run.host->setStation("AB1CD", 3.2f);
        const QString arrival = QStringLiteral("EF2GH distance 4.5");
        QStringList listedMeanwhile;
        qsizetype sirensMeanwhile = 0;
        const auto meanwhile = [&] {
            run.host->appendEntry("/EF2GH 12:01:00");
            run.host->setStation("EF2GH", 4.5f);
            const qsizetype sirens = run.sound.played.size();
            for (int cycle = 0; cycle < 2 && !w->lstStations->lines().contains(arrival); ++cycle)
                QMetaObject::invokeMethod(w->Timer1, "timeout");
            listedMeanwhile = w->lstStations->lines();
            sirensMeanwhile = run.sound.played.size() - sirens;
        };
        dialogs.whileOpen = meanwhile;
        bool clicked = false;
        run.program->monitor()->setYield(
            [&] {
                if (!std::exchange(clicked, true))
                    w->findChild<QAction *>(item)->trigger();
                QCoreApplication::processEvents();
            },
            std::chrono::nanoseconds(0));
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QVERIFY(clicked);
        if (item != "mnuFileSetup") {
            QWidget *opened = item == "mnuFileRadar" ? static_cast<QWidget *>(run.program->radar()->window())
                                                     : run.program->historyWindow();
            QVERIFY(opened && opened->isVisible());
            meanwhile();
        }
        QVERIFY2(listedMeanwhile.contains(arrival), qPrintable(listedMeanwhile.join(", ")));
        QVERIFY(sirensMeanwhile >= 1);
        QCOMPARE(w->lstStations->lines(), (QStringList{"AB1CD distance 3.2", arrival}));
    }

    // Problems first: the red parts, then the own position, then the
    // sources and what they heard, the whole text kept in the tool tip.
    // Whether alarms can be heard is looked up once a minute.
    void statusLineOrderAndSound()
    {
        const StatusPart gps{QStringLiteral("GPS fix lost: using the last fix, 3 min old"), false};
        const StatusPart aprs{QStringLiteral("APRS-IS 127.0.0.1:14580: connected"), false};
        const StatusPart kiss{QStringLiteral("KISS 127.0.0.1:8001: connection refused"), true};
        const StatusPart heard{QStringLiteral("2 stations heard"), false};
        const StatusPart note{QStringLiteral("desktop notifications stand in"), false};
        using Role = StatusBoard::Role;
        QCOMPARE(StatusBoard::ordered({{Role::Other, {note}}, {Role::Sources, {aprs, kiss}}, {Role::Position, {gps}}}),
                 (StatusParts{kiss, gps, aprs, note}));

        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        FakeSpeaker speaker;
        run.services.speaker = &speaker;
        run.program = std::make_unique<Program>(run.services);
        run.extendedHost = true;
        run.sound.problem = QStringLiteral("no sound server or output device");
        QVERIFY(run.program->Form_Load());
        auto *host = static_cast<WatchRecordingHost *>(run.host);
        host->sources = {aprs, kiss, heard};
        host->position = gps;
        StatusLine *line = run.program->window()->lblStatus;
        run.program->statusBoard()->refresh();
        const StatusPart noSiren{QStringLiteral("No sound device: the siren cannot be heard"), true};
        QCOMPARE(line->parts(), (StatusParts{kiss, noSiren, gps, aprs, heard}));
        QCOMPARE(line->toolTip(), QStringLiteral("<p>%1</p>").arg(line->plainText().toHtmlEscaped()));

        // A headset plugged in counts from the next look.
        run.sound.problem.clear();
        run.program->statusBoard()->refresh();
        QVERIFY(line->parts().contains(noSiren));
        auto *soundCheck = run.program->findChild<QTimer *>(QStringLiteral("soundCheck"));
        QCOMPARE(soundCheck->interval(), 60 * 1000);
        QMetaObject::invokeMethod(soundCheck, "timeout");
        QCOMPARE(line->parts(), (StatusParts{kiss, gps, aprs, heard}));

        // Spoken alarms are no better off without a device; the siren's
        // warning goes with the audible alarm.
        frmMain *w = run.program->window();
        w->mnuOptionsSpeak->trigger();
        w->mnuAlarm->trigger();
        run.sound.problem = QStringLiteral("no sound server or output device");
        QMetaObject::invokeMethod(soundCheck, "timeout");
        const QString noSpeech = QStringLiteral("No sound device: spoken alarms cannot be heard");
        QCOMPARE(line->parts().first(), kiss);
        QCOMPARE(line->parts().at(1), (StatusPart{noSpeech, true}));
        QVERIFY(!line->parts().contains(noSiren));
        QCOMPARE(w->mnuOptionsSpeak->toolTip(), noSpeech);
        speaker.reason = QStringLiteral("no speech engine is installed");
        run.sound.problem.clear();
        QMetaObject::invokeMethod(soundCheck, "timeout");
        QCOMPARE(line->parts().at(1).text,
                 QStringLiteral("Spoken alarms cannot be heard: no speech engine is installed"));
    }

    // An arrival lands in alarms.csv beside the program; File, "Alarm
    // history..." (above "Station setup...") shows it, filters by callsign
    // and opens the folder.
    void alarmHistoryWindow()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        QStringList items;
        for (QAction *a : w->mnuFile->actions())
            items << a->text();
        QCOMPARE(items.mid(0, 4), (QStringList{"Stations...", "&Radar...", "Alarm &history...", "&Station setup..."}));
        for (const char *call : {"DL1ABC", "PA3XYZ"}) {
            run.host->appendEntry(QStringLiteral("/%1 12:00:00").arg(QLatin1String(call)));
            run.host->setStation(QLatin1String(call), 3.2f);
        }
        QMetaObject::invokeMethod(w->Timer1, "timeout");

        w->mnuFileHistory->trigger();
        frmAlarmHistory *history = run.program->historyWindow();
        QVERIFY(history && history->isVisible());
        QCOMPARE(history->shownRows().size(), 2);
        QCOMPARE(history->shownRows().at(0).mid(1, 4), (QStringList{"PA3XYZ", "3.200", "km", ""}));
        history->txtFilter->setText(QStringLiteral("dl1"));
        QCOMPARE(history->shownRows().size(), 1);
        QCOMPARE(history->shownRows().at(0).at(5), QStringLiteral("range"));
        history->cmdOpenFolder->click();
        QCOMPARE(run.opener.opened.last(), QUrl::fromLocalFile(dir.path()).toString());
        // This desktop has nothing to show folders with: a box says so, and where.
        QCOMPARE(run.messages.shown.size(), 1);
        QCOMPARE(run.messages.shown[0].text,
                 QStringLiteral("The folder of the alarm history cannot be opened: no program to show folders was "
                                "found.\n\nOpen it by hand:\n")
                     + QDir(dir.path()).absolutePath());
        QCOMPARE(run.messages.shown[0].icon, MessageDisplay::Icon::Warning);
        history->grdAlarms->setFocus();
        QTest::keyClick(history->grdAlarms, Qt::Key_Escape);
        QVERIFY(!history->isVisible());
    }

    // A station closing at 90 km/h from 20 km north, reporting every 30 s,
    // a cycle every 10 s, range 5: "(approaching)" while still outside,
    // then its distance line; the sound of each reason once (new lines
    // only), and the notification with the closest approach.
    void approachingStationTimeline()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"),
                  "[SETUP]\r\nMIN_DISTANCE=5\r\n[ALERTS]\r\nAPPROACH=TRUE\r\nSIREN_NEW_ONLY=TRUE\r\n");
        QDir(dir.path()).mkpath("WAV");
        writeFile(dir.filePath("WAV/NB_SIREN.WAV"), "");
        writeFile(dir.filePath("WAV/NB_APPROACH.WAV"), "");
        FakeNotifier notifier;
        Run run(dir.path());
        run.services.notifier = &notifier;
        QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
        LocalHost *local = nullptr;
        run.services.createHost = [&](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
            auto host = LocalHost::create(globals.gstrHostIniFile);
            host->table().setClock([&now] { return now; });
            local = host.get();
            return host;
        };
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        QStringList timeline;
        QString lastKey;
        for (int cycle = 0; cycle < 66; ++cycle) {
            const int seconds = cycle * 10 + 5;
            if (cycle % 3 == 0) {
                // The packet as a replay file holds it, through the replay's
                // decoder: course 180, 49 knots (90.7 km/h).
                const double latitude = 3132.34 + (20.0 - 0.75 * cycle / 3) / 1.8532;
                const QByteArray packet = QStringLiteral("DL1ABC>APRS,WIDE1-1:!%1%2.%3N/00512.34E>180/049 moving")
                                              .arg(int(latitude / 60), 2, 10, QLatin1Char('0'))
                                              .arg(int(std::fmod(latitude, 60.0)), 2, 10, QLatin1Char('0'))
                                              .arg(int(std::round(std::fmod(latitude, 1.0) * 100)) % 100, 2, 10,
                                                   QLatin1Char('0'))
                                              .toLatin1();
                AprsPosition position;
                QVERIFY(isReport(AprsDecoder::decodeTnc2(std::string_view(packet.constData(), packet.size()),
                                                         position)));
                StationReport report = toStationReport(position);
                report.source = QStringLiteral("replay");
                now = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC).addSecs(seconds - 5);
                QVERIFY(local->table().apply(report));
            }
            now = QDateTime(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC).addSecs(seconds);
            const qsizetype sirens = run.sound.played.size();
            QMetaObject::invokeMethod(w->Timer1, "timeout");
            const QString line = w->lstStations->lines().join(u'|');
            const QString key = line.section(u' ', 0, 1);
            if (key != lastKey || run.sound.played.size() != sirens)
                timeline << QStringLiteral("%1 (%2 s): %3 %4")
                                .arg(cycle)
                                .arg(seconds)
                                .arg(line, run.sound.played.size() != sirens
                                               ? QFileInfo(run.sound.played.last()).fileName()
                                               : QString());
            lastKey = key;
        }
        QCOMPARE(timeline, (QStringList{"19 (195 s): DL1ABC (approaching) 15.493 NB_APPROACH.WAV",
                                        "63 (635 s): DL1ABC distance 4.244 NB_SIREN.WAV"}));
        QCOMPARE(notifier.notices.size(), 1);
        QCOMPARE(notifier.notices[0].summary,
                 QStringLiteral("DL1ABC approaching: 15.5 km north, closest 0.0 km in 10 minutes"));
        QStringList popup;
        for (QAction *a : w->mnuPopup1->actions())
            popup << a->text();
        QCOMPARE(popup, (QStringList{"Acknowledge", "Acknowledge for an hour"}));
    }

    // With "Keep the watch list" the list is saved at every change and is
    // there after a restart; without it nothing is written or read.
    void keptWatchListAcrossRestart()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"), "[ALERTS]\r\nKEEP_WATCH=TRUE\r\n");
        {
            Run run(dir.path());
            QVERIFY(run.program->Form_Load());
            frmMain *w = run.program->window();
            w->txtWatch->setText(QStringLiteral("DL1ABC"));
            w->cmdAddWatch->click();
            QCOMPARE(readAll(dir.filePath("nearbell.WATCH")), QByteArray("DL1ABC\r\n"));
            w->mnuOptionsKeepWatch->trigger();
            w->txtWatch->setText(QStringLiteral("K1X"));
            w->cmdAddWatch->click();
            QCOMPARE(readAll(dir.filePath("nearbell.WATCH")), QByteArray("DL1ABC\r\n"));
            w->mnuOptionsKeepWatch->trigger();
        }
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QCOMPARE(run.program->window()->lstWatch->lines(), (QStringList{"DL1ABC", "K1X"}));
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
            w->lstWatch->flush();
        }
        QCOMPARE(host->told.size(), 3);
        QStringList both = host->told.last();
        both.sort();
        QCOMPARE(both, (QStringList{QStringLiteral("DL1ABC"), QStringLiteral("PA3XYZ-9")}));
        w->lstWatch->removeRow(0);
        w->lstWatch->flush();
        QCOMPARE(host->told.size(), 4);
        QCOMPARE(host->told.last().size(), 1);
        w->lstWatch->clear();
        QCOMPARE(host->told.last(), QStringList());
    }

    // File, Radar...: the last cycle's stations around the own position; a
    // click chooses the line that ">" and "<" act on, a double click shows
    // the details; mode and place are kept in [RADAR]; the radar goes when
    // the main window does.
    void radarWindow()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        const float lat = 52 * 60 + 12.34f;
        const float lon = 5 * 60 + 12.34f;
        run.host->setStation("N0DEMO", 0, lat, lon);
        run.host->appendEntry("/AB1CD 12:00:00");
        run.host->setStation("AB1CD", 3, lat + 1.62f, lon); // 3 km due north
        run.host->appendEntry("/EF2GH 12:01:00");
        run.host->setStation("EF2GH", 6, lat, lon + 5.9f);
        w->lstAcked->addItem("EF2GH");
        w->mnuFileRadar->trigger();
        frmRadar *radar = run.program->radar()->window();
        QVERIFY(radar->isVisible());
        QCOMPARE(radar->windowTitle(), QStringLiteral("Nearbell radar"));
        const RadarScene &scene = radar->view->scene();
        QCOMPARE(scene.marks().size(), 0); // no cycle has run yet
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(scene.marks().size(), 2);
        auto at = [&scene](const char *callsign) { return scene.marks().at(scene.markOf(callsign)).point.toPoint(); };
        QTest::mouseClick(radar->view, Qt::LeftButton, {}, at("AB1CD"));
        QCOMPARE(w->lstStations->text(w->lstStations->selectedRow()), QStringLiteral("AB1CD distance 3."));
        QTest::mouseClick(radar->view, Qt::LeftButton, {}, at("EF2GH"));
        QCOMPARE(w->lstAcked->text(w->lstAcked->selectedRow()), QStringLiteral("EF2GH"));
        w->cmdRearm->click();
        QVERIFY(w->lstAcked->lines().isEmpty());
        QTest::mouseDClick(radar->view, Qt::LeftButton, {}, at("AB1CD"));
        QVERIFY(run.messages.shown.isEmpty());
        const frmStationDetails *details = run.program->stations()->details("AB1CD");
        QVERIFY(details && details->isVisible());
        QCOMPARE(details->lblDistance->text(), QStringLiteral("3.0 km, 0\u00B0 N"));

        const QString ini = dir.filePath("nearbell.INI");
        radar->optCourseUp->click();
        QCOMPARE(radar->lblNote->text(), QStringLiteral("No course known: north is up"));
        QCOMPARE(ReadIniString(ini, "RADAR", "MODE", ""), QStringLiteral("COURSE"));
        radar->resize(50, 50); // shrunk as far as a user may: still drawn
        QVERIFY(!radar->grab().isNull());
        QCOMPARE(radar->view->scene().marks().size(), 2);
        radar->resize(333, 288);

        // The map: on by default (a test run asks no real server, and the
        // line says so); "Map" and "Map source..." are saved at once.
        QVERIFY(radar->chkMap->isChecked());
        QTRY_VERIFY(radar->lblMap->text().endsWith(QStringLiteral("is not asked in a test run")));
        radar->chkMap->click();
        QCOMPARE(ReadIniString(ini, "MAP", "SHOW", ""), QStringLiteral("FALSE"));
        QVERIFY(!radar->view->scene().mapShown() && radar->lblMap->isHidden());
        radar->chkMap->click();
        struct Answer : DialogPresenter
        {
            bool present(QDialog &dialog) override
            {
                auto &f = static_cast<frmMapSource &>(dialog);
                f.optTemplate->setChecked(true);
                f.txtTemplate->setText(QStringLiteral("http://127.0.0.1:9/{x}/{y}.png"));
                refusedWithoutZ = !f.cmdOK->isEnabled();
                f.txtTemplate->setText(QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"));
                f.txtAttribution->setText(QStringLiteral("Test tiles"));
                return f.cmdOK->isEnabled();
            }
            bool refusedWithoutZ = false;
        } answer;
        run.program->radar()->setDialogPresenter(&answer);
        radar->cmdMapSource->click();
        QVERIFY(answer.refusedWithoutZ);
        QCOMPARE(ReadIniString(ini, "MAP", "SOURCE", ""), QStringLiteral("URL"));
        QCOMPARE(ReadIniString(ini, "MAP", "URL", ""), QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"));
        QCOMPARE(run.program->radar()->tiles()->source().effectiveAttribution(), QStringLiteral("Test tiles"));
        w->close(); // the radar saves its place and goes too
        QVERIFY(!radar->isVisible());
        QCOMPARE(ReadIniString(ini, "RADAR", "WIDTH", ""), QStringLiteral("333"));
        QCOMPARE(ReadIniString(ini, "RADAR", "HEIGHT", ""), QStringLiteral("288"));
        QCOMPARE(ReadIniString(ini, "SETUP", "MODE", "none"), QStringLiteral("none"));
        QCOMPARE(ReadIniString(ini, "SETUP", "WIDTH", "none"), QStringLiteral("none"));

        Run again(dir.path());
        QVERIFY(again.program->Form_Load());
        again.program->window()->mnuFileRadar->trigger();
        QVERIFY(again.program->radar()->window()->courseUp());
        QCOMPARE(again.program->radar()->window()->size(), QSize(333, 288));
        QCOMPARE(again.program->radar()->tiles()->source().urlTemplate,
                 QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"));
    }

    // Whatever [RADAR] holds, the radar opens on a screen; open at the end,
    // it opens again at the next start; Escape closes it (for good), and its
    // tool tips show while the main window has the focus.
    void radarOnScreenAndReopened_data()
    {
        QTest::addColumn<QByteArray>("place");
        QTest::newRow("far off, no size") << QByteArray("LEFT=2000000000\r\nTOP=-2000000000\r\nWIDTH=0\r\nHEIGHT=0");
        QTest::newRow("larger than the screen") << QByteArray("LEFT=10\r\nTOP=10\r\nWIDTH=9000\r\nHEIGHT=9000");
        QTest::newRow("on a screen that is gone") << QByteArray("LEFT=5000\r\nTOP=100\r\nWIDTH=300\r\nHEIGHT=200");
    }

    void radarOnScreenAndReopened()
    {
        QFETCH(QByteArray, place);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        const QString ini = dir.filePath("nearbell.INI");
        // Without the map: its line saying why no tiles come would move the
        // drawing under the resting mouse.
        writeFile(ini, "[RADAR]\r\n" + place + "\r\n[MAP]\r\nSHOW=off\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QVERIFY(!run.program->radar()->window()); // not open at the last end
        run.program->window()->mnuFileRadar->trigger();
        frmRadar *radar = run.program->radar()->window();
        const QRect screen = radar->screen()->availableGeometry();
        QVERIFY(screen.contains(radar->frameGeometry()));
        QVERIFY(radar->width() >= RadarSettings::minimumSide && radar->height() >= RadarSettings::minimumSide);
        run.program->window()->close();
        QCOMPARE(ReadIniString(ini, "RADAR", "OPEN", ""), QStringLiteral("TRUE"));

        const float lat = 52 * 60 + 12.34f;
        const float lon = 5 * 60 + 12.34f;
        Run again(dir.path());
        QVERIFY(again.program->Form_Load());
        again.host->setStation("N0DEMO", 0, lat, lon);
        again.host->appendEntry("/AB1CD 12:00:00");
        again.host->setStation("AB1CD", 3, lat + 1.62f, lon);
        QMetaObject::invokeMethod(again.program->window()->Timer1, "timeout");
        frmRadar *reopened = again.program->radar()->window();
        QVERIFY(reopened && reopened->isVisible());
        QCOMPARE(reopened->size(), radar->size());
        again.program->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(again.program->window()));
        const RadarScene &scene = reopened->view->scene();
        const QPoint mark = scene.marks().at(scene.markOf("AB1CD")).point.toPoint();
        const QPoint inWindow = reopened->view->mapTo(reopened, mark);
        QTest::mouseMove(reopened->windowHandle(), inWindow + QPoint(1, 0));
        QTest::mouseMove(reopened->windowHandle(), inWindow);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains(QStringLiteral("AB1CD")));
        QToolTip::hideText();

        reopened->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(reopened));
        QTest::keyClick(reopened->view, Qt::Key_Escape);
        QVERIFY(!reopened->isVisible());
        QCOMPARE(ReadIniString(ini, "RADAR", "OPEN", ""), QStringLiteral("FALSE"));
        again.program->window()->close();
        Run third(dir.path());
        QVERIFY(third.program->Form_Load());
        QVERIFY(!third.program->radar()->window());
    }

    // File, Stations...: every station the host lists, the own one first,
    // with its state from the main window's lists; the context menu and the
    // details window run the main window's commands on them; a details
    // window outlives its station; a failed walk keeps the last rows; the
    // layout is kept in [STATIONS].
    void stationsWindow()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        const float lat = 52 * 60 + 12.34f;
        const float lon = 5 * 60 + 12.34f;
        run.host->setStation("N0DEMO", 0, lat, lon);
        HostStation::Details car;
        car.symbolCode = '>';
        car.course = 180; // due south, straight at the own station
        car.speedKmh = 36;
        car.comment = "<b>mobile</b>";
        car.path = {"DB0XYZ*", "WIDE2-1"};
        for (const char *call : {"N0DEMO", "AB1CD", "EF2GH", "WX9"})
            run.host->appendEntry(QStringLiteral("/%1 12:00:00").arg(QLatin1String(call)));
        run.host->setStation("AB1CD", 3, lat + 1.62f, lon);
        run.host->setDetails("AB1CD", car);
        run.host->setStation("EF2GH", 40, lat, lon + 39.0f);
        run.host->setStation("WX9", 60, lat - 32.0f, lon);
        w->txtWatch->setText("WX9");
        w->cmdAddWatch->click();
        w->mnuFileStations->trigger();
        frmStations *stations = run.program->stations()->window();
        QVERIFY(stations && stations->isVisible());
        QCOMPARE(stations->windowTitle(), QStringLiteral("Nearbell stations"));
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        const StationTableModel &model = stations->model();
        const auto cells = [&model](int column) {
            QStringList texts;
            for (int r = 0; r < model.rowCount(); ++r)
                texts.append(model.index(r, column).data().toString());
            return texts;
        };
        QCOMPARE(cells(StationTableModel::Callsign), (QStringList{"N0DEMO", "AB1CD", "EF2GH", "WX9"}));
        QCOMPARE(cells(StationTableModel::State), (QStringList{"", "in range", "", "watched"}));
        QCOMPARE(cells(StationTableModel::Closing).at(1), QStringLiteral("36, closest 0.0 km in 6 minutes"));
        QCOMPARE(cells(StationTableModel::Bearing).mid(1), (QStringList{"0\u00B0 N", "90\u00B0 E", "180\u00B0 S"}));
        QCOMPARE(cells(StationTableModel::Via).mid(1, 2), (QStringList{"DB0XYZ*,WIDE2-1", ""}));
        QCOMPARE(cells(StationTableModel::Symbol).at(1), QStringLiteral("car"));

        stations->showMenuAt(model.rowOf("AB1CD"));
        QCOMPARE(run.popups.shown, stations->mnuStations);
        QVERIFY(stations->mnuStationsAck->isEnabled() && !stations->mnuStationsRearm->isEnabled());
        stations->mnuStationsAck->trigger();
        QCOMPARE(w->lstAcked->lines(), QStringList{"AB1CD"});
        QCOMPARE(model.index(model.rowOf("AB1CD"), StationTableModel::State).data().toString(),
                 QStringLiteral("acknowledged"));
        stations->showMenuAt(model.rowOf("EF2GH"));
        QVERIFY(!stations->mnuStationsAck->isEnabled() && !stations->mnuStationsRearm->isEnabled());
        QCOMPARE(stations->mnuStationsAck->toolTip(), frmStationDetails::notListedText());
        w->txtWatch->setText("PA3");
        stations->mnuStationsWatch->trigger();
        QCOMPARE(w->lstWatch->lines(), (QStringList{"WX9", "EF2GH"}));
        QCOMPARE(w->txtWatch->text(), QStringLiteral("PA3"));

        QVERIFY(stations->selectCallsign("AB1CD"));
        QTest::keyClick(stations->tblStations, Qt::Key_Return);
        frmStationDetails *details = run.program->stations()->details("AB1CD");
        QVERIFY(details && details->isVisible());
        QCOMPARE(details->windowTitle(), QStringLiteral("Nearbell: AB1CD"));
        QCOMPARE(details->lblMotion->text(), QStringLiteral("180\u00B0, 36 km/h"));
        QCOMPARE(details->cmdAck->text(), QStringLiteral("Re-arm"));
        details->cmdAck->click();
        QVERIFY(w->lstAcked->lines().isEmpty());
        QCOMPARE(details->cmdAck->text(), QStringLiteral("Acknowledge"));
        emit w->stationDetailsRequested("EF2GH");
        QVERIFY(run.program->stations()->details("EF2GH")->isVisible());
        QVERIFY(!run.program->stations()->details("EF2GH")->cmdWatch->isEnabled());
        // A closed details window goes at the next cycle; opened again, it is a new one.
        run.program->stations()->details("EF2GH")->close();
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QVERIFY(!run.program->stations()->details("EF2GH"));
        // An acknowledged callsign the host never heard: no longer heard at once, and re-armed from there.
        w->lstAcked->addItem("GONE1");
        emit w->stationDetailsRequested("GONE1");
        frmStationDetails *gone = run.program->stations()->details("GONE1");
        QVERIFY(gone->noLongerHeard() && gone->cmdAck->isEnabled());
        gone->cmdAck->click();
        QVERIFY(!w->lstAcked->lines().contains("GONE1"));
        // Stations come and go while the window reads them, as under a full feed.
        run.host->setEntryHook([&run](int index) {
            if (index == 1)
                run.host->removeStation("WX9");
            run.host->appendEntry(QStringLiteral("/NEW%1 12:00:00").arg(index));
        });
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        run.host->setEntryHook({});
        QCOMPARE(cells(StationTableModel::Callsign).mid(0, 3), (QStringList{"N0DEMO", "AB1CD", "EF2GH"}));
        run.host->setEntries({"/N0DEMO 12:00:00", "/AB1CD 12:00:00", "/EF2GH 12:00:00", "/WX9 12:00:00"});
        run.host->setStation("WX9", 60, lat - 32.0f, lon);
        // Closing the window alone keeps its layout too.
        stations->resize(640, 320);
        stations->close();
        QCOMPARE(ReadIniString(dir.filePath("nearbell.INI"), "STATIONS", "WIDTH", ""), QStringLiteral("640"));
        w->mnuFileStations->trigger();

        run.host->removeStation("AB1CD");
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(details->lblState->text(), QStringLiteral("No longer heard"));
        QCOMPARE(details->lblComment->text(), QStringLiteral("<b>mobile</b>"));
        QCOMPARE(model.rowCount(), 3);
        run.host->failGetStationFor("EF2GH"); // the walk breaks off after the own station
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(model.rowCount(), 3);

        QHeaderView *header = stations->tblStations->horizontalHeader();
        header->moveSection(0, 2);
        stations->tblStations->sortByColumn(StationTableModel::Callsign, Qt::DescendingOrder);
        stations->resize(701, 302);
        w->close(); // the Stations window saves its layout and goes too, as do the details
        QVERIFY(!stations->isVisible() && !details->isVisible());
        const QString ini = dir.filePath("nearbell.INI");
        QCOMPARE(ReadIniString(ini, "STATIONS", "SORT", ""), QStringLiteral("0 DESC"));
        QVERIFY(QRegularExpression("^1:\\d+,2:\\d+,0:\\d+,3:").match(ReadIniString(ini, "STATIONS", "COLUMNS", "")).hasMatch());
        Run again(dir.path());
        QVERIFY(again.program->Form_Load());
        again.program->window()->mnuFileStations->trigger();
        frmStations *restored = again.program->stations()->window();
        QCOMPARE(restored->size(), QSize(701, 302));
        QCOMPARE(restored->model().sortColumn(), int(StationTableModel::Callsign));
        QCOMPARE(restored->model().sortOrder(), Qt::DescendingOrder);
        QCOMPARE(restored->tblStations->horizontalHeader()->logicalIndex(2), 0);
    }

    // What a row works out beside the host's record: the closing speed from
    // both motions (the own one standing while unknown) in the host's unit,
    // and the state from the lists, acknowledged before in range before
    // watched. The station lies due north of the own one.
    void stationRows_data()
    {
        QTest::addColumn<double>("ownSpeed");
        QTest::addColumn<double>("course");
        QTest::addColumn<double>("speed");
        QTest::addColumn<bool>("miles");
        QTest::addColumn<QStringList>("lists"); // a line of lstStations, lstAcked, lstWatch
        QTest::addColumn<QString>("closing");
        QTest::addColumn<QString>("state");
        const double nan = std::nan("");
        QTest::newRow("coming at a standing own station")
            << nan << 180.0 << 36.0 << false << QStringList{"AB1CD distance 3", "", ""} << "36, closest 0.0 km in 6 minutes"
            << "in range";
        QTest::newRow("going away") << nan << 360.0 << 36.0 << false << QStringList{"", "", "AB1CD"} << "-36"
                                    << "watched";
        QTest::newRow("followed at its speed") << 36.0 << 360.0 << 36.0 << false
                                               << QStringList{"AB1CD (watch) 3", "AB1CD", "AB1CD"} << "0"
                                               << "acknowledged";
        QTest::newRow("own station driving at it, in mph")
            << 50.0 << nan << 0.0 << true << QStringList{"AB1CD distance 2", "", ""} << "31, closest 0.0 mi in 4 minutes"
            << "in range";
        QTest::newRow("its motion unknown") << 50.0 << nan << nan << false << QStringList{"", "", ""} << "" << "";
    }
    void stationRows()
    {
        QFETCH(double, ownSpeed);
        QFETCH(double, course);
        QFETCH(double, speed);
        QFETCH(bool, miles);
        QFETCH(QStringList, lists);
        WatchRecordingHost host;
        host.speed = ownSpeed;
        host.unit = miles ? DistanceUnit::Miles : DistanceUnit::Kilometres;
        host.setEntries({"/N0DEMO 12:00:00", "/AB1CD 12:00:00"});
        host.setStation("N0DEMO", 0, 3000.0f, 300.0f);
        host.setStation("AB1CD", 3, 3001.62f, 300.0f);
        HostStation::Details details;
        details.course = course;
        details.speedKmh = speed;
        host.setDetails("AB1CD", details);
        ListBox listed(nullptr, true), acked(nullptr, true), watched;
        for (auto [list, line] : {std::pair{&listed, lists[0]}, std::pair{&acked, lists[1]}, std::pair{&watched, lists[2]}})
            if (!line.isEmpty())
                list->addItem(line);
        ProgramGlobals globals;
        globals.gstrMyCallsign = "N0DEMO";
        StationRowCollector collector(globals);
        collector.setHost(&host);
        collector.setLists(&listed, &acked, &watched);
        const auto rows = collector.collect([] {}, [] { return true; });
        QVERIFY(rows && rows->size() == 2);
        StationTableModel model;
        model.setUnit(collector.unit());
        model.setRows(*rows, QDateTime::currentDateTimeUtc());
        QCOMPARE(model.index(0, 0).data().toString(), QStringLiteral("N0DEMO"));
        QTEST(model.index(1, StationTableModel::Closing).data().toString(), "closing");
        QTEST(model.index(1, StationTableModel::State).data().toString(), "state");
    }

    // A [STATIONS] section that cannot be right is passed over as a whole
    // key: the window opens with its own layout, never half of another.
    void stationsLayoutNotTaken_data()
    {
        QTest::addColumn<QByteArray>("section");
        const QByteArray all = "0:90,1:90,2:90,3:90,4:90,5:90,6:90,7:90,8:90,9:90,10:90,11:90,12:90";
        QTest::newRow("a column short") << "COLUMNS=" + all + "\r\nSORT=14\r\n";
        QTest::newRow("a column twice") << "COLUMNS=" + all + ",0:90\r\nSORT=-1\r\n";
        QTest::newRow("absurd width") << "COLUMNS=" + all + ",13:99999\r\nSORT=2 DESC X\r\n";
        QTest::newRow("not numbers") << "COLUMNS=" + all + ",State:90\r\nSORT=Callsign\r\nWIDTH=20\r\n";
    }
    void stationsLayoutNotTaken()
    {
        QFETCH(QByteArray, section);
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.INI"), "[STATIONS]\r\nLEFT=10\r\nTOP=10\r\nHEIGHT=300\r\n" + section);
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        run.program->window()->mnuFileStations->trigger();
        frmStations *stations = run.program->stations()->window();
        QCOMPARE(stations->model().sortColumn(), int(StationTableModel::Distance));
        QCOMPARE(stations->model().sortOrder(), Qt::AscendingOrder);
        const QHeaderView *header = stations->tblStations->horizontalHeader();
        for (int c = 0; c < header->count(); ++c)
            QCOMPARE(header->logicalIndex(c), c);
        QCOMPARE(stations->size(), QSize(1100, 480));
    }

    // Without an own position the radar says why, as the status line does,
    // and draws no station.
    void radarWithoutPosition()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        Run run(dir.path());
        run.extendedHost = true;
        QVERIFY(run.program->Form_Load());
        static_cast<WatchRecordingHost *>(run.host)->position = {QStringLiteral("waiting for a GPS fix"), false};
        run.program->statusBoard()->refresh();
        run.host->appendEntry("/AB1CD 12:00:00");
        run.host->setStation("AB1CD", 3);
        frmMain *w = run.program->window();
        w->mnuFileRadar->trigger();
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        const RadarScene &scene = run.program->radar()->window()->view->scene();
        QVERIFY(scene.marks().isEmpty());
        QCOMPARE(scene.input().noPosition, QStringLiteral("waiting for a GPS fix"));
        QVERIFY(w->lblStatus->plainText().contains(scene.input().noPosition));
        // Nor does the Stations window make up a distance or bearing.
        w->mnuFileStations->trigger();
        const StationTableModel &model = run.program->stations()->window()->model();
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, StationTableModel::Distance).data().toString(), QString());
        QCOMPARE(model.index(0, StationTableModel::Bearing).data().toString(), QString());
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

    // A stop request while a start-up box is open, or anywhere before the
    // list is loaded, ends at once with 128 + the signal and saves nothing.
    void stopRequestDuringStartup_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("another instance") << "instance";
        QTest::newRow("no callsign") << "callsign";
    }

    void stopRequestDuringStartup()
    {
        QFETCH(QString, box);
        QTemporaryDir dir;
        if (box != "callsign")
            writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.LST"), "AB1CD\r\nXY9\r\n");
        Run run(dir.path());
        run.otherInstance = box == "instance";
        run.messages.onShow = [&run] {
            run.program->terminate(SIGHUP);
            run.program->terminate(SIGTERM);
        };
        QVERIFY(!run.program->Form_Load());
        QCOMPARE(run.events.filter("ended"), QStringList{"ended 129"});
        QCOMPARE(run.program->saveCount(), 0);
        QCOMPARE(readAll(dir.filePath("nearbell.LST")), QByteArray("AB1CD\r\nXY9\r\n"));
        QVERIFY(!run.program->started());
    }

    // Saves that fail are shown in red until a later save of that file
    // succeeds; a list that could not be written makes the end non-zero.
    void failedSavesAreShownAndCounted()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        QVERIFY(QDir(dir.path()).mkdir("nearbell.INI"));
        QVERIFY(QDir(dir.path()).mkdir("nearbell.LST"));
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        QVERIFY(run.program->started());
        frmMain *w = run.program->window();
        const QString iniPart = "Could not write " + dir.filePath("nearbell.INI") + ": it is not a regular file";
        const StatusPart iniFailure{iniPart, true};
        QCOMPARE(w->lblStatus->parts(), StatusParts{iniFailure});
        QCOMPARE(run.program->exitStatusAtEnd(), 0);

        // The next write of the settings that succeeds clears it.
        QVERIFY(QDir(dir.path()).rmdir("nearbell.INI"));
        w->mnuAlarm->trigger();
        run.program->statusBoard()->refresh();
        QCOMPARE(w->lblStatus->parts(), StatusParts{});

        w->mnuFileExit->trigger();
        const StatusPart listFailure{"Could not write " + dir.filePath("nearbell.LST") + ": it is a directory",
                                     true};
        QCOMPARE(w->lblStatus->parts(), StatusParts{listFailure});
        QCOMPARE(run.program->exitStatusAtEnd(), 1);
        QVERIFY(readAll(dir.filePath("nearbell.INI")).contains("AUDIBLE_ALARM="));
    }

    // Started against a KISS port where nothing listens, the status line
    // shows the refusal and the count-down within 2 s; a TNC that starts
    // listening turns it into "connected" without a restart, at once when
    // "Reconnect now" is chosen from the status line's pop-up. A second
    // source beside it keeps its own state and colour.
    void refusedTncBecomesConnected()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        QTcpServer probe2;
        QVERIFY(probe2.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        const quint16 port2 = probe2.serverPort();
        probe.close();
        probe2.close();
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"),
                  demoProfile + "[HOST]\r\nSOURCE=KISS 127.0.0.1:" + QByteArray::number(port)
                      + "\r\nSOURCE2=APRSIS 127.0.0.1:" + QByteArray::number(port2) + "\r\n");
        Run run(dir.path());
        run.services.createHost = [](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
            auto host = LocalHost::create(globals.gstrHostIniFile);
            static_cast<NetworkStationSource *>(host->source())->setBackoff(60000, 60000);
            host->start();
            return host;
        };
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        StatusLine *line = run.program->window()->lblStatus;
        const QString name = QStringLiteral("KISS 127.0.0.1:%1").arg(port);
        QTRY_VERIFY_WITH_TIMEOUT(line->plainText().startsWith(name + ": connection refused, next attempt in "), 2000);
        QVERIFY(line->parts().first().failure);

        QTcpServer tnc;
        QVERIFY(tnc.listen(QHostAddress::LocalHost, port));
        emit line->customContextMenuRequested(QPoint(4, 4));
        QVERIFY(run.popups.shown);
        const QList<QAction *> actions = run.popups.shown->actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions[0]->text(), QStringLiteral("Reconnect now"));
        actions[0]->trigger();
        // The failing source now comes first, the healthy one after it.
        QTRY_VERIFY_WITH_TIMEOUT(line->parts().size() == 3 && line->parts().at(1).text.startsWith(name + " connected"),
                                 8000);
        QVERIFY(!line->parts().at(1).failure);
        QVERIFY(line->parts().first().failure);
        QVERIFY(line->parts().first().text.startsWith(
            QStringLiteral("APRSIS 127.0.0.1:%1: connection refused").arg(port2)));
        QCOMPARE(line->parts().at(2), (StatusPart{QStringLiteral("0 stations heard"), false}));
        run.program->window()->close();
    }

    // A KISS frame heard without a repeating digipeater alarms at 500 km
    // while "Alarm for stations heard direct" is on; the same through a
    // digipeater never does, and neither does anything with the option off.
    void heardDirectFromARadio()
    {
        QTcpServer tnc;
        QVERIFY(tnc.listen(QHostAddress::LocalHost, 0));
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"),
                  demoProfile + "[HOST]\r\nSOURCE=KISS 127.0.0.1:" + QByteArray::number(tnc.serverPort()) + "\r\n");
        writeFile(dir.filePath("nearbell.INI"), "[SETUP]\r\nAUDIBLE_ALARM=FALSE\r\n[ALERTS]\r\nDIRECT=TRUE\r\n");
        Run run(dir.path());
        run.services.createHost = [](const ProgramGlobals &globals) -> std::unique_ptr<HostApplication> {
            auto host = LocalHost::create(globals.gstrHostIniFile);
            host->start();
            return host;
        };
        run.program = std::make_unique<Program>(run.services);
        QVERIFY(run.program->Form_Load());
        QTRY_VERIFY_WITH_TIMEOUT(tnc.hasPendingConnections(), 5000);
        QTcpSocket *radio = tnc.nextPendingConnection();
        const QByteArray far = "!4742.00N/00512.34E>";
        radio->write(test::kissFrame("DIR1", false, far) + test::kissFrame("REP1", true, far));
        auto *host = static_cast<LocalHost *>(run.program->host());
        QTRY_COMPARE(host->table().entryCount(), 3);
        frmMain *w = run.program->window();
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QCOMPARE(w->lstStations->lines().size(), 1);
        QVERIFY(w->lstStations->lines().first().startsWith(QStringLiteral("DIR1 (direct) 501.")));
        run.program->alarmHistory()->flush();
        QCOMPARE(run.program->alarmHistory()->readNewest().first().mid(3, 4),
                 (QStringList{"km", "180", "direct", QStringLiteral("KISS 127.0.0.1:%1").arg(tnc.serverPort())}));
        w->mnuOptionsDirect->trigger();
        QMetaObject::invokeMethod(w->Timer1, "timeout");
        QVERIFY(w->lstStations->lines().isEmpty());
        w->close();
    }

    // Stop requests during the save and after it change nothing: one save.
    void stopRequestsDuringTheSave()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath("uiview32.ini"), demoProfile);
        writeFile(dir.filePath("nearbell.LST"), "AB1CD\r\nXY9\r\n");
        Run run(dir.path());
        QVERIFY(run.program->Form_Load());
        frmMain *w = run.program->window();
        int requests = 0;
        w->onUnload = [&run, &requests, inner = w->onUnload] {
            run.program->terminate(SIGTERM); // while the window closes
            ++requests;
            inner();
            run.program->terminate(SIGINT);
        };
        for (int i = 0; i < 5; ++i)
            run.program->terminate(i % 2 ? SIGHUP : SIGTERM);
        QCOMPARE(requests, 1);
        QCOMPARE(run.program->saveCount(), 1);
        QCOMPARE(readAll(dir.filePath("nearbell.LST")), QByteArray("AB1CD\r\nXY9\r\n"));
        QVERIFY(run.events.filter("ended").isEmpty());
        QCOMPARE(run.program->exitStatusAtEnd(), 0);
    }
};

NEARBELL_TEST(ProgramTest)
#include "ProgramTest.moc"
