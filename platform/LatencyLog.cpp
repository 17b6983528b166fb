#include "platform/LatencyLog.h"

#include <QEvent>

#include <algorithm>
#include <ctime>

namespace nearbell {

namespace {

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

std::unique_ptr<LatencyLog> LatencyLog::fromEnvironment()
{
    const QString path = qEnvironmentVariable("NEARBELL_LATENCY_LOG");
    if (path.isEmpty())
        return nullptr;
    auto log = std::make_unique<LatencyLog>(path);
    if (!log->isOpen())
        return nullptr;
    return log;
}

LatencyLog::LatencyLog(const QString &path, int reportMs, QObject *parent)
    : QObject(parent), m_file(path)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    m_clock.start();
    m_lastTickNs = m_clock.nsecsElapsed();
    m_lastTickCpuNs = threadCpuNs();
    m_ticker.setTimerType(Qt::PreciseTimer);
    m_ticker.setInterval(kTickMs);
    connect(&m_ticker, &QTimer::timeout, this, &LatencyLog::tick);
    m_ticker.start();
    m_reporter.setInterval(reportMs);
    connect(&m_reporter, &QTimer::timeout, this, &LatencyLog::report);
    m_reporter.start();
}

void LatencyLog::watchCycle(QTimer *timer)
{
    if (!timer || !isOpen())
        return;
    timer->installEventFilter(this);
    // Connected after the cycle's own handler: runs when the cycle returns.
    connect(timer, &QTimer::timeout, this, [this] {
        if (m_cycleStarts.empty())
            return;
        const qint64 start = m_cycleStarts.back();
        m_cycleStarts.pop_back();
        if (m_cycleStarts.empty())
            write("cycle", double(m_clock.nsecsElapsed() - start) / 1e6);
    });
}

void LatencyLog::addFigure(const QByteArray &name, std::function<qint64()> value)
{
    m_figures.emplace_back(name, std::move(value));
}

bool LatencyLog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Timer)
        m_cycleStarts.push_back(m_clock.nsecsElapsed());
    return QObject::eventFilter(watched, event);
}

void LatencyLog::tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 cpu = threadCpuNs();
    const qint64 late = now - m_lastTickNs - qint64(kTickMs) * 1000000;
    // The first gap is the program's start-up, before its event loop ran.
    if (m_ticked && late > m_worstLateNs) {
        m_worstLateNs = late;
        m_worstLateCpuNs = cpu - m_lastTickCpuNs;
    }
    m_lastTickNs = now;
    m_lastTickCpuNs = cpu;
    m_ticked = true;
}

void LatencyLog::report()
{
    tick(); // a loop blocked right now counts too
    write("wait", double(std::max<qint64>(m_worstLateNs, 0)) / 1e6, double(m_worstLateCpuNs) / 1e6);
    m_worstLateNs = 0;
    m_worstLateCpuNs = 0;
    for (const auto &[name, value] : m_figures) {
        m_file.write(QByteArray::number(m_clock.elapsed()) + ' ' + name + ' ' + QByteArray::number(value()) + '\n');
        m_file.flush();
    }
}

void LatencyLog::note(const QByteArray &name, const QByteArray &text)
{
    m_file.write(QByteArray::number(m_clock.elapsed()) + ' ' + name + ' ' + text + '\n');
    m_file.flush();
}

void LatencyLog::write(const char *what, double ms, double processorMs)
{
    QByteArray line = QByteArray::number(m_clock.elapsed()) + ' ' + what + ' ' + QByteArray::number(ms, 'f', 2);
    if (processorMs >= 0)
        line += ' ' + QByteArray::number(processorMs, 'f', 2);
    line += '\n';
    m_file.write(line);
    m_file.flush();
}

} // namespace nearbell
