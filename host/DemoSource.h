#pragma once

#include <QTimer>

#include <cstdint>
#include <vector>

#include "host/StationSource.h"

namespace nearbell {

// A station source that makes up traffic, so the program can be tried
// without a radio or a network.
//
// Responsibilities:
//  - simulate six stations around a centre (the own position): their
//    distances from the centre swing between a near and a far limit, two
//    of them across the 10 km mark, one staying inside it and others
//    outside, so the alarm can be seen to come and go;
//  - one station is heard directly, the others through a digipeater;
//  - each report carries the course the station is moving on (towards the
//    centre on the near half of its swing), a believable speed for its kind
//    (none for the fixed digipeater), a comment, and its path;
//  - without a centre yet (gpsd before its first fix, no fixed position)
//    it waits: nothing is reported until centreOn() gives the first fix;
//  - every step moves all stations, reports those that beacon in that step
//    and then ends the batch; a timer steps while running, and step() can
//    be called directly;
//  - the same seed gives the same reports, on every platform (own small
//    generator, no library distributions).
class DemoSource : public StationSource
{
    Q_OBJECT
public:
    static constexpr int kDefaultIntervalMs = 5000;

    struct Simulated
    {
        QString callsign;
        char symbolCode;
        bool heardDirectly;
        double speedKmh;      // as reported; 0 for a fixed station
        double nearKm;        // closest the station comes to the centre
        double farKm;         // farthest it goes
        double phase;         // radians into its swing (0: nearest)
        double phaseStep;     // radians per step
        double bearing;       // radians from north, clockwise
        double bearingStep;   // radians per step
        int beaconEvery;      // steps between beacons
        int stepsToBeacon;    // steps left until the next beacon
    };

    DemoSource(double centreLatitude, double centreLongitude, std::uint64_t seed,
               QObject *parent = nullptr);

    void setInterval(int ms) { m_timer.setInterval(ms); }
    int interval() const { return m_timer.interval(); }

    // Reports the first positions at once (once there is a centre), then
    // steps on the timer.
    void start() override;
    // Holds every report back until centreOn() gives the centre.
    void waitForCentre() { m_haveCentre = false; }
    bool waitingForCentre() const { return !m_haveCentre; }
    // The first centre given while waiting is kept (a first fix); the
    // stations are reported around it at once when running.
    void centreOn(double latitude, double longitude);
    void stop() { m_timer.stop(); }
    // "Demo: 6 simulated stations" (the host adds how many were heard).
    StatusPart status() const override;
    // Moves every station once and reports the ones beaconing now.
    void step();

    const std::vector<Simulated> &stations() const { return m_stations; }
    // Where a simulated station stands now, in signed minutes of arc.
    void positionOf(const Simulated &station, double &latitude, double &longitude) const;

private:
    double nextUnit(); // uniform in [0, 1)

    double m_centreLatitude;
    double m_centreLongitude;
    bool m_haveCentre = true;
    std::uint64_t m_state;
    std::vector<Simulated> m_stations;
    QTimer m_timer;
};

} // namespace nearbell
