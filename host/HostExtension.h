#pragma once

#include <QStringList>

#include "platform/StatusPart.h"

namespace nearbell {

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

    // The callsigns of the watch list, whenever it changes: a source that
    // chooses what it receives (APRS-IS) asks for them wherever they are.
    virtual void setWatchedCallsigns(const QStringList &callsigns) = 0;
};

} // namespace nearbell
