#pragma once

#include <QStringList>

#include <optional>

#include "host/HostSettings.h"
#include "host/GreatCircle.h"
#include "platform/StatusPart.h"

namespace nearbell {

class HostSettingsModel;

// What our own host offers beyond the host contract. The program asks for it
// with dynamic_cast on the host it attached; a host without it (a test's
// scripted host) simply offers none of this.
class HostExtension
{
public:
    virtual ~HostExtension() = default;

    // The host's part of the status line, most important first: the station
    // source's state, then anything that keeps distances from being measured.
    virtual StatusParts statusParts() const = 0;

    // New host settings from the set-up window, in force at once: units,
    // expiry and own position change in place, and a changed source line
    // restarts its source, forgetting the stations it heard. The own callsign is the one
    // read at start-up and stays until the next start.
    virtual void applySettings(const HostSettings &settings) = 0;
    // The set-up in force; its changed() reaches everything that follows
    // it. Null for a host without one.
    virtual HostSettingsModel *settingsModel() { return nullptr; }
    // The unit of every distance the host reports (HOST/UNITS).
    virtual DistanceUnit distanceUnit() const { return DistanceUnit::Kilometres; }
    // The callsigns of the watch list, whenever it changes: a source that
    // chooses what it receives (APRS-IS) asks for them wherever they are.
    virtual void setWatchedCallsigns(const QStringList &callsigns) = 0;
    // The user asks every source that waits between attempts to try now.
    virtual void reconnectNow() {}
    // Why the own position is unknown, or what state its source is in, as
    // the status line says it; empty text when there is nothing to say.
    virtual StatusPart positionStatus() const { return {}; }
    // The own course over ground in degrees from true north, while a
    // moving position source knows it.
    virtual std::optional<double> ownCourse() const { return std::nullopt; }
    // The own speed over ground in km/h, while a moving position source
    // knows it.
    virtual std::optional<double> ownSpeedKmh() const { return std::nullopt; }
};

} // namespace nearbell
