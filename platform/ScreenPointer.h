#pragma once

namespace nearbell {

// Responsibilities: the program-wide mouse pointer shown over all of its
// windows, as one setting: the default pointer or the hourglass.
//
// Built on the application's override cursor; "default" removes every
// override so a pointer left standing by an interrupted action is cleared.
class ScreenPointer
{
public:
    static void setHourglass();
    static void setDefault();
    static bool isHourglass();
};

} // namespace nearbell
