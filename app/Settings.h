#pragma once

#include <QString>

#include <functional>

#include "monitor/AlertFlags.h"
#include "monitor/OptionFlags.h"

class QAction;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace nearbell {

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
    QListWidget *lstStations = nullptr;
    QPushButton *cmdAck = nullptr;
    QPushButton *cmdRearm = nullptr;
    QPushButton *cmdAckAll = nullptr;
    QPushButton *cmdRearmAll = nullptr;
    QListWidget *lstOverlayItems = nullptr;
    // The window's remembered position (twips) and how to refresh it.
    qint16 *intLastLeft = nullptr;
    qint16 *intLastTop = nullptr;
    std::function<void()> capturePosition;
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
//  - [ALERTS] NOTIFY and SPEAK, read after every [SETUP] key (so a first
//    run writes them below that section, which stays as it always was) and
//    each saved at once when its Options item is switched.
// A restored position that leaves the window outside every screen is
// replaced by the centred one: an alarm window off screen is useless.
class Settings
{
public:
    Settings(QString strIniFile, SettingsControls controls, OptionFlags &flags,
             AlertFlags *alerts = nullptr);

    void loadini();
    void saveini();

    void mnuAlarm_Click();
    void mnuAlarmBringToFront_Click();
    void mnuOptionsStations_Click();
    void mnuOptionsOverlays_Click();
    void mnuOptionsNotify_Click();
    void mnuOptionsSpeak_Click();

    void enable_disable_stations();
    void enable_disable_overlays();

    const QString &iniFile() const { return m_iniFile; }

private:
    void write(const QString &key, const QString &value);
    QString read(const QString &key, const QString &defaultValue);

    QString m_iniFile;
    SettingsControls m_c;
    OptionFlags &m_flags;
    AlertFlags *m_alerts = nullptr;
};

} // namespace nearbell
