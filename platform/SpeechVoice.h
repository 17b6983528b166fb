#pragma once

#include <QObject>
#include <QString>

namespace nearbell {

// One speech engine saying one text at a time.
//
// Responsibilities:
//  - start saying a text (say) and report its end: finished when it was
//    said, failed when the engine gave up on it;
//  - stop what it is saying on request (stop), reporting nothing more for it.
class SpeechVoice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechVoice() override = default;

    virtual void say(const QString &text) = 0;
    virtual void stop() = 0;
    // Empty while the engine works; otherwise why it does not.
    virtual QString unavailableReason() const = 0;

signals:
    void finished();
    void failed(const QString &reason);
};

} // namespace nearbell
