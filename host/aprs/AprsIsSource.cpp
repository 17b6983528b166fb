#include "host/aprs/AprsIsSource.h"

#include "Version.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"

#include <string_view>

namespace nearbell {

namespace {

// A settings text up to its first control character, so that it cannot add
// lines or bytes of its own to the login.
QByteArray firstLine(const QString &text)
{
    QByteArray out;
    for (const char c : text.toLatin1()) {
        if (c < ' ' || c >= 0x7f)
            break;
        out.append(c);
    }
    return out.trimmed();
}

} // namespace

AprsIsSource::AprsIsSource(const QString &host, quint16 port, const HostSettings &settings,
                           QObject *parent)
    : NetworkStationSource(QStringLiteral("APRSIS"), host, port, parent),
      m_login(loginLine(settings))
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(defaultSilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        dropConnection(QStringLiteral("nothing received for %1 s").arg(m_silence.interval() / 1000.0));
    });
}

QByteArray AprsIsSource::loginLine(const HostSettings &settings)
{
    QByteArray callsign = firstLine(settings.callsign).toUpper();
    const qsizetype blank = callsign.indexOf(' ');
    if (blank >= 0)
        callsign.truncate(blank);
    if (callsign.isEmpty())
        callsign = "N0CALL";
    QByteArray line = "user " + callsign + " pass -1 vers Nearbell "
        + QByteArray::number(version::major) + '.' + QByteArray::number(version::minor) + '.'
        + QByteArray::number(version::revision);
    const QByteArray filter = firstLine(settings.filter);
    if (!filter.isEmpty()) {
        line += " filter " + filter;
    } else if (settings.hasOwnPosition) {
        line += " filter r/" + QByteArray::number(settings.ownLatitude / 60.0, 'f', 4) + '/'
            + QByteArray::number(settings.ownLongitude / 60.0, 'f', 4) + '/'
            + QByteArray::number(settings.rangeKm);
    }
    return line;
}

void AprsIsSource::setSilenceLimit(int ms)
{
    m_silence.setInterval(ms);
}

void AprsIsSource::onConnected()
{
    m_partial.clear();
    m_discarding = false;
    send(m_login + "\r\n");
    m_silence.start();
}

void AprsIsSource::onBytes(QByteArrayView bytes)
{
    consume(bytes);
}

void AprsIsSource::onConnectionLost()
{
    m_silence.stop();
    m_partial.clear();
    m_discarding = false;
}

void AprsIsSource::consume(QByteArrayView bytes)
{
    bool delivered = false;
    while (!bytes.isEmpty()) {
        const qsizetype newline = bytes.indexOf('\n');
        const QByteArrayView piece = newline < 0 ? bytes : bytes.first(newline);
        bytes = newline < 0 ? QByteArrayView() : bytes.sliced(newline + 1);
        if (!m_discarding) {
            if (m_partial.size() + piece.size() > maxLineLength + 1) { // +1: the CR
                m_partial.clear();
                m_discarding = true;
            } else if (newline >= 0 && m_partial.isEmpty()) {
                delivered |= handleLine(piece); // the whole line in this read
            } else {
                m_partial.append(piece);
                if (newline >= 0) {
                    delivered |= handleLine(m_partial);
                    m_partial.clear();
                }
            }
        }
        if (newline >= 0) {
            // Every complete line, comment or overlong, shows the server is alive.
            m_discarding = false;
            markAlive();
            if (m_silence.isActive())
                m_silence.start();
        }
    }
    if (delivered)
        emit batchReceived();
}

bool AprsIsSource::handleLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty() || line.front() == '#')
        return false; // server comment or keep-alive
    AprsPosition position;
    if (AprsDecoder::decodeTnc2(std::string_view(line.data(), std::size_t(line.size())), position)
        != AprsStatus::Position)
        return false;
    // Stations from the internet feed were not heard by our own radio.
    position.heardDirectly = false;
    emit reportReceived(toStationReport(position));
    return true;
}

} // namespace nearbell
