#pragma once

#include <QList>
#include <QString>

namespace nearbell {

// One piece of what the main window's status line shows: a plain text
// (never markup) and whether it tells of a failure, which is shown in red.
struct StatusPart
{
    QString text;
    bool failure = false;

    bool operator==(const StatusPart &) const = default;
};

using StatusParts = QList<StatusPart>;

} // namespace nearbell
