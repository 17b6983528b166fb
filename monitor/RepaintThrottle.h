#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

namespace nearbell {

// Keeps a list that a scan fills line by line from being redrawn at every
// yield: the scan yields after each station so the window stays responsive,
// but redrawing the list each time made a long scan cost tens of
// milliseconds per thousand stations. While a throttle lives, the list is
// redrawn at most every intervalMs; clicks and keys are still handled at
// every yield. The list is redrawn once more when the throttle ends.
class RepaintThrottle
{
public:
    explicit RepaintThrottle(QWidget *list, int intervalMs = 40);
    ~RepaintThrottle();
    RepaintThrottle(const RepaintThrottle &) = delete;
    RepaintThrottle &operator=(const RepaintThrottle &) = delete;

    // Call around each yield: lets one redraw through when it is due.
    void beforeYield();
    void afterYield();

private:
    QPointer<QWidget> m_list;
    QElapsedTimer m_sinceRedraw;
    int m_intervalMs;
    bool m_wasEnabled = true;
    bool m_open = false;
};

} // namespace nearbell
