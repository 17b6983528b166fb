#pragma once

#include <QDateTime>
#include <QString>

#include <cmath>

namespace nearbell {

// The one reusable station record the program hands to the host.
//
// Responsibilities:
//  - carry the callsign to look up (written by the caller);
//  - carry back what the host filled in by GetStation: position in signed
//    minutes of arc (north and east positive) and the distance from the own
//    station in the host's unit.
//  - carry what our own host knows beside that, read only for the caller:
//    the symbol, whether the station was heard direct recently, the bearing
//    from the own station and the source that brought its newest report.
// Look-up order: set Callsign, call HostApplication::GetStation, then read.
class HostStation
{
public:
    void setCallsign(const QString &callsign) { m_callsign = callsign; }
    QString callsign() const { return m_callsign; }

    float Latitude() const { return m_latitude; }
    float Longitude() const { return m_longitude; }
    float Distance() const { return m_distance; }

    struct Details
    {
        char symbolTable = '/';
        char symbolCode = '/';
        bool heardDirectRecently = false; // heard direct within the host's window
        QDateTime lastHeardDirect;        // UTC; null when never heard direct
        double bearing = std::nan("");    // degrees from the own station; NaN unknown
        QString source;                   // the source of the newest report
    };
    const Details &details() const { return m_details; }

    // Used by hosts when they answer GetStation; the details start afresh.
    void fill(float latitude, float longitude, float distance)
    {
        fill(latitude, longitude, distance, Details());
    }
    void fill(float latitude, float longitude, float distance, Details details)
    {
        m_latitude = latitude;
        m_longitude = longitude;
        m_distance = distance;
        m_details = std::move(details);
    }

private:
    QString m_callsign;
    float m_latitude = 0.0f;
    float m_longitude = 0.0f;
    float m_distance = 0.0f;
    Details m_details;
};

} // namespace nearbell
