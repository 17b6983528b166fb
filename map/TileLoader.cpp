#include "map/TileLoader.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>

#include "map/MbTilesFile.h"

namespace nearbell {

namespace {

constexpr int kLargestSide = 1024; // pixels a tile may have

qint64 nowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

// True when the server said how long its answer stays fresh.
bool hasExplicitExpiry(const QNetworkCacheMetaData::RawHeaderList &headers)
{
    for (const auto &[name, value] : headers) {
        const QByteArray lower = name.toLower();
        if (lower == "expires")
            return true;
        if (lower == "cache-control") {
            const QByteArray v = value.toLower();
            if (v.contains("max-age") || v.contains("no-cache") || v.contains("must-revalidate"))
                return true;
        }
    }
    return false;
}

// The connection's failures that say the server is away, not the tile.
bool serverAway(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::SslHandshakeFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::UnknownNetworkError:
        return true;
    default:
        return false;
    }
}

} // namespace

TileLoader::TileLoader(Options options) : m_options(std::move(options)) {}

TileLoader::~TileLoader()
{
    for (QNetworkReply *reply : m_inFlight.keys()) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
    }
}

void TileLoader::setUp()
{
    if (m_setUp)
        return;
    m_setUp = true;
    m_wake = new QTimer(this);
    m_wake->setSingleShot(true);
    connect(m_wake, &QTimer::timeout, this, &TileLoader::pump);

    const MapSource &source = m_options.source;
    if (source.kind == MapSource::Kind::MbTiles) {
        m_file = std::make_unique<MbTilesFile>(
            QStringLiteral("nearbell-map-%1").arg(quintptr(this), 0, 16));
        m_fatal = m_file->open(source.file);
        if (m_fatal.isEmpty())
            emit coverage(m_file->minZoom(), m_file->maxZoom(), m_file->worldBounds());
        return;
    }
    m_fatal = MapSource::templateProblem(source.effectiveTemplate());
    const QString host = MapSource::tileUrl(source.effectiveTemplate(), {}).host();
    if (m_fatal.isEmpty() && m_options.loopbackOnly && host != QLatin1String("127.0.0.1"))
        m_fatal = QStringLiteral("Map tiles unavailable: %1 is not asked in a test run").arg(host);
    if (!m_fatal.isEmpty())
        return;
    emit coverage(0, TileMath::kMaxZoom, QRectF(0, 0, 1, 1));
    m_network = new QNetworkAccessManager(this);
    // A folder the cache cannot write to still serves the map, from the
    // server each time; the window is told.
    QString cacheProblem;
    const QString folder = m_options.cacheFolder;
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        cacheProblem = folder;
    } else {
        QFile probe(QDir(folder).filePath(QStringLiteral(".write-test")));
        if (!probe.open(QIODevice::WriteOnly) || probe.write("x", 1) != 1 || !probe.flush())
            cacheProblem = folder;
        probe.close();
        probe.remove();
    }
    if (cacheProblem.isEmpty()) {
        auto *cache = new QNetworkDiskCache(m_network);
        cache->setCacheDirectory(folder);
        cache->setMaximumCacheSize(200LL * 1024 * 1024);
        m_network->setCache(cache);
    } else {
        report(QStringLiteral("Map tile cache folder cannot be written: %1").arg(cacheProblem));
    }
}

void TileLoader::want(const QList<TileKey> &keys)
{
    setUp();
    m_wanted = keys;
    if (!m_fatal.isEmpty()) {
        report(m_fatal);
        return;
    }
    pump();
}

void TileLoader::report(const QString &line)
{
    if (line == m_reported)
        return;
    m_reported = line;
    emit problem(line);
}

void TileLoader::wakeIn(qint64 ms)
{
    if (!m_wake->isActive() || m_wake->remainingTime() > ms)
        m_wake->start(int(std::clamp<qint64>(ms, 0, TileBackoff::kLongestMs)));
}

void TileLoader::pump()
{
    if (!m_fatal.isEmpty() || m_wanted.isEmpty())
        return;
    if (m_file) {
        if (!m_filePumpQueued) {
            m_filePumpQueued = true;
            QMetaObject::invokeMethod(this, &TileLoader::pumpFile, Qt::QueuedConnection);
        }
        return;
    }
    const qint64 now = nowMs();
    if (!m_backoff.serverMayTry(now)) {
        wakeIn(m_backoff.serverWaitMs(now));
        return;
    }
    qint64 soonest = -1;
    QSet<TileKey> flying;
    for (const TileKey &key : std::as_const(m_inFlight))
        flying.insert(key);
    for (qsizetype i = 0; i < m_wanted.size() && m_inFlight.size() < m_options.maxConnections; ++i) {
        const TileKey key = m_wanted.at(i);
        if (flying.contains(key))
            continue;
        if (!m_backoff.mayTry(key, now)) {
            soonest = soonest < 0 ? TileBackoff::kFirstMs : std::min(soonest, TileBackoff::kFirstMs);
            continue;
        }
        QNetworkRequest request(MapSource::tileUrl(m_options.source.effectiveTemplate(), key));
        request.setHeader(QNetworkRequest::UserAgentHeader, m_options.userAgent);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, true);
        request.setTransferTimeout(m_options.transferTimeoutMs);
        QNetworkReply *reply = m_network->get(request);
        m_inFlight.insert(reply, key);
        flying.insert(key);
        connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
            if (received > m_options.maxTileBytes || total > m_options.maxTileBytes) {
                m_tooLarge.insert(reply);
                reply->abort();
            }
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
    }
    if (soonest >= 0)
        wakeIn(soonest);
}

