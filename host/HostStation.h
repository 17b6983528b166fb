#pragma once

#include <QString>

namespace nearbell {

// The one reusable station record the program hands to the host.
//
// Responsibilities:
//  - carry the callsign to look up (written by the caller);
//  - carry back what the host filled in by GetStation: position in signed
//    minutes of arc (north and east positive) and the distance from the own
//    station in the host's unit.
// Look-up order: set Callsign, call HostApplication::GetStation, then read.
class HostStation
{
public:
    void setCallsign(const QString &callsign) { m_callsign = callsign; }
    QString callsign() const { return m_callsign; }

    float Latitude() const { return m_latitude; }
    float Longitude() const { return m_longitude; }
    float Distance() const { return m_distance; }

    // Used by hosts when they answer GetStation.
    void fill(float latitude, float longitude, float distance)
    {
        m_latitude = latitude;
        m_longitude = longitude;
        m_distance = distance;
    }

private:
    QString m_callsign;
    float m_latitude = 0.0f;
    float m_longitude = 0.0f;
    float m_distance = 0.0f;
};

} // namespace nearbell
