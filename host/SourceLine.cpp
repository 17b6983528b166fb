#include "host/SourceLine.h"

#include <QDir>

#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

namespace {

SourceLine unknown(QStringView text, const QString &reason)
{
    SourceLine sourceLine;
    sourceLine.kind = SourceLine::Kind::Unknown;
    sourceLine.written = text.toString();
    sourceLine.problem = reason;
    return sourceLine;
}

} // namespace

SourceLine SourceLine::parse(QStringView text)
{
    text = text.trimmed();
    SourceLine sourceLine;
    if (text.isEmpty())
        return sourceLine;
    const qsizetype blank = text.indexOf(u' ');
    const QString kind = (blank < 0 ? text : text.first(blank)).toString().toUpper();
    const QStringView argument = blank < 0 ? QStringView() : text.sliced(blank + 1).trimmed();

    if (kind == QLatin1String("DEMO") || kind == QLatin1String("NONE")) {
        if (!argument.isEmpty())
            return unknown(text, QStringLiteral("%1 takes nothing after it").arg(kind));
        sourceLine.kind = kind == QLatin1String("DEMO") ? Kind::Demo : Kind::None;
        return sourceLine;
    }
    if (kind == QLatin1String("KISS") || kind == QLatin1String("APRSIS")) {
        QString host;
        quint16 port = 0;
        if (!NetworkStationSource::parseHostPort(argument, host, port)) {
            return unknown(text, QStringLiteral("%1 needs a host and port, for example %1 %2")
                                     .arg(kind, kind == QLatin1String("KISS") ? QStringLiteral("127.0.0.1:8001")
                                                                               : QStringLiteral("rotate.aprs2.net:14580")));
        }
        sourceLine.kind = kind == QLatin1String("KISS") ? Kind::Kiss : Kind::AprsIs;
        sourceLine.host = host;
        sourceLine.port = port;
        return sourceLine;
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
        sourceLine.kind = Kind::Serial;
        sourceLine.device = words[0].toString();
        sourceLine.speed = speed;
        return sourceLine;
    }
    if (kind == QLatin1String("REPLAY")) {
        if (argument.isEmpty())
            return unknown(text, QStringLiteral("REPLAY needs a file"));
        sourceLine.kind = Kind::Replay;
        sourceLine.file = argument.toString();
        return sourceLine;
    }
    return unknown(text, QStringLiteral("\"%1\" is no station source this program knows "
                                        "(DEMO, KISS, SERIAL, APRSIS, REPLAY, NONE)")
                             .arg(kind.left(40)));
}

QString SourceLine::hostPort(const QString &host, quint16 port)
{
    if (host.contains(u':'))
        return u'[' + host + QStringLiteral("]:") + QString::number(port);
    return host + u':' + QString::number(port);
}

QString SourceLine::format() const
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

QString SourceLine::replayPath(const QString &folder) const
{
    if (QDir::isRelativePath(file) && !folder.isEmpty())
        return QDir(folder).filePath(file);
    return file;
}

} // namespace nearbell
