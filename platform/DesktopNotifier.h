#pragma once

#include <QObject>
#include <QString>

namespace nearbell {

// One desktop notification, all plain text.
struct DesktopNotice
{
    QString summary;
    QString body;
    QString tag; // handed back when the user clicks the notification
};

// Shows notifications on the desktop.
//
// Responsibilities:
//  - hand a notice to the desktop without ever making the caller wait;
//  - show its texts as text, whatever characters they hold;
//  - tell which notice the user clicked (activated, with its tag);
//  - say why notifications cannot be shown, when they cannot.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DesktopNotifier() override = default;

    virtual void notify(const DesktopNotice &notice) = 0;
    // Empty while notifications can be shown (or nothing speaks against it
    // yet); otherwise the status text that says why not.
    virtual QString unavailableReason() const = 0;

signals:
    void activated(const QString &tag);
};

} // namespace nearbell
