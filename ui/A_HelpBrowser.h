#pragma once

#include <QString>

namespace nearbell {

class DesktopOpener;
struct ProgramGlobals;

// Opening the help document with the desktop's default application.

// Hands strFile to the desktop's "open". Reports nothing: a missing document
// or a desktop that cannot show it leaves the program as it was.
void OpenInBrowser(const QString &strFile, DesktopOpener &opener);
// The same with the desktop's real "open".
void OpenInBrowser(const QString &strFile);

// Menu Help, "Help" (F1): opens the help document beside the executable.
void mnuHelpHelp_Click(const ProgramGlobals &globals, DesktopOpener &opener);

} // namespace nearbell
