#include "host/aprs/SerialKissSource.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nearbell {

namespace {
// A port that stood open this long counts as proof of life even when the
// TNC said nothing (a quiet channel).
constexpr qint64 steadyPortMs = 60000;
} // namespace

SerialKissSource::SerialKissSource(const QString &device, int baudRate, const QString &initFile,
                                   QObject *parent)
    : StationSource(parent),
      m_device(device),
      m_baudRate(baudRate),
      m_initFile(initFile),
      m_port(new QSerialPort(this))
{
    m_clock = [] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    };
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &SerialKissSource::attempt);
    connect(m_port, &QSerialPort::readyRead, this, [this] {
        const QByteArray bytes = m_port->readAll();
        if (m_state == State::Open && !bytes.isEmpty()) {
            m_alive = true;
            consume(bytes);
        }
    });
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // Errors while opening are answered by open()'s result; a time-out
        // is no error of the line.
        if (m_state != State::Open || error == QSerialPort::NoError
            || error == QSerialPort::TimeoutError)
            return;
        handleLoss(m_port->errorString(), true);
    });
}

SerialKissSource::~SerialKissSource()
{
    // No announcements from a source being destroyed.
    m_port->disconnect(this);
    if (m_port->isOpen())
        m_port->close();
}

void SerialKissSource::start()
{
    if (m_state == State::Idle)
        attempt();
}

void SerialKissSource::reconnectNow()
{
    if (m_state != State::Waiting)
        return;
    m_retryTimer.stop();
    attempt();
}

StatusPart SerialKissSource::status() const
{
    if (m_state == State::Waiting) {
        return {QStringLiteral("SERIAL %1 %2 %3; next attempt in %4")
                    .arg(m_device)
                    .arg(m_baudRate)
                    .arg(m_waitReason, ReconnectBackoff::countdownText(m_retryAt - m_clock())),
                true};
    }
    StatusPart part = StationSource::status();
    part.failure = m_failing;
    return part;
}

void SerialKissSource::setBackoff(int firstMs, int limitMs)
{
    m_backoff = ReconnectBackoff(firstMs, limitMs);
}

void SerialKissSource::setClock(Clock clock)
{
    if (clock)
        m_clock = std::move(clock);
}

QByteArray SerialKissSource::initCommands(QByteArrayView fileText)
{
    QByteArray out;
    if (fileText.endsWith('\n'))
        fileText.chop(1); // the last line's end makes no extra blank line
    if (fileText.isEmpty())
        return out;
    for (QByteArrayView line : QByteArray(fileText.data(), fileText.size()).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('#'))
            continue;
        out.append(line.data(), line.size());
        out.append('\r');
    }
    return out;
}

void SerialKissSource::consume(QByteArrayView bytes)
{
    if (m_stream.feed(bytes, [this](const StationReport &report) { emit reportReceived(report); }))
        emit batchReceived();
}

void SerialKissSource::attempt()
{
    ++m_attempts;
    m_state = State::Opening;
    m_stream.reset();
    announce(QStringLiteral("opening"), m_failing);
    m_port->setPortName(m_device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        QString reason = m_port->errorString();
        // The system's words for a device that is no terminal say little
        // to an operator who named /dev/null or a plain file.
        if (reason == QString::fromLocal8Bit(std::strerror(ENOTTY)))
            reason = QStringLiteral("not a serial port (%1)").arg(reason);
        m_port->clearError();
        handleLoss(QStringLiteral("cannot open: %1").arg(reason), false);
        return;
    }
    // Settings that fail on a device that is not a terminal after all count
    // as a failed open.
    if (!m_port->setBaudRate(m_baudRate) || !m_port->setDataBits(QSerialPort::Data8)
        || !m_port->setParity(QSerialPort::NoParity) || !m_port->setStopBits(QSerialPort::OneStop)
        || !m_port->setFlowControl(QSerialPort::NoFlowControl)) {
        const QString reason = m_port->errorString();
        m_port->close();
        m_port->clearError();
        handleLoss(QStringLiteral("cannot set up: %1").arg(reason), false);
        return;
    }
    m_state = State::Open;
    m_alive = false;
    m_openFor.start();
    announce(QStringLiteral("open"), false);
    sendInitCommands();
}

void SerialKissSource::sendInitCommands()
{
    if (m_initFile.isEmpty())
        return;
    // A FIFO or device named as the init file must not freeze the window.
    QFile file;
    QString refused;
    if (!RegularFile::open(file, m_initFile, &refused) || file.size() > maxInitFileBytes) {
        announce(QStringLiteral("TNC init file %1 not sent: %2")
                     .arg(m_initFile,
                          file.isOpen() ? QStringLiteral("larger than %1 bytes").arg(maxInitFileBytes) : refused),
                 true);
        return;
    }
    const QByteArray commands = initCommands(file.readAll());
    m_port->write(commands);
    announce(QStringLiteral("open, TNC init file %1 sent").arg(m_initFile), false);
}

void SerialKissSource::handleLoss(const QString &reason, bool wasOpen)
{
    if (m_state == State::Waiting || m_state == State::Idle)
        return; // the second report of the same loss
    m_state = State::Waiting;
    if (wasOpen) {
        if (m_alive || m_openFor.elapsed() >= steadyPortMs)
            m_backoff.reset();
        // Closing stops the read notifications at once: a pseudo-terminal
        // whose far end went keeps reporting read errors otherwise.
        m_port->close();
        m_port->clearError();
    }
    m_stream.reset();
    const int delayMs = m_backoff.nextDelayMs();
    const QString delayText = delayMs % 1000 == 0 ? QStringLiteral("%1 s").arg(delayMs / 1000)
                                                   : QStringLiteral("%1 ms").arg(delayMs);
    m_waitReason = (wasOpen ? QStringLiteral("lost: ") : QString()) + reason;
    m_retryAt = m_clock() + delayMs;
    announce(QStringLiteral("%1; next attempt in %2").arg(m_waitReason, delayText), true);
    m_retryTimer.start(delayMs);
}

void SerialKissSource::announce(const QString &text, bool failure)
{
    m_failing = failure;
    const QString line = QStringLiteral("SERIAL %1 %2 %3").arg(m_device).arg(m_baudRate).arg(text);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    emit connectionStateChanged(line);
}

} // namespace nearbell
