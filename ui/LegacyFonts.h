#pragma once

#include <QFont>

namespace nearbell {

// The window's two classic fonts. Where "MS Sans Serif" or "Fixedsys" are
// not installed they are mapped to installed faces of the same kind
// (a condensed proportional sans, a fixed-pitch face), so the texts still
// fit the fixed boxes laid out for them.
class LegacyFonts
{
public:
    static QFont msSansSerif(double pointSize, bool bold = false);
    static QFont fixedsys(double pointSize);
};

} // namespace nearbell
