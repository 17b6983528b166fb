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
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool isActive() const { return m_active; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignals();

    bool m_active = false;
    int m_readFd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace nearbell
