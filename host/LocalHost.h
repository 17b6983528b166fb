#pragma once

#include <QTimer>

#include <QHash>

#include <memory>
#include <vector>

#include "host/DuplicateFilter.h"
#include "host/GpsdPositionSource.h"
#include "host/HostApplication.h"
#include "host/HostExtension.h"
#include "host/HostSettings.h"
#include "host/HostSettingsModel.h"
#include "host/SourceId.h"
#include "host/StationSource.h"
#include "host/StationTable.h"

namespace nearbell {

class AprsIsSource;

// The host the program runs against: one station table fed by up to four
// station sources at once (demo, replay, TNCs, APRS-IS), offered through the
// host contract.
//
// Responsibilities:
//  - answer the host calls from the station table: station list entries,
//    the count (at most 32767, the contract's 16-bit limit), and the
//    position and distance of a station;
//  - take the list afresh on each StationCount, the call that begins a
//    walk, so that a walk reads one steady list however fast stations
//    arrive or leave during it; a station gone meanwhile is no longer found;
//  - feed every report of every source into the table, noting the source,
//    and raise NotifyBeacon for each position, NotifyDelete for each
//    deletion (killed, expired), NotifyDeleteAllStations when the table is
//    cleared and DataAvailable after each batch a source delivers;
//  - take a packet that arrives twice within 30 s (on the air and again
//    from the internet, or through a digipeater) once (DuplicateFilter);
//  - say on standard error, at most once per station every 10 minutes,
//    when two sources place one station apart within a second;
//  - delete stations not heard for the expiry time, checked once a minute;
//  - tell the status line what state each source is in, how many stations
//    were heard, when the table is full how many it dropped, and that
//    distances cannot be measured without an own position, and what state
//    the position source is in;
//  - hold the set-up in force (settingsModel) and follow every change of
//    it, whoever makes it: units, expiry and own position in place, the
//    APRS-IS filters on the open connections, a changed source or position
//    source restarted (the sources whose lines stay the same keep running,
//    and keep what they heard);
//  - with a position source (gpsd), put each fix into the set-up, which
//    moves the own station without rebuilding the table;
//  - pass the watched callsigns on to every APRS-IS source;
//  - say on the status line what in the profile cannot be used, and why
//    distances cannot be measured (no own position, no usable callsign);
class LocalHost : public HostApplication, public HostExtension
{
    Q_OBJECT
public:
    static constexpr int kDefaultExpiryCheckMs = 60000;
    // The most station sources one host takes.
    static constexpr int kMaxSources = HostSettings::kMaxSources;
    // How long one station's conflicting places are not told again.
    static constexpr qint64 kConflictQuietMs = 10 * 60 * 1000;

    // source may be null: the host then lists only the own station.
    LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
              QObject *parent = nullptr);
    // The sources in the order of the set-up's source lines; null ones are
    // left out, and any beyond kMaxSources or naming a source already taken
    // (with a line on standard error). Each is known by the line of the
    // set-up at its place, or by the name it was given (SourceLine's text,
    // as the factory names every source it makes).
    LocalHost(const HostSettings &settings, std::vector<std::unique_ptr<StationSource>> sources,
              QObject *parent = nullptr);
    ~LocalHost() override;

    // The host as the host profile at hostProfilePath describes it: own
    // station, units, expiry and the source HOST/SOURCE names. Not started.
    // callsign, when given, is the own callsign the program already read
    // from that profile: the set-up holds that one, not a second reading.
    static std::unique_ptr<LocalHost> create(const QString &hostProfilePath, const QString &callsign = QString(),
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
    std::optional<double> ownSpeedKmh() const override;

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
    // The first source, or null without any.
    StationSource *source() const { return sourceAt(0); }
    int sourceCount() const { return int(m_sources.size()); }
    StationSource *sourceAt(int index) const;
    // The running source of that identity, or null.
    StationSource *sourceOf(const SourceId &id) const;
    const DuplicateFilter &duplicates() const { return m_duplicates; }

private:
    // Why the own station is missing from the table though its position is known.
    StatusPart callsignStatus() const;
    struct Slot
    {
        std::unique_ptr<StationSource> source;
        AprsIsSource *aprsIs = nullptr; // source, when it is one
        SourceLine line;                // the set-up's line that made it
        SourceId id;                    // its identity, from that line
    };

    // Takes the sources made from lines (one each, null where a line gives
    // none); a line naming a source already taken is heard once.
    // A source's state for the status line, beginning with its identity.
    static StatusPart stateOf(const Slot &slot);
    void adoptSources(std::vector<std::unique_ptr<StationSource>> sources, const QList<SourceLine> &lines);
    void wire(int index);
    void take(int index, const StationReport &report);
    void tellConflict(const QString &callsign, const QString &earlier, const QString &later);

    void moveOwnStation(double latitude, double longitude);
    void follow(const HostSettings &old, const HostSettings &now);
    void placeOwnStation(const HostSettings &settings);

    HostSettingsModel m_model;
    StationTable m_table;

    std::vector<Slot> m_sources;
    DuplicateFilter m_duplicates;
    QHash<QString, qint64> m_conflictsTold; // station -> when, on the table's steady clock
    bool m_started = false;
    std::unique_ptr<GpsdPositionSource> m_position;
    QStringList m_watched;
    QTimer m_expiryTimer;
    qint32 m_attachOption = 0;
    bool m_listTaken = false;
};

} // namespace nearbell
