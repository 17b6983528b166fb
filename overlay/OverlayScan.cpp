#include "overlay/OverlayScan.h"

#include "platform/DistanceFormat.h"
#include "host/HostApplication.h"
#include "host/HostError.h"
#include "host/HostStation.h"
#include "overlay/PositionText.h"
#include "platform/LeadingNumber.h"

#include <QLabel>
#include <QLineEdit>
#include "ui/ListBox.h"

#include <utility>

namespace nearbell {

OverlayScan::OverlayScan(ListBox *lstOverlayItems, QLineEdit *txtRadius, QLabel *lblOVLItem,
                         HostApplication *host, HostStation &objStation, QString myCallsign,
                         HostFolder folder)
    : m_lstOverlayItems(lstOverlayItems),
      m_txtRadius(txtRadius),
      m_lblOVLItem(lblOVLItem),
      m_host(host),
      m_objStation(objStation),
      m_myCallsign(std::move(myCallsign)),
      m_folder(std::move(folder))
{
}

bool OverlayScan::ownPosition(float &latitude, float &longitude)
{
    if (!m_host)
        return false;
    try {
        m_objStation.setCallsign(m_myCallsign);
        if (!m_host->GetStation(m_objStation))
            return false;
        latitude = m_objStation.Latitude();
        longitude = m_objStation.Longitude();
        return true;
    } catch (const HostError &) {
        return false; // the host went away during the cycle
    }
}

void OverlayScan::scan_overlays()
{
    float ownLatitude = 0.0f;
    float ownLongitude = 0.0f;
    const bool known = ownPosition(ownLatitude, ownLongitude);
    m_lstOverlayItems->clear();
    // Without the own position every distance would be measured from
    // latitude 0, longitude 0; such a list would be wrong, so it stays empty.
    if (!known)
        return;

    m_table.load_overlay_items(m_folder);

    const QLocale locale;
    QStringList lines;
    const int count = m_table.gintOverlayCount();
    for (int i = 1; i <= count; ++i) {
        const OverlayItem &item = m_table.gOverlayItems(i);
        const double d = calc_dist(ownLatitude, ownLongitude, item.sngLatitude, item.sngLongitude);
        // The range is read for every object: the user may be typing.
        const double r = leadingNumber(m_txtRadius->text());
        if (r > d) {
            lines.append(item.strName + u' ' + formatDistance(d, locale) + QStringLiteral("km (")
                         + item.strComment + u')');
        }
    }
    // One insertion for the whole list; nothing runs in between, so it looks
    // the same as adding line by line.
    m_lstOverlayItems->addItems(lines);
}

void OverlayScan::lstOverlayItems_Click()
{
    const int current = m_lstOverlayItems->currentRow();
    m_lblOVLItem->setText(current >= 0 ? m_lstOverlayItems->text(current) : QString());
}

} // namespace nearbell
