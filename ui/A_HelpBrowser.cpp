#include "ui/A_HelpBrowser.h"

#include "platform/ProgramGlobals.h"
#include "platform/DesktopServicesOpener.h"

#include <exception>

namespace nearbell {

void OpenInBrowser(const QString &strFile, DesktopOpener &opener)
{
    try {
        opener.open(strFile);
    } catch (const std::exception &) {
        // Help is a convenience; failing to show it must not disturb the watch.
    }
}

void OpenInBrowser(const QString &strFile)
{
    DesktopServicesOpener opener;
    OpenInBrowser(strFile, opener);
}

void mnuHelpHelp_Click(const ProgramGlobals &globals, DesktopOpener &opener)
{
    OpenInBrowser(globals.gstrHelpFile, opener);
}

} // namespace nearbell
