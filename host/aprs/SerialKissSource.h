#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <functional>

#include "host/StationSource.h"
#include "host/aprs/KissReportStream.h"
#include "host/aprs/ReconnectBackoff.h"

class QSerialPort;

namespace nearbell {

// Stations heard by a KISS TNC on a serial port (a hardware TNC, a radio
// with a built-in TNC), from the setting "SERIAL /dev/ttyUSB0 9600".
//
// Responsibilities:
//  - open the port at the given speed (8 data bits, no parity, one stop
//    bit, no flow control), and open it again after every failure or loss,
//    waiting with exponential back-off in between (1 s up to 60 s);
//  - take any error of an open port, a read error included, as loss of
//    the port: close it at once, so that a port whose far end has gone
//    cannot keep the program busy;
//  - send the commands of the TNC init file once each time the port opens,
//    and nothing else ever;
//  - decode the KISS stream as the TCP TNC does (KissReportStream) and
//    signal a batch after each read that delivered reports;
//  - report each change of state as one line on standard error and
//    through connectionStateChanged; status() marks a closed port red and
//    counts the wait down at the time of asking, as the TCP sources do.
class SerialKissSource : public StationSource
{
    Q_OBJECT
public:
    // An init file larger than this is not a list of TNC commands.
    static constexpr qint64 maxInitFileBytes = 65536;

    SerialKissSource(const QString &device, int baudRate, const QString &initFile = QString(),
                     QObject *parent = nullptr);
    ~SerialKissSource() override;

    void start() override;
    // Ends a wait between attempts: the port is opened again at once.
    void reconnectNow() override;
    StatusPart status() const override;

    // Back-off limits; tests shorten them.
    void setBackoff(int firstMs, int limitMs);
    // Where monotonic milliseconds come from; tests replace it.
    using Clock = std::function<qint64()>;
    void setClock(Clock clock);

    bool isOpen() const { return m_state == State::Open; }
    QString device() const { return m_device; }
    int baudRate() const { return m_baudRate; }
    // Opening attempts made so far (a measure of how busy a failing port keeps us).
    int attempts() const { return m_attempts; }

    // Decodes bytes as if read from the port (the port feeds it; also used
    // for measurements).
    void consume(QByteArrayView bytes);

    // The bytes sent for an init file's text: each line ends in CR, lines
    // starting with "#" are comments and left out, blank lines are sent as
    // a bare CR (some TNCs want one to wake up).
    static QByteArray initCommands(QByteArrayView fileText);

private:
    enum class State { Idle, Opening, Open, Waiting };

    void attempt();
    void handleLoss(const QString &reason, bool wasOpen);
    void sendInitCommands();
    void announce(const QString &text, bool failure);

    QString m_device;
    int m_baudRate;
    QString m_initFile;
    QSerialPort *m_port;
    QTimer m_retryTimer;
    ReconnectBackoff m_backoff;
    KissReportStream m_stream;
    QElapsedTimer m_openFor;
    State m_state = State::Idle;
    bool m_alive = false;
    bool m_failing = false;
    int m_attempts = 0;
    Clock m_clock;
    qint64 m_retryAt = 0;  // on m_clock, while waiting
    QString m_waitReason; // why the wait, as the state line said it
};

} // namespace nearbell
