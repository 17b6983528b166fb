#include "platform/A_GetSetIniFile.h"

#include "platform/ProfileFile.h"
#include "platform/Windows1252.h"

namespace nearbell {

namespace {

constexpr qsizetype kReadBufferSize = 500; // one place is the terminating null

int ansiUpper(int code)
{
    if ((code >= 'a' && code <= 'z') || (code >= 0xE0 && code <= 0xFE && code != 0xF7))
        return code - 0x20;
    switch (code) {
    case 0x9A: // s caron
    case 0x9C: // oe
    case 0x9E: // z caron
        return code - 0x10;
    case 0xFF: // y diaeresis
        return 0x9F;
    default:
        return code;
    }
}

QChar ansiUpper(QChar c)
{
    const int code = windows1252Code(c);
    return code < 0 ? c : windows1252Char(static_cast<unsigned char>(ansiUpper(code)));
}

} // namespace

QString ReadIniString(const QString &strFile, const QString &strSection, const QString &strKey,
                      const QString &strDefault)
{
    return ProfileFile::readString(strFile, strSection, strKey, strDefault)
        .left(kReadBufferSize - 1);
}

QString ReadIniSetting(const QString &strFile, const QString &strSection, const QString &strKey,
                       const QString &strDefault)
{
    const QString value = ReadIniString(strFile, strSection, strKey, strDefault);
    if (value == strDefault)
        ProfileFile::writeString(strFile, strSection, strKey, strDefault);
    return value;
}

bool IsTrueText(QString &strText)
{
    for (QChar &c : strText)
        c = ansiUpper(c);
    return strText == u"TRUE" || strText == u"YES" || strText == u"1" || strText == u"ON";
}

QString BoolToText(int blnFlag)
{
    return blnFlag == 0 ? QStringLiteral("FALSE") : QStringLiteral("TRUE");
}

qint16 UpperCaseKey(qint16 intKeyAscii)
{
    if (intKeyAscii < 0 || intKeyAscii > 0xFF)
        return intKeyAscii;
    return static_cast<qint16>(ansiUpper(int(intKeyAscii)));
}

} // namespace nearbell
