#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
struct ProgramGlobals;

// Opening the help document with the desktop's default application.

// Hands strFile to the desktop's "open". Returns why that failed (no
// program to show it, no address at all), or an empty text when the
// desktop took it; never throws. onLateFailure, when given, hears of a
// failure that shows only later.
QString OpenInBrowser(const QString &strFile, DesktopOpener &opener,
                      const std::function<void(const QString &reason)> &onLateFailure = {});
// The same with the desktop's real "open".
QString OpenInBrowser(const QString &strFile);

// Menu Help, "Help" (F1): opens the help document beside the executable.
// When the desktop cannot open it, at once or later, a box says why and
// names the document, so the user can open it by hand.
void mnuHelpHelp_Click(const ProgramGlobals &globals, DesktopOpener &opener, MessageDisplay &messages,
                       QWidget *parent = nullptr);

} // namespace nearbell
