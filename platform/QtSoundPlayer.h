#pragma once

#include "platform/SoundPlayer.h"

#include <QUrl>

#include <memory>

class QSoundEffect;

namespace nearbell {

// SoundPlayer on the Qt audio layer (QSoundEffect).
//
// Responsibilities:
//  - check every file's RIFF/WAVE structure before the audio layer sees it
//    (a truncated file hands the layer a lock-up when the source changes
//    later); a bad or missing file stops the old sound and stays silent;
//  - stay silent on a machine without an audio output;
//  - cut off the sound still playing and start the new one, without waiting.
class QtSoundPlayer : public SoundPlayer
{
public:
    enum class DeviceCheck { RequireOutput, Skip };

    // Skip lets the audio layer be driven on a machine with no output.
    explicit QtSoundPlayer(DeviceCheck check = DeviceCheck::RequireOutput);
    ~QtSoundPlayer() override;

    void play(const QString &path) override;
    QString outputProblem() const override;

    // The last file handed to the audio layer (empty while none was).
    QUrl handedSource() const { return m_handed; }

private:
    DeviceCheck m_check;
    std::unique_ptr<QSoundEffect> m_effect;
    QUrl m_handed;
};

} // namespace nearbell
