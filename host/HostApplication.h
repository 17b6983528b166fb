#pragma once

#include <QObject>
#include <QString>

#include "host/HostStation.h"

namespace nearbell {

// The station program ("host") as the add-on sees it.
//
// Responsibilities:
//  - list the heard stations: StationCount() entries, indexes 0..count-1;
//    each entry is one leading character (the station's symbol), the
//    callsign, a "*" when last heard directly, a blank, then the time last
//    heard; an index past the end gives the empty text;
//  - fill a HostStation record for a callsign (false: station not known);
//  - announce what happens to its data through the five signals.
// Any call may throw HostError; callers catch it and stop their work.
class HostApplication : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~HostApplication() override = default;

    virtual bool GetStation(HostStation &station) = 0;
    virtual qint16 StationCount() = 0;
    virtual QString StationListEntry(qint16 &index) = 0;
    virtual void SetAttachOption(qint32 &value) = 0;

signals:
    void DataAvailable();
    void NotifyBeacon(const QString &strCallsign, float sngLat, float sngLong);
    void NotifyDelete(const QString &strCallsign);
    void NotifyDeleteAllStations();
    void UIView32IsClosing();
};

} // namespace nearbell
