#pragma once

#include "platform/DesktopOpener.h"

#include <QUrl>

namespace nearbell {

// Responsibilities: the desktop "open" of the real program, through
// QDesktopServices. A text with a scheme ("http:", "mailto:", "file:") is
// taken as an address; anything else as a file path, relative paths being
// taken from the current folder.
class DesktopServicesOpener : public DesktopOpener
{
public:
    bool open(const QString &target) override;

    // The address that open() hands to the desktop for target; throws
    // DesktopOpenError like open().
    static QUrl toUrl(const QString &target);
};

} // namespace nearbell
