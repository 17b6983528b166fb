#include "monitor/SirenPath.h"

#include <QFileInfo>

namespace nearbell {

QString sirenPath(const QString &programFolder)
{
    const QString folder = programFolder + QStringLiteral("/WAV/");
    for (const QString &name : {QStringLiteral("NB_SIREN.WAV"), QStringLiteral("SIREN.WAV")}) {
        if (QFileInfo(folder + name).isFile())
            return folder + name;
    }
    return folder;
}

} // namespace nearbell
