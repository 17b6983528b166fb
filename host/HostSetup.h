#pragma once

#include <QString>

#include "host/HostProfile.h"

namespace nearbell {

// The host's set-up as the user edits it: every field as text, checked as
// typed, and turned into host-profile texts when accepted.
//
// Responsibilities:
//  - start from what the host profile holds (the source split into its parts);
//  - give, for every field, the reason it cannot be stored (empty when fine);
//    fields of the sources not chosen are not checked;
//  - refuse whatever would not read back as typed: control characters,
//    characters the profile's code page lacks, over-long texts;
//  - compose the profile texts (callsign in capitals, "KISS host:port", ...).
class HostSetup
{
public:
    enum class Source { Demo, Kiss, AprsIs, Replay, None };
    enum class Field {
        Callsign, Latitude, Longitude, KissHost, KissPort, AprsIsServer, AprsIsPort, RangeKm,
        Filter, ReplayFile, ReplayMs, Expire
    };
    static constexpr Field kFields[] = {Field::Callsign, Field::Latitude, Field::Longitude, Field::KissHost,
                                        Field::KissPort, Field::AprsIsServer, Field::AprsIsPort, Field::RangeKm,
                                        Field::Filter, Field::ReplayFile, Field::ReplayMs, Field::Expire};

    QString callsign;
    QString latitude;
    QString longitude;
    bool unitsMiles = false;
    Source source = Source::Kiss;
    QString kissHost = QStringLiteral("127.0.0.1");
    QString kissPort = QStringLiteral("8001");
    QString aprsIsServer;
    QString aprsIsPort = QStringLiteral("14580");
    QString rangeKm = QStringLiteral("100");
    QString filter;
    QString replayFile;
    QString replayMs = QStringLiteral("1000");
    QString expire = QStringLiteral("60");

    // The set-up the profile texts describe; missing values keep the defaults.
    static HostSetup fromTexts(const HostProfile::Texts &texts);
    HostProfile::Texts toTexts() const;

    // Whether a field belongs to the chosen source (or to every source).
    bool fieldInUse(Field field) const;
    // Why the field's text cannot be stored; empty when it can.
    QString problem(Field field) const;
    bool valid() const;

    // The HOST/SOURCE text: "DEMO", "KISS 127.0.0.1:8001", "APRSIS host:port", "REPLAY file", "NONE".
    QString sourceText() const;
    QString text(Field field) const;
    void setText(Field field, const QString &value);
};

} // namespace nearbell
