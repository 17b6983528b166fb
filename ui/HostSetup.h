#pragma once

#include <QString>

#include "host/HostProfile.h"
#include "host/SourceLine.h"

namespace nearbell {

// The host's set-up as the user edits it: every field as text, checked as
// typed, and turned into host-profile texts when accepted.
//
// Responsibilities:
//  - start from exactly what the host profile holds (the source split into
//    its parts), a missing key showing the default of HostSettings;
//  - give, for every field, the reason it cannot be stored (empty when fine);
//    fields of the sources not chosen are not checked;
//  - refuse whatever would not read back as typed: control characters,
//    characters the profile's code page lacks, over-long texts;
//  - find files as the sources find them: relative names in the folder of
//    the profile;
//  - compose the profile texts (callsign in capitals, "KISS host:port", ...);
//  - hold every source line (SOURCE, then SOURCE2 to SOURCE4), one of them
//    edited in the source fields at a time; add and remove lines.
class HostSetup
{
public:
    using Source = SourceLine::Kind;
    enum class Field {
        Callsign, Latitude, Longitude, GpsdAddress, KissHost, KissPort, SerialDevice, SerialSpeed, SerialInit,
        AprsIsServer, AprsIsPort, RangeKm, Filter, ReplayFile, ReplayMs, Expire
    };
    static constexpr Field kFields[] = {
        Field::Callsign, Field::Latitude, Field::Longitude, Field::GpsdAddress, Field::KissHost,
        Field::KissPort, Field::SerialDevice, Field::SerialSpeed, Field::SerialInit, Field::AprsIsServer,
        Field::AprsIsPort, Field::RangeKm, Field::Filter, Field::ReplayFile, Field::ReplayMs, Field::Expire};

    QString callsign;
    QString latitude;
    QString longitude;
    bool positionFromGpsd = false;
    QString gpsdAddress;
    bool unitsMiles = false;
    Source source = Source::Kiss;
    QString kissHost;
    QString kissPort;
    QString serialDevice;
    QString serialSpeed;
    QString serialInit;
    QString aprsIsServer;
    QString aprsIsPort;
    QString rangeKm;
    QString filter;
    QString replayFile;
    QString replayMs;
    QString expire;
    QString unknownSource;  // a SOURCE text not understood, kept as written
    // Every source line as stored; the one at `editing` is shown in, and
    // composed from, the source fields above. Empty: just those fields.
    QStringList sourceLines;
    int editing = 0;
    // For each line, the key it was read from (0 for SOURCE, 1 to 3 for
    // SOURCE2 to SOURCE4), -1 for a line added: lines keep their keys
    // while they can, so that a gap between the keys stays as written.
    QList<int> sourceKeys;
    QString folder;         // where relative file names are found

    // Every field at the default of the host settings.
    HostSetup();
    // The set-up the profile texts describe; missing values show the defaults.
    static HostSetup fromTexts(const HostProfile::Texts &texts, const QString &folder = QString());
    HostProfile::Texts toTexts() const;

    // Whether a field belongs to the chosen source and position (or to all).
    bool fieldInUse(Field field) const;
    // Why the field's text cannot be stored; empty when it can.
    QString problem(Field field) const;
    // Why the chosen source cannot be stored (a SOURCE text not understood).
    QString sourceProblem() const;
    bool valid() const;

    // The HOST/SOURCE text: "DEMO", "KISS 127.0.0.1:8001", "SERIAL device speed",
    // "APRSIS host:port", "REPLAY file", "NONE".
    QString sourceText() const;
    QString text(Field field) const;
    void setText(Field field, const QString &value);

    // The source lines as they would be stored, the edited one composed.
    QStringList lines() const;
    // Edits another line: the one edited so far keeps its text. False,
    // changing nothing, while the edited line cannot be stored.
    bool editSource(int index);
    // Appends a line (an APRS-IS server) and edits it; false when there
    // are as many as the host takes, or as editSource.
    bool addSource();
    // Removes a line and edits its neighbour; false for the last one left.
    bool removeSource(int index);
    // Why a source line cannot be stored, empty when it can: its own fields,
    // the shared ones of its kind only while it is edited, and a line that
    // names the same source as one above it.
    QString lineProblem(int index) const;
    // Whether every source of the field's kind shares it (one HOST key).
    static bool sharedField(Field field);
    // Sets the source fields from one source line.
    void loadSource(const QString &line);

private:
    QString *member(Field field);
};

} // namespace nearbell
