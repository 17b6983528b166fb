#include "update/PageFetcher.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace nearbell {

FetchResult PageFetcher::get(const QUrl &url) const
{
    FetchResult result;
    if (!url.isValid() || url.isRelative()) {
        result.errorNumber = QNetworkReply::ProtocolUnknownError;
        result.errorDescription = QStringLiteral("Invalid address: %1").arg(url.toString());
        return result;
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QPointer<QNetworkReply> reply = manager.get(request);
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    bool tooLarge = false;
    QByteArray body;

    QObject::connect(reply.data(), &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > maxBodyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply.data(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });

    deadline.start(m_timeoutMs);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();

    if (!reply) {
        result.errorNumber = QNetworkReply::OperationCanceledError;
        result.errorDescription = QStringLiteral("Operation canceled");
        return result;
    }
    if (!reply->isFinished()) {
        // The loop was ended from outside, the program is closing.
        reply->abort();
        result.abandoned = true;
        result.errorNumber = QNetworkReply::OperationCanceledError;
        result.errorDescription = QStringLiteral("Operation canceled");
    } else if (timedOut) {
        result.errorNumber = timeoutErrorNumber;
        result.errorDescription = QStringLiteral("Operation timed out after %1 seconds")
                                      .arg(QString::number(m_timeoutMs / 1000.0));
    } else if (tooLarge) {
        result.errorNumber = tooLargeErrorNumber;
        result.errorDescription = QStringLiteral("Reply larger than %1 bytes").arg(maxBodyBytes);
    } else if (reply->error() != QNetworkReply::NoError) {
        result.errorNumber = reply->error();
        result.errorDescription = reply->errorString();
    } else {
        body += reply->readAll();
        if (body.size() > maxBodyBytes) {
            result.errorNumber = tooLargeErrorNumber;
            result.errorDescription = QStringLiteral("Reply larger than %1 bytes").arg(maxBodyBytes);
        } else {
            result.ok = true;
            result.body = body;
        }
    }
    return result; // the manager takes the reply with it
}

} // namespace nearbell
