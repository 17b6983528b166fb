#pragma once

#include <QLocale>
#include <QString>

namespace nearbell {

// The one display form of every distance the program shows ("######.###"):
// rounded to three decimals with halves away from zero, no leading zero, the
// locale's decimal separator always present, trailing zeros dropped, no unit.
//   12.3456 -> "12.346", 100.5 -> "100.5", 0.25 -> ".25", 7 -> "7."
QString formatDistance(double distance, const QLocale &locale = QLocale());

} // namespace nearbell
