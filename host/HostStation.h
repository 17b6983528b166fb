#pragma once

#include <QDateTime>
#include <QString>

#include <QStringList>

#include <cmath>
#include <vector>

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

    // One position of a station's recent track.
    struct TrackPoint
    {
        double latitude = 0.0;  // signed minutes of arc
        double longitude = 0.0; // signed minutes of arc
        QDateTime heard;        // UTC, for display
    };

    struct Details
    {
        char symbolTable = '/';
        char symbolCode = '/';
        bool heardDirectRecently = false; // heard direct within the host's window
        QDateTime lastHeardDirect;        // UTC; null when never heard direct
        double bearing = std::nan("");    // degrees from the own station; NaN unknown
        QString source;                   // the source of the newest report

        // Motion of the newest report that gave it; NaN while unknown.
        double course = std::nan("");    // degrees true, 1..360 (360 is north)
        double speedKmh = std::nan("");
        double altitudeM = std::nan("");
        qint64 motionAgeMs = -1;         // age of that report; -1 unknown
        // The course of the motion report before it, and the time between
        // the two: a course that jumps within seconds is GPS noise.
        double priorCourse = std::nan("");
        qint64 courseGapMs = -1;

        QString comment;                 // cleaned, at most 80 characters
        QString status;                  // the newest status text, cleaned likewise
        QStringList path;                // digipeaters of the newest packet, "*" after those that repeated it
        qint64 packets = 0;              // packets heard
        QDateTime firstHeard;            // UTC
        QDateTime lastHeard;             // UTC
        std::vector<TrackPoint> track;   // recent positions, oldest first
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
