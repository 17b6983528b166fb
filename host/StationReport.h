#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cmath>

namespace nearbell {

// One position-bearing report from a station source (demo, replay, TNC,
// APRS-IS), as the station table takes it in.
struct StationReport
{
    QString callsign;          // station, or object/item name already cleaned
    char symbolTable = '/';    // APRS symbol table identifier or overlay
    char symbolCode = '/';     // APRS symbol code: the entry's first character
    double latitude = 0.0;     // signed minutes of arc, north positive
    double longitude = 0.0;    // signed minutes of arc, east positive
    bool heardDirectly = false; // no digipeater repeated the frame
    bool killed = false;       // a killed object or item: delete it
    // The packet that carried the report (sender, destination, information
    // field), as a digest: the same packet heard twice, on the air and again
    // from the internet, has the same one. 0 when unknown; such a report is
    // never taken for a copy.
    quint64 packet = 0;
    QString source;            // the station source that delivered it ("KISS 127.0.0.1:8001")

    // What the packet says beside the position; NaN or empty while unknown.
    double course = std::nan("");   // degrees true, 1..360 (360 is north)
    double speedKmh = std::nan("");
    double altitudeM = std::nan("");
    QString comment;                // without the extensions already read; the table cleans it
    QString status;                 // a status text ('>' packet); the table cleans it
    QStringList path;               // digipeaters, "*" after those that repeated it
    // False for a report that carries no position (a status text alone):
    // it refreshes what is known of a station, it never places one.
    bool hasPosition = true;
};

} // namespace nearbell
