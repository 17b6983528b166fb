#include "ui/QtPopupMenuPresenter.h"

#include <QMenu>

namespace nearbell {

void QtPopupMenuPresenter::popup(QMenu *menu, QPoint globalPos)
{
    menu->exec(globalPos);
}

} // namespace nearbell
