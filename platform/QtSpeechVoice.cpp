#include "platform/QtSpeechVoice.h"

namespace nearbell {

QtSpeechVoice::QtSpeechVoice(QStringList engines, QObject *parent) : SpeechVoice(parent)
{
    if (engines.isEmpty()) {
        engines = QTextToSpeech::availableEngines();
        // The desktop's speech service honours the user's voice settings.
        const qsizetype speechd = engines.indexOf(QStringLiteral("speechd"));
        if (speechd > 0)
            engines.move(speechd, 0);
    }
    if (engines.isEmpty()) {
        m_reason = QStringLiteral("no speech engine is installed");
        return;
    }
    for (const QString &name : std::as_const(engines)) {
        auto *tts = new QTextToSpeech(name, this);
        if (tts->state() != QTextToSpeech::Error) {
            m_tts = tts;
            break;
        }
        m_reason = QStringLiteral("the speech engine %1 does not start: %2").arg(name, tts->errorString());
        delete tts;
    }
    if (!m_tts) {
        if (m_reason.isEmpty())
            m_reason = QStringLiteral("no speech engine starts");
        return;
    }
    m_reason.clear();
    connect(m_tts, &QTextToSpeech::stateChanged, this, &QtSpeechVoice::onStateChanged);
}

QtSpeechVoice::~QtSpeechVoice()
{
    if (m_tts && m_active)
        m_tts->stop();
}

QString QtSpeechVoice::engine() const
{
    return m_tts ? m_tts->engine() : QString();
}

void QtSpeechVoice::say(const QString &text)
{
    if (!m_tts) {
        emit failed(m_reason);
        return;
    }
    m_active = true;
    m_started = false;
    m_tts->say(text);
    // An engine may go through its states inside say(); one that is still
    // ready here has either finished already or never started.
    if (m_active && m_tts->state() == QTextToSpeech::Error)
        onStateChanged(QTextToSpeech::Error);
}

void QtSpeechVoice::stop()
{
    m_active = false;
    if (m_tts)
        m_tts->stop();
}

void QtSpeechVoice::onStateChanged(QTextToSpeech::State state)
{
    if (!m_active)
        return;
    switch (state) {
    case QTextToSpeech::Speaking:
        m_started = true;
        break;
    case QTextToSpeech::Ready:
        if (!m_started)
            break; // a stopped text settling, before this one began
        m_active = false;
        emit finished();
        break;
    case QTextToSpeech::Error: {
        m_active = false;
        const QString reason = m_tts ? m_tts->errorString() : QString();
        emit failed(reason.isEmpty() ? QStringLiteral("the speech engine failed") : reason);
        break;
    }
    case QTextToSpeech::Paused:
        break;
    }
}

} // namespace nearbell
