#pragma once

#include <QObject>
#include <QString>

#include "host/StationReport.h"
#include "platform/StatusPart.h"

namespace nearbell {

// Where the host's heard stations come from (demo, replay file, KISS TNC,
// APRS-IS). A source only receives: it never transmits.
//
// Responsibilities:
//  - deliver each decoded position as reportReceived, in arrival order;
//  - signal batchReceived after each batch of received data has been
//    delivered (the host raises DataAvailable then);
//  - report each change of connection state as one human-readable line
//    through connectionStateChanged (network sources also print it on
//    standard error).
class StationSource : public QObject
{
    Q_OBJECT
public:
    explicit StationSource(QObject *parent = nullptr);
    ~StationSource() override = default;

    // Starts receiving; called once, after the signals are connected.
    virtual void start() = 0;

    // The user asks for a new attempt now: a source waiting to connect again
    // tries at once. Sources that never wait ignore it.
    virtual void reconnectNow() {}

    // The state for the status line; by default the last state line announced.
    virtual StatusPart status() const;

    // What the station table notes as the source of each report: the
    // setting that made it ("KISS 127.0.0.1:8001"); empty when unnamed.
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

signals:
    void reportReceived(const nearbell::StationReport &report);
    void batchReceived();
    void connectionStateChanged(const QString &description);

private:
    QString m_lastState;
    QString m_name;
};

} // namespace nearbell
