#include "host/HostSettingsModel.h"

namespace nearbell {

HostSettingsModel::HostSettingsModel(HostSettings settings, QObject *parent)
    : QObject(parent), m_current(std::move(settings))
{
}

void HostSettingsModel::apply(HostSettings next)
{
    next.callsign = m_current.callsign;
    if (m_hasFix && next.positionFromGpsd) {
        next.hasOwnPosition = true;
        next.ownLatitude = m_current.ownLatitude;
        next.ownLongitude = m_current.ownLongitude;
    }
    if (!next.positionFromGpsd)
        m_hasFix = false;
    if (next == m_current)
        return;
    const HostSettings old = std::exchange(m_current, std::move(next));
    emit changed(old, m_current);
}

void HostSettingsModel::moveOwnPosition(double latitude, double longitude)
{
    m_hasFix = true;
    if (m_current.hasOwnPosition && m_current.ownLatitude == latitude && m_current.ownLongitude == longitude)
        return;
    HostSettings next = m_current;
    next.hasOwnPosition = true;
    next.ownLatitude = latitude;
    next.ownLongitude = longitude;
    const HostSettings old = std::exchange(m_current, std::move(next));
    emit changed(old, m_current);
}

} // namespace nearbell
