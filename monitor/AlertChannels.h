#pragma once

#include "host/GreatCircle.h"
#include "monitor/AlertFlags.h"
#include "monitor/ArrivalTracker.h"
#include "ui/ListBox.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>


namespace nearbell {


class AlarmHistory;
class DesktopNotifier;
class Speaker;

// The alarm channels besides the siren: a desktop notification and spoken
// callsigns for every station that arrives in lstStations.
//
// Responsibilities:
//  - after each cycle's station and watch scans, find the arrivals
//    (ArrivalTracker), complete them with bearing and source, announce them
//    (one notification for all of them when NOTIFY is on, each spoken when
//    SPEAK is on) and add them to the alarm history;
//  - speech starts once the siren of the same cycle has played (speechDelay
//    says how long that takes), and later cycles only add to what is queued;
//  - a station acknowledged in lstAcked becomes new again, so that its
//    re-arm announces it once more;
//  - a click on a notification brings the window forward and selects the
//    station's line in lstStations.
// The channels are looked at on every use and may be absent.
class AlertChannels : public QObject
{
    Q_OBJECT
public:
    AlertChannels(ListBox *lstStations, ListBox *lstAcked, const AlertFlags &flags,
                  QObject *parent = nullptr);

    void setNotifier(DesktopNotifier *notifier);
    void setSpeaker(Speaker *speaker) { m_speaker = speaker; }
    void setUnit(DistanceUnit unit) { m_unit = unit; }
    DistanceUnit unit() const { return m_unit; }
    // How long to hold speech back after the scans (the siren's length, or 0).
    void setSpeechDelay(std::function<int()> delayMs) { m_speechDelay = std::move(delayMs); }
    // Fills in what the list lines do not say (bearing, source).
    void setDetails(std::function<void(AlarmLine &)> details) { m_details = std::move(details); }
    void setHistory(AlarmHistory *history) { m_history = history; }
    // Brings the main window forward, for a click on a notification.
    void setRaise(std::function<void()> raise) { m_raise = std::move(raise); }

    // The scan cycle's hook, after the station and watch scans.
    void afterStationScans();
    // Brings the window forward and selects the line of this callsign.
    void showStation(const QString &callsign);

    ArrivalTracker &tracker() { return m_tracker; }

private:
    void onAckedRowsInserted(int first, int last);
    void speakHeld();

    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    const AlertFlags &m_flags;
    ArrivalTracker m_tracker;
    QPointer<DesktopNotifier> m_notifier;
    Speaker *m_speaker = nullptr;
    DistanceUnit m_unit = DistanceUnit::Kilometres;
    std::function<int()> m_speechDelay;
    std::function<void()> m_raise;
    std::function<void(AlarmLine &)> m_details;
    AlarmHistory *m_history = nullptr;
    QStringList m_held; // texts waiting for the siren to end
    QTimer m_speechTimer;
};

} // namespace nearbell
