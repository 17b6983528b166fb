#include "app/StatusBoard.h"

#include "ui/StatusLine.h"

namespace nearbell {

StatusBoard::StatusBoard(StatusLine *line, QObject *parent) : QObject(parent), m_line(line)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &StatusBoard::refresh);
}

void StatusBoard::addProvider(Provider provider, Role role)
{
    m_providers.emplace_back(role, std::move(provider));
}

void StatusBoard::refresh()
{
    if (!m_line)
        return;
    Gathered gathered;
    for (const auto &[role, provider] : m_providers)
        gathered.emplace_back(role, provider());
    m_line->setParts(ordered(gathered));
}

StatusParts StatusBoard::ordered(const Gathered &gathered)
{
    StatusParts parts;
    for (const auto &[role, group] : gathered) {
        for (const StatusPart &part : group) {
            if (part.failure && !part.text.isEmpty())
                parts.append(part);
        }
    }
    for (const Role wanted : {Role::Position, Role::Sources, Role::Other}) {
        for (const auto &[role, group] : gathered) {
            if (role != wanted)
                continue;
            for (const StatusPart &part : group) {
                if (!part.failure && !part.text.isEmpty())
                    parts.append(part);
            }
        }
    }
    return parts;
}

} // namespace nearbell
