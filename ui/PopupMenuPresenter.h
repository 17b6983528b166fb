#pragma once

#include <QPoint>

class QMenu;

namespace nearbell {

// Shows a pop-up menu at a screen position and waits until it has closed
// and the chosen command has run. Tests replace it to choose a command
// without a modal menu loop.
class PopupMenuPresenter
{
public:
    virtual ~PopupMenuPresenter() = default;
    virtual void popup(QMenu *menu, QPoint globalPos) = 0;
};

} // namespace nearbell
