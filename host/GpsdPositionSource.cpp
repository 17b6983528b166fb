#include "host/GpsdPositionSource.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <cstdio>

namespace nearbell {

namespace {
const QByteArray kWatch = QByteArrayLiteral("?WATCH={\"enable\":true,\"json\":true}\n");
} // namespace

GpsdPositionSource::GpsdPositionSource(const QString &host, quint16 port, QObject *parent)
    : NetworkStationSource(QStringLiteral("GPSD"), host, port, parent)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(defaultSilenceLimitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        dropConnection(QStringLiteral("nothing received for %1 s").arg(m_silence.interval() / 1000.0));
    });
    m_fixTimeout.setSingleShot(true);
    m_fixTimeout.setInterval(defaultFixTimeoutMs);
    connect(&m_fixTimeout, &QTimer::timeout, this, &GpsdPositionSource::loseFix);
}

void GpsdPositionSource::start()
{
    say(QStringLiteral("waiting for a GPS fix"));
    NetworkStationSource::start();
}

StatusPart GpsdPositionSource::status() const
{
    if (m_fixed)
        return {QStringLiteral("GPS fix %1D").arg(m_last->mode), false};
    if (m_last) {
        QString text = QStringLiteral("GPS fix lost: using the last fix, %1 old")
                           .arg(ageText(fixAgeMs()));
        if (!isConnected())
            text += QStringLiteral("; gpsd not connected");
        return {text, true};
    }
    if (!isConnected()) {
        StatusPart part = NetworkStationSource::status();
        part.failure = true;
        return part;
    }
    return {QStringLiteral("waiting for a GPS fix"), false};
}

void GpsdPositionSource::setSilenceLimit(int ms)
{
    m_silence.setInterval(ms);
}

void GpsdPositionSource::setFixTimeout(int ms)
{
    m_fixTimeout.setInterval(ms);
}

qint64 GpsdPositionSource::fixAgeMs() const
{
    return m_last ? m_lastFixAt.elapsed() : -1;
}

QString GpsdPositionSource::ageText(qint64 ms)
{
    const qint64 secs = ms / 1000;
    if (secs < 60)
        return QStringLiteral("%1 s").arg(secs);
    if (secs < 3600)
        return QStringLiteral("%1 min %2 s").arg(secs / 60).arg(secs % 60);
    return QStringLiteral("%1 h %2 min").arg(secs / 3600).arg(secs / 60 % 60);
}

GpsdPositionSource::Report GpsdPositionSource::parseReport(QByteArrayView line,
                                                           const QDateTime &nowUtc, GpsFix &fix)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Report::Unusable;
    const QJsonObject report = document.object();
    if (report.value(QLatin1String("class")).toString() != QLatin1String("TPV"))
        return Report::Other;
    const int mode = report.value(QLatin1String("mode")).toInt(0);
    if (mode < 2)
        return Report::NoFix;
    if (mode > 3)
        return Report::Unusable;
    const QJsonValue lat = report.value(QLatin1String("lat"));
    const QJsonValue lon = report.value(QLatin1String("lon"));
    if (!lat.isDouble() || !lon.isDouble())
        return Report::Unusable;
    const double latitude = lat.toDouble();
    const double longitude = lon.toDouble();
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90.0
        || std::abs(longitude) > 180.0)
        return Report::Unusable;
    const QJsonValue time = report.value(QLatin1String("time"));
    if (time.isString()) {
        const QDateTime when = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
        if (when.isValid() && when.toUTC() > nowUtc.addSecs(maxFutureSecs))
            return Report::Unusable;
    }
    fix.latitude = latitude * 60.0;
    fix.longitude = longitude * 60.0;
    fix.mode = mode;
    const QJsonValue track = report.value(QLatin1String("track"));
    fix.course.reset();
    if (track.isDouble() && std::isfinite(track.toDouble()) && track.toDouble() >= 0.0
        && track.toDouble() <= 360.0)
        fix.course = std::fmod(track.toDouble(), 360.0);
    // gpsd gives metres per second.
    const QJsonValue speed = report.value(QLatin1String("speed"));
    fix.speedKmh.reset();
    if (speed.isDouble() && std::isfinite(speed.toDouble()) && speed.toDouble() >= 0.0)
        fix.speedKmh = speed.toDouble() * 3.6;
    return Report::Fix;
}

void GpsdPositionSource::onConnected()
{
    m_lines.reset();
    send(kWatch);
    m_silence.start();
}

void GpsdPositionSource::onBytes(QByteArrayView bytes)
{
    consume(bytes);
}

void GpsdPositionSource::onConnectionLost()
{
    m_silence.stop();
    m_lines.reset();
    loseFix();
}

void GpsdPositionSource::consume(QByteArrayView bytes)
{
    m_lines.feed(
        bytes, [this](QByteArrayView line) { handleLine(line); }, [this] { ++m_unusable; },
        [this] {
            markAlive();
            if (m_silence.isActive())
                m_silence.start();
        });
}

void GpsdPositionSource::handleLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return;
    GpsFix fix;
    switch (parseReport(line, QDateTime::currentDateTimeUtc(), fix)) {
    case Report::Fix:
        m_last = fix;
        m_lastFixAt.start();
        m_fixTimeout.start();
        if (!m_fixed) {
            m_fixed = true;
            say(QStringLiteral("GPS fix acquired"));
        }
        emit positionChanged(fix.latitude, fix.longitude);
        break;
    case Report::NoFix:
        loseFix();
        break;
    case Report::Unusable:
        ++m_unusable;
        break;
    case Report::Other:
        break;
    }
}

void GpsdPositionSource::loseFix()
{
    m_fixTimeout.stop();
    if (!m_fixed)
        return;
    m_fixed = false;
    say(QStringLiteral("GPS fix lost: the last fix stays in use"));
}

void GpsdPositionSource::say(const QString &text) const
{
    const QString line = QStringLiteral("GPSD %1:%2 %3").arg(hostName()).arg(port()).arg(text);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace nearbell
