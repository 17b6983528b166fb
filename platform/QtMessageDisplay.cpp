#include "platform/QtMessageDisplay.h"

#include <QMessageBox>

namespace nearbell {

namespace {
QMessageBox::Icon boxIcon(MessageDisplay::Icon icon)
{
    switch (icon) {
    case MessageDisplay::Icon::Information:
        return QMessageBox::Information;
    case MessageDisplay::Icon::Warning:
        return QMessageBox::Warning;
    case MessageDisplay::Icon::Critical:
        return QMessageBox::Critical;
    case MessageDisplay::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtMessageDisplay::show(QWidget *parent, const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parent);
    // Texts are shown as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtMessageDisplay::showAboveAll(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
}

} // namespace nearbell
