#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

#include "platform/StatusPart.h"

namespace nearbell {

class StatusLine;

// Gathers what the status line shows from the parts of the program that
// know it, in their order of importance, and refreshes the line once a
// second so that texts counting time ("12 s ago") keep up.
class StatusBoard : public QObject
{
    Q_OBJECT
public:
    using Provider = std::function<StatusParts()>;

    explicit StatusBoard(StatusLine *line, QObject *parent = nullptr);

    // Providers are asked in the order added; the first is the most important.
    void addProvider(Provider provider);
    // Asks every provider now and shows the result.
    void refresh();
    void start() { m_timer.start(); }

private:
    QPointer<StatusLine> m_line;
    std::vector<Provider> m_providers;
    QTimer m_timer;
};

} // namespace nearbell
