#pragma once

#include <QDialog>

class QSpinBox;

namespace nearbell {

// "Approach warning time": how many minutes ahead a station approaching is
// told, "Warn ... minutes ahead", from 1 to 60.
class frmApproachTime : public QDialog
{
    Q_OBJECT
public:
    explicit frmApproachTime(int minutes, QWidget *parent = nullptr);

    int minutes() const;
    QSpinBox *spnMinutes = nullptr;
};

} // namespace nearbell
