#include "host/aprs/KissSource.h"

#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"

#include <string_view>

namespace nearbell {

KissSource::KissSource(const QString &host, quint16 port, QObject *parent)
    : NetworkStationSource(QStringLiteral("KISS"), host, port, parent)
{
}

void KissSource::consume(QByteArrayView bytes)
{
    bool delivered = false;
    m_deframer.feed(std::string_view(bytes.data(), std::size_t(bytes.size())),
                    [this, &delivered](int, std::string_view frame) {
                        AprsPosition position;
                        if (AprsDecoder::decodeAx25(frame, position) == AprsStatus::Position) {
                            emit reportReceived(toStationReport(position));
                            delivered = true;
                        }
                    });
    if (delivered)
        emit batchReceived();
}

void KissSource::onBytes(QByteArrayView bytes)
{
    markAlive();
    consume(bytes);
}

void KissSource::onConnectionLost()
{
    m_deframer.reset();
}

} // namespace nearbell
