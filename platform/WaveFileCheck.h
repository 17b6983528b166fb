#pragma once

#include <QByteArray>
#include <QString>

namespace nearbell {

// Checks that a WAV file's RIFF structure is whole before it goes to the
// audio layer, which can lock up for good on a header-only file or on a
// chunk that claims more bytes than the file has.
//
// A file passes when it is "RIFF" ... "WAVE" with a "fmt " chunk describing
// PCM or float samples the audio layer can decode, and a non-empty "data"
// chunk, every chunk up to and including "data" lying wholly inside the file.
class WaveFileCheck
{
public:
    static bool isPlayable(const QByteArray &contents);
    // Reads at most maxBytes; a larger or unreadable file does not pass.
    static bool isPlayableFile(const QString &path, qint64 maxBytes = 32 * 1024 * 1024);
};

} // namespace nearbell
