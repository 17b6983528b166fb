#include "platform/SpeechQueue.h"

#include "platform/SpeechVoice.h"

#include <cstdio>

namespace nearbell {

SpeechQueue::SpeechQueue(SpeechVoice *voice, QObject *parent) : QObject(parent), m_voice(voice)
{
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &SpeechQueue::onOverdue);
    if (voice) {
        connect(voice, &SpeechVoice::finished, this, &SpeechQueue::ended);
        connect(voice, &SpeechVoice::failed, this, &SpeechQueue::onFailed);
    }
}

SpeechQueue::~SpeechQueue()
{
    if (m_voice && isSpeaking())
        m_voice->stop();
}

QString SpeechQueue::unavailableReason() const
{
    if (!m_voice)
        return QStringLiteral("no speech engine");
    return m_voice->unavailableReason();
}

void SpeechQueue::setTimeouts(int baseMs, int perCharacterMs)
{
    m_baseMs = baseMs;
    m_perCharacterMs = perCharacterMs;
}

void SpeechQueue::speak(const QStringList &texts)
{
    if (!unavailableReason().isEmpty())
        return;
    for (const QString &text : texts) {
        if (!text.trimmed().isEmpty())
            m_pending << text;
    }
    if (!isSpeaking())
        next();
    while (m_pending.size() > m_maxPending)
        m_pending.removeFirst();
}

void SpeechQueue::next()
{
    if (isSpeaking() || m_pending.isEmpty() || !m_voice)
        return;
    m_current = m_pending.takeFirst();
    m_watchdog.start(m_baseMs + m_perCharacterMs * int(m_current.size()));
    m_voice->say(m_current);
}

void SpeechQueue::ended()
{
    // Whatever the engine reports after its text was given up is stale.
    if (!isSpeaking())
        return;
    m_current = QString();
    m_watchdog.stop();
    // Later: an engine reporting from inside say() must not re-enter it.
    QMetaObject::invokeMethod(this, &SpeechQueue::next, Qt::QueuedConnection);
}

void SpeechQueue::onFailed(const QString &reason)
{
    if (!isSpeaking())
        return;
    ++m_failures;
    if (!m_reported) {
        m_reported = true;
        std::fprintf(stderr, "Speech failed: %s\n", qPrintable(reason));
        std::fflush(stderr);
    }
    ended();
}

void SpeechQueue::onOverdue()
{
    ++m_overdue;
    onFailed(QStringLiteral("the speech engine did not finish a sentence"));
    if (m_voice)
        m_voice->stop();
}

} // namespace nearbell
