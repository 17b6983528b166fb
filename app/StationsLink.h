#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>

#include "app/StationRowCollector.h"
#include "app/StationsSettings.h"

namespace nearbell {

class HostApplication;
class PopupMenuPresenter;
class StationMonitor;
class WriteFailures;
class frmMain;
class frmStationDetails;
class frmStations;
struct ProgramGlobals;

// The Stations window and the station details windows put together with
// the rest of the program.
//
// Responsibilities:
//  - open the Stations window from File, "Stations...", at its saved place
//    and column layout, or bring it forward when it is open already;
//  - once per scan cycle, and when opened, hand it every station of the
//    host (StationRowCollector), and refresh every open details window;
//  - one details window per station, opened from the Stations window, a
//    double click on lstStations or lstAcked and the radar; it says "No
//    longer heard" once the host has forgotten the station;
//  - "Acknowledge", "Re-arm" and "Add to watch list" from the context menu
//    and the details windows run the main window's own commands on the
//    line of that station: only a listed station can be acknowledged, only
//    an acknowledged one re-armed, and a watched one is not added twice;
//  - save the Stations window's layout when it closes and when the
//    program saves; close every window when the main window unloads.
class StationsLink : public QObject
{
    Q_OBJECT
public:
    StationsLink(const QString &iniFile, WriteFailures *failures, StationMonitor &monitor, frmMain &main,
                 const ProgramGlobals &globals, PopupMenuPresenter &popups, QObject *parent = nullptr);
    ~StationsLink() override;

    void setHost(HostApplication *host) { m_collector.setHost(host); }
    void setYield(YieldFunction yield) { m_yield = std::move(yield); }

    void mnuFileStations_Click();
    void showDetails(const QString &callsign);
    void save();
    void close();

    frmStations *window() const { return m_window.get(); }
    // The open details window of this callsign, or null.
    frmStationDetails *details(const QString &callsign) const;

private:
    void refresh();
    void refreshDetails();
    void refreshDetails(frmStationDetails &window);
    void restoreLayout();
    void prepareMenu(const QString &callsign);

    bool isListed(const QString &callsign) const;
    bool isAcked(const QString &callsign) const;
    bool isWatched(const QString &callsign) const;
    void acknowledge(const QString &callsign);
    void rearm(const QString &callsign);
    void addToWatchList(const QString &callsign);
    void commandDone();

    StationsSettings m_settings;
    StationMonitor &m_monitor;
    frmMain &m_main;
    PopupMenuPresenter &m_popups;
    StationRowCollector m_collector;
    YieldFunction m_yield = processEventsYield();
    bool m_walking = false;
    QString m_menuCallsign;
    std::unique_ptr<frmStations> m_window;
    std::map<QString, std::unique_ptr<frmStationDetails>> m_details;
};

} // namespace nearbell
