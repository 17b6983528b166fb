#pragma once

#include "platform/SpeechVoice.h"

#include <QPointer>
#include <QTextToSpeech>

namespace nearbell {

// SpeechVoice on Qt TextToSpeech.
//
// Responsibilities:
//  - take the first installed engine that starts without an error (the
//    desktop's speech service first, then the built-in synthesiser), or say
//    why none is usable;
//  - turn the engine's states into finished / failed for the text it was
//    handed; states that belong to a stopped text are ignored.
class QtSpeechVoice : public SpeechVoice
{
    Q_OBJECT
public:
    // engines: the engine names to try, in order; empty tries every
    // installed one, the desktop's speech service first.
    explicit QtSpeechVoice(QStringList engines = {}, QObject *parent = nullptr);
    ~QtSpeechVoice() override;

    void say(const QString &text) override;
    void stop() override;
    QString unavailableReason() const override { return m_reason; }
    QString engine() const;

private:
    void onStateChanged(QTextToSpeech::State state);

    QPointer<QTextToSpeech> m_tts;
    QString m_reason;
    bool m_active = false;   // a text was handed over and has not ended
    bool m_started = false;  // the engine was seen speaking it
};

} // namespace nearbell
