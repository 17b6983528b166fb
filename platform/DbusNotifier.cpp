#include "platform/DbusNotifier.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <cstdio>

namespace nearbell {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// The service keeps only so many clickable notifications in its tray.
constexpr int kMaxRemembered = 64;

QString reasonFor(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return QStringLiteral("Desktop notifications unavailable: no notification service");
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return QStringLiteral("Desktop notifications unavailable: the notification service does not answer");
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
        return QStringLiteral("Desktop notifications unavailable: no session bus");
    default:
        return QStringLiteral("Desktop notifications unavailable: the notification service failed");
    }
}

} // namespace

DbusNotifier::DbusNotifier(QDBusConnection bus, int callTimeoutMs, QObject *parent)
    : DesktopNotifier(parent), m_bus(std::move(bus)), m_callTimeoutMs(callTimeoutMs)
{
    if (!m_bus.isConnected()) {
        setReason(QStringLiteral("Desktop notifications unavailable: no session bus"));
        return;
    }
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));

    // Asked early so that the status line knows before the first alarm.
    const QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface,
                                                             QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_callTimeoutMs), this);
    ++m_pending;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *w) { onCapabilities(w); });
}

DbusNotifier::~DbusNotifier() = default;

QString DbusNotifier::plainText(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c == u'\n' || c == u'\t')
            continue;
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

QString DbusNotifier::bodyText(const QString &text, bool markup)
{
    const QString plain = plainText(text);
    return markup ? plain.toHtmlEscaped() : plain;
}

void DbusNotifier::setReason(const QString &reason)
{
    m_reason = reason;
    if (!reason.isEmpty() && !m_reported) {
        m_reported = true;
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        std::fflush(stderr);
    }
}

void DbusNotifier::onCapabilities(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    --m_pending;
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        setReason(reasonFor(reply.error()));
        return;
    }
    m_bodyMarkup = reply.value().contains(QStringLiteral("body-markup"));
    setReason(QString());
}

void DbusNotifier::notify(const DesktopNotice &notice)
{
    if (!m_bus.isConnected())
        return;
    if (m_pending >= m_maxPending) {
        ++m_dropped;
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    hints.insert(QStringLiteral("category"), QStringLiteral("presence.online"));
    call << QStringLiteral("Nearbell") << uint(0) << QString() << plainText(notice.summary)
         << bodyText(notice.body, m_bodyMarkup)
         << QStringList{QStringLiteral("default"), QStringLiteral("Show station")} << hints << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_callTimeoutMs), this);
    ++m_pending;
    const QString tag = notice.tag;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, tag](QDBusPendingCallWatcher *w) { onNotified(w, tag); });
}

void DbusNotifier::onNotified(QDBusPendingCallWatcher *watcher, const QString &tag)
{
    watcher->deleteLater();
    --m_pending;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        setReason(reasonFor(reply.error()));
        return;
    }
    setReason(QString());
    ++m_shown;
    if (m_tags.size() >= kMaxRemembered)
        m_tags.erase(m_tags.begin());
    m_tags.insert(reply.value(), tag);
}

void DbusNotifier::onActionInvoked(uint id, const QString &action)
{
    if (action != QStringLiteral("default"))
        return;
    const auto it = m_tags.constFind(id);
    if (it != m_tags.cend())
        emit activated(*it);
}

void DbusNotifier::onNotificationClosed(uint id, uint)
{
    m_tags.remove(id);
}

} // namespace nearbell
