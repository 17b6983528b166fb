#include "update/LocalHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace nearbell::test {

LocalHttpServer::LocalHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl LocalHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

LocalHttpServer::Answer LocalHttpServer::page(const QByteArray &body)
{
    Answer answer;
    answer.body = body;
    answer.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html; charset=iso-8859-1")));
    return answer;
}

LocalHttpServer::Answer LocalHttpServer::redirect(const QString &location)
{
    Answer answer;
    answer.status = 302;
    answer.reason = "Found";
    answer.headers.append(qMakePair(QByteArray("Location"), location.toLatin1()));
    return answer;
}

void LocalHttpServer::readRequest(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    m_pending.remove(socket);
    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
    requestedPaths.append(path);
    if (onRequest)
        onRequest(path);

    Answer found;
    if (m_answers.contains(path)) {
        found = m_answers.value(path);
    } else {
        found.status = 404;
        found.reason = "Not Found";
        found.body = "no such page";
    }
    if (found.never)
        return;
    if (found.delayMs > 0) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(found.delayMs, this, [this, guarded, found] {
            if (guarded)
                answer(guarded, found);
        });
    } else {
        answer(socket, found);
    }
}

void LocalHttpServer::answer(QTcpSocket *socket, const Answer &answer)
{
    QByteArray reply = "HTTP/1.0 " + QByteArray::number(answer.status) + ' ' + answer.reason + "\r\n";
    for (const auto &[name, value] : answer.headers)
        reply += name + ": " + value + "\r\n";
    reply += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    reply += "Connection: close\r\n\r\n";
    reply += answer.body;
    socket->write(reply);
    socket->disconnectFromHost();
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace nearbell::test
