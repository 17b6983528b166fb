#include "platform/WidgetWindowRaiser.h"

#include <QGuiApplication>

namespace nearbell {

void WidgetWindowRaiser::bringToFront()
{
    QWidget *window = m_window;
    if (!window)
        return;

    // Restored from minimized (or maximized) to the normal state.
    const Qt::WindowStates normal = window->windowState()
                                    & ~(Qt::WindowMinimized | Qt::WindowMaximized
                                        | Qt::WindowFullScreen);
    if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        const QPoint position = window->pos();
        const QSize size = window->size();
        window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        // Changing the flags re-creates the native window hidden; put it back
        // where it was before it is shown again.
        window->resize(size);
        window->move(position);
    }
    window->setWindowState(normal);
    window->show();
    window->raise();
    window->activateWindow();
}

QString WidgetWindowRaiser::unavailableReason() const
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return QStringLiteral("Bring to front on alarm does not work under Wayland: the desktop decides "
                              "which window is on top");
    return {};
}

} // namespace nearbell
