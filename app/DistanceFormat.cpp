#include "app/DistanceFormat.h"

#include <cmath>

namespace nearbell {

QString formatDistance(double distance, const QLocale &locale)
{
    if (!std::isfinite(distance))
        return QString::number(distance);

    const bool negative = distance < 0;
    // Round in thousandths, halves away from zero. Going through the shortest
    // decimal text first keeps 0.0005 or 2.675 from falling a hair short of
    // the half because of their binary representation.
    const QString shortest = QString::number(std::fabs(distance), 'g', 15);
    double magnitude = shortest.toDouble();
    if (!std::isfinite(magnitude)) // 15 digits of the largest doubles round past the range
        magnitude = std::fabs(distance);
    const double thousandths = std::floor(magnitude * 1000.0 + 0.5 + 1e-9);
    // Whole and fraction are split in integers while the thousandths are
    // exact in a double; beyond that a double holds no fraction at all, and
    // the difference of two huge doubles would not fit an int.
    constexpr double exactLimit = 9007199254740992.0; // 2^53
    double whole;
    int fraction;
    if (thousandths < exactLimit) {
        const qint64 count = qint64(thousandths);
        whole = double(count / 1000);
        fraction = int(count % 1000);
    } else {
        whole = std::round(magnitude);
        fraction = 0;
    }

    QString text;
    if (negative && thousandths != 0)
        text += locale.negativeSign();
    if (whole > 0)
        text += QString::number(whole, 'f', 0);
    text += locale.decimalPoint();
    if (fraction > 0) {
        QString decimals = QString::number(fraction).rightJustified(3, u'0');
        while (decimals.endsWith(u'0'))
            decimals.chop(1);
        text += decimals;
    }
    return text;
}

} // namespace nearbell
