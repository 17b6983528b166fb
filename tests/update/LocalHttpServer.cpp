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

void LocalHttpServer::setPage(const QString &path, const QByteArray &body, int delayMs)
{
    setAnswer(path, Answer{"200 OK", {}, body, delayMs});
}

void LocalHttpServer::setRedirect(const QString &path, const QString &location)
{
    setAnswer(path, Answer{"302 Found", "Location: " + location.toLatin1() + "\r\n", {}, 0});
}

void LocalHttpServer::readRequest(QTcpSocket *socket)
{
    // Requests are small; the whole head arrives before it is answered.
    if (!socket->canReadLine() || socket->property("seen").toBool())
        return;
    socket->setProperty("seen", true);
    const QList<QByteArray> requestLine = socket->readLine().split(' ');
    const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
    requestedPaths.append(path);
    if (onRequest)
        onRequest();

    const Answer answer = m_answers.value(path, Answer{"404 Not Found", {}, "no such page", 0});
    if (answer.delayMs < 0)
        return;
    const QByteArray reply = "HTTP/1.0 " + answer.head + "\r\n" + answer.extraHeaders + "Content-Length: "
        + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n" + answer.body;
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(answer.delayMs, this, [guarded, reply] {
        if (guarded) {
            guarded->write(reply);
            guarded->disconnectFromHost();
        }
    });
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed when probe goes
}

} // namespace nearbell::test
