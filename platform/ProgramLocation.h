#pragma once

#include <QString>

namespace nearbell {

// Where the program runs from: the folder holding the executable and the
// executable's name without extension. The settings file, the list file and
// the help document are named after these, and the host profile is looked
// for in the same folder.
//
// Responsibilities: derive folder and name from an executable path; give
// the location of the running program. Tests build one from any path.
class ProgramLocation
{
public:
    // The running program (QCoreApplication::applicationFilePath()).
    static ProgramLocation ofRunningProgram();

    ProgramLocation() = default;
    explicit ProgramLocation(const QString &executablePath);

    // Absolute path of the executable.
    QString executablePath() const { return m_executablePath; }
    // Folder of the executable, without a trailing separator (except the root).
    QString folder() const { return m_folder; }
    // File name without its last extension: "Y.exe" -> "Y", "nearbell" -> "nearbell".
    QString executableName() const { return m_executableName; }
    // folder + "/" + executable name + suffix, e.g. fileBeside(".INI").
    QString fileBeside(const QString &suffix) const;
    // folder + "/" + fileName, e.g. fileInFolder("uiview32.ini").
    QString fileInFolder(const QString &fileName) const;

private:
    QString m_executablePath;
    QString m_folder;
    QString m_executableName;
};

} // namespace nearbell
