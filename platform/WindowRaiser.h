#pragma once

#include <QString>

namespace nearbell {

// Brings the main window forward when an alarm stands.
//
// Responsibilities:
//  - put the window into the always-on-top band without moving or resizing
//    it, where it stays until the program ends;
//  - restore the window when it is minimized, and show it;
//  - say when the desktop does not let a program raise its window.
class WindowRaiser
{
public:
    virtual ~WindowRaiser() = default;
    virtual void bringToFront() = 0;
    // Why bringing to front has no effect on this desktop; empty when it works.
    virtual QString unavailableReason() const { return {}; }
};

} // namespace nearbell
