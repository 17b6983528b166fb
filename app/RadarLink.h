#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "app/MapSettings.h"
#include "app/RadarSettings.h"
#include "host/HostStation.h"
#include "ui/RadarScene.h"

class QLineEdit;

namespace nearbell {

class DialogPresenter;
class HostApplication;
class MessageDisplay;
class OverlayTable;
class TileService;
class StationMonitor;
class frmRadar;
struct ProgramGlobals;

// The radar window put together with the rest of the program.
//
// Responsibilities:
//  - open the window from File, "Radar...", at its saved place (brought
//    onto a screen) and mode, or bring it forward when it is open already;
//  - open it again at start-up when it was open as the program last ended;
//  - once per scan cycle, and when opened or its mode changes, hand the
//    drawing the stations of the last cycle with the own position, the
//    alarm range, the host's unit and what is up (the course from the
//    position source when "Course up" is chosen and a course is known);
//  - without an own position, hand it the reason as the status line gives it;
//  - a click on a station selects its line in lstStations, else in
//    lstAcked; a double click opens the station's details window;
//  - save the window's place when it closes and when the program saves,
//    and the mode at once; close the window when the main window unloads;
//  - the map: shown or not by "Map", its source from "Map source...",
//    both saved at once; hand the drawing each station's symbol, track
//    and motion, the other stations near the view and the overlay objects.
class RadarLink : public QObject
{
    Q_OBJECT
public:
    RadarLink(const QString &iniFile, WriteFailures *failures, StationMonitor &monitor, QLineEdit *txtRadius,
              const ProgramGlobals &globals, MessageDisplay &messages, QObject *parent = nullptr);
    ~RadarLink() override;

    void setHost(HostApplication *host) { m_host = host; }
    // What a double click on a station opens; without it, the details box.
    void setDetailsOpener(std::function<void(const QString &callsign)> open) { m_openDetails = std::move(open); }
    // The overlay objects drawn on the radar (not owned).
    void setOverlayTable(const OverlayTable *table) { m_overlays = table; }
    // Runs "Map source..." (not owned; the modal dialog by default).
    void setDialogPresenter(DialogPresenter *presenter) { m_dialogs = presenter; }
    TileService *tiles() const { return m_tiles.get(); }

    void mnuFileRadar_Click();
    // At start-up: opens the window, without taking the focus, when it was
    // open as the program last ended.
    void reopen();
    // Saves the place while the window is open (the program is saving).
    void save();
    // The main window unloads: the radar goes with it, and opens again at
    // the next start.
    void close();

    frmRadar *window() const { return m_window.get(); }
    // What the drawing is handed now.
    RadarInput input();

private:
    void open(bool takeFocus);
    void windowClosed();
    void refresh();
    void stationClicked(const QString &callsign);
    void stationActivated(const QString &callsign);
    void chooseMapSource();
    void addLooks(RadarInput &in);

    RadarSettings m_settings;
    MapSettings m_mapSettings;
    const OverlayTable *m_overlays = nullptr;
    DialogPresenter *m_dialogs = nullptr;
    std::unique_ptr<DialogPresenter> m_ownDialogs;
    // Outlives the window, whose drawing uses it.
    std::unique_ptr<TileService> m_tiles;
    StationMonitor &m_monitor;
    QPointer<QLineEdit> m_txtRadius;
    const ProgramGlobals &m_globals;
    MessageDisplay &m_messages;
    QPointer<HostApplication> m_host;
    HostStation m_own;
    std::unique_ptr<frmRadar> m_window;
    bool m_programCloses = false;
    std::function<void(const QString &)> m_openDetails;
};

} // namespace nearbell
