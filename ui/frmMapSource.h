#pragma once

#include <QDialog>

#include <functional>

#include "map/MapSource.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nearbell {

// "Map source": where the radar's map comes from.
//
// Responsibilities:
//  - choose between the standard tile server, a URL template and an MBTiles
//    file (with a file chooser), and the attribution shown with the map;
//  - say at once what is wrong with a template, and take no template or
//    file that cannot serve: OK waits until it can.
class frmMapSource : public QDialog
{
    Q_OBJECT
public:
    using FileChooser = std::function<QString(QWidget *parent, const QString &current)>;

    explicit frmMapSource(QWidget *parent = nullptr);

    void setSource(const MapSource &source);
    MapSource source() const;
    // The file chooser "Browse..." opens; tests give their own.
    void setFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

    QRadioButton *optStandard = nullptr;
    QRadioButton *optTemplate = nullptr;
    QRadioButton *optFile = nullptr;
    QLineEdit *txtTemplate = nullptr;
    QLineEdit *txtFile = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QLineEdit *txtAttribution = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *cmdOK = nullptr;

private:
    void check();

    FileChooser m_chooser;
};

} // namespace nearbell
