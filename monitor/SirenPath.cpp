#include "monitor/SirenPath.h"

#include <QFileInfo>
#include <QStringList>

namespace nearbell {

QString sirenPath(const QString &programFolder, const QString &dataFolder)
{
    QStringList folders{programFolder};
    if (!dataFolder.isEmpty() && dataFolder != programFolder)
        folders << dataFolder;
    for (const QString &base : folders) {
        const QString folder = base + QStringLiteral("/WAV/");
        for (const QString &name : {QStringLiteral("NB_SIREN.WAV"), QStringLiteral("SIREN.WAV")}) {
            if (QFileInfo(folder + name).isFile())
                return folder + name;
        }
    }
    return programFolder + QStringLiteral("/WAV/");
}

} // namespace nearbell
