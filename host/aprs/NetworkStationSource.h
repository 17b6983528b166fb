#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTimer>

#include <functional>

#include "host/StationSource.h"
#include "host/aprs/ReconnectBackoff.h"

class QTcpSocket;

namespace nearbell {

// A station source that receives over one TCP connection.
//
// Responsibilities:
//  - look the host name up afresh and connect, on start and after every
//    failure or loss, waiting with exponential back-off in between;
//  - report each change of connection state (connecting, connected, lost
//    with the reason) as one line on standard error and through
//    connectionStateChanged;
//  - hand received bytes to the concrete source, which decodes them, at
//    most a budget per event-loop pass and, while more waits, resting
//    twice as long as the last slice took: a sender at full speed then
//    costs at most a third of the time, the scan and the exit go first,
//    and what does not fit waits in the operating system, which slows the
//    sender down (the socket buffers only a bounded amount);
//  - never send anything except what the concrete source asks to send.
class NetworkStationSource : public StationSource
{
    Q_OBJECT
public:
    // Bytes handed on per event-loop pass, and the most the socket holds
    // before the operating system makes the sender wait.
    static constexpr qint64 kReadBudgetBytes = 8 * 1024;
    static constexpr qint64 kSocketBufferBytes = 256 * 1024;

    NetworkStationSource(QString kind, QString host, quint16 port, QObject *parent = nullptr);
    ~NetworkStationSource() override;

    void start() override;
    // Ends a wait between attempts: the next one is made at once.
    void reconnectNow() override;

    // "KISS 127.0.0.1:8001 connected, last packet 12 s ago",
    // "KISS 127.0.0.1:8001: connection refused, next attempt in 16 s",
    // worked out at the time of asking; a failure while not connected or
    // after the silence limit without data.
    StatusPart status() const override;

    // Connected without any data for this long counts as a failure.
    static constexpr qint64 silenceWarningMs = 10 * 60 * 1000;
    // Where monotonic milliseconds come from; tests replace it.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock);

    // Back-off limits; tests shorten them.
    void setBackoff(int firstMs, int limitMs);

    bool isConnected() const { return m_state == State::Connected; }
    QString hostName() const { return m_host; }
    quint16 port() const { return m_port; }

    // Splits "host:port" (or "[v6-address]:port"); false when either part
    // is missing or the port is not 1..65535.
    static bool parseHostPort(QStringView text, QString &host, quint16 &port);

protected:
    // A connection was made; the concrete source may send its greeting.
    virtual void onConnected() {}
    // Bytes arrived on the connection.
    virtual void onBytes(QByteArrayView bytes) = 0;
    // The connection is gone; partial data must be forgotten.
    virtual void onConnectionLost() {}

    // The connection proved alive (resets the back-off after a loss).
    void markAlive();
    // Ends the connection for `reason` and schedules the next attempt.
    void dropConnection(const QString &reason);
    // Sends bytes on the connection (the APRS-IS login line).
    void send(QByteArrayView bytes);

private:
    enum class State { Idle, Resolving, Connecting, Connected, Waiting };

    void attempt();
    void readSlice();
    // What the socket still holds was sent before the loss: decode it first.
    void loseAfterDraining(const QString &reason);
    void connectTo(const QHostAddress &address);
    void handleLoss(const QString &reason);
    void announce(const QString &text);

    QString m_kind;
    QString m_host;
    quint16 m_port;
    QTcpSocket *m_socket;
    QTimer m_retryTimer;
    QTimer m_readTimer; // the rest between two slices of a flood
    ReconnectBackoff m_backoff;
    QElapsedTimer m_connectedFor;
    State m_state = State::Idle;
    bool m_alive = false;
    quint64 m_generation = 0; // tells stale look-up results from current ones
    // Status bookkeeping, on m_clock: when data last came, when the current
    // connection was made, when the next attempt is due, why the last one
    // ended.
    Clock m_clock;
    qint64 m_lastDataAt = -1;
    qint64 m_connectedAt = 0;
    qint64 m_retryAt = 0;
    QString m_lossReason;
};

} // namespace nearbell
