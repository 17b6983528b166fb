#pragma once

#include <QString>

namespace nearbell {

// The siren file to play: the program's own "WAV/NB_SIREN.WAV" below the
// program folder when it is a file, else "WAV/SIREN.WAV" when that one is,
// else the "WAV/" folder itself, which plays nothing.
QString sirenPath(const QString &programFolder);

} // namespace nearbell
