#pragma once

#include "platform/WindowRaiser.h"

#include <QPointer>
#include <QWidget>

namespace nearbell {

// WindowRaiser for a top-level widget.
//
// Responsibilities:
//  - set Qt::WindowStaysOnTopHint once; the toolkit hides a window whose
//    flags change, so it is shown again at the same place and size;
//  - take the window out of the minimized (or maximized) state, show it,
//    raise and activate it;
//  - under Wayland, where the compositor alone decides which window is on
//    top and ignores both requests, say so.
class WidgetWindowRaiser : public WindowRaiser
{
public:
    explicit WidgetWindowRaiser(QWidget *window) : m_window(window) {}
    void bringToFront() override;
    QString unavailableReason() const override;

private:
    QPointer<QWidget> m_window;
};

} // namespace nearbell
