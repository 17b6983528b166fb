#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace nearbell {

// An extra scan cycle soon after a report that alarms, beside Timer1's own.
//
// Responsibilities:
//  - run the cycle kSoonMs after the first request, all requests until
//    then served by that one run;
//  - at most one run per kLeastGapMs, counted on a steady clock: a request
//    that comes sooner waits for the gap to pass;
//  - a cycle that is still running when the time comes is tried again
//    kRetryMs later (run returns false), never run twice at once.
class ExtraCycle : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSoonMs = 20;
    static constexpr int kLeastGapMs = 1000;
    static constexpr int kRetryMs = 50;

    using SteadyClock = std::function<qint64()>;

    ExtraCycle(std::function<bool()> run, SteadyClock clock, QObject *parent = nullptr);

    void request();
    bool isPending() const { return m_timer.isActive(); }
    int runs() const { return m_runs; }

    // How long a request at now waits after a run at lastRun (none: < 0).
    static qint64 delayFor(qint64 now, qint64 lastRun);

private:
    void fire();

    std::function<bool()> m_run;
    SteadyClock m_clock;
    QTimer m_timer;
    qint64 m_lastRun = -1;
    int m_runs = 0;
};

} // namespace nearbell
