#pragma once

#include <QIcon>

namespace nearbell {

// A small picture of an APRS symbol: the symbol's character on a disc, blue
// for the primary table, green for the alternate one, with an overlay's
// character in its corner. Made once per symbol and kept.
class SymbolIcon
{
public:
    static constexpr int kSide = 16; // pixels

    static QIcon icon(char table, char code);
};

} // namespace nearbell
