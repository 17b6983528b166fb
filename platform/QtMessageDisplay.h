#pragma once

#include "platform/MessageDisplay.h"

namespace nearbell {

// The program's real message boxes: a modal QMessageBox with the given
// title, text and icon and an OK button only.
class QtMessageDisplay : public MessageDisplay
{
public:
    void show(QWidget *parent, const QString &title, const QString &text, Icon icon) override;
    void showAboveAll(const QString &title, const QString &text, Icon icon) override;
};

} // namespace nearbell
