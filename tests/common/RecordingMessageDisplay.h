#pragma once

#include "platform/MessageDisplay.h"

#include <QList>
#include <functional>

namespace nearbell::test {

// A message display that records every box instead of showing it.
class RecordingMessageDisplay : public MessageDisplay
{
public:
    struct Shown
    {
        QString title;
        QString text;
        Icon icon;
        bool aboveAll = false;
    };

    void show(QWidget *, const QString &title, const QString &text, Icon icon) override
    {
        shown.append({title, text, icon});
        if (onShow)
            onShow();
    }

    void showAboveAll(const QString &title, const QString &text, Icon icon) override
    {
        shown.append({title, text, icon, true});
        if (onShow)
            onShow();
    }

    QList<Shown> shown;
    std::function<void()> onShow; // runs "while the box is open"
};

} // namespace nearbell::test
