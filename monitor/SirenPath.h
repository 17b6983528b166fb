#pragma once

#include "monitor/AlarmReason.h"

#include <QString>

namespace nearbell {

// The siren file to play: the program's own "WAV/NB_SIREN.WAV" when it is a
// file, else "WAV/SIREN.WAV" when that one is, looked for below the program
// folder first and below the data folder (the installed program's read-only
// files; empty or equal: none) second. When neither holds one, the program
// folder's "WAV/" folder itself, which plays nothing.
//
// A cycle that alarmed for another reason than the range plays that
// reason's own sound when one of the folders holds it (NB_APPROACH.WAV,
// NB_WATCH.WAV, NB_DIRECT.WAV), else the siren above.
QString sirenPath(const QString &programFolder, const QString &dataFolder = QString(),
                  AlarmReason reason = AlarmReason::InRange);

// The file name of a reason's own sound ("NB_SIREN.WAV" for the range).
QString reasonSoundName(AlarmReason reason);

} // namespace nearbell
