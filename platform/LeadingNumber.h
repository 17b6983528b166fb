#pragma once

#include <QStringView>

namespace nearbell {

// Reads the number at the start of a text, the way the program reads every
// number a user or a file gives it (the alarm range, positions, versions):
// blanks and tabs are skipped wherever they stand inside the number, "." is
// the decimal point whatever the locale, an exponent ("E" or "D", optional
// sign) may follow, and reading stops at the first character that cannot
// continue the number. A text without a leading number gives 0.
//   "25km" -> 25, "  1 2.5" -> 12.5, "-3e2x" -> -300, "abc" -> 0, "" -> 0
double leadingNumber(QStringView text);

} // namespace nearbell
