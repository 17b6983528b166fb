#include "ui/ListBox.h"

#include <QMouseEvent>

namespace nearbell {

ListBox::ListBox(QWidget *parent, bool sorted)
    : QListView(parent), m_lines(new ListBoxModel(sorted, this))
{
    setModel(m_lines);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Lines of one height are laid out without measuring each one.
    setUniformItemSizes(true);
}

void ListBox::selectNone()
{
    // The current line goes too: otherwise the view would move it to a
    // neighbour of a removed line and select that one.
    if (QItemSelectionModel *selection = selectionModel())
        selection->clear();
}

void ListBox::removeRow(int row)
{
    flush();
    if (row < 0 || row >= m_lines->rowCount())
        return;
    selectNone();
    m_lines->removeAt(row);
}

void ListBox::clear()
{
    selectNone();
    m_lines->clear();
}

int ListBox::selectedRow()
{
    flush();
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::setSelectedRow(int row)
{
    flush();
    if (row < 0 || row >= m_lines->rowCount()) {
        selectNone();
        return;
    }
    selectionModel()->setCurrentIndex(m_lines->index(row), QItemSelectionModel::ClearAndSelect);
}

int ListBox::currentRow()
{
    flush();
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ListBox::mousePressEvent(QMouseEvent *event)
{
    // No flush here: the press must hit the line the view shows at that
    // place, and lines not yet shown would move it.
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
        QListView::mousePressEvent(event);
    else
        event->accept();
    emit mouseDown(button, event->modifiers(), event->globalPosition().toPoint());
}

} // namespace nearbell
