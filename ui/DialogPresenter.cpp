#include "ui/DialogPresenter.h"

#include <QDialog>

namespace nearbell {

bool QtDialogPresenter::present(QDialog &dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

} // namespace nearbell
