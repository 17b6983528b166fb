#pragma once

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

// A tile server of the test's own on 127.0.0.1: HTTP/1.1 with keep-alive,
// each path answered as the test says, every request recorded.
class TileServer : public QTcpServer
{
public:
    struct Request
    {
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        int connection = 0;                    // which connection brought it
    };
    struct Answer
    {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;     // before answering
        bool silent = false; // never answers
    };
    // The answer to a request; the default serves a PNG of a colour made
    // from the path.
    std::function<Answer(const Request &)> answer;

    QList<Request> requests;
    int busiest = 0;     // most requests open at once
    int connections = 0; // connections accepted
    int busiestConnections = 0;

    TileServer()
    {
        listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        answer = [](const Request &request) {
            Answer a;
            a.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("image/png")));
            a.body = png(QColor::fromRgb(qHash(request.path) | 0xff000000u));
            return a;
        };
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                const int id = ++connections;
                ++m_open;
                busiestConnections = std::max(busiestConnections, m_open);
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    --m_open;
                    socket->deleteLater();
                });
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, id] { read(socket, id); });
            }
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    QString tileTemplate() const { return base() + QStringLiteral("/{z}/{x}/{y}.png"); }

    static QByteArray png(const QColor &colour, int side = 256)
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }

private:
    void read(QTcpSocket *socket, int id)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        int end;
        while ((end = int(pending.indexOf("\r\n\r\n"))) >= 0) {
            const QList<QByteArray> lines = pending.left(end).split('\n');
            pending.remove(0, end + 4);
            Request request;
            request.connection = id;
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.path = first.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = int(lines.at(i).indexOf(':'));
                if (colon > 0)
                    request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                           lines.at(i).mid(colon + 1).trimmed());
            }
            requests.append(request);
            const Answer a = answer(request);
            ++m_busy;
            busiest = std::max(busiest, m_busy);
            if (a.silent)
                continue;
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(a.delayMs, this, [this, guard, a] {
                --m_busy;
                if (!guard)
                    return;
                QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n";
                for (const auto &[name, value] : a.headers)
                    out += name + ": " + value + "\r\n";
                out += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n\r\n";
                guard->write(out);
                guard->write(a.body);
            });
        }
    }

    QHash<QTcpSocket *, QByteArray> m_pending;
    int m_busy = 0;
    int m_open = 0;
};
