#pragma once

#include "host/HostApplication.h"
#include "monitor/ListTextIndex.h"
#include "monitor/MonitorControls.h"
#include "monitor/ScanPacer.h"

#include <QObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace nearbell {

class HostStation;
class MessageDisplay;

// The watch list: callsigns typed in during a run, reported at any distance.
//
// Responsibilities:
//  - scan_watchlist: after the station scan, list every watched callsign the
//    host lists and that is not acknowledged as "callsign (watch) d", raise
//    blnAlarm for it, fold its distance into dblMinDist and set lblMinDist;
//    yield by time during the walk and at its end when work is owed; end
//    silently on a host failure; skip a malformed entry;
//  - Add (button and Enter), the upper-casing key filter of txtWatch (blanks
//    cannot be typed; pasted text is taken as it is);
//  - show and hide the list in the place it shares with the overlay list,
//    hiding it again on the tick of Timer2;
//  - delete the selected entry; tell each change of the list (onChange),
//    so that a kept list can be saved.
class WatchList : public QObject
{
    Q_OBJECT
public:
    // Connects cmdAddWatch, cmdShowWatch and Timer2 and filters the keys of
    // txtWatch. title is the program's title for the message box.
    WatchList(const MonitorControls &controls, ScanState &state, HostStation &objStation,
              MessageDisplay &messages, const QString &title, QObject *parent = nullptr);

    void setHost(HostApplication *gUIV) { m_host = gUIV; }
    // budget: the work between two yields (zero: a yield after every station).
    void setYield(YieldFunction yield, std::chrono::nanoseconds budget = ScanPacer::defaultBudget)
    {
        m_yield = std::move(yield);
        m_yieldBudget = budget;
    }

    void scan_watchlist();

    // Runs after every entry added or deleted by the user.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    void cmdAddWatch_Click();
    void cmdShowWatch_Click();
    void Timer2_Timer();
    void mnuPopu3Delete_Click();

    // Makes the window show what gblnShowWatchList says.
    void show_hide_watchlist();
    bool gblnShowWatchList() const { return m_showWatchList; }
    void setShowWatchList(bool show) { m_showWatchList = show; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool scanControlsAlive() const;
    void examine(HostApplication &host, const QString &entry);

    QPointer<ListBox> m_lstWatch;
    QPointer<QLineEdit> m_txtWatch;
    QPointer<QPushButton> m_cmdShowWatch;
    QPointer<QLabel> m_lblOverlays;
    QPointer<ListBox> m_lstOverlayItems;
    QPointer<QTimer> m_timer2;
    QPointer<ListBox> m_lstStations;
    QPointer<QLabel> m_lblMinDist;
    ListTextIndex m_watched;
    ListTextIndex m_acked;
    ScanState &m_state;
    HostStation &m_station;
    MessageDisplay &m_messages;
    QString m_title;
    QPointer<HostApplication> m_host;
    YieldFunction m_yield = processEventsYield();
    std::chrono::nanoseconds m_yieldBudget = ScanPacer::defaultBudget;
    bool m_showWatchList = false;
    std::function<void()> m_onChange;
};

} // namespace nearbell
