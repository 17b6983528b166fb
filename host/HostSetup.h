#pragma once

#include <QString>

#include "host/HostProfile.h"
#include "host/SourceSpec.h"

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
//  - compose the profile texts (callsign in capitals, "KISS host:port", ...).
class HostSetup
{
public:
    using Source = SourceSpec::Kind;
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

private:
    QString *member(Field field);
};

} // namespace nearbell
