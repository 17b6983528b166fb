#include "map/MbTilesFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace nearbell {

MbTilesFile::MbTilesFile(QString connectionName) : m_connection(std::move(connectionName)) {}

MbTilesFile::~MbTilesFile()
{
    close();
}

void MbTilesFile::close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_open = false;
}

QString MbTilesFile::open(const QString &path)
{
    close();
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Map file cannot be read: %1").arg(path);
    // SQLite would take any file and fail only at the first query.
    if (file.read(16) != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("Map file is no MBTiles (SQLite) file: %1").arg(name);
    file.close();

    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            problem = QStringLiteral("Map file cannot be opened: %1").arg(name);
        } else {
            QSqlQuery probe(db);
            if (!probe.exec(QStringLiteral("SELECT 1 FROM tiles LIMIT 1")))
                problem = QStringLiteral("Map file has no tiles table: %1").arg(name);
        }
        if (problem.isEmpty()) {
            QSqlQuery meta(db);
            if (meta.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
                while (meta.next()) {
                    const QString key = meta.value(0).toString().trimmed().toLower();
                    const QString value = meta.value(1).toString().trimmed();
                    bool ok = false;
                    if (key == QLatin1String("format") && !value.isEmpty()) {
                        m_format = value.toLower();
                    } else if (key == QLatin1String("minzoom")) {
                        const int z = value.toInt(&ok);
                        if (ok)
                            m_minZoom = std::clamp(z, 0, TileMath::kMaxZoom + 3);
                    } else if (key == QLatin1String("maxzoom")) {
                        const int z = value.toInt(&ok);
                        if (ok)
                            m_maxZoom = std::clamp(z, 0, TileMath::kMaxZoom + 3);
                    } else if (key == QLatin1String("bounds")) {
                        const QStringList parts = value.split(u',');
                        double v[4];
                        bool all = parts.size() == 4;
                        for (int i = 0; all && i < 4; ++i)
                            v[i] = parts.at(i).trimmed().toDouble(&all);
                        if (all && v[0] < v[2] && v[1] < v[3]) {
                            const QPointF nw = TileMath::world(v[3], v[0]);
                            QPointF se = TileMath::world(v[1], v[2]);
                            if (v[2] >= 180.0)
                                se.setX(1.0);
                            m_bounds = QRectF(nw, se).normalized();
                        }
                    }
                }
            }
            if (m_maxZoom < m_minZoom)
                std::swap(m_minZoom, m_maxZoom);
        }
    }
    if (!problem.isEmpty()) {
        QSqlDatabase::removeDatabase(m_connection);
        return problem;
    }
    m_open = true;
    return QString();
}

std::optional<QByteArray> MbTilesFile::tile(const TileKey &key)
{
    if (!m_open)
        return std::nullopt;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?"));
    query.addBindValue(key.z);
    query.addBindValue(TileMath::wrapColumn(key.x, key.z));
    query.addBindValue(TileMath::tmsRow(key.y, key.z));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

} // namespace nearbell
