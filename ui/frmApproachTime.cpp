#include "ui/frmApproachTime.h"

#include "monitor/AlertFlags.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace nearbell {

frmApproachTime::frmApproachTime(int minutes, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmApproachTime"));
    setWindowTitle(QStringLiteral("Approach warning time"));
    spnMinutes = new QSpinBox(this);
    spnMinutes->setObjectName(QStringLiteral("spnMinutes"));
    spnMinutes->setRange(AlertFlags::kMinApproachMinutes, AlertFlags::kMaxApproachMinutes);
    spnMinutes->setValue(minutes);
    auto *row = new QHBoxLayout;
    auto *warn = new QLabel(QStringLiteral("Warn"), this);
    warn->setBuddy(spnMinutes);
    row->addWidget(warn);
    row->addWidget(spnMinutes);
    row->addWidget(new QLabel(QStringLiteral("minutes ahead"), this));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

int frmApproachTime::minutes() const
{
    return spnMinutes->value();
}

} // namespace nearbell
