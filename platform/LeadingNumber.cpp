#include "platform/LeadingNumber.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <stdlib.h>
#include <string>

namespace nearbell {

namespace {
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
} // namespace

double leadingNumber(QStringView text)
{
    // Collect the characters of the number (blanks dropped) into plain ASCII
    // and let the C library do the arithmetic, so rounding is its own.
    std::string number;
    number.reserve(32);
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };

    skipBlanks();
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        number += char(text[i].unicode());
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (isBlank(c))
            continue;
        if (isDigit(c)) {
            number += char(c.unicode());
            digits = true;
        } else if (c == u'.' && !point) {
            number += '.';
            point = true;
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;

    // Optional exponent: only taken when at least one digit follows it.
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        while (j < n && isBlank(text[j]))
            ++j;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            exponent += char(text[j].unicode());
            ++j;
        }
        bool expDigits = false;
        for (; j < n; ++j) {
            if (isBlank(text[j]))
                continue;
            if (!isDigit(text[j]))
                break;
            exponent += char(text[j].unicode());
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    // strtod follows the C library's numeric locale, which the application
    // object sets from the user's environment: with a "," locale "12.5"
    // would read as 12. The conversion is therefore made in the C locale.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    // A number beyond the range of a double is read as the largest one, so
    // callers never meet an infinity (infinity minus infinity is no number).
    const double value = cLocale ? strtod_l(number.c_str(), nullptr, cLocale)
                                 : std::strtod(number.c_str(), nullptr);
    if (std::isinf(value))
        return std::copysign(std::numeric_limits<double>::max(), value);
    return value;
}

} // namespace nearbell
