#include "ui/frmRadar.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

namespace nearbell {

frmRadar::frmRadar(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmRadar"));
    setWindowTitle(QStringLiteral("Nearbell radar"));
    setWindowIcon(QIcon(QStringLiteral(":/nearbell/nearbell.png")));

    optNorthUp = new QRadioButton(QStringLiteral("North up"), this);
    optNorthUp->setObjectName(QStringLiteral("optNorthUp"));
    optCourseUp = new QRadioButton(QStringLiteral("Course up"), this);
    optCourseUp->setObjectName(QStringLiteral("optCourseUp"));
    auto *group = new QButtonGroup(this);
    group->addButton(optNorthUp);
    group->addButton(optCourseUp);
    optNorthUp->setChecked(true);
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setTextFormat(Qt::PlainText);
    view = new RadarView(this);
    chkMap = new QCheckBox(QStringLiteral("Map"), this);
    chkMap->setObjectName(QStringLiteral("chkMap"));
    cmdMapSource = new QPushButton(QStringLiteral("Map source..."), this);
    cmdMapSource->setObjectName(QStringLiteral("cmdMapSource"));
    cmdCentre = new QPushButton(QStringLiteral("Centre"), this);
    cmdCentre->setObjectName(QStringLiteral("cmdCentre"));
    lblMap = new QLabel(this);
    lblMap->setObjectName(QStringLiteral("lblMap"));
    lblMap->setTextFormat(Qt::PlainText);
    lblMap->setVisible(false);

    auto *choice = new QHBoxLayout;
    choice->addWidget(optNorthUp);
    choice->addWidget(optCourseUp);
    choice->addWidget(lblNote, 1);
    auto *mapRow = new QHBoxLayout;
    mapRow->addWidget(chkMap);
    mapRow->addWidget(cmdMapSource);
    mapRow->addWidget(cmdCentre);
    mapRow->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(choice);
    layout->addLayout(mapRow);
    layout->addWidget(lblMap);
    layout->addWidget(view, 1);
    // The window may be made as small as the user likes; what does not fit
    // is cut off, the drawing shrinks with it.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    resize(420, 460);

    connect(optCourseUp, &QRadioButton::toggled, this, &frmRadar::courseUpChanged);
    // Escape closes it as it closes a dialog, whichever control has the focus.
    auto *escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    // The radar is watched beside the main window, which mostly has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    connect(cmdCentre, &QPushButton::clicked, view, &RadarView::centre);
    connect(view, &RadarView::mapNoteChanged, this, [this](const QString &note) {
        lblMap->setText(note);
        lblMap->setVisible(!note.isEmpty());
    });
}

void frmRadar::setCourseUp(bool courseUp)
{
    (courseUp ? optCourseUp : optNorthUp)->setChecked(true);
}

void frmRadar::closeEvent(QCloseEvent *event)
{
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace nearbell
