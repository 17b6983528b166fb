#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "ui/RadarView.h"

namespace nearbell {

// The radar window: "Nearbell radar", separate from the main window and
// resizable down to any size.
//
// Responsibilities:
//  - hold the radar drawing and the choice of what is up: "North up" or
//    "Course up";
//  - say on its note line when course up cannot be had (no course known)
//    and north is up instead;
//  - the "Map" check box, "Map source..." and "Centre", and a line saying
//    why the map is not drawn or its tiles are missing;
//  - tell its owner when the choice changes and when it closes; Escape
//    closes it;
//  - show the stations' tool tips also while another window is active.
class frmRadar : public QWidget
{
    Q_OBJECT
public:
    explicit frmRadar(QWidget *parent = nullptr);

    RadarView *view = nullptr;
    QRadioButton *optNorthUp = nullptr;
    QRadioButton *optCourseUp = nullptr;
    QLabel *lblNote = nullptr;
    QCheckBox *chkMap = nullptr;
    QPushButton *cmdMapSource = nullptr;
    QPushButton *cmdCentre = nullptr;
    QLabel *lblMap = nullptr;

    bool courseUp() const { return optCourseUp->isChecked(); }
    void setCourseUp(bool courseUp);

signals:
    void courseUpChanged(bool courseUp);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
};

} // namespace nearbell
