#pragma once

#include "platform/MessageDisplay.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QWidget;

namespace nearbell {

struct ProgramGlobals;

// The program's standard message boxes: informational (64), error (48) and
// critical (16), titled with the caption and pointing the user to the help
// document. A critical message ends the program once it is dismissed,
// without unloading the window: nothing is saved on that path.
//
// Responsibilities: compose title, text and icon; show them through the
// message display seam; end the program after a critical message.
class MessageReporter
{
public:
    enum Kind : qint16 { Informational = 64, Error = 48, Critical = 16 };
    using EndProgram = std::function<void()>;

    // globals are read when a message is shown, so they may be filled in
    // after the reporter is made. endProgram empty: endProgramNow.
    MessageReporter(const ProgramGlobals &globals, MessageDisplay &display,
                    QWidget *parent = nullptr, EndProgram endProgram = {});

    // Kinds other than 64, 48 and 16 show nothing. After kind 16 the end
    // action runs; only a replaced one (in tests) lets this return.
    void DisplayMessage(qint16 intKind, const QString &strText);

    void setParent(QWidget *parent) { m_parent = parent; }

    // Ends the process at once with a failure status: output is flushed,
    // no window is unloaded and nothing is saved.
    [[noreturn]] static void endProgramNow();

private:
    const ProgramGlobals &m_globals;
    MessageDisplay &m_display;
    QWidget *m_parent;
    EndProgram m_endProgram;
};

} // namespace nearbell
