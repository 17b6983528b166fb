#pragma once

namespace nearbell {

// Brings the main window forward when an alarm stands.
//
// Responsibilities:
//  - put the window into the always-on-top band without moving or resizing
//    it, where it stays until the program ends;
//  - restore the window when it is minimized, and show it.
class WindowRaiser
{
public:
    virtual ~WindowRaiser() = default;
    virtual void bringToFront() = 0;
};

} // namespace nearbell
