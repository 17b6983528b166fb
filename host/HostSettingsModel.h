#pragma once

#include <QObject>

#include "host/HostSettings.h"

namespace nearbell {

// The station set-up in force, and the one path by which a change of it
// reaches everything that follows it.
//
// Responsibilities:
//  - hold the current HostSettings;
//  - take a new set-up (start-up, the set-up window's OK) and a new own
//    position (every gpsd fix), and tell every follower once through
//    changed(old, now) when anything differs;
//  - keep the own callsign read at start-up, which the add-on reads only
//    then;
//  - once gpsd has given a fix, keep the own position at the last fix when
//    a new set-up still takes the position from gpsd (the fixed position
//    only serves until the first fix).
class HostSettingsModel : public QObject
{
    Q_OBJECT
public:
    explicit HostSettingsModel(HostSettings settings, QObject *parent = nullptr);

    const HostSettings &current() const { return m_current; }
    void apply(HostSettings next);
    void moveOwnPosition(double latitude, double longitude);
    bool hasFix() const { return m_hasFix; }

signals:
    void changed(const nearbell::HostSettings &old, const nearbell::HostSettings &now);

private:
    HostSettings m_current;
    bool m_hasFix = false;
};

} // namespace nearbell
