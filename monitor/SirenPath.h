#pragma once

#include <QString>

namespace nearbell {

// The siren file to play: the program's own "WAV/NB_SIREN.WAV" when it is a
// file, else "WAV/SIREN.WAV" when that one is, looked for below the program
// folder first and below the data folder (the installed program's read-only
// files; empty or equal: none) second. When neither holds one, the program
// folder's "WAV/" folder itself, which plays nothing.
QString sirenPath(const QString &programFolder, const QString &dataFolder = QString());

} // namespace nearbell
