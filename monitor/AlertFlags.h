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
};

} // namespace nearbell
