#include "monitor/SirenPath.h"

#include <QFileInfo>
#include <QStringList>

namespace nearbell {

QString reasonSoundName(AlarmReason reason)
{
    switch (reason) {
    case AlarmReason::Approaching:
        return QStringLiteral("NB_APPROACH.WAV");
    case AlarmReason::Watched:
        return QStringLiteral("NB_WATCH.WAV");
    case AlarmReason::Direct:
        return QStringLiteral("NB_DIRECT.WAV");
    case AlarmReason::None:
    case AlarmReason::InRange:
        break;
    }
    return QStringLiteral("NB_SIREN.WAV");
}

QString sirenPath(const QString &programFolder, const QString &dataFolder, AlarmReason reason)
{
    QStringList folders{programFolder};
    if (!dataFolder.isEmpty() && dataFolder != programFolder)
        folders << dataFolder;
    QStringList names{QStringLiteral("NB_SIREN.WAV"), QStringLiteral("SIREN.WAV")};
    const QString own = reasonSoundName(reason);
    for (const QString &base : folders) {
        const QString path = base + QStringLiteral("/WAV/") + own;
        if (own != names.first() && QFileInfo(path).isFile())
            return path;
    }
    for (const QString &base : folders) {
        const QString folder = base + QStringLiteral("/WAV/");
        for (const QString &name : names) {
            if (QFileInfo(folder + name).isFile())
                return folder + name;
        }
    }
    return programFolder + QStringLiteral("/WAV/");
}

} // namespace nearbell
