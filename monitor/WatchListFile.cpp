#include "monitor/WatchListFile.h"

#include "monitor/AckListFile.h"
#include "platform/A_GetSetIniFile.h"
#include "platform/Windows1252.h"

#include <QFileInfo>

namespace nearbell {

bool WatchListFile::write(const QString &path, const QStringList &callsigns)
{
    return AckListFile::write(path, callsigns);
}

QString WatchListFile::asTyped(const QString &line)
{
    QString typed;
    typed.reserve(line.size());
    for (const QChar c : line) {
        const int code = windows1252Code(c);
        if (code < 0) {
            typed += c;
            continue;
        }
        const qint16 upper = UpperCaseKey(qint16(code));
        if (upper == 32 || upper == 9)
            continue;
        typed += windows1252Char(static_cast<unsigned char>(upper));
    }
    return typed;
}

bool WatchListFile::read(const QString &path, QStringList *callsigns, QStringList *readings)
{
    if (!QFileInfo::exists(path))
        return true;
    int empty = 0;
    int changed = 0;
    const bool whole = AckListFile::read(path, [&](const QString &line) {
        const QString typed = asTyped(line);
        if (typed.isEmpty()) {
            ++empty;
            return;
        }
        if (typed != line)
            ++changed;
        callsigns->append(typed);
    });
    const QString name = QFileInfo(path).fileName();
    if (readings && empty > 0)
        readings->append(QStringLiteral("%1: %2 empty line(s) left out").arg(name).arg(empty));
    if (readings && changed > 0)
        readings->append(
            QStringLiteral("%1: %2 line(s) taken in upper case without blanks").arg(name).arg(changed));
    if (readings && !whole)
        readings->append(QStringLiteral("%1 could not be read to its end").arg(name));
    return whole;
}

} // namespace nearbell
