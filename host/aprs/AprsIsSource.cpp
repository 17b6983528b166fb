#include "host/aprs/AprsIsSource.h"

#include "Version.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "host/GreatCircle.h"

#include <QRegularExpression>
#include <QSet>
#include <QTextStream>

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
      m_settings(settings)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(defaultSilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        dropConnection(QStringLiteral("nothing received for %1 s").arg(m_silence.interval() / 1000.0));
    });
}

QByteArray AprsIsSource::loginLine(const HostSettings &settings, const QStringList &watched)
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
    const QByteArray filter = filterText(settings, watched);
    if (!filter.isEmpty())
        line += " filter " + filter;
    return line;
}

QByteArray AprsIsSource::filterText(const HostSettings &settings, const QStringList &watched, int *leftOut)
{
    QByteArray filter = firstLine(settings.filter);
    if (filter.isEmpty() && settings.hasOwnPosition) {
        filter = "r/" + QByteArray::number(settings.ownLatitude / 60.0, 'f', 4) + '/'
            + QByteArray::number(settings.ownLongitude / 60.0, 'f', 4) + '/'
            + QByteArray::number(settings.rangeKm);
    }
    QByteArray buddies;
    const QStringList names = buddyCallsigns(watched);
    int taken = 0;
    for (const QString &callsign : names) {
        const QByteArray name = callsign.toLatin1();
        if (filter.size() + buddies.size() + name.size() + 3 > maxFilterLength)
            break;
        buddies += (buddies.isEmpty() ? "b/" : "/") + name;
        ++taken;
    }
    if (leftOut)
        *leftOut = int(names.size()) - taken;
    if (!buddies.isEmpty())
        filter += (filter.isEmpty() ? "" : " ") + buddies;
    return filter;
}

QStringList AprsIsSource::buddyCallsigns(const QStringList &watched)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9-]{1,9}$"));
    QStringList out;
    QSet<QString> seen;
    for (const QString &callsign : watched) {
        if (plain.match(callsign).hasMatch() && !seen.contains(callsign)) {
            seen.insert(callsign);
            out.append(callsign);
        }
    }
    return out;
}

void AprsIsSource::applySettings(const HostSettings &settings)
{
    const bool moved = settings.hasOwnPosition
                       && (!m_settings.hasOwnPosition || settings.ownLatitude != m_settings.ownLatitude
                           || settings.ownLongitude != m_settings.ownLongitude);
    const bool filterChanged = settings.filter != m_settings.filter || settings.rangeKm != m_settings.rangeKm;
    m_settings = settings;
    if (filterChanged && isConnected())
        sendFilter();
    else if (moved)
        setOwnPosition(settings.ownLatitude, settings.ownLongitude);
}

void AprsIsSource::setOwnPosition(double latitude, double longitude)
{
    m_settings.hasOwnPosition = true;
    m_settings.ownLatitude = latitude;
    m_settings.ownLongitude = longitude;
    // A filter of the settings' own does not follow the station.
    if (!firstLine(m_settings.filter).isEmpty() || !isConnected())
        return;
    if (m_filterPlaced
        && greatcircle::kilometres(m_filterLatitude, m_filterLongitude, latitude, longitude) * 10.0
            <= m_settings.rangeKm)
        return;
    sendFilter();
}

void AprsIsSource::setWatchedCallsigns(const QStringList &callsigns)
{
    const QStringList buddies = buddyCallsigns(callsigns);
    if (buddies == m_watched)
        return;
    m_watched = buddies;
    if (isConnected())
        sendFilter();
    else
        currentFilterText(); // counts what does not fit, before any login

}

QByteArray AprsIsSource::currentFilterText()
{
    int leftOut = 0;
    const QByteArray filter = filterText(m_settings, m_watched, &leftOut);
    if (leftOut != m_leftOut && leftOut > 0) {
        QTextStream(stderr) << "The APRS-IS filter has room for " << (m_watched.size() - leftOut) << " of the "
                            << m_watched.size() << " watched callsigns: " << leftOut << " left out\n";
    }
    m_leftOut = leftOut;
    return filter;
}

void AprsIsSource::sendFilter()
{
    const QByteArray filter = currentFilterText();
    if (m_settings.hasOwnPosition) {
        m_filterPlaced = true;
        m_filterLatitude = m_settings.ownLatitude;
        m_filterLongitude = m_settings.ownLongitude;
    }
    if (filter == m_sentFilter)
        return;
    m_sentFilter = filter;
    send("#filter " + filter + "\r\n");
}

void AprsIsSource::setSilenceLimit(int ms)
{
    m_silence.setInterval(ms);
}

void AprsIsSource::onConnected()
{
    m_lines.reset();
    m_sentFilter = currentFilterText();
    m_filterPlaced = m_settings.hasOwnPosition;
    m_filterLatitude = m_settings.ownLatitude;
    m_filterLongitude = m_settings.ownLongitude;
    send(loginLine(m_settings, m_watched) + "\r\n");
    m_silence.start();
}

void AprsIsSource::onBytes(QByteArrayView bytes)
{
    consume(bytes);
}

void AprsIsSource::onConnectionLost()
{
    m_silence.stop();
    m_lines.reset();
}

void AprsIsSource::consume(QByteArrayView bytes)
{
    bool delivered = false;
    m_lines.feed(
        bytes, [this, &delivered](QByteArrayView line) { delivered |= handleLine(line); }, [] {},
        [this] {
            // Every complete line, comment or overlong, shows the server is alive.
            markAlive();
            if (m_silence.isActive())
                m_silence.start();
        });
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
    if (!isReport(AprsDecoder::decodeTnc2(std::string_view(line.data(), std::size_t(line.size())), position)))
        return false;
    // Stations from the internet feed were not heard by our own radio.
    position.heardDirectly = false;
    emit reportReceived(toStationReport(position));
    return true;
}

} // namespace nearbell
