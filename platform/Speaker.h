#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// Speaks short texts, one after the other.
//
// Responsibilities:
//  - queue the texts behind whatever is still being spoken, never cutting
//    it off, and never making the caller wait;
//  - say why nothing can be spoken, when no speech engine works.
class Speaker
{
public:
    virtual ~Speaker() = default;
    virtual void speak(const QStringList &texts) = 0;
    // Empty while speech works; otherwise why it does not.
    virtual QString unavailableReason() const = 0;
};

} // namespace nearbell
