#pragma once

namespace nearbell {

// The two alarm channels besides the siren, switched in the Options menu and
// kept in section [ALERTS] of the settings file.
struct AlertFlags
{
    bool notify = true;  // NOTIFY: a desktop notification per arrival
    bool speak = false;  // SPEAK: each arrival spoken after the siren
};

} // namespace nearbell
