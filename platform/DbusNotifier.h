#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QHash>

class QDBusPendingCallWatcher;

namespace nearbell {

// DesktopNotifier over the desktop's notification service
// (org.freedesktop.Notifications on the session bus).
//
// Responsibilities:
//  - every call to the service is asynchronous: a service that answers
//    late, with an error or never costs the event loop nothing; at most
//    maxPending calls are out at a time, later notices are dropped;
//  - summaries and bodies go out as text: control characters become
//    U+FFFD, and the body is escaped when the service reads markup in it;
//  - a click on a notification ("default" action) is reported with the tag
//    of the notice it showed;
//  - no bus or no service is no error: nothing is shown, the reason is kept
//    for the status line and standard error hears of it once.
class DbusNotifier : public DesktopNotifier
{
    Q_OBJECT
public:
    // callTimeoutMs: how long a call may stay unanswered before the service
    // counts as not answering.
    explicit DbusNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), int callTimeoutMs = 10000,
                          QObject *parent = nullptr);
    ~DbusNotifier() override;

    void notify(const DesktopNotice &notice) override;
    QString unavailableReason() const override { return m_reason; }

    // Text as the service gets it: control characters replaced, and for a
    // body that is read as markup, "<", ">" and "&" escaped.
    static QString plainText(const QString &text);
    static QString bodyText(const QString &text, bool markup);

    void setMaxPending(int maxPending) { m_maxPending = maxPending; }
    int pendingCalls() const { return m_pending; }
    int dropped() const { return m_dropped; }
    int shown() const { return m_shown; }
    bool bodyMarkup() const { return m_bodyMarkup; }

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);

private:
    void setReason(const QString &reason);
    void onCapabilities(QDBusPendingCallWatcher *watcher);
    void onNotified(QDBusPendingCallWatcher *watcher, const QString &tag);

    QDBusConnection m_bus;
    QString m_reason;
    QHash<uint, QString> m_tags; // notification id -> tag, while it may be clicked
    bool m_bodyMarkup = true;    // most services read markup; escaping is then needed
    bool m_reported = false;
    int m_callTimeoutMs = 10000;
    int m_maxPending = 4;
    int m_pending = 0;
    int m_dropped = 0;
    int m_shown = 0;
};

} // namespace nearbell
