#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

#include "platform/StatusPart.h"

namespace nearbell {

class StatusLine;

// Gathers what the status line shows from the parts of the program that
// know it, problems first, and refreshes the line once a second so that
// texts counting time ("12 s ago") keep up.
//
// The line cuts off its end in the fixed-size window, so the order is what
// matters: every failure (red) first, then the own position's state, then
// the station sources with the stations heard, then anything else, each
// group in the order its providers were added.
class StatusBoard : public QObject
{
    Q_OBJECT
public:
    using Provider = std::function<StatusParts()>;
    enum class Role { Position, Sources, Other };
    using Gathered = std::vector<std::pair<Role, StatusParts>>;

    explicit StatusBoard(StatusLine *line, QObject *parent = nullptr);

    void addProvider(Provider provider, Role role = Role::Other);
    // Asks every provider now and shows the result.
    void refresh();
    void start() { m_timer.start(); }

    // The parts as the line shows them.
    static StatusParts ordered(const Gathered &gathered);

private:
    QPointer<StatusLine> m_line;
    std::vector<std::pair<Role, Provider>> m_providers;
    QTimer m_timer;
};

} // namespace nearbell
