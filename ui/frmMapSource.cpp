#include "ui/frmMapSource.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace nearbell {

frmMapSource::frmMapSource(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMapSource"));
    setWindowTitle(QStringLiteral("Map source"));
    optStandard = new QRadioButton(QStringLiteral("Standard tile server (OpenStreetMap)"), this);
    optTemplate = new QRadioButton(QStringLiteral("Tile server, URL template with {z}, {x} and {y}:"), this);
    optFile = new QRadioButton(QStringLiteral("MBTiles file, for use offline:"), this);
    auto *group = new QButtonGroup(this);
    for (QRadioButton *option : {optStandard, optTemplate, optFile})
        group->addButton(option);
    optStandard->setChecked(true);
    txtTemplate = new QLineEdit(this);
    txtTemplate->setPlaceholderText(QStringLiteral("https://tiles.example.org/{z}/{x}/{y}.png"));
    txtFile = new QLineEdit(this);
    cmdBrowse = new QPushButton(QStringLiteral("Browse..."), this);
    txtAttribution = new QLineEdit(this);
    lblProblem = new QLabel(this);
    lblProblem->setTextFormat(Qt::PlainText);
    lblProblem->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);

    auto *grid = new QGridLayout;
    grid->addWidget(optStandard, 0, 0, 1, 2);
    grid->addWidget(optTemplate, 1, 0, 1, 2);
    grid->addWidget(txtTemplate, 2, 0, 1, 2);
    grid->addWidget(optFile, 3, 0, 1, 2);
    grid->addWidget(txtFile, 4, 0);
    grid->addWidget(cmdBrowse, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("Attribution shown with the map:"), this), 5, 0, 1, 2);
    grid->addWidget(txtAttribution, 6, 0, 1, 2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(lblProblem);
    layout->addWidget(buttons);
    resize(480, sizeHint().height());

    m_chooser = [](QWidget *owner, const QString &current) {
        return QFileDialog::getOpenFileName(owner, QStringLiteral("MBTiles file"), current,
                                            QStringLiteral("MBTiles files (*.mbtiles);;All files (*)"));
    };
    connect(cmdBrowse, &QPushButton::clicked, this, [this] {
        const QString chosen = m_chooser(this, txtFile->text());
        if (!chosen.isEmpty()) {
            txtFile->setText(chosen);
            optFile->setChecked(true);
        }
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(group, &QButtonGroup::buttonToggled, this, &frmMapSource::check);
    connect(txtTemplate, &QLineEdit::textChanged, this, &frmMapSource::check);
    connect(txtFile, &QLineEdit::textChanged, this, &frmMapSource::check);
    check();
}

void frmMapSource::setSource(const MapSource &source)
{
    txtTemplate->setText(source.urlTemplate);
    txtFile->setText(source.file);
    txtAttribution->setText(source.attribution);
    (source.kind == MapSource::Kind::Template  ? optTemplate
     : source.kind == MapSource::Kind::MbTiles ? optFile
                                               : optStandard)
        ->setChecked(true);
    check();
}

MapSource frmMapSource::source() const
{
    MapSource source;
    source.kind = optTemplate->isChecked() ? MapSource::Kind::Template
                  : optFile->isChecked()   ? MapSource::Kind::MbTiles
                                           : MapSource::Kind::Standard;
    source.urlTemplate = txtTemplate->text().trimmed();
    source.file = txtFile->text().trimmed();
    source.attribution = txtAttribution->text().trimmed();
    return source;
}

void frmMapSource::check()
{
    QString problem;
    if (optTemplate->isChecked())
        problem = MapSource::templateProblem(txtTemplate->text());
    else if (optFile->isChecked() && !QFileInfo(txtFile->text().trimmed()).isFile())
        problem = QStringLiteral("No such file: %1").arg(txtFile->text().trimmed());
    lblProblem->setText(problem);
    cmdOK->setEnabled(problem.isEmpty());
}

} // namespace nearbell
