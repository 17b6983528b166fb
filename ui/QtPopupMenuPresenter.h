#pragma once

#include "ui/PopupMenuPresenter.h"

namespace nearbell {

// The real pop-up: QMenu::exec at the mouse position.
class QtPopupMenuPresenter : public PopupMenuPresenter
{
public:
    void popup(QMenu *menu, QPoint globalPos) override;
};

} // namespace nearbell
