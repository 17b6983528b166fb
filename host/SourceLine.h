#pragma once

#include <QString>
#include <QStringView>

namespace nearbell {

// One station source as a SOURCE line of the host profile names it.
//
// Responsibilities:
//  - parse the SOURCE text, the only place it is read: "DEMO", "NONE",
//    "KISS host:port", "SERIAL device [speed]", "APRSIS host:port",
//    "REPLAY file" (kind in any letter case);
//  - keep a text it does not understand as written, with the reason, so
//    that nothing the user wrote is lost and the reason can be shown;
//  - format the text back, and hold the defaults of every source kind;
//  - resolve a relative replay file against the folder of the profile.
struct SourceLine
{
    enum class Kind { Demo, Kiss, Serial, AprsIs, Replay, None, Unknown };

    static constexpr quint16 kDefaultKissPort = 8001;
    static constexpr quint16 kDefaultAprsIsPort = 14580;
    static constexpr int kDefaultSerialSpeed = 9600;
    static constexpr int kMinSerialSpeed = 1200;
    static constexpr int kMaxSerialSpeed = 115200;
    static QString defaultKissHost() { return QStringLiteral("127.0.0.1"); }
    static QString defaultAprsIsServer() { return QStringLiteral("rotate.aprs2.net"); }

    Kind kind = Kind::Kiss;
    QString host = defaultKissHost();  // KISS, APRSIS
    quint16 port = kDefaultKissPort;   // KISS, APRSIS
    QString device;                    // SERIAL
    int speed = kDefaultSerialSpeed;   // SERIAL
    QString file;                      // REPLAY, as written
    QString written;                   // Unknown: the text as it stands
    QString problem;                   // Unknown: why it is not understood

    // An empty text is the default source (KISS 127.0.0.1:8001).
    static SourceLine parse(QStringView text);
    // "KISS 127.0.0.1:8001", "SERIAL /dev/ttyUSB0 9600", ...; an unknown
    // text comes back as written.
    QString format() const;
    // The replay file, a relative one taken in folder.
    QString replayPath(const QString &folder) const;
    // "host:port", with an IPv6 address in brackets.
    static QString hostPort(const QString &host, quint16 port);
    static QString hostPort(const QString &host, const QString &port);
    // The line of a kind and its argument ("KISS" + "127.0.0.1:8001"); for
    // an unknown kind the argument is the whole text as written.
    static QString compose(Kind kind, const QString &argument = QString());

    bool operator==(const SourceLine &other) const { return format() == other.format(); }
};

} // namespace nearbell
