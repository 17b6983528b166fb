#include "host/aprs/NetworkStationSource.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <memory>

namespace nearbell {

namespace {
// A connection that stood this long counts as proof of life even when the
// peer said nothing (a quiet TNC).
constexpr qint64 steadyConnectionMs = 60000;
} // namespace

NetworkStationSource::NetworkStationSource(QString kind, QString host, quint16 port, QObject *parent)
    : StationSource(parent),
      m_kind(std::move(kind)),
      m_host(std::move(host)),
      m_port(port),
      m_socket(new QTcpSocket(this))
{
    m_socket->setReadBufferSize(kSocketBufferBytes);
    m_readTimer.setSingleShot(true);
    m_readTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_readTimer, &QTimer::timeout, this, &NetworkStationSource::readSlice);
    m_clock = [] {
        static QElapsedTimer clock;
        if (!clock.isValid())
            clock.start();
        return clock.elapsed();
    };
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &NetworkStationSource::attempt);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        m_state = State::Connected;
        m_alive = false;
        m_connectedFor.start();
        m_connectedAt = m_clock();
        m_lastDataAt = -1;
        m_lossReason.clear();
        announce(QStringLiteral("connected"));
        onConnected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_readTimer.isActive())
            readSlice();
    });
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { loseAfterDraining(QStringLiteral("the remote host closed the connection")); });
    connect(m_socket, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { loseAfterDraining(m_socket->errorString()); });
}

NetworkStationSource::~NetworkStationSource()
{
    m_readTimer.stop();
    // No announcements from a source being destroyed.
    m_socket->disconnect(this);
    m_socket->abort();
}

void NetworkStationSource::start()
{
    if (m_state == State::Idle)
        attempt();
}

void NetworkStationSource::reconnectNow()
{
    if (m_state != State::Waiting)
        return;
    m_retryTimer.stop();
    attempt();
}

void NetworkStationSource::setBackoff(int firstMs, int limitMs)
{
    m_backoff = ReconnectBackoff(firstMs, limitMs);
}

bool NetworkStationSource::parseHostPort(QStringView text, QString &host, quint16 &port)
{
    text = text.trimmed();
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QStringView hostPart = text.first(colon);
    if (hostPart.startsWith(u'[') && hostPart.endsWith(u']'))
        hostPart = hostPart.sliced(1, hostPart.size() - 2);
    else if (hostPart.contains(u':'))
        return false; // a bare IPv6 address needs brackets
    bool ok = false;
    const uint value = text.sliced(colon + 1).toUInt(&ok);
    if (!ok || value == 0 || value > 65535 || hostPart.isEmpty())
        return false;
    host = hostPart.toString();
    port = quint16(value);
    return true;
}

void NetworkStationSource::attempt()
{
    ++m_generation;
    announce(QStringLiteral("connecting"));
    QHostAddress literal;
    if (literal.setAddress(m_host)) {
        connectTo(literal);
        return;
    }
    // A fresh look-up on every attempt (the address may have moved), off the
    // main thread because the system resolver blocks.
    m_state = State::Resolving;
    auto result = std::make_shared<QHostInfo>();
    const QString name = m_host;
    QThread *lookup = QThread::create([result, name] { *result = QHostInfo::fromName(name); });
    const quint64 generation = m_generation;
    connect(lookup, &QThread::finished, lookup, &QObject::deleteLater);
    connect(lookup, &QThread::finished, this, [this, result, generation] {
        if (generation != m_generation || m_state != State::Resolving)
            return;
        if (result->error() != QHostInfo::NoError || result->addresses().isEmpty()) {
            handleLoss(QStringLiteral("host %1 not found").arg(m_host));
            return;
        }
        // Prefer IPv4: a TNC or APRS-IS port is most often listening there.
        QHostAddress chosen = result->addresses().constFirst();
        for (const QHostAddress &address : result->addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                chosen = address;
                break;
            }
        }
        connectTo(chosen);
    });
    lookup->start();
}