void TileLoader::pumpFile()
{
    m_filePumpQueued = false;
    if (m_wanted.isEmpty())
        return;
    // One tile per turn of the thread's loop: a new wish is taken in
    // between, so tiles scrolled away are not read.
    const TileKey key = m_wanted.takeFirst();
    const QRectF bounds = m_file->worldBounds();
    const double n = double(1 << key.z);
    const QRectF tileRect(TileMath::wrapColumn(key.x, key.z) / n, key.y / n, 1.0 / n, 1.0 / n);
    std::optional<QByteArray> bytes;
    if (key.z >= m_file->minZoom() && key.z <= m_file->maxZoom() && bounds.intersects(tileRect))
        bytes = m_file->tile(key);
    if (!bytes) {
        emit missing(key);
    } else {
        QString why;
        const QImage image = decode(*bytes, m_file->format().toLatin1(), &why);
        if (image.isNull()) {
            emit missing(key);
            report(QStringLiteral("Map file tile %1/%2/%3 cannot be shown: %4")
                       .arg(key.z).arg(key.x).arg(key.y).arg(why));
        } else {
            emit loaded(key, image);
        }
    }
    if (!m_wanted.isEmpty())
        pump();
}

QImage TileLoader::decode(const QByteArray &bytes, const QByteArray &format, QString *why) const
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format == "jpeg" ? QByteArray("jpg") : format);
    // A file whose format is not what its metadata says is still shown,
    // by what it holds.
    if (!reader.canRead()) {
        buffer.seek(0);
        reader.setDecideFormatFromContent(true);
        reader.setFormat(QByteArray());
        reader.setDevice(&buffer);
        if (!reader.canRead()) {
            *why = QStringLiteral("no image");
            return QImage();
        }
        if (m_file && !m_formatWarned) {
            const_cast<TileLoader *>(this)->m_formatWarned = true;
            const_cast<TileLoader *>(this)->report(
                QStringLiteral("Map file holds %1 tiles, its metadata says %2")
                    .arg(QString::fromLatin1(reader.format()), QString::fromLatin1(format)));
        }
    }
    const QSize size = reader.size();
    if (size.width() > kLargestSide || size.height() > kLargestSide) {
        *why = QStringLiteral("image of %1 x %2 pixels").arg(size.width()).arg(size.height());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull()) {
        *why = QStringLiteral("damaged image");
        return image;
    }
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

void TileLoader::keepAtLeastMinimum(QNetworkReply *reply)
{
    QAbstractNetworkCache *cache = m_network->cache();
    if (!cache)
        return;
    QNetworkCacheMetaData meta = cache->metaData(reply->url());
    if (!meta.isValid() || hasExplicitExpiry(meta.rawHeaders()))
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (meta.expirationDate().isValid() && meta.expirationDate() > now)
        return; // fresh from the cache
    meta.setExpirationDate(now.addDays(kMinimumKeepDays));
    cache->updateMetaData(meta);
}

void TileLoader::finished(QNetworkReply *reply)
{
    const TileKey key = m_inFlight.take(reply);
    const bool tooLarge = m_tooLarge.remove(reply);
    reply->deleteLater();
    const qint64 now = nowMs();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString host = reply->url().host();
    QString failure;
    if (tooLarge) {
        failure = QStringLiteral("%1 sent a tile larger than %2 MB").arg(host).arg(m_options.maxTileBytes >> 20);
    } else if (reply->error() == QNetworkReply::NoError) {
        keepAtLeastMinimum(reply);
        QString why;
        const QImage image = decode(reply->readAll(), QByteArray(), &why);
        m_backoff.serverAnswered();
        if (!image.isNull()) {
            m_backoff.succeeded(key);
            m_wanted.removeAll(key);
            report(QString());
            emit loaded(key, image);
        } else {
            failure = QStringLiteral("%1 sent %2 for tile %3/%4/%5").arg(host, why).arg(key.z).arg(key.x).arg(key.y);
        }
    } else if (status >= 400) {
        const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        failure = QStringLiteral("%1 answered %2 %3").arg(host).arg(status).arg(phrase).trimmed();
        // A busy server is asked to take a rest as a whole.
        if (status == 429 || status >= 500)
            m_backoff.serverFailed(now);
        else
            m_backoff.serverAnswered();
    } else if (reply->error() == QNetworkReply::HostNotFoundError) {
        failure = QStringLiteral("host %1 not found").arg(host);
        m_backoff.serverFailed(now);
    } else if (reply->error() == QNetworkReply::ConnectionRefusedError) {
        failure = QStringLiteral("%1 refused the connection").arg(host);
        m_backoff.serverFailed(now);
    } else if (reply->error() == QNetworkReply::OperationCanceledError
               || reply->error() == QNetworkReply::TimeoutError) {
        failure = QStringLiteral("%1 does not answer").arg(host);
        m_backoff.serverFailed(now);
    } else {
        failure = QStringLiteral("%1: %2").arg(host, reply->errorString());
        if (serverAway(reply->error()))
            m_backoff.serverFailed(now);
    }
    if (!failure.isEmpty()) {
        m_backoff.failed(key, now);
        report(QStringLiteral("Map tiles unavailable: ") + failure);
    }
    pump();
}

} // namespace nearbell
