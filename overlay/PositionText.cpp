#include "overlay/PositionText.h"

#include "platform/LeadingNumber.h"

#include <cmath>
#include <limits>

namespace nearbell {

namespace {

// Up to len characters from 0-based start; nothing when start lies beyond
// the end, as the platform's substring function behaves.
QStringView part(QStringView text, qsizetype start, qsizetype len)
{
    if (start >= text.size())
        return {};
    return text.sliced(start, std::min(len, text.size() - start));
}

// Degrees or minutes: a whole number, blanks around it allowed, optional
// sign. Anything else (empty text, letters, exponents) is unreadable.
bool readWholeNumber(QStringView text, int &value)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return false;
    int result = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c - u'0');
        if (result > 100000) // far beyond 16 bits; the range check below rejects it
            return false;
    }
    value = negative ? -result : result;
    return true;
}

bool fits16(int value)
{
    return value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max();
}

struct Reading
{
    float value = 0.0f;
    bool isLong = false;
    bool readable = false; // false: value is the 0 fallback or a letter was not N, S, E, W
};

Reading readPosition(QStringView strL)
{
    Reading r;
    const QChar h = strL.isEmpty() ? QChar() : strL.back();
    r.isLong = h == u'E' || h == u'W';

    const qsizetype point = strL.indexOf(u'.');
    if (point < 0)
        return r;
    const qsizetype fracLen = strL.size() - point - 2; // up to, not including, the last character
    if (fracLen < 0)
        return r; // the "." is the last character
    const QStringView whole = strL.first(point);
    const QStringView frac = strL.sliced(point + 1, fracLen);

    int degrees = 0;
    int minutes = 0;
    bool letter = true;
    if (h == u'N' || h == u'S') {
        if (!readWholeNumber(part(whole, 0, 2), degrees) || !readWholeNumber(part(whole, 2, 2), minutes))
            return r;
    } else if (r.isLong) {
        if (!readWholeNumber(part(whole, 0, 3), degrees) || !readWholeNumber(part(whole, 3, 2), minutes))
            return r;
    } else {
        letter = false; // any other letter: no degrees, no minutes, no sign
    }
    // Degrees * 60 + minutes is 16-bit arithmetic: an overflow on the way is
    // an unreadable text, not a wrapped-around angle.
    if (!fits16(degrees * 60) || !fits16(degrees * 60 + minutes))
        return r;
    const qint16 whole16 = qint16(degrees * 60 + minutes);

    // The fraction counts hundredths of a minute: "4903.5N" is 49 deg 3.05'.
    r.value = float(double(whole16) + leadingNumber(frac) / 100.0);
    if (h == u'S' || h == u'W')
        r.value = -r.value;
    r.readable = letter;
    return r;
}

} // namespace

void MakeLatLong(float &sngL, QStringView strL, bool &blnLong)
{
    const Reading r = readPosition(strL);
    sngL = r.value;
    blnLong = r.isLong;
}

void MakeLatLong(float &sngL, const QString &strL, bool &blnLong)
{
    MakeLatLong(sngL, QStringView(strL), blnLong);
}

bool isReadablePosition(QStringView text, bool longitude)
{
    const Reading r = readPosition(text);
    return r.readable && r.isLong == longitude;
}

bool readPositionText(QStringView text, bool longitude, float &angle)
{
    const Reading r = readPosition(text);
    angle = r.value;
    return r.readable && r.isLong == longitude;
}

double Acos(double X)
{
    if (X <= -1.0)
        return 4.0 * std::atan(1.0);
    if (X >= 1.0)
        return 0.0;
    return std::atan(-X / std::sqrt(-X * X + 1.0)) + 2.0 * std::atan(1.0);
}

double calc_dist(float sngLat1, float sngLong1, float sngLat2, float sngLong2)
{
    const double pi = 4.0 * std::atan(1.0);
    const double k = pi / 180.0;
    // The radian values are held in single precision, as the distances the
    // users know from this program were always computed that way.
    const float lat1 = float((double(sngLat1) / 60.0) * k);
    const float long1 = float((double(sngLong1) / 60.0) * k);
    const float lat2 = float((double(sngLat2) / 60.0) * k);
    const float long2 = float((double(sngLong2) / 60.0) * k);
    const float dLong = long2 - long1;

    const double c = std::cos(double(lat2)) * std::cos(double(lat1)) * std::cos(double(dLong))
                     + std::sin(double(lat2)) * std::sin(double(lat1));
    return Acos(c) * (180.0 / pi * 111.12);
}

} // namespace nearbell
