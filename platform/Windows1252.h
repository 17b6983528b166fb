#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace nearbell {

// The 8-bit text of the program's files (settings, host profile, lists):
// Windows-1252, which is Latin-1 except for 0x80-0x9F. The five bytes that
// Windows-1252 leaves undefined decode to the control characters of the same
// number, so any byte sequence survives decode + encode unchanged.

// Each byte becomes one character.
QString fromWindows1252(QByteArrayView bytes);

// Each character becomes one byte; a character the code page cannot hold
// becomes '?', as the platform's ANSI conversion does.
QByteArray toWindows1252(QStringView text);

// The Windows-1252 code of a character, or -1 when the code page lacks it.
int windows1252Code(QChar c);

// The character of a Windows-1252 code (0-255).
QChar windows1252Char(unsigned char code);

} // namespace nearbell
