#include "platform/DistanceFormat.h"

#include <cmath>

namespace nearbell {

QString formatDistance(double distance, const QLocale &locale)
{
    if (!std::isfinite(distance))
        return QString::number(distance);

    const bool negative = distance < 0;
    const double magnitude = std::fabs(distance);
    // Round in thousandths, halves away from zero. The small allowance keeps
    // 0.0005 or 2.675, which a double holds a hair below the half, from
    // rounding down.
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
        // Shown with the 15 significant digits a double is good for.
        const double rounded = QString::number(magnitude, 'g', 15).toDouble();
        whole = std::isfinite(rounded) ? rounded : magnitude;
        fraction = 0;
    }

    QString text;
    text.reserve(16);
    if (negative && thousandths != 0)
        text += locale.negativeSign();
    if (whole > 0)
        text += whole < exactLimit ? QString::number(qint64(whole)) : QString::number(whole, 'f', 0);
    text += locale.decimalPoint();
    // One to three decimals, trailing zeros dropped.
    const char digits[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10), char('0' + fraction % 10)};
    const int shown = fraction % 10 ? 3 : fraction % 100 ? 2 : fraction ? 1 : 0;
    for (int i = 0; i < shown; ++i)
        text += QLatin1Char(digits[i]);
    return text;
}

} // namespace nearbell
