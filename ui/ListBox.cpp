#include "ui/ListBox.h"

#include <QMouseEvent>

namespace nearbell {

ListBox::ListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void ListBox::mousePressEvent(QMouseEvent *event)
{
    int button = 0;
    switch (event->button()) {
    case Qt::LeftButton:
        button = 1;
        break;
    case Qt::RightButton:
        button = 2;
        break;
    case Qt::MiddleButton:
        button = 4;
        break;
    default:
        break;
    }
    if (event->button() != Qt::RightButton)
        QListWidget::mousePressEvent(event);
    else
        event->accept();
    emit mouseDown(button, event->modifiers(), event->globalPosition().toPoint());
}

} // namespace nearbell
