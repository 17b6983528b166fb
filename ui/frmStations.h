#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QWidget>

#include <vector>

#include "ui/StationRow.h"
#include "ui/StationTableModel.h"

namespace nearbell {

class PopupMenuPresenter;

// The Stations window: "Nearbell stations", separate from the main window
// and resizable.
//
// Responsibilities:
//  - show every station of the station table in a sortable table, with a
//    filter box and "Only stations in range or watched";
//  - take each cycle's rows keeping the selected station selected and the
//    table scrolled where it was;
//  - Enter or a double click asks for the station's details; the context
//    menu ("Details...", "Acknowledge", "Re-arm", "Add to watch list")
//    opens through the pop-up seam, after its owner has been told which
//    station it is for (menuAbout), so it can enable what applies;
//  - tell its owner when it closes.
class frmStations : public QWidget
{
    Q_OBJECT
public:
    explicit frmStations(PopupMenuPresenter &popups, QWidget *parent = nullptr);

    QLineEdit *txtFilter = nullptr;
    QCheckBox *chkInRange = nullptr;
    QLabel *lblCount = nullptr;
    QTableView *tblStations = nullptr;
    QMenu *mnuStations = nullptr;
    QAction *mnuStationsDetails = nullptr;
    QAction *mnuStationsAck = nullptr;
    QAction *mnuStationsRearm = nullptr;
    QAction *mnuStationsWatch = nullptr;

    StationTableModel &model() { return *m_model; }
    // A new set of rows (once per cycle).
    void setRows(std::vector<StationRow> rows, const QDateTime &now);
    // The callsign of the selected row; empty when none is selected.
    QString selectedCallsign() const;
    // Selects the row of this callsign; false when it is not shown.
    bool selectCallsign(const QString &callsign);
    // Opens the context menu for a row, as a right click there does.
    void showMenuAt(int row);

signals:
    void detailsRequested(const QString &callsign);
    // The context menu is about to open for this station.
    void menuAbout(const QString &callsign);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs a change of the rows, putting the selection and the scroll
    // position back afterwards.
    template <typename Change>
    void keepingPlace(Change change);
    void showCount();

    PopupMenuPresenter &m_popups;
    StationTableModel *m_model = nullptr;
    QString m_hiddenSelection; // selected, then hidden by a filter
};

} // namespace nearbell
