#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

#include <functional>

#include "monitor/AlertFlags.h"
#include "monitor/OptionFlags.h"

class QAction;
class QLineEdit;
class QPushButton;
class QWidget;

namespace nearbell {

class ListBox;
class WriteFailures;

// The controls of the main window that the settings read and write.
struct SettingsControls
{
    QWidget *window = nullptr;
    QLineEdit *txtRadius = nullptr;
    QAction *mnuAlarm = nullptr;
    QAction *mnuAlarmBringToFront = nullptr;
    QAction *mnuOptionsStations = nullptr;
    QAction *mnuOptionsOverlays = nullptr;
    QAction *mnuOptionsNotify = nullptr; // "Desktop notifications"
    QAction *mnuOptionsSpeak = nullptr;  // "Speak alarms"
    QAction *mnuOptionsDirect = nullptr;           // "Alarm for stations heard direct"
    QAction *mnuOptionsNoWeather = nullptr;        // "Leave out weather stations"
    QAction *mnuOptionsNoInfrastructure = nullptr; // "Leave out digipeaters and gateways"
    QAction *mnuOptionsApproach = nullptr;    // "Alarm for stations approaching"
    QAction *mnuOptionsRearm = nullptr;       // "Re-arm after leaving for 30 minutes"
    QAction *mnuOptionsSirenNewOnly = nullptr; // "Siren for new stations only"
    QAction *mnuOptionsKeepWatch = nullptr;   // "Keep the watch list"
    QAction *mnuOptionsAtOnce = nullptr;      // "Alarm at once"
    ListBox *lstStations = nullptr;
    QPushButton *cmdAck = nullptr;
    QPushButton *cmdRearm = nullptr;
    QPushButton *cmdAckAll = nullptr;
    QPushButton *cmdRearmAll = nullptr;
    ListBox *lstOverlayItems = nullptr;
    // The window's remembered position (twips) and how to refresh it.
    qint16 *intLastLeft = nullptr;
    qint16 *intLastTop = nullptr;
    std::function<void()> capturePosition;
    // Places the outer window at a position in pixels (plain move when empty).
    std::function<void(QPoint)> placeWindow;
    // Twips per pixel of the window's screen.
    std::function<double()> twipsPerPixel;
};

// The user's settings in the settings file, section "SETUP", and the alarm
// channels in section "ALERTS" after it.
//
// Responsibilities:
//  - loadini: alarm range, alarm and scan options, window position and
//    state, adding every missing key with its default;
//  - saveini: range, alarm options, position and state at shutdown;
//  - the four option toggles, each saving its key at once;
//  - enable_disable_stations / enable_disable_overlays;
//  - tell the outcome of every write (loading defaults, toggles, saveini);
//  - [ALERTS] NOTIFY, SPEAK, DIRECT, NO_WEATHER, NO_INFRASTRUCTURE,
//    APPROACH, APPROACH_MINUTES, REARM_AFTER_MINUTES, SIREN_NEW_ONLY,
//    KEEP_WATCH and AT_ONCE, read after every [SETUP] key (so a first run writes them below that
//    section, which stays as it always was) and each saved at once when its
//    Options item is switched.
// A restored position that leaves the window outside every screen is
// replaced by the centred one: an alarm window off screen is useless.
class Settings
{
public:
    // failures, when given, hears the outcome of every write of the file;
    // alerts, when given, are loaded from and saved to [ALERTS].
    Settings(QString strIniFile, SettingsControls controls, OptionFlags &flags,
             WriteFailures *failures = nullptr, AlertFlags *alerts = nullptr);

    // The section of the user's settings; its content and key order never change.
    static QString setupSectionName() { return QStringLiteral("SETUP"); }

    void loadini();
    void saveini();

    void mnuAlarm_Click();
    void mnuAlarmBringToFront_Click();
    void mnuOptionsStations_Click();
    void mnuOptionsOverlays_Click();
    void mnuOptionsNotify_Click();
    void mnuOptionsSpeak_Click();
    void mnuOptionsDirect_Click();
    void mnuOptionsNoWeather_Click();
    void mnuOptionsNoInfrastructure_Click();
    void mnuOptionsApproach_Click();
    void mnuOptionsRearm_Click();
    void mnuOptionsSirenNewOnly_Click();
    void mnuOptionsKeepWatch_Click();
    void mnuOptionsAtOnce_Click();
    // The warning time from its dialog (clamped to 1..60), saved at once.
    void setApproachMinutes(int minutes);

    // APPROACH_MINUTES and REARM_AFTER_MINUTES as read from the file; a
    // value that cannot be used gives the nearest one that can, and says
    // so in reading.
    static int approachMinutesFrom(const QString &text, QString *reading);
    static int rearmMinutesFrom(const QString &text, QString *reading);
    // "Re-arm after leaving for 30 minutes", or the minutes the file holds.
    static QString rearmItemText(int minutes);
    // What loading found in the file and how it was read.
    const QStringList &readings() const { return m_readings; }

    void enable_disable_stations();
    void enable_disable_overlays();

    const QString &iniFile() const { return m_iniFile; }

private:
    // Section SETUP unless another is named.
    void write(const QString &key, const QString &value, const QString &section = setupSectionName());
    QString read(const QString &key, const QString &defaultValue, const QString &section = setupSectionName());
    // Switches one [ALERTS] flag, its Options item and its key.
    void toggleAlert(const char *key);


    QString m_iniFile;
    SettingsControls m_c;
    OptionFlags &m_flags;
    WriteFailures *m_failures;
    AlertFlags *m_alerts = nullptr;
    QStringList m_readings;
};

} // namespace nearbell
