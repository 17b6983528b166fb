#include "platform/QtSoundPlayer.h"

#include "platform/WaveFileCheck.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>

namespace nearbell {

QtSoundPlayer::QtSoundPlayer(DeviceCheck check) : m_check(check) {}

QtSoundPlayer::~QtSoundPlayer() = default;

QString QtSoundPlayer::outputProblem() const
{
    return QMediaDevices::defaultAudioOutput().isNull() ? QStringLiteral("no sound server or output device")
                                                        : QString();
}

void QtSoundPlayer::play(const QString &path)
{
    // A new alarm cuts off the old sound, also when the new one cannot play.
    if (m_effect)
        m_effect->stop();

    if (!WaveFileCheck::isPlayableFile(path))
        return;
    if (m_check == DeviceCheck::RequireOutput && !outputProblem().isEmpty())
        return;

    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    const QUrl source = QUrl::fromLocalFile(path);
    if (m_effect->source() != source)
        m_effect->setSource(source);
    m_handed = source;
    m_effect->play(); // queued until loaded; never waits
}

} // namespace nearbell
