#pragma once

#include <QString>

namespace nearbell {

// Program-wide values set once during start-up and only read afterwards.
// One instance is owned by the start-up code and handed by const reference
// to whoever needs it.
struct ProgramGlobals
{
    QString gstrProgramTitle;  // "UI-View32 add-on Nearbell"
    QString gstrCaption;       // title, one blank, version text ("V0.5.4")
    QString gstrHelpFile;      // executable name + ".html" in the program folder, else the data folder
    QString gstrHostIniFile;   // program folder + "/uiview32.ini"
    QString gstrMyCallsign;    // own callsign from the host profile
    QString programFolder;     // folder of the user's files (beside the executable when portable)
    QString dataFolder;        // folder of the read-only files; empty: the program folder
    QString executableName;    // executable's file name without extension
};

} // namespace nearbell