void NetworkStationSource::readSlice()
{
    if (m_state != State::Connected)
        return;
    QElapsedTimer took;
    took.start();
    const QByteArray bytes = m_socket->read(kReadBudgetBytes);
    if (!bytes.isEmpty())
        onBytes(bytes);
    if (m_state == State::Connected && m_socket->bytesAvailable() > 0) {
        const qint64 restNs = 2 * took.nsecsElapsed();
        m_readTimer.start(int((restNs + 999999) / 1000000));
    }
}

void NetworkStationSource::loseAfterDraining(const QString &reason)
{
    m_readTimer.stop();
    // Bounded by the socket's buffer size.
    if (m_state == State::Connected && m_socket->bytesAvailable() > 0) {
        const QByteArray rest = m_socket->readAll();
        onBytes(rest);
    }
    handleLoss(reason);
}

void NetworkStationSource::connectTo(const QHostAddress &address)
{
    m_state = State::Connecting;
    m_socket->abort();
    m_socket->connectToHost(address, m_port);
}

void NetworkStationSource::dropConnection(const QString &reason)
{
    handleLoss(reason);
}

void NetworkStationSource::send(QByteArrayView bytes)
{
    if (m_state == State::Connected)
        m_socket->write(bytes.data(), bytes.size());
}

void NetworkStationSource::handleLoss(const QString &reason)
{
    if (m_state == State::Idle || m_state == State::Waiting)
        return; // the second report of the same loss
    const bool wasConnected = m_state == State::Connected;
    m_state = State::Waiting;
    m_readTimer.stop();
    if (wasConnected && (m_alive || m_connectedFor.elapsed() >= steadyConnectionMs))
        m_backoff.reset();
    m_socket->abort();
    onConnectionLost();
    const int delayMs = m_backoff.nextDelayMs();
    m_lossReason = reason;
    m_retryAt = m_clock() + delayMs;
    const QString delayText = delayMs % 1000 == 0 ? QStringLiteral("%1 s").arg(delayMs / 1000)
                                                   : QStringLiteral("%1 ms").arg(delayMs);
    announce(QStringLiteral("lost: %1; next attempt in %2").arg(reason, delayText));
    m_retryTimer.start(delayMs);
}

void NetworkStationSource::markAlive()
{
    m_alive = true;
    m_lastDataAt = m_clock();
}

void NetworkStationSource::setClock(Clock clock)
{
    if (clock)
        m_clock = std::move(clock);
}

namespace {

// The socket's reason as part of a sentence: "Connection refused" ->
// "connection refused".
QString plainReason(const QString &reason)
{
    if (reason.size() > 1 && reason[0].isUpper() && reason[1].isLower())
        return reason[0].toLower() + reason.mid(1);
    return reason;
}

} // namespace

StatusPart NetworkStationSource::status() const
{
    const QString name = QStringLiteral("%1 %2:%3").arg(m_kind, m_host).arg(m_port);
    const qint64 now = m_clock();
    switch (m_state) {
    case State::Idle:
        return {name + QStringLiteral(" not started"), false};
    case State::Resolving:
    case State::Connecting:
        if (m_lossReason.isEmpty())
            return {name + QStringLiteral(" connecting"), false};
        return {QStringLiteral("%1: %2, connecting again").arg(name, plainReason(m_lossReason)), true};
    case State::Waiting:
        return {QStringLiteral("%1: %2, next attempt in %3")
                    .arg(name, plainReason(m_lossReason), ReconnectBackoff::countdownText(m_retryAt - now)),
                true};
    case State::Connected:
        break;
    }
    const qint64 silentFor = now - (m_lastDataAt >= 0 ? m_lastDataAt : m_connectedAt);
    if (silentFor >= silenceWarningMs) {
        return {QStringLiteral("%1 connected, but no data for %2")
                    .arg(name, ReconnectBackoff::durationText(silentFor)),
                true};
    }
    if (m_lastDataAt < 0)
        return {name + QStringLiteral(" connected, nothing received yet"), false};
    return {QStringLiteral("%1 connected, last packet %2 ago")
                .arg(name, ReconnectBackoff::durationText(now - m_lastDataAt)),
            false};
}

void NetworkStationSource::announce(const QString &text)
{
    const QString line = QStringLiteral("%1 %2:%3 %4").arg(m_kind, m_host).arg(m_port).arg(text);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    emit connectionStateChanged(line);
}

} // namespace nearbell
