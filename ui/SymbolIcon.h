#pragma once

#include <QIcon>

namespace nearbell {

// A small picture of an APRS symbol for lists and windows: the radar's own
// drawing of it, made once per symbol and kept.
class SymbolIcon
{
public:
    static constexpr int kSide = 16; // pixels

    static QIcon icon(char table, char code);
};

} // namespace nearbell
