#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

namespace nearbell::test {

// A tiny HTTP/1.0 server on 127.0.0.1 for the update check's tests. Each
// path has a canned answer; an answer may be held back (to run past a
// time-out) and a hook runs when a request arrives, before it is answered.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;    // wait before answering
        bool never = false; // keep the connection open without answering
    };

    LocalHttpServer();

    QUrl url(const QString &path) const;
    void setAnswer(const QString &path, const Answer &answer) { m_answers.insert(path, answer); }
    static Answer page(const QByteArray &body);
    static Answer redirect(const QString &location);

    QStringList requestedPaths;
    std::function<void(const QString &path)> onRequest;

private:
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Answer &answer);

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

// A port on 127.0.0.1 on which nothing listens.
quint16 closedPort();

} // namespace nearbell::test
