#include "platform/WidgetWindowRaiser.h"

namespace nearbell {

void WidgetWindowRaiser::bringToFront()
{
    QWidget *window = m_window;
    if (!window)
        return;

    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const bool wasVisible = window->isVisible();
        const QPoint position = window->pos();
        const QSize size = window->size();
        const Qt::WindowStates states = window->windowState();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        // Changing the flags re-creates the native window hidden; put it back
        // where it was before it is shown again.
        window->resize(size);
        window->move(position);
        window->setWindowState(states);
        if (wasVisible)
            window->show();
    }

    window->setWindowState(window->windowState()
                           & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace nearbell
