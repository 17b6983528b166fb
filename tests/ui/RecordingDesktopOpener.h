#pragma once

#include "platform/DesktopOpener.h"
#include "platform/ScreenPointer.h"

#include <QStringList>

#include <optional>

namespace nearbell::test {

// A desktop "open" that records what it was asked to open instead of
// starting a browser; it can be told to fail or to decline.
class RecordingDesktopOpener : public DesktopOpener
{
public:
    bool open(const QString &target) override
    {
        opened.append(target);
        hourglassWhileOpening.append(ScreenPointer::isHourglass());
        if (failure)
            throw *failure;
        return answer;
    }

    QStringList opened;
    QList<bool> hourglassWhileOpening;
    std::optional<DesktopOpenError> failure;
    bool answer = true; // false: the desktop has nothing to open it with
};

} // namespace nearbell::test
