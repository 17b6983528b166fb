#pragma once

#include <QString>

namespace nearbell {

// How long a WAV file plays, in milliseconds, from its "fmt " byte rate and
// its "data" chunk size; 0 when the file is missing or not a RIFF/WAVE
// file with both chunks. A data chunk claiming more than the file holds
// counts only the bytes present. Reads the chunk headers only.
int waveDurationMs(const QString &path);

} // namespace nearbell
