#pragma once

#include <QString>

namespace nearbell {

// Removes leading and trailing blanks only (not tabs or line ends), as the
// program trims what a user types into its boxes.
inline QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace nearbell
