#pragma once

#include <QString>
#include <QtGlobal>

namespace nearbell {

// Reading the program's settings file and the host profile, and the flag
// texts of the settings ("TRUE"/"FALSE" written; "TRUE", "YES", "1", "ON"
// in any letter case read as true).

// The value of the key, or the default when the file, the section or the
// key is missing. Never writes. Like the platform call it stands in for, it
// reads into a 500-character buffer: a longer value comes back cut to 499
// characters.
QString ReadIniString(const QString &strFile, const QString &strSection, const QString &strKey,
                      const QString &strDefault);

// As ReadIniString; when the value read equals the default (exactly), the
// default is written under the section and key, so the first read of a
// missing key adds it to the file. A failed write is ignored.
QString ReadIniSetting(const QString &strFile, const QString &strSection, const QString &strKey,
                       const QString &strDefault);

// Upper-cases the caller's text in place, then true when it is exactly
// "TRUE", "YES", "1" or "ON". No blanks are trimmed.
bool IsTrueText(QString &strText);

// "FALSE" for 0, "TRUE" for any other value (-1 is the usual true).
QString BoolToText(int blnFlag);

// The Windows-1252 code of the capital of the character with the given
// Windows-1252 code (97 -> 65, 0xE9 -> 0xC9, 0x9A -> 0x8A); codes without a
// capital, and codes outside 0-255, come back unchanged.
qint16 UpperCaseKey(qint16 intKeyAscii);

} // namespace nearbell
