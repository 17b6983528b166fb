#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

#include <functional>

class QTcpSocket;

namespace nearbell::test {

// A tiny HTTP/1.0 server on 127.0.0.1 for the update check's tests: a canned
// answer per path (404 otherwise), optionally held back for a while or for
// ever, and a hook that runs when a request arrives, before it is answered.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        QByteArray head = "200 OK";
        QByteArray extraHeaders; // complete lines with CRLF
        QByteArray body;
        int delayMs = 0; // negative: never answer
    };

    LocalHttpServer();

    QUrl url(const QString &path) const;
    void setPage(const QString &path, const QByteArray &body, int delayMs = 0);
    void setRedirect(const QString &path, const QString &location);
    void setAnswer(const QString &path, const Answer &answer) { m_answers.insert(path, answer); }

    QStringList requestedPaths;
    std::function<void()> onRequest;

private:
    void readRequest(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
};

// A port on 127.0.0.1 on which nothing listens.
quint16 closedPort();

} // namespace nearbell::test
