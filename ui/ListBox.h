#pragma once

#include "ui/ListBoxModel.h"

#include <QListView>
#include <QStringList>

namespace nearbell {

// One list box of the main window: text lines, sorted or in the order
// added, with at most one selected line.
//
// Responsibilities:
//  - offer the program simple calls: line count, the text of line i, add a
//    line, remove line i, clear, the selected line (or none), select line i
//    or none, and all lines at once;
//  - after a line is removed or the list is cleared, no line is selected,
//    so the next command without a new choice of the user finds none;
//  - stay cheap while a scan adds thousands of lines: rows of one height,
//    added lines reach the view in batches (ListBoxModel);
//  - report every mouse press to the window after its own selection
//    handling: a left or middle press selects as usual, a right press never
//    changes the selection; then mouseDown is emitted.
class ListBox : public QListView
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr, bool sorted = false);

    bool isSorted() const { return m_lines->isSorted(); }

    int count() const { return m_lines->count(); }
    QString text(int row) { return m_lines->text(row); }
    QStringList lines() { return m_lines->lines(); }
    void addItem(const QString &line) { m_lines->add(line); }
    void addItems(const QStringList &lines) { m_lines->add(lines); }
    void removeRow(int row);
    void clear();

    // The selected line, or -1 when none is selected.
    int selectedRow();
    // Selects line row (it also becomes the current line); -1 selects none.
    void setSelectedRow(int row);
    // The line with the keyboard focus mark, or -1.
    int currentRow();

    // Lines that are not yet shown go to the view now.
    void flush() { m_lines->flush(); }
    // Counts every change to the lines.
    quint64 revision() const { return m_lines->revision(); }

signals:
    // button: 1 left, 2 right, 4 middle; globalPos: where a pop-up opens.
    void mouseDown(int button, Qt::KeyboardModifiers shift, QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void selectNone();

    ListBoxModel *m_lines;
};

} // namespace nearbell
