#include "map/TileService.h"

#include <QDir>
#include <QStandardPaths>

#include "Version.h"

namespace nearbell {

namespace {
bool loopbackOnly = false;
}

void TileService::setLoopbackOnly(bool only)
{
    loopbackOnly = only;
}

TileService::TileService(QObject *parent) : QObject(parent), m_tiles(int(kMemoryBytes / 1024))
{
    m_options.cacheFolder = defaultCacheFolder();
    m_options.userAgent = userAgent();
    m_options.loopbackOnly = loopbackOnly;
    m_thread.setObjectName(QStringLiteral("map tiles"));
}

TileService::~TileService()
{
    stop();
}

QString TileService::defaultCacheFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("nearbell/tiles"));
}

QByteArray TileService::userAgent()
{
    return QStringLiteral("Nearbell/%1.%2.%3 (+%4)")
        .arg(version::major)
        .arg(version::minor)
        .arg(version::revision)
        .arg(QString::fromUtf8(version::homeUrl))
        .toUtf8();
}

void TileService::setSource(const MapSource &source)
{
    TileLoader::Options options = m_options;
    options.source = source;
    setOptions(options);
}

void TileService::setOptions(const TileLoader::Options &options)
{
    stop();
    m_options = options;
    m_options.loopbackOnly = m_options.loopbackOnly || loopbackOnly;
    m_tiles.clear();
    m_missing.clear();
    m_asked.clear();
    m_minZoom = 0;
    m_maxZoom = TileMath::kMaxZoom;
    m_coverage = QRectF(0, 0, 1, 1);
    emit tilesArrived();
    if (!m_problem.isEmpty()) {
        m_problem.clear();
        emit problemChanged(m_problem);
    }
}

void TileService::stop()
{
    if (!m_loader)
        return;
    m_loader->disconnect(this);
    // The loader is deleted on its own thread, where its network lives.
    QMetaObject::invokeMethod(m_loader, &QObject::deleteLater, Qt::QueuedConnection);
    m_loader = nullptr;
    m_thread.quit();
    m_thread.wait();
}

void TileService::start()
{
    m_loader = new TileLoader(m_options);
    m_loader->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_loader, &QObject::deleteLater);
    connect(m_loader, &TileLoader::loaded, this, [this](const TileKey &key, const QImage &image) {
        m_tiles.insert(key, new QImage(image), int(std::max<qsizetype>(1, image.sizeInBytes() / 1024)));
        m_missing.remove(key);
        emit tilesArrived();
    });
    connect(m_loader, &TileLoader::missing, this, [this](const TileKey &key) {
        if (m_missing.size() > 4096)
            m_missing.clear();
        m_missing.insert(key);
    });
    connect(m_loader, &TileLoader::problem, this, [this](const QString &line) {
        if (line == m_problem)
            return;
        m_problem = line;
        emit problemChanged(line);
    });
    connect(m_loader, &TileLoader::coverage, this, [this](int minZoom, int maxZoom, const QRectF &world) {
        m_minZoom = minZoom;
        m_maxZoom = maxZoom;
        m_coverage = world;
        emit tilesArrived();
    });
    m_thread.start();
}

void TileService::want(const QList<TileKey> &keys)
{
    QList<TileKey> ask;
    ask.reserve(keys.size());
    for (const TileKey &key : keys) {
        if (!m_tiles.contains(key) && !m_missing.contains(key))
            ask.append(key);
    }
    if (ask == m_asked)
        return;
    m_asked = ask;
    if (!m_loader)
        start();
    TileLoader *loader = m_loader;
    QMetaObject::invokeMethod(loader, [loader, ask] { loader->want(ask); }, Qt::QueuedConnection);
}

} // namespace nearbell
