#include "host/DemoSource.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/GreatCircle.h"

namespace nearbell {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Minutes of arc of latitude per kilometre on the mean sphere.
constexpr double kMinutesPerKm = 180.0 * 60.0 / (std::numbers::pi * greatcircle::kEarthRadiusKm);

struct Template
{
    const char *callsign;
    char symbolCode;
    bool heardDirectly;
    double nearKm;
    double farKm;
    int beaconEvery;
    double speedKmh;
    double altitudeM;
    const char *comment;
};

// Car and bicycle cross the 10 km mark, the walker stays inside it, the
// others stay outside. The swing runs faster than the speeds said, so that
// the alarm comes and goes within minutes.
constexpr Template kTemplates[] = {
    {"DEMO-1", '>', true, 3.0, 16.0, 1, 60.0, 12.0, "Nearbell demo car"},       // heard directly
    {"DEMO-2", 'b', false, 6.0, 13.0, 1, 18.0, 8.0, "Nearbell demo bicycle"},
    {"DEMO-3", '[', false, 0.5, 4.0, 2, 5.0, 4.0, "Nearbell demo walker"},
    {"DEMO-4", 'k', false, 15.0, 40.0, 1, 80.0, 3.0, "Nearbell demo lorry"},
    {"DEMO-5", 'Y', false, 20.0, 30.0, 3, 15.0, 0.0, "Nearbell demo boat"},
    {"DEMO-6", '#', false, 25.0, 25.0, 6, 0.0, 35.0, "Nearbell demo digipeater"}, // fixed
};

// The digipeater that relays the stations not heard directly.
constexpr const char *kRelay = "DEMO-6*";

} // namespace

DemoSource::DemoSource(double centreLatitude, double centreLongitude, std::uint64_t seed,
                       QObject *parent)
    : StationSource(parent),
      m_centreLatitude(centreLatitude),
      m_centreLongitude(centreLongitude),
      m_state(seed)
{
    for (const Template &t : kTemplates) {
        Simulated s;
        s.callsign = QString::fromLatin1(t.callsign);
        s.symbolCode = t.symbolCode;
        s.heardDirectly = t.heardDirectly;
        s.speedKmh = t.speedKmh;
        s.nearKm = t.nearKm;
        s.farKm = t.farKm;
        s.phase = nextUnit() * kTwoPi;
        // A full swing takes 20 to 40 steps.
        s.phaseStep = kTwoPi / (20.0 + 20.0 * nextUnit());
        s.bearing = nextUnit() * kTwoPi;
        s.bearingStep = (nextUnit() - 0.5) * 0.2;
        s.beaconEvery = t.beaconEvery;
        s.stepsToBeacon = 0;
        m_stations.push_back(s);
    }
    m_timer.setInterval(kDefaultIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DemoSource::step);
}

double DemoSource::nextUnit()
{
    // splitmix64: small, and the same numbers everywhere.
    std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    z ^= z >> 31;
    return double(z >> 11) * 0x1.0p-53;
}

StatusPart DemoSource::status() const
{
    return {QStringLiteral("Demo: %1 simulated stations, no radio").arg(m_stations.size()), false};
}

void DemoSource::start()
{
    // The first step reports every station, so the list fills at once.
    step();
    m_timer.start();
}

void DemoSource::centreOn(double latitude, double longitude)
{
    if (m_haveCentre)
        return;
    m_centreLatitude = latitude;
    m_centreLongitude = longitude;
    m_haveCentre = true;
    if (m_timer.isActive())
        step();
}

void DemoSource::positionOf(const Simulated &station, double &latitude, double &longitude) const
{
    const double km = station.nearKm
        + (station.farKm - station.nearKm) * (1.0 - std::cos(station.phase)) / 2.0;
    const double northKm = km * std::cos(station.bearing);
    const double eastKm = km * std::sin(station.bearing);
    const double latitudeRadians = m_centreLatitude / 60.0 * std::numbers::pi / 180.0;
    // Near the poles an east-west kilometre spans many minutes: keep the
    // factor finite.
    const double shrink = std::max(std::cos(latitudeRadians), 0.01);
    latitude = std::clamp(m_centreLatitude + northKm * kMinutesPerKm, -5400.0, 5400.0);
    longitude = m_centreLongitude + eastKm * kMinutesPerKm / shrink;
    if (longitude > 10800.0)
        longitude -= 21600.0;
    else if (longitude < -10800.0)
        longitude += 21600.0;
}

void DemoSource::step()
{
    if (!m_haveCentre)
        return; // nothing to place the stations around yet
    for (Simulated &s : m_stations) {
        double fromLatitude = 0.0;
        double fromLongitude = 0.0;
        positionOf(s, fromLatitude, fromLongitude);
        s.phase = std::fmod(s.phase + s.phaseStep, kTwoPi);
        s.bearing = std::fmod(s.bearing + s.bearingStep + kTwoPi, kTwoPi);
        if (s.stepsToBeacon > 0) {
            --s.stepsToBeacon;
            continue;
        }
        s.stepsToBeacon = s.beaconEvery - 1;
        const size_t index = size_t(&s - m_stations.data());
        StationReport report;
        report.callsign = s.callsign;
        report.symbolTable = '/';
        report.symbolCode = s.symbolCode;
        report.heardDirectly = s.heardDirectly;
        positionOf(s, report.latitude, report.longitude);
        report.speedKmh = s.speedKmh;
        // The way it went since the last step; a fixed station has none.
        if (s.speedKmh > 0.0) {
            const double course = greatcircle::bearing(fromLatitude, fromLongitude, report.latitude,
                                                       report.longitude);
            report.course = course < 0.5 ? 360.0 : std::round(course);
        }
        report.altitudeM = kTemplates[index].altitudeM;
        report.comment = QString::fromLatin1(kTemplates[index].comment);
        if (!s.heardDirectly && s.farKm != s.nearKm)
            report.path = QStringList{QString::fromLatin1(kRelay), QStringLiteral("WIDE2-1")};
        emit reportReceived(report);
    }
    emit batchReceived();
}

} // namespace nearbell
