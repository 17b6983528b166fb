#pragma once

#include <QListWidget>

namespace nearbell {

// A list widget that reports every mouse press to the window after its own
// selection handling, as the window's pop-up wiring expects.
//
// Responsibilities:
//  - a left or middle press selects as usual, then mouseDown is emitted;
//  - a right press never changes the selection: only mouseDown is emitted.
class ListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit ListBox(QWidget *parent = nullptr);

signals:
    // button: 1 left, 2 right, 4 middle; globalPos: where a pop-up opens.
    void mouseDown(int button, Qt::KeyboardModifiers shift, QPoint globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

} // namespace nearbell
