#pragma once

#include "overlay/HostFolder.h"
#include "overlay/OverlayTable.h"

#include <QString>

class QLabel;
class QLineEdit;

namespace nearbell {

class HostApplication;
class HostStation;
class ListBox;

// The overlay proximity monitor of the main window.
//
// Responsibilities:
//  - scan_overlays: find the own position through the host, reread the
//    overlay files and list every object strictly closer than the alarm
//    range as "name distancekm (description)", in file and line order;
//    it never raises the alarm and never plays a sound;
//  - list nothing when the host is not attached, does not know the own
//    station, or fails while asked;
//  - lstOverlayItems_Click: show the chosen line in the label below the lists.
// Constructed once by the main window with its controls; the widgets and the
// station record must outlive it.
class OverlayScan
{
public:
    OverlayScan(ListBox *lstOverlayItems, QLineEdit *txtRadius, QLabel *lblOVLItem,
                HostApplication *host, HostStation &objStation, QString myCallsign,
                HostFolder folder);

    // The host is attached after the window is shown; null means not attached.
    void setHost(HostApplication *host) { m_host = host; }
    void setMyCallsign(const QString &callsign) { m_myCallsign = callsign; }

    // One overlay scan of the scan cycle.
    void scan_overlays();
    // The click of lstOverlayItems.
    void lstOverlayItems_Click();

    const OverlayTable &table() const { return m_table; }
    const HostFolder &folder() const { return m_folder; }

private:
    bool ownPosition(float &latitude, float &longitude);

    ListBox *m_lstOverlayItems;
    QLineEdit *m_txtRadius;
    QLabel *m_lblOVLItem;
    HostApplication *m_host;
    HostStation &m_objStation;
    QString m_myCallsign;
    HostFolder m_folder;
    OverlayTable m_table;
};

} // namespace nearbell
