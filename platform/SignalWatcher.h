#pragma once

#include <QObject>

class QSocketNotifier;

namespace nearbell {

// Turns the termination requests of the desktop session and the terminal
// (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the GUI thread, so they can
// close the main window the way its close box does and the settings and the
// list are saved.
//
// Responsibilities: install the handlers, pass each signal through a socket
// pair (the only thing a handler may safely do), restore the previous
// handlers when destroyed. One watcher is active at a time; a second one
// made while the first lives stays inactive.
//
// Until start-up has completed there is nothing to save and start-up may be
// waiting (a message box, a yield to the window system): a stop request
// then ends the process at once from the handler, with the status 128 + the
// signal's number, and touches no file. A file write in progress (a WriteGuard
// lives) finishes first, so no file is left cut short.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool isActive() const { return m_active; }

    // Start-up in progress: stop requests end the process at once. Called
    // with true first thing in the program, it also installs the handlers,
    // so that even the moments before any watcher exists are covered.
    static void setStarting(bool starting);
    static bool isStarting();
    // What ends the process (default _exit); tests record the status instead.
    static void setProcessEnder(void (*endProcess)(int status));

    // Marks a file write: a stop request during start-up waits until the
    // outermost guard is gone.
    class WriteGuard
    {
    public:
        WriteGuard();
        ~WriteGuard();
        WriteGuard(const WriteGuard &) = delete;
        WriteGuard &operator=(const WriteGuard &) = delete;
    };

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignals();

    bool m_active = false;
    int m_readFd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace nearbell
