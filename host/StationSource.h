#pragma once

#include <QObject>
#include <QString>

#include "host/StationReport.h"

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
    using QObject::QObject;
    ~StationSource() override = default;

    // Starts receiving; called once, after the signals are connected.
    virtual void start() = 0;

signals:
    void reportReceived(const nearbell::StationReport &report);
    void batchReceived();
    void connectionStateChanged(const QString &description);
};

} // namespace nearbell
