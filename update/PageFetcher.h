#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace nearbell {

// The answer to one page request.
struct FetchResult
{
    bool ok = false;
    QByteArray body;          // the whole reply body when ok
    int errorNumber = 0;      // QNetworkReply::NetworkError, or one of PageFetcher's own
    QString errorDescription; // the network layer's text for it
    bool abandoned = false;   // the wait was ended from outside: the program is closing
};

// Responsibilities: one HTTP GET of a page, waited for in a local event loop
// so the program's windows and timers keep running meanwhile; a time-out for
// the whole request, redirects followed up to a limit, and a cap on the size
// of the reply body.
class PageFetcher
{
public:
    static constexpr int defaultTimeoutMs = 15000;
    static constexpr int maxRedirects = 5;
    static constexpr qint64 maxBodyBytes = 1024 * 1024;

    // Own error numbers, from the network layer's range of content and
    // operation errors.
    static constexpr int timeoutErrorNumber = 4;     // QNetworkReply::TimeoutError
    static constexpr int tooLargeErrorNumber = 299;  // QNetworkReply::UnknownContentError

    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }

    // Returns when the reply is complete, has failed or has timed out.
    FetchResult get(const QUrl &url) const;

private:
    int m_timeoutMs = defaultTimeoutMs;
};

} // namespace nearbell
