#pragma once

#include "platform/DesktopOpener.h"

#include <QUrl>

namespace nearbell {

// Responsibilities: the desktop "open" of the real program, through
// QDesktopServices. A text with a scheme ("http:", "mailto:", "file:") is
// taken as an address; anything else as a file path, relative paths being
// taken from the current folder. A watched file is handed to the
// desktop's xdg-open, whose failure (no program for the file) is reported
// once it ends, however long that takes.
class DesktopServicesOpener : public DesktopOpener
{
public:
    bool open(const QString &target) override;
    bool openWatched(const QString &target, const LateFailure &onLateFailure) override;

    // The address that open() hands to the desktop for target; throws
    // DesktopOpenError like open().
    static QUrl toUrl(const QString &target);
};

} // namespace nearbell
