#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace nearbell {

// A measurement log for long runs, kept only when the environment asks for
// it (NEARBELL_LATENCY_LOG names the file).
//
// Responsibilities:
//  - tick every few milliseconds and, once per report interval, write how
//    late the latest tick came at worst: the longest the event loop was kept
//    from its other work, and how much processor time the program itself
//    used in that gap, which tells its own work from a busy machine
//    ("<ms since start> wait <ms> <processor ms>");
//  - time each run of a watched timer's handler (the scan cycle), counting
//    from the timer event to the return of the handler, and write it
//    ("<ms since start> cycle <ms>"); a tick that falls due inside a run
//    that yields is not counted as a run of its own;
//  - write the figures it was given (counts of the program's own) with each
//    report ("<ms since start> <name> <value>");
//  - write the events it is told of ("<ms since start> <name> <text>");
//  - write each line at once, so that another process can follow the file.
class LatencyLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTickMs = 5;
    static constexpr int kDefaultReportMs = 1000;

    // Null when NEARBELL_LATENCY_LOG is not set or its file cannot be written.
    static std::unique_ptr<LatencyLog> fromEnvironment();

    explicit LatencyLog(const QString &path, int reportMs = kDefaultReportMs, QObject *parent = nullptr);

    bool isOpen() const { return m_file.isOpen(); }
    // Times every run of timer's handlers connected before this call.
    void watchCycle(QTimer *timer);
    // Writes value() under name with every report.
    void addFigure(const QByteArray &name, std::function<qint64()> value);
    // Writes one event line now.
    void note(const QByteArray &name, const QByteArray &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tick();
    void report();
    void write(const char *what, double ms, double processorMs = -1);

    QFile m_file;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    QTimer m_reporter;
    qint64 m_lastTickNs = 0;
    qint64 m_worstLateNs = 0;
    qint64 m_lastTickCpuNs = 0;
    qint64 m_worstLateCpuNs = 0;
    bool m_ticked = false;
    std::vector<qint64> m_cycleStarts; // nested timer events of the watched timer
    std::vector<std::pair<QByteArray, std::function<qint64()>>> m_figures;
};

} // namespace nearbell
