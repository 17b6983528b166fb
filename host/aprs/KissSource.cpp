#include "host/aprs/KissSource.h"

namespace nearbell {

KissSource::KissSource(const QString &host, quint16 port, QObject *parent)
    : NetworkStationSource(QStringLiteral("KISS"), host, port, parent)
{
}

void KissSource::consume(QByteArrayView bytes)
{
    if (m_stream.feed(bytes, [this](const StationReport &report) { emit reportReceived(report); }))
        emit batchReceived();
}

void KissSource::onBytes(QByteArrayView bytes)
{
    markAlive();
    consume(bytes);
}

void KissSource::onConnectionLost()
{
    m_stream.reset();
}

} // namespace nearbell
