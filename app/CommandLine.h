#pragma once

#include <QString>
#include <QStringList>

namespace nearbell {

// The program's command line: --help, --version and --folder DIR. The
// toolkit's own options (-platform, -style, ...) pass through untouched.
//
// Responsibilities:
//  - parse the arguments and say what to do: run, or print and end with a
//    status (0 for --help and --version, 2 for a wrong command line);
//  - check that a --folder exists and can be written before anything runs.
// Needs a QCoreApplication for the usage text.
class CommandLine
{
public:
    enum class Action { Run, Print };

    struct Outcome
    {
        Action action = Action::Run;
        int status = 0;        // exit status when Print
        QString standardOutput;
        QString standardError;
        QString folder;        // --folder DIR, absolute; empty when not given
    };

    static Outcome parse(const QStringList &arguments);
    // "Nearbell 0.5.4"
    static QString versionLine();
};

} // namespace nearbell
