#pragma once

#include <QString>
#include <QStringView>

namespace nearbell {

// Position texts of the overlay files and the great-circle distance between
// two positions, all angles in signed minutes of arc (north and east
// positive), all distances in kilometres.
//
// Responsibilities:
//  - MakeLatLong: read one latitude ("DDMM.hhN") or longitude ("DDDMM.hhE")
//    text into minutes of arc, with the hundredths read as a count of
//    hundredths and only upper-case hemisphere letters honoured;
//  - isReadablePosition: tell whether such a text really names a position,
//    so that the overlay reader can drop an object instead of placing it at
//    a made-up spot;
//  - calc_dist / Acos: the program's own spherical distance, 111.12 km per
//    degree of arc, with the radian values rounded to single precision.
// No state, no widgets.

// Reads strL into sngL. blnLong becomes true when the text ends in "E" or
// "W" and false otherwise. A text that cannot be read (no ".", nothing after
// the ".", degrees or minutes that are no whole number, degrees * 60 +
// minutes beyond the 16-bit range) gives 0; it never throws.
void MakeLatLong(float &sngL, const QString &strL, bool &blnLong);
void MakeLatLong(float &sngL, QStringView strL, bool &blnLong);

// True when text is a position MakeLatLong reads without falling back to 0:
// a ".", degrees and minutes that are whole numbers within the 16-bit sum,
// and a hemisphere letter of the right kind: "N" or "S" for a latitude, "E"
// or "W" for a longitude (upper case only).
bool isReadablePosition(QStringView text, bool longitude);

// Both in one reading: angle receives what MakeLatLong gives, the result is
// what isReadablePosition says.
bool readPositionText(QStringView text, bool longitude, float &angle);

// Great-circle distance in kilometres from point 1 to point 2.
double calc_dist(float sngLat1, float sngLong1, float sngLat2, float sngLong2);

// Arc cosine in radians (0 to pi); X is clamped to -1..1 first, so values
// that rounding pushed just past the ends still give 0 or pi.
double Acos(double X);

} // namespace nearbell
