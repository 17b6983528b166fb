#include "map/MapSource.h"

namespace nearbell {

QString MapSource::effectiveTemplate() const
{
    return kind == Kind::Template ? urlTemplate : standardTemplate();
}

QString MapSource::effectiveAttribution() const
{
    if (!attribution.trimmed().isEmpty())
        return attribution.trimmed();
    return kind == Kind::Standard ? standardAttribution() : QString();
}

QString MapSource::templateProblem(const QString &urlTemplate)
{
    const QString t = urlTemplate.trimmed();
    if (t.isEmpty())
        return QStringLiteral("Map source has no URL template");
    for (const QLatin1StringView field : {QLatin1StringView("{z}"), QLatin1StringView("{x}"), QLatin1StringView("{y}")}) {
        if (!t.contains(field))
            return QStringLiteral("Map URL template lacks %1: %2").arg(field, t);
    }
    const QUrl url = tileUrl(t, {0, 0, 0});
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))
        || url.host().isEmpty())
        return QStringLiteral("Map URL template is no http or https address: %1").arg(t);
    return QString();
}

QUrl MapSource::tileUrl(const QString &urlTemplate, const TileKey &key)
{
    QString text = urlTemplate.trimmed();
    text.replace(QLatin1String("{z}"), QString::number(key.z));
    text.replace(QLatin1String("{x}"), QString::number(TileMath::wrapColumn(key.x, key.z)));
    text.replace(QLatin1String("{y}"), QString::number(key.y));
    return QUrl(text, QUrl::StrictMode);
}

} // namespace nearbell
