#pragma once

namespace nearbell {

// Why a line of lstStations raised the alarm, least urgent first: the
// siren of a cycle speaks for the most urgent reason it saw.
enum class AlarmReason { None, Direct, Watched, Approaching, InRange };

inline AlarmReason moreUrgent(AlarmReason a, AlarmReason b)
{
    return static_cast<int>(a) >= static_cast<int>(b) ? a : b;
}

} // namespace nearbell
