#pragma once

#include "platform/Speaker.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace nearbell {

class SpeechVoice;

// Speaker over one speech engine: the engine says one text at a time and
// would cut off the text it is saying when handed the next, so the texts
// wait here for their turn.
//
// Responsibilities:
//  - hand the engine the next text only when the previous one ended
//    (said, failed, or overdue);
//  - an engine that fails mid-sentence loses that text only; one that never
//    reports an end is stopped after a time that grows with the text, so a
//    stuck engine never blocks later texts for good;
//  - keep at most maxPending texts waiting, dropping the oldest waiting ones
//    (a long backlog of arrivals says nothing useful any more);
//  - tell standard error once when the engine fails.
class SpeechQueue : public QObject, public Speaker
{
    Q_OBJECT
public:
    explicit SpeechQueue(SpeechVoice *voice, QObject *parent = nullptr);
    ~SpeechQueue() override;

    void speak(const QStringList &texts) override;
    QString unavailableReason() const override;

    // Longest wait for one text: base + perCharacter for each character.
    void setTimeouts(int baseMs, int perCharacterMs);
    void setMaxPending(int maxPending) { m_maxPending = maxPending; }

    bool isSpeaking() const { return !m_current.isNull(); }
    const QString &current() const { return m_current; }
    const QStringList &pending() const { return m_pending; }
    int failures() const { return m_failures; }
    int overdue() const { return m_overdue; }

private:
    void next();
    void ended();
    void onFailed(const QString &reason);
    void onOverdue();

    QPointer<SpeechVoice> m_voice;
    QStringList m_pending;
    QString m_current; // null while nothing is being said
    QTimer m_watchdog;
    int m_baseMs = 10000;
    int m_perCharacterMs = 200;
    int m_maxPending = 12;
    int m_failures = 0;
    int m_overdue = 0;
    bool m_reported = false;
};

} // namespace nearbell
