#pragma once

#include <QTimer>

#include <memory>

#include "host/GpsdPositionSource.h"
#include "host/HostApplication.h"
#include "host/HostExtension.h"
#include "host/HostSettings.h"
#include "host/HostSettingsModel.h"
#include "host/StationSource.h"
#include "host/StationTable.h"

namespace nearbell {

class AprsIsSource;

// The host the program runs against: a station table fed by one station
// source (demo, replay, TNC or APRS-IS), offered through the host contract.
//
// Responsibilities:
//  - answer the host calls from the station table: station list entries,
//    the count (at most 32767, the contract's 16-bit limit), and the
//    position and distance of a station;
//  - take the list afresh on each StationCount, the call that begins a
//    walk, so that a walk reads one steady list however fast stations
//    arrive or leave during it; a station gone meanwhile is no longer found;
//  - feed every report of the source into the table and raise NotifyBeacon
//    for each position, NotifyDelete for each deletion (killed, expired),
//    NotifyDeleteAllStations when the table is cleared and DataAvailable
//    after each batch the source delivers;
//  - delete stations not heard for the expiry time, checked once a minute;
//  - tell the status line what state the source is in, how many stations
//    were heard, when the table is full how many it dropped, and that
//    distances cannot be measured without an own position, and what state
//    the position source is in;
//  - hold the set-up in force (settingsModel) and follow every change of
//    it, whoever makes it: units, expiry and own position in place, the
//    APRS-IS filter on the open connection, a changed source or position
//    source restarted;
//  - with a position source (gpsd), put each fix into the set-up, which
//    moves the own station without rebuilding the table;
//  - pass the watched callsigns on to an APRS-IS source;
//  - say on the status line what in the profile cannot be used, and why
//    distances cannot be measured (no own position, no usable callsign);
class LocalHost : public HostApplication, public HostExtension
{
    Q_OBJECT
public:
    static constexpr int kDefaultExpiryCheckMs = 60000;

    // source may be null: the host then lists only the own station.
    LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
              QObject *parent = nullptr);
    ~LocalHost() override;

    // The host as the host profile at hostProfilePath describes it: own
    // station, units, expiry and the source HOST/SOURCE names. Not started.
    static std::unique_ptr<LocalHost> create(const QString &hostProfilePath,
                                             QObject *parent = nullptr);

    bool GetStation(HostStation &station) override;
    qint16 StationCount() override;
    QString StationListEntry(qint16 &index) override;
    void SetAttachOption(qint32 &value) override;

    StatusParts statusParts() const override;
    void applySettings(const HostSettings &settings) override;
    HostSettingsModel *settingsModel() override { return &m_model; }
    const HostSettings &settings() const { return m_model.current(); }
    DistanceUnit distanceUnit() const override { return m_table.unit(); }
    void setWatchedCallsigns(const QStringList &callsigns) override;
    void reconnectNow() override;
    StatusPart positionStatus() const override;
    std::optional<double> ownCourse() const override;

    // Makes the own position follow gpsd's fixes (before start()).
    void setPositionSource(std::unique_ptr<GpsdPositionSource> positionSource);
    GpsdPositionSource *positionSource() const { return m_position.get(); }

    // Starts the source and the expiry check.
    void start();
    void setExpiryCheckInterval(int ms);
    // Deletes every heard station (NotifyDeleteAllStations).
    void clearStations();
    // Tells the attached program that the host goes away.
    void announceClosing();

    qint32 attachOption() const { return m_attachOption; }
    StationTable &table() { return m_table; }
    const StationTable &table() const { return m_table; }
    StationSource *source() const { return m_source.get(); }

private:
    // Why the own station is missing from the table though its position is known.
    StatusPart callsignStatus() const;
    void adoptSource(std::unique_ptr<StationSource> source);

    void moveOwnStation(double latitude, double longitude);
    void follow(const HostSettings &old, const HostSettings &now);
    void placeOwnStation(const HostSettings &settings);

    HostSettingsModel m_model;
    StationTable m_table;

    std::unique_ptr<StationSource> m_source;
    bool m_started = false;
    std::unique_ptr<GpsdPositionSource> m_position;
    AprsIsSource *m_aprsIs = nullptr; // m_source, when it is one
    QStringList m_watched;
    QTimer m_expiryTimer;
    qint32 m_attachOption = 0;
    bool m_listTaken = false;
};

} // namespace nearbell
