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
    return hostPort(host, QString::number(port));
}

QString SourceLine::hostPort(const QString &host, const QString &port)
{
    if (host.contains(u':'))
        return u'[' + host + QStringLiteral("]:") + port;
    return host + u':' + port;
}

QString SourceLine::compose(Kind kind, const QString &argument)
{
    QString keyword;
    switch (kind) {
    case Kind::Demo:
        keyword = QStringLiteral("DEMO");
        break;
    case Kind::Kiss:
        keyword = QStringLiteral("KISS");
        break;
    case Kind::Serial:
        keyword = QStringLiteral("SERIAL");
        break;
    case Kind::AprsIs:
        keyword = QStringLiteral("APRSIS");
        break;
    case Kind::Replay:
        keyword = QStringLiteral("REPLAY");
        break;
    case Kind::None:
        keyword = QStringLiteral("NONE");
        break;
    case Kind::Unknown:
        return argument;
    }
    return argument.isEmpty() ? keyword : keyword + u' ' + argument;
}

QString SourceLine::format() const
{
    switch (kind) {
    case Kind::Kiss:
    case Kind::AprsIs:
        return compose(kind, hostPort(host, port));
    case Kind::Serial:
        return compose(kind, device + u' ' + QString::number(speed));
    case Kind::Replay:
        return compose(kind, file);
    case Kind::Unknown:
        return written;
    case Kind::Demo:
    case Kind::None:
        break;
    }
    return compose(kind);
}

QString SourceLine::replayPath(const QString &folder) const
{
    if (QDir::isRelativePath(file) && !folder.isEmpty())
        return QDir(folder).filePath(file);
    return file;
}

} // namespace nearbell
