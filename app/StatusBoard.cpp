#include "app/StatusBoard.h"

#include "ui/StatusLine.h"

namespace nearbell {

StatusBoard::StatusBoard(StatusLine *line, QObject *parent) : QObject(parent), m_line(line)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &StatusBoard::refresh);
}

void StatusBoard::addProvider(Provider provider)
{
    m_providers.push_back(std::move(provider));
}

void StatusBoard::refresh()
{
    if (!m_line)
        return;
    StatusParts parts;
    for (const Provider &provider : m_providers)
        parts += provider();
    m_line->setParts(parts);
}

} // namespace nearbell
