#include "app/A_Display_Message.h"

#include "platform/ProgramGlobals.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace nearbell {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
} // namespace

MessageReporter::MessageReporter(const ProgramGlobals &globals, MessageDisplay &display,
                                 QWidget *parent, EndProgram endProgram)
    : m_globals(globals)
    , m_display(display)
    , m_parent(parent)
    , m_endProgram(std::move(endProgram))
{
}

void MessageReporter::DisplayMessage(qint16 intKind, const QString &strText)
{
    const QString helpNote = QStringLiteral(", you may want to read the online help file (")
                             + m_globals.gstrHelpFile + QStringLiteral(") on this :");
    switch (intKind) {
    case Informational:
        m_display.show(m_parent, m_globals.gstrCaption + QStringLiteral(" Informational message"),
                       kCrLf + kCrLf + strText, MessageDisplay::Icon::Information);
        return;
    case Error:
        m_display.show(m_parent, m_globals.gstrCaption + QStringLiteral(" Error message"),
                       QStringLiteral("The following error has ocurred") + helpNote + kCrLf + kCrLf
                           + strText,
                       MessageDisplay::Icon::Warning);
        return;
    case Critical:
        m_display.show(m_parent, m_globals.gstrCaption + QStringLiteral(" Error message"),
                       QStringLiteral("The following critical error has ocurred") + helpNote
                           + kCrLf + kCrLf + strText + kCrLf + kCrLf
                           + QStringLiteral("The program will be stopped"),
                       MessageDisplay::Icon::Critical);
        if (m_endProgram)
            m_endProgram();
        else
            endProgramNow();
        return;
    default:
        return;
    }
}

void MessageReporter::endProgramNow()
{
    std::fflush(nullptr);
    std::exit(EXIT_FAILURE);
}

} // namespace nearbell
