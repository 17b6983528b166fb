#include "platform/ProgramLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace nearbell {

ProgramLocation ProgramLocation::ofRunningProgram()
{
    return ProgramLocation(QCoreApplication::applicationFilePath());
}

ProgramLocation::ProgramLocation(const QString &executablePath)
{
    const QFileInfo info(QDir::cleanPath(QDir::fromNativeSeparators(executablePath)));
    m_executablePath = info.absoluteFilePath();
    m_folder = info.absolutePath();
    m_executableName = info.completeBaseName();
    // A name that is all extension (".nearbell") keeps its whole name.
    if (m_executableName.isEmpty())
        m_executableName = info.fileName();
}

QString ProgramLocation::fileBeside(const QString &suffix) const
{
    return fileInFolder(m_executableName + suffix);
}

QString ProgramLocation::fileInFolder(const QString &fileName) const
{
    if (m_folder.endsWith(u'/'))
        return m_folder + fileName;
    return m_folder + u'/' + fileName;
}

} // namespace nearbell
