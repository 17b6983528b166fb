#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "platform/StatusPart.h"
#include "platform/WriteFailures.h"
#include "monitor/AlertFlags.h"
#include "monitor/OptionFlags.h"
#include "platform/ProgramGlobals.h"
#include "host/HostStation.h"

namespace nearbell {

class AboutBox;
class AlarmHistory;
class frmAlarmHistory;
class AlertChannels;
class DesktopNotifier;
class Speaker;
class DesktopOpener;
class DialogPresenter;
class HostApplication;
class MessageDisplay;
class MessageReporter;
class OverlayScan;
class RadarLink;
class StationsLink;
class PopupMenuPresenter;
class Settings;
class StatusBoard;
class SoundPlayer;
class StationMonitor;
class UpdateChecker;
class WindowRaiser;
class frmMain;

// What the program needs from the machine it runs on. The real program
// fills it from the platform layer; tests fill it with fakes.
struct ProgramServices
{
    QString programFolder;   // folder of the user's files, no trailing separator
    QString dataFolder;      // folder of the read-only files; empty: the program folder
    QString executableName;  // executable's file name without extension
    MessageDisplay *messages = nullptr;
    PopupMenuPresenter *popups = nullptr;
    SoundPlayer *sound = nullptr;
    WindowRaiser *raiser = nullptr; // null: the main window raises itself
    DesktopOpener *opener = nullptr;
    // Runs the "Station setup" window; null: no set-up window is offered.
    DialogPresenter *dialogs = nullptr;
    // Alarm channels besides the siren; null: that channel does not exist.
    DesktopNotifier *notifier = nullptr;
    Speaker *speaker = nullptr;
    // True when another instance of this executable runs for this user, or
    // when that cannot be told.
    std::function<bool()> anotherInstanceRunning;
    // Why the check above could not be made; empty when it could (or null).
    std::function<QString()> instanceCheckFailure;
    // Creates the host application object (step "attach to the host").
    std::function<std::unique_ptr<HostApplication>(const ProgramGlobals &)> createHost;
    // Ends the program at once with a status, without unloading anything.
    std::function<void(int status)> endProgram;
    // Ends the program normally after the Exit command has saved.
    std::function<void()> quit;
    // Told of every alarm that goes to the alarm history (measurements).
    std::function<void(const QString &callsign)> alarmRaised;
};

// The program's life: start-up in its fixed order, the three ways of
// ending, and the wiring of every subsystem to the main window.
//
// Responsibilities:
//  - before start-up, the host's "Station setup" window when the host
//    profile holds no callsign; later from File, "Station setup...", with
//    the new host settings in force at once;
//  - Form_Load: title, caption, file paths, single instance, host station
//    record, settings, watch-list view, own callsign (or the critical stop),
//    show the window, attach the host, load the acknowledged list;
//  - mnuFileExit_Click, Form_Unload and the host's closing event, each
//    saving the settings and then the list exactly once;
//  - terminate(): a request from outside (SIGTERM and friends) closes the
//    window as its close box does once start-up has completed; before that
//    it ends the program at once without saving (nothing was loaded yet);
//  - the alarm history in the program folder, and its window from File,
//    "Alarm history...";
//  - keep the failed saves of the settings, the list and the alarm history
//    visible in the status line, and end with a non-zero status when the list could not
//    be written.
class Program : public QObject
{
    Q_OBJECT
public:
    explicit Program(ProgramServices services, QObject *parent = nullptr);
    ~Program() override;

    // Runs the start-up sequence. False when the program ended during it
    // (second instance, no own callsign); exitStatus() then tells how.
    bool Form_Load();
    bool ended() const { return m_ended; }
    int exitStatus() const { return m_exitStatus; }

    void mnuFileExit_Click();
    void mnuFileSetup_Click();
    // Opens (or brings forward) the alarm history window, read afresh.
    void mnuFileHistory_Click();
    void Form_Unload();
    // signalNumber: the stop signal that asked (the exit status before the
    // end of start-up is 128 + it).
    void terminate(int signalNumber = 15);
    // Start-up has completed: the program is running.
    bool started() const { return m_started; }
    // The status for the end of a normal run: non-zero when the list file
    // could not be written at the last save.
    int exitStatusAtEnd() const;
    const WriteFailures &writeFailures() const { return m_writeFailures; }

    // Host events: only the closing one does anything.
    void gUIV_DataAvailable() {}
    void gUIV_NotifyBeacon(const QString &, float, float) {}
    void gUIV_NotifyDelete(const QString &) {}
    void gUIV_NotifyDeleteAllStations() {}
    void gUIV_UIView32IsClosing();

    const ProgramGlobals &globals() const { return m_globals; }
    const OptionFlags &options() const { return m_options; }
    const AlertFlags &alertFlags() const { return m_alertFlags; }
    AlertChannels *alerts() const { return m_alerts.get(); }
    AlarmHistory *alarmHistory() const { return m_history.get(); }
    frmAlarmHistory *historyWindow() const { return m_historyWindow.get(); }
    frmMain *window() const { return m_window.get(); }
    HostApplication *host() const { return m_gUIV.get(); }
    StationMonitor *monitor() const { return m_monitor.get(); }
    RadarLink *radar() const { return m_radar.get(); }
    StationsLink *stations() const { return m_stations.get(); }
    OverlayScan *overlayScan() const { return m_overlayScan.get(); }
    Settings *settings() const { return m_settings.get(); }
    StatusBoard *statusBoard() const { return m_statusBoard.get(); }
    const QString &strIniFile() const { return m_strIniFile; }
    const QString &strListFile() const { return m_strListFile; }
    // How many times the settings and the list were saved (once per run).
    int saveCount() const { return m_saveCount; }

private:
    void endNow(int status);
    void offerStationSetup();
    void wireWindow();
    void saveAll();
    void wireAlerts(WindowRaiser *raiser);
    // Whether alarms can be heard, looked up again once a minute (so that
    // plugging in a headset clears the warning) and told on the status line.
    void checkSound();
    StatusParts soundParts() const;

    ProgramServices m_services;
    ProgramGlobals m_globals;
    OptionFlags m_options;
    AlertFlags m_alertFlags;
    QString m_strIniFile;
    QString m_strListFile;
    HostStation m_objStation;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<MessageReporter> m_reporter;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<StationMonitor> m_monitor;
    std::unique_ptr<AlertChannels> m_alerts;
    std::unique_ptr<AlarmHistory> m_history;
    std::unique_ptr<frmAlarmHistory> m_historyWindow;
    std::unique_ptr<OverlayScan> m_overlayScan;
    std::unique_ptr<RadarLink> m_radar;
    std::unique_ptr<StationsLink> m_stations;
    std::unique_ptr<StatusBoard> m_statusBoard;
    std::unique_ptr<UpdateChecker> m_updateChecker;
    std::unique_ptr<AboutBox> m_aboutBox;
    std::unique_ptr<WindowRaiser> m_ownRaiser;
    WindowRaiser *m_raiser = nullptr; // the one in use
    std::unique_ptr<HostApplication> m_gUIV;
    WriteFailures m_writeFailures;
    QString m_soundProblem;
    bool m_ended = false;
    bool m_started = false;
    bool m_saved = false;
    int m_exitStatus = 0;
    int m_saveCount = 0;
};

} // namespace nearbell
