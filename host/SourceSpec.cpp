#include "host/SourceSpec.h"

#include <QDir>

#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

namespace {

SourceSpec unknown(QStringView text, const QString &reason)
{
    SourceSpec spec;
    spec.kind = SourceSpec::Kind::Unknown;
    spec.written = text.toString();
    spec.problem = reason;
    return spec;
}

} // namespace

SourceSpec SourceSpec::parse(QStringView text)
{
    text = text.trimmed();
    SourceSpec spec;
    if (text.isEmpty())
        return spec;
    const qsizetype blank = text.indexOf(u' ');
    const QString kind = (blank < 0 ? text : text.first(blank)).toString().toUpper();
    const QStringView argument = blank < 0 ? QStringView() : text.sliced(blank + 1).trimmed();

    if (kind == QLatin1String("DEMO") || kind == QLatin1String("NONE")) {
        if (!argument.isEmpty())
            return unknown(text, QStringLiteral("%1 takes nothing after it").arg(kind));
        spec.kind = kind == QLatin1String("DEMO") ? Kind::Demo : Kind::None;
        return spec;
    }
    if (kind == QLatin1String("KISS") || kind == QLatin1String("APRSIS")) {
        QString host;
        quint16 port = 0;
        if (!NetworkStationSource::parseHostPort(argument, host, port)) {
            return unknown(text, QStringLiteral("%1 needs a host and port, for example %1 %2")
                                     .arg(kind, kind == QLatin1String("KISS") ? QStringLiteral("127.0.0.1:8001")
                                                                               : QStringLiteral("rotate.aprs2.net:14580")));
        }
        spec.kind = kind == QLatin1String("KISS") ? Kind::Kiss : Kind::AprsIs;
        spec.host = host;
        spec.port = port;
        return spec;
    }
    if (kind == QLatin1String("SERIAL")) {
        const QList<QStringView> words = argument.split(u' ', Qt::SkipEmptyParts);
        bool ok = words.size() == 1 || words.size() == 2;
        int speed = kDefaultSerialSpeed;
        if (ok && words.size() == 2) {
            speed = words[1].toInt(&ok);
            ok = ok && speed >= kMinSerialSpeed && speed <= kMaxSerialSpeed;
        }
        if (!ok) {
            return unknown(text, QStringLiteral("SERIAL needs a device and a speed from %1 to %2, "
                                                "for example SERIAL /dev/ttyUSB0 9600")
                                     .arg(kMinSerialSpeed)
                                     .arg(kMaxSerialSpeed));
        }
        spec.kind = Kind::Serial;
        spec.device = words[0].toString();
        spec.speed = speed;
        return spec;
    }
    if (kind == QLatin1String("REPLAY")) {
        if (argument.isEmpty())
            return unknown(text, QStringLiteral("REPLAY needs a file"));
        spec.kind = Kind::Replay;
        spec.file = argument.toString();
        return spec;
    }
    return unknown(text, QStringLiteral("\"%1\" is no station source this program knows "
                                        "(DEMO, KISS, SERIAL, APRSIS, REPLAY, NONE)")
                             .arg(kind.left(40)));
}

QString SourceSpec::hostPort(const QString &host, quint16 port)
{
    if (host.contains(u':'))
        return u'[' + host + QStringLiteral("]:") + QString::number(port);
    return host + u':' + QString::number(port);
}

QString SourceSpec::format() const
{
    switch (kind) {
    case Kind::Demo:
        return QStringLiteral("DEMO");
    case Kind::Kiss:
        return QStringLiteral("KISS ") + hostPort(host, port);
    case Kind::Serial:
        return QStringLiteral("SERIAL %1 %2").arg(device).arg(speed);
    case Kind::AprsIs:
        return QStringLiteral("APRSIS ") + hostPort(host, port);
    case Kind::Replay:
        return QStringLiteral("REPLAY ") + file;
    case Kind::None:
        return QStringLiteral("NONE");
    case Kind::Unknown:
        break;
    }
    return written;
}

QString SourceSpec::replayPath(const QString &folder) const
{
    if (QDir::isRelativePath(file) && !folder.isEmpty())
        return QDir(folder).filePath(file);
    return file;
}

} // namespace nearbell
