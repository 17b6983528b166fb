#pragma once

#include <QString>

namespace nearbell {

// Plays the alarm sound.
//
// Responsibilities:
//  - play a WAV file asynchronously: the caller never waits for the sound;
//  - cut off whatever is still playing when a new sound is asked for;
//  - stay silent, without a message, when the file is missing or unusable
//    or when the machine has no audio output;
//  - say, when asked, why nothing can be heard (no sound server or device).
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &path) = 0;
    // Empty while sounds can be heard; otherwise why not. Looked up afresh
    // on every call.
    virtual QString outputProblem() const { return {}; }
};

} // namespace nearbell
