#pragma once

namespace nearbell {

// The alarm channels besides the siren and what raises the alarm beyond the
// range and the watch list, switched in the Options menu and kept in section
// [ALERTS] of the settings file.
struct AlertFlags
{
    bool notify = true;  // NOTIFY: a desktop notification per arrival
    bool speak = false;  // SPEAK: each arrival spoken after the siren
    bool direct = false; // DIRECT: stations heard direct alarm at any distance
    bool noWeather = false;        // NO_WEATHER: weather stations not listed by range
    bool noInfrastructure = false; // NO_INFRASTRUCTURE: nor digipeaters and gateways
    bool approach = false;         // APPROACH: stations whose closest approach lies in range
    int approachMinutes = 10;      // APPROACH_MINUTES: how far ahead (1..60)
    int rearmAfterMinutes = 0;     // REARM_AFTER_MINUTES: re-arm after so long out of range; 0 never
    bool sirenNewOnly = false;     // SIREN_NEW_ONLY: the siren only for lines new in the cycle
    bool keepWatch = false;        // KEEP_WATCH: lstWatch kept in its own file
    bool atOnce = false;           // AT_ONCE: a report that alarms runs a cycle at once

    static constexpr int kDefaultApproachMinutes = 10;
    static constexpr int kMinApproachMinutes = 1;
    static constexpr int kMaxApproachMinutes = 60;
    // What "Re-arm after leaving" sets.
    static constexpr int kRearmMenuMinutes = 30;
};

} // namespace nearbell
