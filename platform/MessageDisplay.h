#pragma once

#include <QString>

class QWidget;

namespace nearbell {

// Shows the program's modal message boxes (OK button only).
//
// The program talks to this interface rather than to QMessageBox, so tests
// can answer a box without a modal loop and see what would have been shown.
class MessageDisplay
{
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~MessageDisplay() = default;
    // Returns when the user has dismissed the box.
    virtual void show(QWidget *parent, const QString &title, const QString &text, Icon icon) = 0;
    // The same box, shown above every other window (also those kept on top)
    // and given the focus, for a box that has no window of ours to stand on.
    virtual void showAboveAll(const QString &title, const QString &text, Icon icon)
    {
        show(nullptr, title, text, icon);
    }
};

} // namespace nearbell
