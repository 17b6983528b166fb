#include "ui/A_HelpBrowser.h"

#include "platform/DesktopServicesOpener.h"
#include "platform/MessageDisplay.h"
#include "platform/ProgramGlobals.h"

#include <QPointer>
#include <QWidget>

#include <exception>

namespace nearbell {

QString OpenInBrowser(const QString &strFile, DesktopOpener &opener,
                      const std::function<void(const QString &reason)> &onLateFailure)
{
    try {
        if (!(onLateFailure ? opener.openWatched(strFile, onLateFailure) : opener.open(strFile)))
            return QStringLiteral("no web browser or other program to show it was found");
    } catch (const DesktopOpenError &error) {
        return error.description();
    } catch (const std::exception &error) {
        // Help is a convenience; failing to show it must not disturb the watch.
        return QString::fromLocal8Bit(error.what());
    }
    return {};
}

QString OpenInBrowser(const QString &strFile)
{
    DesktopServicesOpener opener;
    return OpenInBrowser(strFile, opener);
}

void mnuHelpHelp_Click(const ProgramGlobals &globals, DesktopOpener &opener, MessageDisplay &messages,
                       QWidget *parent)
{
    const QPointer<QWidget> owner(parent);
    const auto tell = [&messages, owner, caption = globals.gstrCaption,
                       file = globals.gstrHelpFile](const QString &failure) {
        messages.show(owner, caption,
                      QStringLiteral("The help document cannot be opened: %1.\n\nOpen it by hand in a web "
                                     "browser:\n%2")
                          .arg(failure, file),
                      MessageDisplay::Icon::Warning);
    };
    if (const QString failure = OpenInBrowser(globals.gstrHelpFile, opener, tell); !failure.isEmpty())
        tell(failure);
}

} // namespace nearbell
